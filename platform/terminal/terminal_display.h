#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/terminal/cell_grid.h"
#include "platform/terminal/signal_pipe.h"
#include "platform/window/display.h"

namespace quorvex {

// The program's screen: the terminal on standard input and output, through curses. It
// draws the model in colour where the terminal has colour and with bold, dim and reverse
// where it has not, and turns keys, mouse clicks, resizes and the signals SIGTERM, SIGHUP
// and SIGINT into InputEvents (see input_event.h for what the model does with them):
//
//   Tab, Shift-Tab         Tab, BackTab          Enter, Space        Enter, Space
//   Esc                    Escape                arrows, Home, End   the same keys
//   F10 or Ctrl-O          CaptionOk             Ctrl-C              a close request
//   left mouse button      a click in the middle of the cell
//
// One character cell is 8 x 16 pixels unless the terminal tells its size in pixels. The
// terminal is given back as it was when the display goes, and at exit should the display
// never be destroyed. At most one exists at a time; UI thread only.
class TerminalDisplay : public Display {
public:
    // Takes over the terminal; none when standard input or output is not a terminal,
    // curses cannot drive it, or another terminal display exists.
    static std::unique_ptr<TerminalDisplay> Open();
    ~TerminalDisplay() override;

    Size ScreenPixels() const override;
    Size CellPixels() const override { return cell; }
    void ModelChanged() override { changed = true; }
    void Flush(const WindowSystem& model) override;
    std::span<const int> InputDescriptors() const override;
    void ReadInput(WindowSystem& model) override;
    void BringToFront() override;

private:
    TerminalDisplay() = default;
    bool Start();
    void MeasureTerminal();
    void InitColours();
    void Show();
    void ShowCell(int column, int row, const Cell& what);
    short PixelPair(short foreground, short background);
    short NearestColour(std::uint32_t rgb) const;
    bool HungUp() const;

    void* screen = nullptr;  // the curses screen
    SignalPipe signals;
    std::array<int, 2> descriptors{};
    std::size_t descriptorCount = 0;
    int columns = 0;
    int rows = 0;
    Size cell{8, 16};
    bool changed = true;
    bool colour = false;
    bool unicode = false;
    CellGrid grid;
    // Colour pairs made for pixel cells, by foreground and background colour number.
    std::vector<std::array<short, 2>> pixelPairs;
};

}  // namespace quorvex
