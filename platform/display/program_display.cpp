#include "platform/display/program_display.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/system/display_server.h"
#include "platform/system/posix.h"
#include "platform/system/program_file.h"
#include "platform/system/utf8.h"
#include "platform/terminal/terminal_display.h"
#include "platform/window/display.h"
#include "platform/window/display_module.h"

namespace quorvex {

ProgramDisplay::Choice ProgramDisplay::Choose()
{
    // A terminal that another process group has in the foreground is not the person's: a
    // job started in the background, or a desktop's programs on the console it started from.
    if (!Posix::IsTerminal(STDIN_FILENO))
        return Choice::Window;
    const SystemResult foreground = Posix::ForegroundGroup(STDIN_FILENO);
    return foreground.Ok() && foreground.value == Posix::ProcessGroup() ? Choice::Terminal
                                                                        : Choice::Window;
}

std::string ProgramDisplay::ModulePath(const std::string& programPath)
{
    const std::filesystem::path program(programPath);
    return (program.parent_path() / kModuleFolder / kModuleFile).lexically_normal().string();
}

std::unique_ptr<Display> ProgramDisplay::Open(const DisplayRequest& request, std::string& error)
{
    if (Choose() == Choice::Terminal)
        return TerminalDisplay::Open(error);
    std::string why;
    std::unique_ptr<Display> window = OpenWindow(request, false, why);
    if (!window)
        error =
            "standard input is not a terminal in the foreground, so it opens a window, but " + why;
    return window;
}

std::unique_ptr<Display> ProgramDisplay::OpenForMessage(const DisplayRequest& request)
{
    // In the terminal, standard error is where the person looks.
    if (Choose() == Choice::Terminal)
        return nullptr;
    std::string ignored;  // standard error has said what failed already
    return OpenWindow(request, true, ignored);
}

std::unique_ptr<Display> ProgramDisplay::OpenWindow(const DisplayRequest& request, bool forMessage,
                                                    std::string& error)
{
    const DisplayServer::Found server = DisplayServer::Find();
    if (server.platforms.empty()) {
        error = server.why;
        return nullptr;
    }
    const std::string program = ToUtf8(ProgramFile::Path());
    const std::string path = ModulePath(program);
    std::string why;
    if (!module.Load(path, why)) {
        error = "the window display cannot be loaded: " + why +
                " (the package quorvex-gui installs it)";
        return nullptr;
    }
    const auto open = reinterpret_cast<DisplayModuleOpen>(module.Symbol(kDisplayModuleOpenName));
    if (!open) {
        error = "the window display " + path + " has no entry point " + kDisplayModuleOpenName;
        return nullptr;
    }
    const char* moduleVersion = nullptr;
    DisplayModuleCall call{request, forMessage, server.platforms, {}};
    std::unique_ptr<Display> display(open(QUORVEX_VERSION, &moduleVersion, &call));
    if (!display) {
        if (!moduleVersion || std::strcmp(moduleVersion, QUORVEX_VERSION) != 0)
            error = "the window display " + path + " is of version " +
                    (moduleVersion ? moduleVersion : "(none)") + ", this program of " +
                    QUORVEX_VERSION + "; install quorvex-gui of the same version";
        else
            error = call.error;
    }
    return display;
}

}  // namespace quorvex
