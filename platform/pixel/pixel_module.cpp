// The window display as a module of its own (quorvex-pixel.so), which the quorvex program
// loads at start when it opens a window (platform/display/program_display.h): one entry
// point, display_module.h says what it promises.
#include <cstring>
#include <type_traits>

#include "platform/pixel/pixel_display.h"
#include "platform/window/display_module.h"

extern "C" __attribute__((visibility("default"))) quorvex::Display* quorvex_display_module_open(
    const char* programVersion, const char** moduleVersion, quorvex::DisplayModuleCall* call)
{
    *moduleVersion = QUORVEX_VERSION;
    if (!programVersion || std::strcmp(programVersion, QUORVEX_VERSION) != 0 || !call)
        return nullptr;
    quorvex::PixelDisplay::Options options;
    options.layouts = {call->request.portrait, call->request.landscape};
    options.applicationName = call->request.applicationName;
    options.anyFont = call->forMessage;
    options.platforms = call->platforms;
    return quorvex::PixelDisplay::Open(options, call->error).release();
}

// The entry point has the type the program looks it up as.
static_assert(std::is_same_v<decltype(&quorvex_display_module_open), quorvex::DisplayModuleOpen>);
