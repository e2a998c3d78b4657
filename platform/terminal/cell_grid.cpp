#include "platform/terminal/cell_grid.h"

#include <algorithm>
#include <array>

namespace quorvex {

void CellGrid::Reset(int newColumns, int newRows)
{
    columns = std::max(newColumns, 0);
    rows = std::max(newRows, 0);
    cells.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), Cell{});
}

Cell* CellGrid::Get(int column, int row)
{
    if (column < 0 || row < 0 || column >= columns || row >= rows)
        return nullptr;
    return &cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                  static_cast<std::size_t>(column)];
}

const Cell& CellGrid::At(int column, int row) const
{
    static const Cell blank;
    if (column < 0 || row < 0 || column >= columns || row >= rows)
        return blank;
    return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                 static_cast<std::size_t>(column)];
}

void CellGrid::Fill(int column, int row, int width, int height, CellRole role)
{
    for (int y = row; y < row + height; ++y)
        for (int x = column; x < column + width; ++x)
            if (Cell* cell = Get(x, y))
                *cell = Cell{L' ', role, 0, Cell::kNoPixel, Cell::kNoPixel};
}

void CellGrid::Text(int column, int row, std::wstring_view text, CellRole role, int width)
{
    const int count = std::min(static_cast<int>(text.size()), std::max(width, 0));
    for (int i = 0; i < count; ++i) {
        if (Cell* cell = Get(column + i, row)) {
            // Control characters would move the terminal's cursor and tear the picture.
            const wchar_t ch = text[static_cast<std::size_t>(i)];
            *cell =
                Cell{ch < L' ' || ch == 0x7F ? L' ' : ch, role, 0, Cell::kNoPixel, Cell::kNoPixel};
        }
    }
}

void CellGrid::AddLine(int column, int row, std::uint8_t lines)
{
    if (Cell* cell = Get(column, row)) {
        cell->ch = L' ';
        cell->lines |= lines;
    }
}

void CellGrid::Frame(int column, int row, int width, int height)
{
    if (width < 2 || height < 2)
        return;
    const int right = column + width - 1;
    const int bottom = row + height - 1;
    AddLine(column, row, Cell::kRight | Cell::kDown);
    AddLine(right, row, Cell::kLeft | Cell::kDown);
    AddLine(column, bottom, Cell::kRight | Cell::kUp);
    AddLine(right, bottom, Cell::kLeft | Cell::kUp);
    for (int x = column + 1; x < right; ++x) {
        AddLine(x, row, Cell::kLeft | Cell::kRight);
        AddLine(x, bottom, Cell::kLeft | Cell::kRight);
    }
    for (int y = row + 1; y < bottom; ++y) {
        AddLine(column, y, Cell::kUp | Cell::kDown);
        AddLine(right, y, Cell::kUp | Cell::kDown);
    }
}

void CellGrid::Pixels(int column, int row, std::uint32_t upper, std::uint32_t lower)
{
    if (Cell* cell = Get(column, row))
        *cell = Cell{L' ', CellRole::Pixels, 0, upper, lower};
}

wchar_t CellGrid::LineGlyph(std::uint8_t lines)
{
    // Indexed by the stroke bits: up 1, down 2, left 4, right 8. A lone stroke shows as
    // the whole line it belongs to.
    static constexpr std::array<wchar_t, 16> glyphs = {
        L' ',      L'\u2502', L'\u2502', L'\u2502', L'\u2500', L'\u2518', L'\u2510', L'\u2524',
        L'\u2500', L'\u2514', L'\u250C', L'\u251C', L'\u2500', L'\u2534', L'\u252C', L'\u253C',
    };
    return glyphs[lines & 0x0F];
}

wchar_t CellGrid::Glyph(int column, int row) const
{
    const Cell& cell = At(column, row);
    return cell.lines ? LineGlyph(cell.lines) : cell.ch;
}

std::wstring CellGrid::RowText(int row) const
{
    std::wstring text;
    for (int x = 0; x < columns; ++x)
        text += Glyph(x, row);
    return text;
}

}  // namespace quorvex
