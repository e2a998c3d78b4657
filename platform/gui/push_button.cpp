#include "platform/gui/push_button.h"

#include "platform/window/window.h"

namespace quorvex {

bool PushButton::Accepts(const Window& window) const
{
    return window.GetClassName() == L"button" && (window.GetStyle() & BS_TYPEMASK) != BS_GROUPBOX;
}

}  // namespace quorvex
