#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// What a character cell shows, by meaning; the terminal decides the colours and attributes
// each role gets, with colour or without.
enum class CellRole : std::uint8_t {
    Plain,
    Bold,
    Dim,
    Caption,
    CaptionButton,
    Button,
    ButtonFocused,
    ButtonDisabled,
    ButtonPressed,  // a button, the caption's OK or a box's button, held down by the mouse
    Field,
    FieldFocused,
    FieldDisabled,
    List,
    ListHighlight,
    Box,
    BoxCaption,
    BoxButton,
    BoxButtonFocused,
    Pixels,  // two pixel colours, the upper and the lower half of the cell
    Hint,    // the terminal's hint row, below the model's screen
};

// One character cell. Lines are the box-drawing strokes that meet in the cell, so that
// frames drawn across each other join (a corner meeting a side becomes a tee).
struct Cell {
    static constexpr std::uint8_t kUp = 1;
    static constexpr std::uint8_t kDown = 2;
    static constexpr std::uint8_t kLeft = 4;
    static constexpr std::uint8_t kRight = 8;
    // A pixel half that no window covers, shown in the terminal's own background.
    static constexpr std::uint32_t kNoPixel = 0xFF000000;

    wchar_t ch = L' ';
    CellRole role = CellRole::Plain;
    std::uint8_t lines = 0;
    std::uint32_t upper = kNoPixel;  // 0x00RRGGBB, for CellRole::Pixels
    std::uint32_t lower = kNoPixel;
};

// A screen of character cells that the model is painted into before the terminal shows it.
// Everything drawn is clipped to the grid. Owner's thread only.
class CellGrid {
public:
    virtual ~CellGrid() = default;

    // Sets the size and blanks every cell.
    void Reset(int columns, int rows);
    int Columns() const { return columns; }
    int Rows() const { return rows; }

    // Blanks a block of cells in `role`, lines included.
    void Fill(int column, int row, int width, int height, CellRole role);
    // Writes `text` from (column, row), at most `width` cells of it.
    void Text(int column, int row, std::wstring_view text, CellRole role, int width);
    // Adds the strokes of a rectangle's outline, `width` x `height` cells.
    void Frame(int column, int row, int width, int height);
    void Pixels(int column, int row, std::uint32_t upper, std::uint32_t lower);

    // The cell at (column, row); a blank one outside the grid.
    const Cell& At(int column, int row) const;
    // The character a cell shows: its text, or the box-drawing character of its lines.
    wchar_t Glyph(int column, int row) const;
    // A row's glyphs, for reading the screen as text.
    std::wstring RowText(int row) const;

    // The box-drawing character for a set of Cell::kUp ... kRight strokes; ' ' for none.
    static wchar_t LineGlyph(std::uint8_t lines);

private:
    Cell* Get(int column, int row);
    void AddLine(int column, int row, std::uint8_t lines);

    int columns = 0;
    int rows = 0;
    std::vector<Cell> cells;
};

}  // namespace quorvex
