#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <tuple>
#include <vector>

#include "platform/gui/dialog.h"
#include "platform/resource/bitmap.h"
#include "platform/terminal/cell_grid.h"
#include "platform/terminal/screen_painter.h"
#include "platform/terminal/terminal_palette.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/font.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_context.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "resources/bitmap_ids.h"
#include "resources/control_ids.h"
#include "resources/dialog_ids.h"
#include "resources/program_resources.h"
#include "tests/support/dib_builder.h"
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
    Window lines;
    ASSERT_TRUE(lines.Create(L"static", L"one\ntwo", WS_CHILD | WS_VISIBLE, {160, 16, 240, 64},
                             &dialog, 6));
    system.SetFocus(&button);

    const std::vector<std::wstring> rows = Paint();
    // A line feed breaks a static's text as it breaks a message box's.
    EXPECT_EQ(rows[2].substr(20, 4), L"one ");
    EXPECT_EQ(rows[3].substr(20, 4), L"two ");
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

TEST_F(ScreenPainterTest, PaintedPixelsShowTheirInkPerHalfCellAndNeverCoverAFrame)
{
    ASSERT_TRUE(dialog.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {0, 0, 320, 480}, nullptr, 0));
    PaintedWindow lamp;
    // 12 x 12 pixels at (4, 16): the right half of cell (0, 1) and all of cell (1, 1) across,
    // the upper half of row 1 and a quarter of its lower half down. Red in the bitmap's
    // first eight rows, blue below; at x = 4 (the screen's x = 8) a column of white paper,
    // at x = 5 one of black.
    ASSERT_TRUE(lamp.bitmap.LoadDib(testing::MakeDib(12, 12, [](int x, int y) -> std::uint32_t {
        return x == 4 ? 0xFFFFFF : x == 5 ? 0x000000 : y < 8 ? 0xFF0000 : 0x0000FF;
    })));
    ASSERT_TRUE(lamp.Create(L"lamp", L"", WS_CHILD | WS_VISIBLE, {4, 16, 16, 28}, &dialog, 0));
    lamp.InvalidateRect(false);
    system.DispatchPending();
    ASSERT_FALSE(lamp.PaintedPixels().empty());
    Paint();
    EXPECT_EQ(grid.At(0, 1).role, CellRole::Pixels);
    EXPECT_EQ(grid.At(0, 1).upper, 0xFF0000u);
    EXPECT_EQ(grid.At(0, 1).lower, 0x0000FFu) << "a quarter of the half is enough";
    // Paper leaves the mean alone; the black column darkens it by a seventh.
    EXPECT_EQ(grid.At(1, 1).upper, 0xDA0000u);
    EXPECT_EQ(grid.At(1, 1).lower, 0x0000DAu);
    EXPECT_EQ(grid.At(2, 1).role, CellRole::Plain);
    EXPECT_EQ(grid.At(0, 2).role, CellRole::Plain);

    // One pixel row into the next cell is an edge, shown as the background; and a frame
    // drawn under the image keeps its strokes.
    Window group;
    ASSERT_TRUE(group.Create(L"button", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, {0, 64, 24, 128},
                             &dialog, 9));
    PaintedWindow inside;
    ASSERT_TRUE(
        inside.bitmap.LoadDib(testing::MakeDib(12, 17, [](int, int) { return 0x00FF00u; })));
    ASSERT_TRUE(inside.Create(L"lamp", L"", WS_CHILD | WS_VISIBLE, {8, 16, 20, 33}, &group, 0));
    inside.InvalidateRect(false);
    system.DispatchPending();
    Paint();
    EXPECT_EQ(grid.Glyph(2, 5), L'\u2502') << "the frame's side under the image";
    EXPECT_EQ(grid.At(1, 5).upper, 0x00FF00u);
    EXPECT_EQ(grid.At(1, 6).role, CellRole::Plain) << "the image's last pixel row";
}

// Shows one frame of the lamp's image strip, as the status lamp does.
class StripWindow : public Window {
public:
    Bitmap strip;
    int frame = 0;

protected:
    void OnPaint() override
    {
        PaintContext paint;
        Surface surface;
        ASSERT_TRUE(paint.BeginPaint(*this));
        ASSERT_TRUE(surface.CreateCompatibleDC(*this));
        const Bitmap* previous = surface.SelectObject(&strip);
        paint.BitBlt(0, 0, 15, 14, surface, 15 * frame, 0, SRCCOPY);
        surface.SelectObject(previous);
        paint.EndPaint();
    }
};

// The program's dialog, run until its loop first waits, with the lamp where the dialog puts
// it: inside the upper group, at the placeholder.
class ProgramDialogPainting : public ::testing::TestWithParam<std::tuple<int, Size>> {
protected:
    struct Painted {
        std::vector<CellGrid> frames;  // by lamp frame
        CellGrid withoutLamp;
        std::array<int, 4> labelRows{};
        std::array<int, 4> listRows{};
    };

    static Painted Run(std::uint16_t templateId, Size cell)
    {
        // Room for both templates at any of the cell sizes: 60 columns, 30 rows.
        testing::HeadlessScreen screen({60 * cell.cx, 30 * cell.cy}, cell);
        Dialog dialog(ProgramResources(), templateId);
        StripWindow lamp;
        Painted painted;
        WindowSystemTestHelper::SetIdleHook(screen.system, [&] {
            Window* group = dialog.GetDlgItem(ControlId::UpperGroup);
            Window* placeholder = dialog.GetDlgItem(ControlId::Placeholder);
            EXPECT_TRUE(group && placeholder);
            if (!lamp.IsCreated() && group && placeholder) {
                const Rect at = placeholder->GetWindowRect();
                const Rect origin = group->GetWindowRect();
                EXPECT_TRUE(lamp.strip.LoadBitmap(ProgramResources(), BitmapId::FrameStrip));
                lamp.Create(L"lamp", L"", WS_CHILD,
                            {at.left - origin.left, at.top - origin.top, at.left - origin.left + 15,
                             at.top - origin.top + 14},
                            group, 200);
            }
            // Each list shows an item of its own, so that its row is found by its text.
            for (int i = 0; i < 4; ++i) {
                auto* list =
                    static_cast<ComboBoxWindow*>(dialog.GetDlgItem(ControlId::BaudRateList + i));
                EXPECT_TRUE(list);
                if (list)
                    list->SetCurSel(list->AddString(L"item" + std::to_wstring(i)));
            }
            ScreenPainter(screen.system, painted.withoutLamp).Paint();
            lamp.ShowWindow(SW_SHOW);
            for (int frame = 0; frame < 4; ++frame) {
                lamp.frame = frame;
                lamp.InvalidateRect(false);
                screen.system.DispatchPending();
                painted.frames.emplace_back();
                ScreenPainter(screen.system, painted.frames.back()).Paint();
            }
            const CellGrid& grid = painted.frames.front();
            const std::array<const wchar_t*, 4> labels{L"Baud rate:", L"Data bits:", L"Stop bits:",
                                                       L"Parity:"};
            for (std::size_t i = 0; i < 4; ++i) {
                for (int row = 0; row < grid.Rows(); ++row) {
                    if (grid.RowText(row).find(labels[i]) != std::wstring::npos)
                        painted.labelRows[i] = row;
                    if (grid.RowText(row).find(L"item" + std::to_wstring(i)) != std::wstring::npos)
                        painted.listRows[i] = row;
                }
            }
            dialog.EndDialog(IDOK);
            return true;
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
        return painted;
    }
};

TEST_P(ProgramDialogPainting, LabelsShareTheirListsRowsAndTheLampLeavesTheFramesWhole)
{
    const auto [templateId, cell] = GetParam();
    const Painted painted = Run(static_cast<std::uint16_t>(templateId), cell);
    ASSERT_EQ(painted.frames.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_GT(painted.labelRows[i], 0) << "label " << i << " is on the screen";
        EXPECT_EQ(painted.labelRows[i], painted.listRows[i]) << "line parameter " << i;
    }
    for (const CellGrid& grid : painted.frames) {
        bool lampShown = false;
        for (int row = 0; row < grid.Rows(); ++row) {
            for (int column = 0; column < grid.Columns(); ++column) {
                lampShown = lampShown || grid.At(column, row).role == CellRole::Pixels;
                EXPECT_EQ(grid.At(column, row).lines, painted.withoutLamp.At(column, row).lines)
                    << "at column " << column << ", row " << row;
            }
        }
        EXPECT_EQ(lampShown, &grid != &painted.frames.back()) << "only the blank frame is blank";
    }
}

// The colour a terminal shows for a colour number, as 0xRRGGBB: the eight basic colours as
// xterm has them, then the 6 x 6 x 6 cube and the grey ramp of 256-colour terminals.
std::uint32_t ShownColour(short number)
{
    static constexpr std::array<std::uint32_t, 8> kBasic{0x000000, 0xCD0000, 0x00CD00, 0xCDCD00,
                                                         0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5};
    if (number < 16)
        return kBasic[static_cast<std::size_t>(number % 8)];
    if (number >= 232) {
        const std::uint32_t grey = 8 + 10 * static_cast<std::uint32_t>(number - 232);
        return grey << 16 | grey << 8 | grey;
    }
    const int index = number - 16;
    auto level = [](int l) { return static_cast<std::uint32_t>(l == 0 ? 0 : 55 + 40 * l); };
    return level(index / 36) << 16 | level(index / 6 % 6) << 8 | level(index % 6);
}

// Far enough from black and from white to be seen on a dark and on a light terminal.
bool SeenOnDarkAndLight(short number)
{
    if (number < 0)
        return true;  // the terminal's own ink
    const std::uint32_t c = ShownColour(number);
    const int r = static_cast<int>(c >> 16), g = static_cast<int>((c >> 8) & 0xFF),
              b = static_cast<int>(c & 0xFF);
    const int fromBlack = r * r + g * g + b * b;
    const int fromWhite = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
    constexpr int kApart = 100 * 100;
    return fromBlack >= kApart && fromWhite >= kApart;
}

TEST_P(ProgramDialogPainting, TheLampsFourFramesAreToldApartOnAnyTerminal)
{
    const auto [templateId, cell] = GetParam();
    const Painted painted = Run(static_cast<std::uint16_t>(templateId), cell);
    ASSERT_EQ(painted.frames.size(), 4u);
    struct Terminal {
        int colours;
        bool unicode;
    };
    for (const Terminal terminal : {Terminal{256, true}, Terminal{8, true}, Terminal{8, false}}) {
        SCOPED_TRACE(std::to_string(terminal.colours) + (terminal.unicode ? " unicode" : ""));
        // What each frame shows, look by look.
        std::array<std::vector<TerminalPalette::PixelLook>, 4> shown;
        for (std::size_t frame = 0; frame < 4; ++frame) {
            const CellGrid& grid = painted.frames[frame];
            for (int row = 0; row < grid.Rows(); ++row) {
                for (int column = 0; column < grid.Columns(); ++column) {
                    const Cell& at = grid.At(column, row);
                    if (at.role != CellRole::Pixels)
                        continue;
                    const auto look = TerminalPalette::ForPixels(
                        at.upper, at.lower, terminal.colours, terminal.unicode);
                    EXPECT_TRUE(SeenOnDarkAndLight(look.foreground) &&
                                SeenOnDarkAndLight(look.background))
                        << "frame " << frame << ": colours " << look.foreground << " on "
                        << look.background;
                    EXPECT_TRUE(look.glyph != L' ' || look.background >= 0)
                        << "frame " << frame << " shows something";
                    shown[frame].push_back(look);
                }
            }
        }
        EXPECT_TRUE(shown[3].empty()) << "the blank frame shows the background";
        // No look of one lamp is a look of another, so that one cell tells them apart.
        for (std::size_t a = 0; a < 3; ++a) {
            EXPECT_FALSE(shown[a].empty()) << "frame " << a;
            for (std::size_t b = a + 1; b < 3; ++b)
                for (const auto& look : shown[a])
                    EXPECT_EQ(std::count(shown[b].begin(), shown[b].end(), look), 0)
                        << "frames " << a << " and " << b << " share " << look.foreground << " on "
                        << look.background;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothTemplatesAtFourCellSizes, ProgramDialogPainting,
    ::testing::Combine(::testing::Values(DialogId::Portrait, DialogId::Landscape),
                       ::testing::Values(Size{8, 16}, Size{9, 18}, Size{10, 20}, Size{16, 32})),
    [](const auto& info) {
        const Size cell = std::get<1>(info.param);
        return std::string(std::get<0>(info.param) == DialogId::Portrait ? "Portrait"
                                                                         : "Landscape") +
               "Cell" + std::to_string(cell.cx) + "x" + std::to_string(cell.cy);
    });

}  // namespace
}  // namespace quorvex
