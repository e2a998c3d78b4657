#include "platform/gui/control.h"

#include "platform/window/window.h"

namespace quorvex {

bool Control::Attach(Window* candidate)
{
    window = candidate && candidate->IsCreated() && Accepts(*candidate) ? candidate : nullptr;
    return window != nullptr;
}

bool Control::EnableWindow(bool enable)
{
    return window && window->EnableWindow(enable);
}

bool Control::IsWindowEnabled() const
{
    return window && window->IsWindowEnabled();
}

bool Control::ShowWindow(int command)
{
    return window && window->ShowWindow(command);
}

void Control::SetWindowText(std::wstring_view text)
{
    if (window)
        window->SetWindowText(text);
}

std::wstring Control::GetWindowText() const
{
    return window ? window->GetWindowText() : std::wstring();
}

}  // namespace quorvex
