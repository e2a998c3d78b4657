#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/system/posix.h"
#include "platform/terminal/terminal_display.h"
#include "platform/window/display.h"

namespace quorvex {

// The program's display: the terminal it was started in.
std::unique_ptr<Display> Display::CreateDefault()
{
    if (std::unique_ptr<TerminalDisplay> terminal = TerminalDisplay::Open())
        return terminal;
    // The program cannot show itself anywhere; say so where the person who started it looks.
    if (!Posix::IsTerminal(STDIN_FILENO) || !Posix::IsTerminal(STDOUT_FILENO)) {
        std::fputs("This program runs in a terminal: its standard input and output must be one.\n",
                   stderr);
    } else {
        const char* type = std::getenv("TERM");
        const std::string line =
            "This terminal cannot be driven: TERM=" + std::string(type ? type : "") +
            " names no terminal type this system knows.\n";
        std::fputs(line.c_str(), stderr);
    }
    return nullptr;
}

}  // namespace quorvex
