#pragma once

#include <string>

#include "platform/window/display_source.h"

namespace quorvex {

class Display;

// A display built as a module of its own, which a program loads at start (the window
// display, quorvex-pixel.so, which brings Qt with it, so that the program itself needs no
// Qt). The module has one entry point, a C function found by name: it checks first that it
// was built for the program's own version, and then opens the display.
//
// The module is linked against the program: what it uses of the platform layer (the
// window model, the system calls) is the program's own code, resolved when it is loaded,
// so there is one copy of every part in the process.
struct DisplayModuleCall {
    DisplayRequest request;
    // For a start's failure message alone: any font will do.
    bool forMessage = false;
    // The platforms whose display server answered the program (DisplayServer::Find), for
    // Qt: the module does not ask again.
    std::string platforms;
    // Why no display was opened.
    std::string error;
};

// Sets `*moduleVersion` to the module's own version. When `programVersion` differs from
// it, returns null and touches nothing of `call`, whose shape may differ between versions;
// otherwise returns the display, which the caller owns, or null with `call->error` said.
// Main thread only.
using DisplayModuleOpen = Display* (*)(const char* programVersion, const char** moduleVersion,
                                       DisplayModuleCall* call);

// The entry point's name.
inline constexpr const char* kDisplayModuleOpenName = "quorvex_display_module_open";

}  // namespace quorvex
