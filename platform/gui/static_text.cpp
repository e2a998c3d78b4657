#include "platform/gui/static_text.h"

#include "platform/window/window.h"

namespace quorvex {

bool StaticText::Accepts(const Window& window) const
{
    return window.GetClassName() == L"static";
}

}  // namespace quorvex
