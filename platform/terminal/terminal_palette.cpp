#include "platform/terminal/terminal_palette.h"

#define NCURSES_WIDECHAR 1
#include <curses.h>

#include <algorithm>
#include <limits>

namespace quorvex {
namespace {

constexpr short kPairCaption = 1;  // white on blue: captions, focus, the highlighted item
constexpr short kPairLight = 2;    // black on white: fields, lists, message boxes
constexpr short kPairButton = 3;   // black on cyan: buttons
constexpr short kFirstPixelPair = 8;

// A colour whose channels differ by less than this is a grey.
constexpr int kGreyChroma = 48;

struct RoleLook {
    attr_t attributes;
    short pair;
};

RoleLook ColourLook(CellRole role)
{
    switch (role) {
        case CellRole::Plain:
        case CellRole::Pixels:
            return {A_NORMAL, 0};
        case CellRole::Bold:
            return {A_BOLD, 0};
        case CellRole::Dim:
        case CellRole::ButtonDisabled:
            return {A_DIM, 0};
        case CellRole::Caption:
        case CellRole::BoxCaption:
        case CellRole::ButtonFocused:
        case CellRole::FieldFocused:
        case CellRole::ListHighlight:
        case CellRole::BoxButtonFocused:
            return {A_BOLD, kPairCaption};
        case CellRole::CaptionButton:
            return {A_BOLD, kPairLight};
        case CellRole::ButtonPressed:
            return {A_BOLD | A_REVERSE, kPairCaption};
        case CellRole::Field:
        case CellRole::List:
        case CellRole::Box:
        case CellRole::Hint:
            return {A_NORMAL, kPairLight};
        case CellRole::FieldDisabled:
            return {A_DIM, kPairLight};
        case CellRole::Button:
        case CellRole::BoxButton:
            return {A_NORMAL, kPairButton};
    }
    return {A_NORMAL, 0};
}

attr_t PlainLook(CellRole role)
{
    switch (role) {
        case CellRole::Plain:
        case CellRole::Pixels:
        case CellRole::Button:
        case CellRole::Box:
        case CellRole::BoxButton:
            return A_NORMAL;
        case CellRole::Bold:
        case CellRole::CaptionButton:
        case CellRole::ListHighlight:
        case CellRole::ButtonPressed:
            return A_BOLD;
        case CellRole::Dim:
        case CellRole::ButtonDisabled:
            return A_DIM;
        case CellRole::Caption:
        case CellRole::BoxCaption:
        case CellRole::ButtonFocused:
        case CellRole::BoxButtonFocused:
            return A_REVERSE | A_BOLD;
        case CellRole::Field:
            return A_UNDERLINE;
        case CellRole::FieldFocused:
        case CellRole::List:
        case CellRole::Hint:
            return A_REVERSE;
        case CellRole::FieldDisabled:
            return A_DIM | A_UNDERLINE;
    }
    return A_NORMAL;
}

struct Rgb {
    int r, g, b;
    int Max() const { return std::max({r, g, b}); }
    int Min() const { return std::min({r, g, b}); }
    bool IsGrey() const { return Max() - Min() < kGreyChroma; }
};

Rgb Split(std::uint32_t rgb)
{
    return {static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
            static_cast<int>(rgb & 0xFF)};
}

// The hue in degrees, 0 red, 120 green, 240 blue.
int Hue(const Rgb& c)
{
    const int max = c.Max();
    const int span = std::max(max - c.Min(), 1);
    int hue;
    if (max == c.r)
        hue = 60 * (c.g - c.b) / span;
    else if (max == c.g)
        hue = 120 + 60 * (c.b - c.r) / span;
    else
        hue = 240 + 60 * (c.r - c.g) / span;
    return (hue + 360) % 360;
}

// The basic colour a hue is named by. Green and blue take the wide bands a person calls
// green and blue, so that a yellow-green or a sky blue keeps its name.
short BasicColour(int hue)
{
    if (hue < 20 || hue >= 330)
        return COLOR_RED;
    if (hue < 75)
        return COLOR_YELLOW;
    if (hue < 165)
        return COLOR_GREEN;
    if (hue < 195)
        return COLOR_CYAN;
    if (hue < 270)
        return COLOR_BLUE;
    return COLOR_MAGENTA;
}

// One colour of a 256-colour terminal. A colourful one at full strength (its brightest
// channel raised to 255), from the 6 x 6 x 6 cube; a grey from the grey ramp, between
// 108 and 178, so that it shows on black and on white alike.
short CubeColour(const Rgb& c)
{
    if (c.IsGrey()) {
        const int shown = 108 + (c.r + c.g + c.b) / 3 * 70 / 255;
        return static_cast<short>(232 + std::clamp((shown - 8) / 10, 0, 23));
    }
    const int max = std::max(c.Max(), 1);
    auto level = [&](int v) {
        const int full = v * 255 / max;
        return full < 48 ? 0 : full < 115 ? 1 : (full - 35) / 40;
    };
    return static_cast<short>(16 + 36 * level(c.r) + 6 * level(c.g) + level(c.b));
}

}  // namespace

void TerminalPalette::Start(bool unicodeTerminal)
{
    unicode = unicodeTerminal;
    colour = has_colors() && start_color() == OK;
    colours = colour ? COLORS : 0;
    if (!colour)
        return;
    // The terminal's own background stays where nothing else is asked for.
    if (use_default_colors() != OK)
        assume_default_colors(COLOR_WHITE, COLOR_BLACK);
    init_pair(kPairCaption, COLOR_WHITE, COLOR_BLUE);
    init_pair(kPairLight, COLOR_BLACK, COLOR_WHITE);
    init_pair(kPairButton, COLOR_BLACK, COLOR_CYAN);
}

TerminalPalette::Look TerminalPalette::For(const Cell& cell)
{
    Look look;
    look.glyph = cell.ch;
    if (cell.role == CellRole::Pixels) {
        const PixelLook pixels = ForPixels(cell.upper, cell.lower, colours, unicode);
        look.glyph = pixels.glyph;
        if (colour && (pixels.foreground >= 0 || pixels.background >= 0))
            look.pair = PixelPair(pixels.foreground, pixels.background);
        return look;
    }
    if (colour) {
        const RoleLook role = ColourLook(cell.role);
        look.attributes = role.attributes;
        look.pair = role.pair;
    } else {
        look.attributes = PlainLook(cell.role);
    }
    return look;
}

TerminalPalette::PixelLook TerminalPalette::ForPixels(std::uint32_t upper, std::uint32_t lower,
                                                      int colours, bool unicode)
{
    const bool hasUpper = upper != Cell::kNoPixel;
    const bool hasLower = lower != Cell::kNoPixel;
    if (!hasUpper && !hasLower)
        return {};
    if (colours >= 256 && unicode) {
        // A half block: its ink paints one half of the cell, its background the other.
        PixelLook look;
        look.glyph = hasUpper ? L'\u2580' : L'\u2584';
        look.foreground = CubeColour(Split(hasUpper ? upper : lower));
        look.background = hasUpper && hasLower ? CubeColour(Split(lower)) : -1;
        return look;
    }
    // One look for the whole cell: the more colourful half decides.
    const Rgb top = Split(hasUpper ? upper : lower);
    const Rgb bottom = Split(hasLower ? lower : upper);
    const Rgb& shown = top.Max() - top.Min() >= bottom.Max() - bottom.Min() ? top : bottom;
    if (!shown.IsGrey() && colours >= 256)
        return {L' ', -1, CubeColour(shown)};
    if (!shown.IsGrey() && colours >= 8)
        return {L' ', -1, BasicColour(Hue(shown))};
    // A grey, or any colour without colours: a shade in the terminal's own ink, denser
    // for darker pixels.
    const bool dark = (shown.r + shown.g + shown.b) / 3 < 128;
    if (!unicode)
        return {dark ? L'#' : L':', -1, -1};
    return {dark ? L'\u2593' : L'\u2592', -1, -1};
}

short TerminalPalette::PixelPair(short foreground, short background)
{
    for (std::size_t i = 0; i < pixelPairs.size(); ++i)
        if (pixelPairs[i][0] == foreground && pixelPairs[i][1] == background)
            return static_cast<short>(kFirstPixelPair + i);
    const int limit = std::min(COLOR_PAIRS, static_cast<int>(std::numeric_limits<short>::max()));
    // When the terminal runs out of pairs, start over: only a few images use them.
    if (kFirstPixelPair + static_cast<int>(pixelPairs.size()) >= limit)
        pixelPairs.clear();
    if (kFirstPixelPair >= limit)
        return 0;
    const short pair = static_cast<short>(kFirstPixelPair + pixelPairs.size());
    init_pair(pair, foreground, background);
    pixelPairs.push_back({foreground, background});
    return pair;
}

}  // namespace quorvex
