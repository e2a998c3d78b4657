#include "platform/window/display.h"
#include "platform/window/headless_display.h"

namespace quorvex {

// Chosen by the build until a terminal front end provides the program's display.
std::unique_ptr<Display> Display::CreateDefault()
{
    return std::make_unique<HeadlessDisplay>();
}

}  // namespace quorvex
