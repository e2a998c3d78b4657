#include "platform/terminal/screen_painter.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/combo_box_window.h"
#include "platform/window/font.h"
#include "platform/window/input_router.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/word_wrap.h"

namespace quorvex {
namespace {

int RoundDiv(int value, int by)
{
    return static_cast<int>(std::lround(static_cast<double>(value) / by));
}

bool IsClass(const Window& window, std::wstring_view name)
{
    return window.GetClassName() == name;
}

bool IsGroupBox(const Window& window)
{
    return IsClass(window, L"button") && (window.GetStyle() & BS_TYPEMASK) == BS_GROUPBOX;
}

// `text` centred in `width` cells between brackets: "[  OK  ]".
std::wstring Bracketed(std::wstring_view text, int width)
{
    if (width < 2)
        return std::wstring(static_cast<std::size_t>(std::max(width, 0)), L' ');
    const int inner = width - 2;
    const std::wstring_view shown = text.substr(0, static_cast<std::size_t>(inner));
    const int before = (inner - static_cast<int>(shown.size())) / 2;
    std::wstring out(static_cast<std::size_t>(width), L' ');
    out.front() = L'[';
    out.back() = L']';
    out.replace(static_cast<std::size_t>(1 + before), shown.size(), shown);
    return out;
}

bool IsOneLine(const Window& text, Size cell)
{
    return (text.GetStyle() & SS_LEFTNOWORDWRAP) == SS_LEFTNOWORDWRAP ||
           text.GetWindowRect().Height() < 2 * cell.cy;
}

// The drop-down list that a one-line text labels: a visible sibling to its right whose
// field shares some of the text's pixel rows; the nearest one when there are several.
const Window* LabelledField(const Window& text)
{
    const Window* parent = text.GetParent();
    if (!parent)
        return nullptr;
    const Rect label = text.GetWindowRect();
    const Window* best = nullptr;
    for (const Window* sibling : parent->Children()) {
        if (sibling == &text || !sibling->IsWindowVisible() ||
            !IsClass(*sibling, ComboBoxWindow::kClass))
            continue;
        const Rect field = sibling->GetWindowRect();
        if (field.left < label.left || field.top >= label.bottom || label.top >= field.bottom)
            continue;
        if (!best || field.left < best->GetWindowRect().left)
            best = sibling;
    }
    return best;
}

// A half cell shows an image's colours when at least a quarter of the image's pixels in it,
// and more than an eighth of its area, are not paper; less is the image's edge, shown as
// paper.
constexpr int kInkOfCovered = 4;
constexpr int kInkOfHalf = 8;
constexpr std::uint32_t kPaper = 0xFFFFFF;

}  // namespace

ScreenPainter::Cells ScreenPainter::ToCells(const Rect& pixels, Size cell)
{
    const int cw = std::max(cell.cx, 1);
    const int ch = std::max(cell.cy, 1);
    Cells cells;
    cells.column = RoundDiv(pixels.left, cw);
    cells.row = RoundDiv(pixels.top, ch);
    cells.width = std::max(RoundDiv(pixels.right, cw) - cells.column, 1);
    cells.height = std::max(RoundDiv(pixels.bottom, ch) - cells.row, 1);
    return cells;
}

void ScreenPainter::Paint()
{
    cell = model.CellPixels();
    clipped = false;
    const Size screen = model.ScreenPixels();
    grid.Reset(screen.cx / std::max(cell.cx, 1), screen.cy / std::max(cell.cy, 1));
    PaintOrder::Walk(model, *this);
}

void ScreenPainter::TopLevel(const Window& window)
{
    const Rect frame = window.GetWindowRect();
    const Cells at = ToCells(frame, cell);
    grid.Fill(at.column, at.row, at.width, at.height, CellRole::Plain);
    if (window.CaptionHeight() > 0) {
        grid.Fill(at.column, at.row, at.width, 1, CellRole::Caption);
        grid.Text(at.column + 1, at.row, window.GetWindowText(), CellRole::Caption, at.width - 6);
        const Rect ok = InputRouter::CaptionOkRect(window, cell);
        if (ok.Width() > 0) {
            const Cells button = ToCells(ok, cell);
            grid.Text(button.column, button.row, Bracketed(L"OK", button.width),
                      model.IsCaptionOkPressed(window) ? CellRole::ButtonPressed
                                                       : CellRole::CaptionButton,
                      button.width);
        }
    }
    PaintPixels(window);
}

void ScreenPainter::NoteExtent(const Cells& at)
{
    if (at.column < 0 || at.row < 0 || at.column + at.width > grid.Columns() ||
        at.row + at.height > grid.Rows())
        clipped = true;
}

void ScreenPainter::Control(const Window& window)
{
    const Cells at = ToCells(window.GetWindowRect(), cell);
    NoteExtent(at);
    if (IsClass(window, L"static"))
        PaintText(window, at);
    else if (IsGroupBox(window)) {
        grid.Frame(at.column, at.row, at.width, at.height);
        if (!window.GetWindowText().empty())
            grid.Text(at.column + 1, at.row, window.GetWindowText(), CellRole::Plain, at.width - 2);
    } else if (IsClass(window, L"button"))
        PaintButton(window, at);
    else if (IsClass(window, ComboBoxWindow::kClass))
        PaintField(static_cast<const ComboBoxWindow&>(window), at);
    else
        PaintPixels(window);
}

void ScreenPainter::PaintText(const Window& window, Cells at)
{
    if (IsOneLine(window, cell))
        if (const Window* field = LabelledField(window))
            at.row = ToCells(field->GetWindowRect(), cell).row;
    const bool bold = window.GetFont() && window.GetFont()->IsBold();
    const CellRole role = !window.IsWindowEnabled() ? CellRole::Dim
                          : bold                    ? CellRole::Bold
                                                    : CellRole::Plain;
    if ((window.GetStyle() & SS_LEFTNOWORDWRAP) == SS_LEFTNOWORDWRAP) {
        grid.Text(at.column, at.row, window.GetWindowText(), role, at.width);
        return;
    }
    const std::vector<std::wstring> lines = WordWrap::Lines(window.GetWindowText(), at.width);
    // Lines beyond the rectangle are cut, as on the handheld.
    const int shown = std::min(static_cast<int>(lines.size()), at.height);
    for (int i = 0; i < shown; ++i)
        grid.Text(at.column, at.row + i, lines[static_cast<std::size_t>(i)], role, at.width);
}

void ScreenPainter::PaintButton(const Window& window, const Cells& at)
{
    const CellRole role = !window.IsWindowEnabled()           ? CellRole::ButtonDisabled
                          : model.PressedControl() == &window ? CellRole::ButtonPressed
                          : model.GetFocus() == &window       ? CellRole::ButtonFocused
                                                              : CellRole::Button;
    // The label stands on the button's middle row.
    grid.Text(at.column, at.row + (at.height - 1) / 2, Bracketed(window.GetWindowText(), at.width),
              role, at.width);
}

void ScreenPainter::PaintField(const ComboBoxWindow& list, const Cells& at)
{
    const CellRole role = !list.IsWindowEnabled()     ? CellRole::FieldDisabled
                          : model.GetFocus() == &list ? CellRole::FieldFocused
                                                      : CellRole::Field;
    grid.Fill(at.column, at.row, at.width, 1, role);
    grid.Text(at.column, at.row, list.GetItemText(list.GetCurSel()), role, at.width - 2);
    grid.Text(at.column + at.width - 1, at.row, L"\u25BE", role, 1);
}

void ScreenPainter::PaintPixels(const Window& window)
{
    const auto pixels = window.PaintedPixels();
    const Size size = window.PaintedSize();
    if (pixels.empty() || size.cx <= 0 || size.cy <= 0)
        return;
    const Rect frame = window.GetWindowRect();
    const Rect area{frame.left, frame.top, frame.left + size.cx, frame.top + size.cy};
    const int cw = std::max(cell.cx, 1);
    const int ch = std::max(cell.cy, 1);
    // Each cell shows two pixel colours, its upper and lower half, each the mean of the
    // window's pixels in that half that are not paper, when there are enough of them.
    auto mean = [&](int left, int top, int right, int bottom) {
        const int halfArea = (right - left) * (bottom - top);
        left = std::max(left, area.left);
        top = std::max(top, area.top);
        right = std::min(right, area.right);
        bottom = std::min(bottom, area.bottom);
        std::uint64_t r = 0, g = 0, b = 0, n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const std::uint32_t p = pixels[static_cast<std::size_t>(y - area.top) *
                                                   static_cast<std::size_t>(size.cx) +
                                               static_cast<std::size_t>(x - area.left)] &
                                        0xFFFFFF;
                if (p == kPaper)
                    continue;
                r += (p >> 16) & 0xFF;
                g += (p >> 8) & 0xFF;
                b += p & 0xFF;
                ++n;
            }
        }
        const int covered = std::max(right - left, 0) * std::max(bottom - top, 0);
        const int ink = static_cast<int>(n);
        if (ink == 0 || ink * kInkOfCovered < covered || ink * kInkOfHalf <= halfArea)
            return Cell::kNoPixel;
        return static_cast<std::uint32_t>((r / n) << 16 | (g / n) << 8 | (b / n));
    };
    for (int row = area.top / ch; row * ch < area.bottom; ++row) {
        for (int column = area.left / cw; column * cw < area.right; ++column) {
            const int x = column * cw;
            const int y = row * ch;
            const std::uint32_t upper = mean(x, y, x + cw, y + ch / 2);
            const std::uint32_t lower = mean(x, y + ch / 2, x + cw, y + ch);
            // A frame drawn under the window stays: a cell of strokes says more than a few
            // pixels at an image's edge.
            if ((upper == Cell::kNoPixel && lower == Cell::kNoPixel) || grid.At(column, row).lines)
                continue;
            grid.Pixels(column, row, upper, lower);
        }
    }
}

void ScreenPainter::OpenList(const ComboBoxWindow& list)
{
    const Cells at = ToCells(list.ListRect(), cell);
    const int rows = list.VisibleRows();
    const int first = list.FirstVisible();
    const bool more = list.GetCount() > rows;
    for (int i = 0; i < rows; ++i) {
        const int item = first + i;
        const CellRole role = item == list.Highlight() ? CellRole::ListHighlight : CellRole::List;
        grid.Fill(at.column, at.row + i, at.width, 1, role);
        grid.Text(at.column, at.row + i, list.GetItemText(item), role, at.width - (more ? 1 : 0));
    }
    // Arrows at the right edge say that the list goes on above or below.
    if (more && first > 0)
        grid.Text(at.column + at.width - 1, at.row, L"\u2191", CellRole::List, 1);
    if (more && first + rows < list.GetCount())
        grid.Text(at.column + at.width - 1, at.row + rows - 1, L"\u2193", CellRole::List, 1);
}

void ScreenPainter::Box(const MessageBox& box)
{
    const MessageBox::Layout layout = box.Arrange(model.ScreenPixels(), cell);
    const Cells at = ToCells(layout.box, cell);
    grid.Fill(at.column, at.row, at.width, at.height, CellRole::Box);
    grid.Frame(at.column, at.row, at.width, at.height);
    grid.Fill(at.column, at.row, at.width, 1, CellRole::BoxCaption);
    std::wstring caption = box.Icon() == MB_ICONQUESTION      ? L"? "
                           : box.Icon() == MB_ICONEXCLAMATION ? L"! "
                                                              : L"";
    caption += box.Caption();
    grid.Text(at.column + 1, at.row, caption, CellRole::BoxCaption, at.width - 2);
    if (layout.icon.Width() > 0) {
        // The icon, in three characters on its square's first row.
        const Cells icon = ToCells(layout.icon, cell);
        grid.Text(icon.column, icon.row, box.Icon() == MB_ICONQUESTION ? L"(?)" : L"/!\\",
                  CellRole::Bold, icon.width);
    }
    const Cells text =
        ToCells({layout.text.x, layout.text.y, layout.box.right, layout.box.bottom}, cell);
    for (std::size_t i = 0; i < layout.lines.size(); ++i)
        grid.Text(text.column, text.row + static_cast<int>(i), layout.lines[i], CellRole::Box,
                  at.column + at.width - 2 - text.column);
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        const Cells button = ToCells(layout.buttons[i], cell);
        const int index = static_cast<int>(i);
        const CellRole role = index == model.PressedBoxButton(box) ? CellRole::ButtonPressed
                              : index == box.FocusedButton()       ? CellRole::BoxButtonFocused
                                                                   : CellRole::BoxButton;
        grid.Text(button.column, button.row,
                  Bracketed(MessageBox::ButtonText(box.Buttons()[i]), button.width), role,
                  button.width);
    }
}

}  // namespace quorvex
