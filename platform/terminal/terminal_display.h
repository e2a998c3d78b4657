#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "platform/system/signal_pipe.h"
#include "platform/terminal/cell_grid.h"
#include "platform/terminal/terminal_key_map.h"
#include "platform/terminal/terminal_palette.h"
#include "platform/window/display.h"

namespace quorvex {

// The program's screen: the terminal on standard input and output, through curses. It
// draws the model (terminal_palette.h says in which colours) and turns keys, mouse buttons,
// resizes and the signals SIGTERM, SIGHUP and SIGINT into InputEvents (terminal_key_map.h
// lists the keys; input_event.h says what the model does with them). Each press and release
// of the left button is reported as it comes, in the middle of its cell; reading input
// never waits for more of it.
//
// The terminal's last row is the hint row: it names the main keys, or says that the
// terminal is too small for what the model shows, and is no part of the model's screen.
// After a resize the whole terminal is drawn anew, so that nothing of the earlier screen
// stays. One character cell is 8 x 16 pixels unless the terminal tells its size in pixels.
// The terminal is given back as it was when the display goes, and at exit should the display
// never be destroyed. At most one exists at a time; UI thread only.
class TerminalDisplay : public Display {
public:
    // Takes over the terminal; none when standard input or output is not a terminal,
    // curses cannot drive it, or another terminal display exists, with `error` saying why
    // in words for the person who started the program.
    static std::unique_ptr<TerminalDisplay> Open(std::string& error);
    ~TerminalDisplay() override;

    Size ScreenPixels() const override;
    Size CellPixels() const override { return cell; }
    void ModelChanged() override { changed = true; }
    void Flush(const WindowSystem& model) override;
    std::span<const int> InputDescriptors() const override;
    void ReadInput(WindowSystem& model) override;
    void BringToFront() override;
    std::wstring ShownOn() const override;  // "the terminal /dev/pts/3"

private:
    TerminalDisplay() = default;
    bool Start();
    // Why Open gave none.
    static std::string WhyNotOpened();
    void OpenInput();
    int InputDescriptor() const;
    void DeliverMouse(WindowSystem& model);
    void MeasureTerminal();
    void Show();
    void ShowCell(int column, int row, const Cell& what);
    void ShowHint();
    bool HungUp() const;

    void* screen = nullptr;      // the curses screen
    std::FILE* input = nullptr;  // the terminal, read without blocking; none: standard input
    SignalPipe signals;
    std::array<int, 2> descriptors{};
    std::size_t descriptorCount = 0;
    int columns = 0;
    int rows = 0;       // the terminal's, the hint row included
    int modelRows = 0;  // the model's screen
    Size cell{8, 16};
    bool changed = true;
    bool unicode = false;
    bool tooSmall = false;
    CellGrid grid;
    TerminalPalette palette;
    TerminalKeyMap keys;
};

}  // namespace quorvex
