#include <cstdio>

#include "platform/terminal/terminal_display.h"
#include "platform/window/display.h"

namespace quorvex {

// The program's display: the terminal it was started in.
std::unique_ptr<Display> Display::CreateDefault()
{
    if (std::unique_ptr<TerminalDisplay> terminal = TerminalDisplay::Open())
        return terminal;
    // The program cannot show itself anywhere; say so where the person who started it looks.
    std::fputs("This program runs in a terminal: its standard input and output must be one.\n",
               stderr);
    return nullptr;
}

}  // namespace quorvex
