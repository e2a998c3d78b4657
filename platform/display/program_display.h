#pragma once

#include <memory>
#include <string>

#include "platform/system/shared_library.h"
#include "platform/window/display_source.h"

namespace quorvex {

// Where the quorvex program shows itself: one program file, two displays. It takes the
// terminal (linked in) when its standard input is a terminal whose foreground process
// group is the program's own, as when a person starts it from a shell. Otherwise (started
// from a launcher with standard input from /dev/null, in the background of a shell, or
// from a console that a desktop was started from and that nobody looks at) it opens its
// window: the window display is a module installed beside the program, in
// `../lib/quorvex/quorvex-pixel.so` from the folder of the program file (symbolic links
// resolved), never found through the environment, and is loaded only when a display
// server answers (display_server.h), so that neither a missing server nor a missing module
// costs more than a message. The module must be of the program's own version. Main
// thread only.
class ProgramDisplay : public DisplaySource {
public:
    static constexpr const char* kModuleFolder = "../lib/quorvex";
    static constexpr const char* kModuleFile = "quorvex-pixel.so";

    enum class Choice { Terminal, Window };

    // The display a start takes, from its standard input.
    static Choice Choose();

    // Where the window display's module lies for the program file `programPath`.
    static std::string ModulePath(const std::string& programPath);

    std::unique_ptr<Display> Open(const DisplayRequest& request, std::string& error) override;
    std::unique_ptr<Display> OpenForMessage(const DisplayRequest& request) override;

private:
    std::unique_ptr<Display> OpenWindow(const DisplayRequest& request, bool forMessage,
                                        std::string& error);

    SharedLibrary module;
};

}  // namespace quorvex
