#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/resource/bitmap.h"
#include "platform/terminal/cell_grid.h"
#include "platform/terminal/screen_painter.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/font.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_context.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/headless_screen.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

TEST(CellGrid, FramesThatShareAnEdgeJoinAndTextStaysInside)
{
    CellGrid grid;
    grid.Reset(6, 5);
    grid.Frame(0, 0, 6, 3);
    grid.Frame(0, 2, 6, 3);
    EXPECT_EQ(grid.RowText(0), L"┌────┐");
    EXPECT_EQ(grid.RowText(2), L"├────┤");
    EXPECT_EQ(grid.RowText(4), L"└────┘");
    // Text replaces the strokes it covers, is cut at the width and at the grid's edge, and
    // never writes a control character that would move the terminal's cursor.
    grid.Text(1, 2,
              L"a\tb\x1b"
              L"cdef",
              CellRole::Bold, 3);
    EXPECT_EQ(grid.RowText(2), L"├a b─┤");
    EXPECT_EQ(grid.At(1, 2).role, CellRole::Bold);
    grid.Text(4, 1, L"long", CellRole::Plain, 10);
    EXPECT_EQ(grid.RowText(1), L"│   lo");
    grid.Text(-2, 3, L"xyz", CellRole::Plain, 3);
    grid.Frame(-1, -1, 3, 3);
    grid.Fill(5, 4, 4, 4, CellRole::Dim);
    EXPECT_EQ(grid.RowText(3)[0], L'z');
    EXPECT_EQ(grid.At(5, 4).role, CellRole::Dim);
    EXPECT_EQ(grid.At(6, 4).role, CellRole::Plain);  // outside: the blank cell
}

// A model of 40 x 30 cells of 8 x 16 pixels, without a terminal.
class ScreenPainterTest : public ::testing::Test, protected testing::HeadlessScreen {
protected:
    ScreenPainterTest() : HeadlessScreen({320, 480}) {}

    std::vector<std::wstring> Paint()
    {
        ScreenPainter(system, grid).Paint();
        std::vector<std::wstring> rows;
        for (int row = 0; row < grid.Rows(); ++row)
            rows.push_back(grid.RowText(row));
        return rows;
    }

    testing::TempPrefix prefix;
    CellGrid grid;
    Window dialog;
};

TEST_F(ScreenPainterTest, CaptionControlsAndTheirStates)
{
    ASSERT_TRUE(dialog.Create(L"Dialog", L"Title", WS_POPUP | WS_VISIBLE | WS_CAPTION,
                              {0, 0, 320, 480}, nullptr, 0, WS_EX_CAPTIONOKBTN));
    Window bold, dim, hidden, button, group;
    Font boldFont;
    ASSERT_TRUE(boldFont.CreateFontIndirect({L"MS Sans Serif", 16, FW_BOLD}));
    ASSERT_TRUE(
        bold.Create(L"static", L"Heading", WS_CHILD | WS_VISIBLE, {16, 0, 160, 16}, &dialog, 1));
    bold.SetFont(&boldFont);
    ASSERT_TRUE(dim.Create(L"static", L"two words", WS_CHILD | WS_VISIBLE | WS_DISABLED,
                           {16, 32, 56, 64}, &dialog, 2));
    ASSERT_TRUE(hidden.Create(L"static", L"unseen", WS_CHILD, {16, 96, 160, 112}, &dialog, 3));
    ASSERT_TRUE(button.Create(L"button", L"Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                              {160, 96, 240, 128}, &dialog, 4));
    ASSERT_TRUE(group.Create(L"button", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX,
                             {0, 160, 320, 224}, &dialog, 5));
    system.SetFocus(&button);

    const std::vector<std::wstring> rows = Paint();
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows[0].substr(0, 6), L" Title");
    EXPECT_EQ(rows[0].substr(36), L"[OK]");
    EXPECT_EQ(grid.At(0, 0).role, CellRole::Caption);
    EXPECT_EQ(grid.At(37, 0).role, CellRole::CaptionButton);
    // Client area below the one-row caption.
    EXPECT_EQ(rows[1].substr(2, 7), L"Heading");
    EXPECT_EQ(grid.At(2, 1).role, CellRole::Bold);
    // A five-column text wraps at the space; disabled, it is dim.
    EXPECT_EQ(rows[3].substr(2, 5), L"two  ");
    EXPECT_EQ(rows[4].substr(2, 5), L"words");
    EXPECT_EQ(grid.At(2, 3).role, CellRole::Dim);
    EXPECT_EQ(rows[7].find(L"unseen"), std::wstring::npos);
    // The focused button on its middle row, its label centred between brackets.
    EXPECT_EQ(rows[7].substr(20, 10), L"[   Go   ]");
    EXPECT_EQ(grid.At(20, 7).role, CellRole::ButtonFocused);
    button.EnableWindow(false);
    Paint();
    EXPECT_EQ(grid.At(20, 7).role, CellRole::ButtonDisabled);
    EXPECT_EQ(rows[11], L"┌──────────────────────────────────────┐");
    EXPECT_EQ(rows[14], L"└──────────────────────────────────────┘");
}

TEST_F(ScreenPainterTest, OpenListShowsItsWindowOfItemsAndWhereItGoesOn)
{
    ASSERT_TRUE(dialog.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {0, 0, 320, 480}, nullptr, 0));
    ComboBoxWindow list;
    // One row for the field and three for the opened list.
    ASSERT_TRUE(list.Create(ComboBoxWindow::kClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                            {80, 32, 160, 96}, &dialog, 7));
    for (int i = 0; i < 6; ++i)
        list.AddString(L"item " + std::to_wstring(i));
    list.SetCurSel(4);
    std::vector<std::wstring> rows = Paint();
    EXPECT_EQ(rows[2].substr(10, 10), L"item 4   \u25BE");
    EXPECT_EQ(grid.At(10, 2).role, CellRole::Field);

    system.SetFocus(&list);
    system.Deliver(InputEvent::Press(Key::Enter));
    ASSERT_EQ(system.OpenList(), &list);
    rows = Paint();
    EXPECT_EQ(grid.At(10, 2).role, CellRole::FieldFocused);
    // The rows below the field show three items; the highlighted one stands out and arrows
    // say that there is more above and below.
    const int first = list.FirstVisible();
    ASSERT_EQ(list.VisibleRows(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[static_cast<std::size_t>(3 + i)].substr(10, 6),
                  L"item " + std::to_wstring(first + i));
        EXPECT_EQ(grid.At(10, 3 + i).role,
                  first + i == 4 ? CellRole::ListHighlight : CellRole::List);
    }
    EXPECT_EQ(first > 0, rows[3][19] == L'\u2191');
    EXPECT_EQ(first + 3 < 6, rows[5][19] == L'\u2193');

    system.Deliver(InputEvent::Press(Key::Escape));
    rows = Paint();
    EXPECT_EQ(rows[3].find(L"item"), std::wstring::npos);
}

TEST_F(ScreenPainterTest, MessageBoxStandsOverTheDialogWithItsFocusedButton)
{
    ASSERT_TRUE(dialog.Create(L"Dialog", L"Under", WS_POPUP | WS_VISIBLE | WS_CAPTION,
                              {0, 0, 320, 480}, nullptr, 0));
    std::vector<std::wstring> shown;
    WindowSystemTestHelper::SetMessageBoxHook(system, [&](MessageBox& box) {
        box.FocusButton(1);
        shown = Paint();
        const MessageBox::Layout layout = box.Arrange(system.ScreenPixels(), system.CellPixels());
        const auto at = ScreenPainter::ToCells(layout.box, system.CellPixels());
        EXPECT_EQ(grid.At(at.column, at.row).role, CellRole::BoxCaption);
        EXPECT_EQ(shown[static_cast<std::size_t>(at.row)].substr(
                      static_cast<std::size_t>(at.column) + 1, 9),
                  L"? Caption");
        EXPECT_EQ(grid.Glyph(at.column, at.row + at.height - 1), L'└');
        const auto yes = ScreenPainter::ToCells(layout.buttons[0], system.CellPixels());
        const auto no = ScreenPainter::ToCells(layout.buttons[1], system.CellPixels());
        EXPECT_EQ(shown[static_cast<std::size_t>(yes.row)].substr(
                      static_cast<std::size_t>(yes.column), 8),
                  L"[ Yes  ]");
        EXPECT_EQ(grid.At(yes.column, yes.row).role, CellRole::BoxButton);
        EXPECT_EQ(grid.At(no.column, no.row).role, CellRole::BoxButtonFocused);
        box.Answer(IDNO);
    });
    EXPECT_EQ(
        MessageBox::Show(&dialog, L"A question long enough to need a second line of text here?",
                         L"Caption", MB_YESNO | MB_ICONQUESTION),
        IDNO);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].substr(0, 6), L" Under");
    bool wrapped = false;
    for (const std::wstring& row : shown)
        wrapped = wrapped || row.find(L"second line") != std::wstring::npos;
    EXPECT_TRUE(wrapped);
}

// Paints a bitmap into its window, as the status lamp does.
class PaintedWindow : public Window {
public:
    Bitmap bitmap;

protected:
    void OnPaint() override
    {
        PaintContext paint;
        Surface surface;
        ASSERT_TRUE(paint.BeginPaint(*this));
        ASSERT_TRUE(surface.CreateCompatibleDC(*this));
        const Bitmap* previous = surface.SelectObject(&bitmap);
        paint.BitBlt(0, 0, bitmap.Width(), bitmap.Height(), surface, 0, 0, SRCCOPY);
        surface.SelectObject(previous);
        paint.EndPaint();
    }
};

// A top-down 24-bit bitmap, every pixel from `colour(x, y)` as 0xRRGGBB.
template <typename Colour>
std::vector<std::byte> Dib(int width, int height, Colour colour)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::byte> bytes(40 + stride * static_cast<std::size_t>(height));
    auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::byte>(value >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(-height));
    bytes[12] = std::byte{1};
    bytes[14] = std::byte{24};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = colour(x, y);
            const std::size_t at =
                40 + stride * static_cast<std::size_t>(y) + static_cast<std::size_t>(x) * 3;
            bytes[at] = static_cast<std::byte>(rgb & 0xFF);
            bytes[at + 1] = static_cast<std::byte>((rgb >> 8) & 0xFF);
            bytes[at + 2] = static_cast<std::byte>((rgb >> 16) & 0xFF);
        }
    }
    return bytes;
}

TEST_F(ScreenPainterTest, PaintedPixelsBecomeTheMeanColourOfEachHalfCell)
{
    ASSERT_TRUE(dialog.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {0, 0, 320, 480}, nullptr, 0));
    PaintedWindow lamp;
    // 12 x 12 pixels at (4, 16): the right half of cell (0, 1) and all of cell (1, 1) across,
    // the upper half of row 1 and a quarter of its lower half down. Red in the bitmap's
    // first eight rows, blue below, and one white column at x = 4 (the screen's x = 8).
    ASSERT_TRUE(lamp.bitmap.LoadDib(Dib(12, 12, [](int x, int y) -> std::uint32_t {
        return x == 4 ? 0xFFFFFF : y < 8 ? 0xFF0000 : 0x0000FF;
    })));
    ASSERT_TRUE(lamp.Create(L"lamp", L"", WS_CHILD | WS_VISIBLE, {4, 16, 16, 28}, &dialog, 0));
    lamp.InvalidateRect(false);
    system.DispatchPending();
    ASSERT_FALSE(lamp.PaintedPixels().empty());
    Paint();
    EXPECT_EQ(grid.At(0, 1).role, CellRole::Pixels);
    EXPECT_EQ(grid.At(0, 1).upper, 0xFF0000u);
    EXPECT_EQ(grid.At(0, 1).lower, 0x0000FFu);
    // One white column in eight lightens the mean: 255 / 8 of the missing channels.
    EXPECT_EQ(grid.At(1, 1).upper, 0xFF1F1Fu);
    EXPECT_EQ(grid.At(1, 1).lower, 0x1F1FFFu);
    EXPECT_EQ(grid.At(2, 1).role, CellRole::Plain);
    EXPECT_EQ(grid.At(0, 2).role, CellRole::Plain);
}

}  // namespace
}  // namespace quorvex
