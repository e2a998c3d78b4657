// A window display module of another version, for the tests of the program's display: its
// entry point answers as display_module.h says, and opens nothing.
#include "platform/window/display_module.h"

extern "C" __attribute__((visibility("default"))) quorvex::Display* quorvex_display_module_open(
    const char* programVersion, const char** moduleVersion, quorvex::DisplayModuleCall* call)
{
    (void)programVersion;
    (void)call;
    *moduleVersion = "0.0-test";
    return nullptr;
}
