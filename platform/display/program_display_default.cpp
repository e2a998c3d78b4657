#include "platform/display/program_display.h"

namespace quorvex {

// The quorvex program's displays: the terminal, or the window loaded from its module.
std::unique_ptr<DisplaySource> DisplaySource::CreateDefault()
{
    return std::make_unique<ProgramDisplay>();
}

}  // namespace quorvex
