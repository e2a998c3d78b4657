// The program's own dialogs 102 (portrait) and 103 (landscape), built by the window model
// from the real resources: every control where its template puts it.
#include <gtest/gtest.h>

#include <array>

#include "platform/gui/dialog.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/window_system.h"
#include "resources/program_resources.h"
#include "tests/support/headless_screen.h"

namespace quorvex {
namespace {

struct Expected {
    int id;
    std::uint32_t style;
    const wchar_t* text;
    std::array<int, 4> portrait;  // x, y, cx, cy in dialog units
    std::array<int, 4> landscape;
};

constexpr std::array<Expected, 17> kControls{{
    {1013, 0x50020000, L"Quorvex settings:", {9, 10, 141, 11}, {7, 9, 92, 22}},
    {1016, 0x50020000, L"NMEA out:", {20, 22, 44, 11}, {11, 38, 87, 11}},
    {1004, 0x5002000C, L"", {65, 22, 88, 11}, {11, 48, 87, 11}},
    {1005, 0x50210003, L"", {65, 33, 76, 75}, {11, 63, 71, 75}},
    {1007, 0x40020000, L"", {145, 35, 10, 12}, {86, 65, 10, 12}},
    {1006, 0x58018000, L"", {30, 53, 99, 20}, {11, 83, 83, 20}},
    {1014, 0x50020000, L"External port settings:", {9, 92, 142, 11}, {111, 9, 91, 22}},
    {1009, 0x50020000, L"Baud rate:", {20, 107, 43, 9}, {111, 38, 54, 9}},
    {1000, 0x50210003, L"", {65, 106, 76, 62}, {170, 36, 34, 62}},
    {1010, 0x50020000, L"Data bits:", {20, 120, 43, 9}, {111, 56, 54, 9}},
    {1001, 0x50210003, L"", {65, 119, 76, 62}, {170, 54, 34, 62}},
    {1011, 0x50020000, L"Stop bits:", {20, 134, 43, 9}, {111, 74, 54, 9}},
    {1002, 0x50210003, L"", {65, 132, 76, 62}, {170, 72, 34, 62}},
    {1012, 0x50020000, L"Parity:", {20, 147, 43, 9}, {111, 92, 54, 9}},
    {1003, 0x50210003, L"", {65, 145, 76, 62}, {170, 90, 34, 62}},
    {1008, 0x50000007, L"", {4, 1, 152, 82}, {3, 0, 100, 113}},
    {1015, 0x50000007, L"", {4, 83, 152, 79}, {106, 0, 104, 113}},
}};

class Checked : public Dialog {
public:
    using Dialog::Dialog;
    std::function<void(Checked&)> check;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        check(*this);
        EndDialog(IDOK);
        return true;
    }
};

struct Case {
    std::uint16_t templateId;
    Size screen;
    Size cell;
};

class ProgramDialogTest : public ::testing::TestWithParam<Case> {};

TEST_P(ProgramDialogTest, EveryControlSitsWhereTheTemplatePutsIt)
{
    const Case c = GetParam();
    testing::HeadlessScreen screen(c.screen, c.cell);
    Checked dialog(ProgramResources(), c.templateId);
    bool checked = false;
    dialog.check = [&](Checked& self) {
        checked = true;
        EXPECT_EQ(self.GetWindowRect(), (Rect{0, 0, c.screen.cx, c.screen.cy}));
        EXPECT_EQ(self.GetWindowText(), L"Quorvex");
        ASSERT_EQ(self.Children().size(), kControls.size());
        for (std::size_t i = 0; i < kControls.size(); ++i) {
            const Expected& want = kControls[i];
            SCOPED_TRACE(want.id);
            const Window* control = self.Children()[i];
            ASSERT_EQ(control->GetDlgCtrlID(), want.id) << "template order is the stacking order";
            EXPECT_EQ(control->GetStyle(), want.style);
            EXPECT_EQ(control->GetWindowText(), want.text);
            const auto& units = c.templateId == 102 ? want.portrait : want.landscape;
            const int left = units[0] * c.cell.cx / 4;
            const int top = units[1] * c.cell.cy / 8 + c.cell.cy;  // below the caption
            const int right = (units[0] + units[2]) * c.cell.cx / 4;
            const int bottom = (units[1] + units[3]) * c.cell.cy / 8 + c.cell.cy;
            if (const auto* list = dynamic_cast<const ComboBoxWindow*>(control)) {
                EXPECT_EQ(control->GetWindowRect(), (Rect{left, top, right, top + c.cell.cy}));
                EXPECT_EQ(list->DroppedHeight(), bottom - top);
            } else {
                EXPECT_EQ(control->GetWindowRect(), (Rect{left, top, right, bottom}));
            }
        }
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(checked);
}

INSTANTIATE_TEST_SUITE_P(PortraitAndLandscape, ProgramDialogTest,
                         ::testing::Values(Case{102, {480, 640}, {8, 16}},
                                           Case{103, {640, 480}, {8, 16}},
                                           Case{102, {800, 1000}, {10, 20}},
                                           Case{103, {1000, 600}, {10, 20}}));

}  // namespace
}  // namespace quorvex
