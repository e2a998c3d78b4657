#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/terminal/cell_grid.h"

namespace quorvex {

// How cells look on this terminal: the colours and attributes of each CellRole, with colour
// or without, and the colours and glyphs of pixel cells. Pixel colours are chosen to stay
// apart from each other and from the terminal's own background, whether that is dark or
// light: a colourful pixel shows in its hue at full strength (one of the eight basic colours,
// or the nearest of the 256-colour cube), a grey one as a mid grey (with 8 colours, as a
// shade glyph in the terminal's own ink), and a half cell without pixels as the background.
// ForPixels is a pure rule that any thread may call; the rest belongs to the display's
// thread, between the terminal's start and end.
class TerminalPalette {
public:
    // How one cell is drawn: its glyph, the terminal library's attribute bits, and a colour
    // pair (0: the terminal's own colours).
    struct Look {
        wchar_t glyph = L' ';
        unsigned long attributes = 0;
        short pair = 0;
    };

    // What a pixel cell shows, in colour numbers (-1: the terminal's own ink or background;
    // 0-7 the basic colours, 16-255 those of a 256-colour terminal).
    struct PixelLook {
        wchar_t glyph = L' ';
        short foreground = -1;
        short background = -1;
        friend bool operator==(const PixelLook&, const PixelLook&) = default;
    };

    // Takes the terminal's colours as they are once the terminal has started; a terminal
    // without colour gets attributes only. `unicode`: the terminal shows any character.
    void Start(bool unicode);

    Look For(const Cell& cell);

    // The pixel cell with `upper` and `lower` halves (0x00RRGGBB or Cell::kNoPixel) on a
    // terminal of `colours` colours (0 for none).
    static PixelLook ForPixels(std::uint32_t upper, std::uint32_t lower, int colours, bool unicode);

private:
    short PixelPair(short foreground, short background);

    bool colour = false;
    bool unicode = false;
    int colours = 0;
    // Colour pairs made for pixel cells, by foreground and background colour number.
    std::vector<std::array<short, 2>> pixelPairs;
};

}  // namespace quorvex
