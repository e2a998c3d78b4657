#include "platform/gui/dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/combo_box.h"
#include "platform/gui/push_button.h"
#include "platform/gui/shell.h"
#include "platform/gui/shell_test_helper.h"
#include "platform/gui/static_text.h"
#include "platform/resource/resource_module.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/input_router.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "resources/dialog_ids.h"
#include "resources/main_dialog_templates.h"
#include "resources/program_resources.h"
#include "tests/support/headless_screen.h"
#include "tests/support/template_builder.h"

namespace quorvex {
namespace {

using testing::TemplateBuilder;

// A small dialog in the shape of the program's: a heading, a list, a button, a hidden
// marker, a disabled list and a group box, in that order.
std::vector<std::byte> SmallTemplate()
{
    TemplateBuilder t(0x90C00040, 0x80040000, 160, 100, L"Test", 6);
    t.Item({0x50020000, 9, 10, 141, 11, 1013, kStaticClassOrdinal, L"Heading:"});
    t.Item({0x50210003, 65, 33, 76, 75, 1005, kComboBoxClassOrdinal, L""});
    t.Item({0x40020000, 145, 35, 10, 12, 1007, kStaticClassOrdinal, L""});
    t.Item({0x58018000, 30, 53, 99, 20, 1006, kButtonClassOrdinal, L""});
    t.Item({0x58210003, 65, 76, 76, 62, 1000, kComboBoxClassOrdinal, L""});
    t.Item({0x50000007, 4, 1, 152, 82, 1008, kButtonClassOrdinal, L""});
    return t.bytes;
}

// Records what the dialog hears and lets a test script its life.
class TestDialog : public Dialog {
public:
    using Dialog::Dialog;

    std::vector<std::string> log;
    std::function<void(TestDialog&)> onInit;
    ComboBox ports;
    PushButton connect;
    StaticText heading;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        log.push_back("init");
        if (onInit)
            onInit(*this);
        return true;
    }
    void DoDataExchange() override
    {
        log.push_back("exchange");
        BindControl(ports, 1005);
        BindControl(connect, 1006);
        BindControl(heading, 1013);
    }
    bool OnCommand(std::uint16_t id, std::uint16_t code, Window*) override
    {
        if (id == 1006 && code == BN_CLICKED)
            log.push_back("clicked");
        else if (id == 1005 && code == CBN_SELCHANGE)
            log.push_back("selchange " + std::to_string(ports.GetCurSel()));
        else
            return false;
        return true;
    }
    void OnSize(std::uint32_t, int cx, int cy) override
    {
        log.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy));
    }
    void OnDestroy() override { log.push_back("destroy"); }
};

class DialogTest : public ::testing::Test, protected testing::HeadlessScreen {
protected:
    DialogTest() : bytes(SmallTemplate()) { entries[0] = {ResourceType::Dialog, 200, 1033, bytes}; }
    ~DialogTest() override { ShellTestHelper::SetDeviceClass(L""); }

    // Runs the dialog; `script` runs once the dialog is up and its loop would wait.
    int Run(TestDialog& dialog, std::function<void()> script)
    {
        bool ran = false;
        WindowSystemTestHelper::SetIdleHook(system, [&] {
            if (ran)
                return false;
            ran = true;
            script();
            if (!dialog.IsEnded())
                dialog.EndDialog(99);
            return true;
        });
        return dialog.DoModal();
    }

    void Press(Key key) { system.Deliver(InputEvent::Press(key)); }

    // The template's three tab stops, all enabled: the list, the button and the lower list.
    struct TabStops {
        Window* list;
        Window* button;
        Window* lower;
    };
    static TabStops EnableTabStops(TestDialog& dialog)
    {
        const TabStops stops{dialog.GetDlgItem(1005), dialog.GetDlgItem(1006),
                             dialog.GetDlgItem(1000)};
        stops.button->EnableWindow(true);
        stops.lower->EnableWindow(true);
        return stops;
    }

    std::vector<std::byte> bytes;
    std::array<ResourceEntry, 1> entries{{{ResourceType::Dialog, 1, 0, {}}}};
    ResourceModule module{entries, {}};
};

TEST_F(DialogTest, PutsEveryControlWhereTheTemplateSaysOnAFullScreenDialog)
{
    TestDialog dialog(module, 200);
    const int result = Run(dialog, [&] {
        EXPECT_EQ(dialog.GetWindowRect(), (Rect{0, 0, 480, 640}))
            << "PocketPC dialogs fill the screen";
        EXPECT_TRUE(dialog.GetExStyle() & WS_EX_CAPTIONOKBTN);
        EXPECT_EQ(dialog.GetWindowText(), L"Test");
        EXPECT_TRUE(dialog.IsWindowVisible());
        EXPECT_EQ(dialog.Children().size(), 6u);
        // 8 x 16 cells: 2 pixels per horizontal and per vertical dialog unit, below a 16-pixel
        // caption.
        EXPECT_EQ(dialog.GetDlgItem(1013)->GetWindowRect(), (Rect{18, 36, 300, 58}));
        EXPECT_EQ(dialog.GetDlgItem(1007)->GetWindowRect(), (Rect{290, 86, 310, 110}));
        EXPECT_EQ(dialog.GetDlgItem(1006)->GetWindowRect(), (Rect{60, 122, 258, 162}));
        EXPECT_EQ(dialog.GetDlgItem(1008)->GetWindowRect(), (Rect{8, 18, 312, 182}));
        const auto* list = static_cast<const ComboBoxWindow*>(dialog.GetDlgItem(1005));
        EXPECT_EQ(list->GetWindowRect(), (Rect{130, 82, 282, 98}))
            << "a closed list is one row high";
        EXPECT_EQ(list->DroppedHeight(), 150) << "the template's height is the opened list's";
        EXPECT_EQ(dialog.GetDlgItem(1013)->GetWindowText(), L"Heading:");
        EXPECT_FALSE(dialog.GetDlgItem(1007)->IsWindowVisible());
        EXPECT_FALSE(dialog.GetDlgItem(1006)->IsWindowEnabled());
        EXPECT_EQ(dialog.GetDlgItem(1013)->GetFont(), dialog.GetFont());
        LogFont font;
        ASSERT_TRUE(dialog.GetFont()->GetLogFont(font));
        EXPECT_EQ(font.face, L"MS Sans Serif");

        Rect units{3, 5, 213, 118};
        ASSERT_TRUE(dialog.MapDialogRect(units));
        EXPECT_EQ(units, (Rect{6, 10, 426, 236}));
    });
    EXPECT_EQ(result, 99);
    EXPECT_EQ(dialog.log,
              (std::vector<std::string>{"size 480x624", "exchange", "init", "destroy"}));
    EXPECT_FALSE(dialog.IsCreated());
}

TEST_F(DialogTest, OtherDeviceClassesGetTheirOwnSetUp)
{
    ShellTestHelper::SetDeviceClass(L"smartphone");
    EXPECT_EQ(Shell::DialogFlags(), 0x04u);
    ShellTestHelper::SetDeviceClass(L"Desktop");
    EXPECT_EQ(Shell::DialogFlags(), 0u);
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        EXPECT_EQ(dialog.GetWindowRect(), (Rect{0, 0, 320, 216}))
            << "the template's own size plus the caption";
    });
    ShellTestHelper::SetDeviceClass(L"");
    EXPECT_EQ(Shell::DialogFlags(), 0x2Du);
}

TEST_F(DialogTest, AResizeTurnsTheFullScreenDialog)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        dialog.log.clear();
        system.Deliver(InputEvent::Resized({800, 480}, {8, 16}));
        EXPECT_EQ(system.GetSystemMetrics(SM_CXSCREEN), 800);
        EXPECT_EQ(system.GetSystemMetrics(SM_CYSCREEN), 480);
        EXPECT_EQ(dialog.GetWindowRect(), (Rect{0, 0, 800, 480}));
        EXPECT_EQ(dialog.log, std::vector<std::string>{"size 800x464"});
    });
}

// One way for the user to end the dialog, and the result it gives.
struct Ending {
    const char* name;
    std::function<void(WindowSystem&)> act;
    int result;
};

void PrintTo(const Ending& ending, std::ostream* out)
{
    *out << ending.name;
}

class DialogEndingTest : public DialogTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(DialogEndingTest, EndsTheDialogWithItsResult)
{
    TestDialog dialog(module, 200);
    EXPECT_EQ(Run(dialog, [&] { GetParam().act(system); }), GetParam().result);
    EXPECT_EQ(dialog.log.back(), "destroy");
}

INSTANTIATE_TEST_SUITE_P(
    ByTheUser, DialogEndingTest,
    ::testing::Values(
        Ending{"EscapeIsNoCancelCommand",
               [](WindowSystem& system) { system.Deliver(InputEvent::Press(Key::Escape)); }, 99},
        Ending{"TheCaptionsOkButtonConfirms",
               [](WindowSystem& system) {
                   WindowSystemTestHelper::Click(system, {478, 2});
               },
               IDOK},
        Ending{"TheCaptionOkKeyConfirms",
               [](WindowSystem& system) { system.Deliver(InputEvent::Press(Key::CaptionOk)); },
               IDOK},
        Ending{"ACloseRequestCancels",
               [](WindowSystem& system) {
                   system.Deliver(InputEvent::CloseRequest());
                   system.DispatchPending();
               },
               IDCANCEL}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

TEST_F(DialogTest, OkExchangesTheControlsOnceMore)
{
    TestDialog dialog(module, 200);
    EXPECT_EQ(Run(dialog, [&] { Press(Key::CaptionOk); }), IDOK);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"size 480x624", "exchange", "init", "exchange",
                                                    "destroy"}));
}

TEST_F(DialogTest, MayEndDuringItsInitialisation)
{
    TestDialog dialog(module, 200);
    dialog.onInit = [](TestDialog& self) { self.EndDialog(5); };
    EXPECT_EQ(dialog.DoModal(), 5);
}

TEST_F(DialogTest, AMissingTemplateEndsAtOnceWithMinusOne)
{
    TestDialog missing(module, 999);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(DialogTest, TabMovesFocusOverEnabledVisibleTabStopsOnly)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        Window* list = dialog.GetDlgItem(1005);
        Window* button = dialog.GetDlgItem(1006);
        EXPECT_EQ(system.GetFocus(), list)
            << "the first tab stop; the button and 1000 are disabled";
        Press(Key::Tab);
        EXPECT_EQ(system.GetFocus(), list) << "the only stop";
        button->EnableWindow(true);
        Press(Key::Tab);
        EXPECT_EQ(system.GetFocus(), button);
        Press(Key::Tab);
        EXPECT_EQ(system.GetFocus(), list);
        Press(Key::BackTab);
        EXPECT_EQ(system.GetFocus(), button);
    });
}

TEST_F(DialogTest, ShiftTabWalksThreeStopsBackwardsAndWrapsToTheLast)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        const auto [list, button, lower] = EnableTabStops(dialog);
        system.SetFocus(list);
        Press(Key::BackTab);
        EXPECT_EQ(system.GetFocus(), lower);
        Press(Key::BackTab);
        EXPECT_EQ(system.GetFocus(), button);
        Press(Key::BackTab);
        EXPECT_EQ(system.GetFocus(), list);
    });
}

TEST_F(DialogTest, EnterSpaceAndClicksPressOnlyAnEnabledButton)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        Window* button = dialog.GetDlgItem(1006);
        button->EnableWindow(true);
        system.SetFocus(button);
        Press(Key::Enter);
        Press(Key::Space);
        button->EnableWindow(false);
        WindowSystemTestHelper::Click(system, {100, 140});
        EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "clicked"), 2)
            << "a disabled button takes nothing";
        button->EnableWindow(true);
        WindowSystemTestHelper::Click(system, {100, 140});
        EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "clicked"), 3);
        WindowSystemTestHelper::Click(system, {300, 100}) /* the hidden marker and the group box */;
        EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "clicked"), 3);
    });
}

// A press and its release act together only on the one thing both land on, however much
// happens between them.
TEST_F(DialogTest, APressActsOnlyWhenReleasedOnWhatItPressed)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        Window* button = dialog.GetDlgItem(1006);
        button->EnableWindow(true);
        const Point onButton{100, 140};
        const Point onHeading{40, 100};
        const auto clicks = [&] {
            return std::count(dialog.log.begin(), dialog.log.end(), "clicked");
        };

        system.Deliver(InputEvent::ButtonDownAt(onButton));
        EXPECT_EQ(system.PressedControl(), button) << "held, so a display can draw it pressed";
        EXPECT_EQ(system.GetFocus(), button) << "a press takes the focus";
        dialog.SetTimer(7, 100);
        clock.Advance(std::chrono::seconds(2));
        EXPECT_GT(system.DispatchPending(), 0u) << "timers run while the button is held";
        EXPECT_EQ(clicks(), 0) << "nothing until the release";
        system.Deliver(InputEvent::ButtonUpAt({onButton.x + 20, onButton.y}));
        EXPECT_EQ(clicks(), 1) << "released on the same button, elsewhere on it";
        EXPECT_EQ(system.PressedControl(), nullptr);

        system.Deliver(InputEvent::ButtonDownAt(onButton));
        system.Deliver(InputEvent::ButtonUpAt(onHeading));
        system.Deliver(InputEvent::ButtonDownAt(onHeading));
        system.Deliver(InputEvent::ButtonUpAt(onButton));
        system.Deliver(InputEvent::ButtonUpAt(onButton));
        EXPECT_EQ(clicks(), 1) << "released elsewhere, pressed elsewhere, or a lone release";

        system.Deliver(InputEvent::ButtonDownAt(onButton));
        button->EnableWindow(false);
        button->EnableWindow(true);
        system.Deliver(InputEvent::ButtonDownAt(onHeading));
        system.Deliver(InputEvent::ButtonUpAt(onButton));
        EXPECT_EQ(clicks(), 1) << "a second press replaces the first";
        system.Deliver(InputEvent::ButtonDownAt(onButton));
        button->EnableWindow(false);
        system.Deliver(InputEvent::ButtonUpAt(onButton));
        EXPECT_EQ(clicks(), 1) << "disabled while held";

        // The caption's OK is a button like the others.
        const Point onOk{478, 2};
        system.Deliver(InputEvent::ButtonDownAt(onOk));
        EXPECT_TRUE(system.IsCaptionOkPressed(dialog));
        system.Deliver(InputEvent::ButtonUpAt(onHeading));
        EXPECT_FALSE(dialog.IsEnded()) << "the caption's OK released elsewhere";
        system.Deliver(InputEvent::ButtonDownAt(onOk));
        system.Deliver(InputEvent::ButtonUpAt(onOk));
        EXPECT_TRUE(dialog.IsEnded());
    });
}

// The focus never stays on a control that cannot take it, and comes back when one can.
TEST_F(DialogTest, TheFocusLeavesADisabledControlForTheNextTabStopOrForNone)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        const auto [list, button, lower] = EnableTabStops(dialog);
        system.SetFocus(button);
        button->EnableWindow(false);
        EXPECT_EQ(system.GetFocus(), lower) << "the next tab stop in template order";
        lower->ShowWindow(SW_HIDE);
        EXPECT_EQ(system.GetFocus(), list) << "hidden as well; wrapping round";
        lower->ShowWindow(SW_SHOW);
        EXPECT_EQ(system.GetFocus(), list) << "the focus stays where it is";
        lower->EnableWindow(false);
        list->EnableWindow(false);
        EXPECT_EQ(system.GetFocus(), nullptr) << "no tab stop can take it";
        dialog.GetDlgItem(1013)->EnableWindow(true);
        EXPECT_EQ(system.GetFocus(), nullptr) << "a static text is no tab stop";

        button->EnableWindow(true);
        EXPECT_EQ(system.GetFocus(), button) << "the first to be enabled again takes it";
        list->EnableWindow(true);
        EXPECT_EQ(system.GetFocus(), button);
        Press(Key::Enter);
        EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "clicked"), 1);
    });
}

// Three ports with item data -1, 0 and 1, the first chosen, and nothing heard yet.
void FillPorts(TestDialog& dialog)
{
    int value = -1;
    for (const wchar_t* text : {L"None", L"External (COM1)", L"Bluetooth (COM5)"}) {
        const int index = dialog.ports.AddString(text);
        dialog.ports.SetItemData(index, value++);
    }
    dialog.ports.SetCurSel(0);
    dialog.log.clear();
}

TEST_F(DialogTest, AListKeepsItemDataAndRefusesSelectionsOutOfRange)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        EXPECT_EQ(dialog.ports.GetCurSel(), -1);
        FillPorts(dialog);
        EXPECT_EQ(dialog.ports.GetItemData(2), 1);
        EXPECT_EQ(dialog.ports.GetItemData(7), -1);
        EXPECT_EQ(dialog.ports.SetCurSel(1), 1);
        EXPECT_EQ(dialog.ports.SetCurSel(3), -1);
        EXPECT_EQ(dialog.ports.GetCurSel(), -1) << "a choice out of range clears the choice";
        dialog.ports.ResetContent();
        EXPECT_EQ(dialog.ports.GetCount(), 0);
        EXPECT_EQ(dialog.ports.GetCurSel(), -1);
        EXPECT_TRUE(dialog.log.empty()) << "the program's own choices send nothing";
    });
}

TEST_F(DialogTest, OnlyTheUsersChoiceInAListSendsSelChange)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        FillPorts(dialog);
        Press(Key::Enter);
        EXPECT_EQ(system.OpenList(), dialog.GetDlgItem(1005));
        Press(Key::Down);
        Press(Key::Down);
        Press(Key::Down);
        Press(Key::Escape);
        EXPECT_EQ(system.OpenList(), nullptr);
        EXPECT_EQ(dialog.ports.GetCurSel(), 0) << "Escape closes without a choice";
        EXPECT_TRUE(dialog.log.empty()) << "and Escape in a list does not cancel the dialog";

        Press(Key::Space);
        Press(Key::End);
        Press(Key::Enter);
        EXPECT_EQ(dialog.ports.GetCurSel(), 2);
        Press(Key::Enter);
        Press(Key::Enter);
        EXPECT_EQ(dialog.log, std::vector<std::string>{"selchange 2"})
            << "choosing the same item again is no change";

        Press(Key::Up);
        EXPECT_EQ(dialog.log.back(), "selchange 1") << "arrows on a closed list choose";
    });
}

// The field opens the list, whose rows lie below it, one cell each.
TEST_F(DialogTest, ClicksOpenAListAndChooseInIt)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        FillPorts(dialog);
        dialog.ports.SetCurSel(2);
        const Rect field = dialog.GetDlgItem(1005)->GetWindowRect();
        WindowSystemTestHelper::Click(system, {field.left + 5, field.top + 5});
        auto* list = static_cast<ComboBoxWindow*>(dialog.GetDlgItem(1005));
        ASSERT_EQ(system.OpenList(), list);
        EXPECT_EQ(list->ListRect(),
                  (Rect{field.left, field.bottom, field.right, field.bottom + 48}));
        WindowSystemTestHelper::Click(system, {field.left + 5, field.bottom + 16 * 0 + 3});
        EXPECT_EQ(dialog.log, std::vector<std::string>{"selchange 0"});
        WindowSystemTestHelper::Click(system, {field.left + 5, field.top + 5});
        WindowSystemTestHelper::Click(system, {2, 600});
        EXPECT_EQ(system.OpenList(), nullptr) << "a click beside the list closes it";
        EXPECT_EQ(dialog.ports.GetCurSel(), 0);

        // The row chosen is the one the release is over; a press beside the rows chooses
        // nothing wherever it is released.
        const auto row = [&](int index) {
            return Point{field.left + 5, field.bottom + 16 * index + 3};
        };
        WindowSystemTestHelper::Click(system, {field.left + 5, field.top + 5});
        system.Deliver(InputEvent::ButtonDownAt(row(0)));
        system.Deliver(InputEvent::ButtonUpAt(row(2)));
        EXPECT_EQ(dialog.log, (std::vector<std::string>{"selchange 0", "selchange 2"}));
        EXPECT_EQ(system.OpenList(), nullptr);
        WindowSystemTestHelper::Click(system, {field.left + 5, field.top + 5});
        system.Deliver(InputEvent::ButtonDownAt({2, 600}));
        system.Deliver(InputEvent::ButtonUpAt(row(1)));
        EXPECT_EQ(system.OpenList(), nullptr);
        EXPECT_EQ(dialog.ports.GetCurSel(), 2);
        // A press on the field opens nothing until its release there.
        system.Deliver(InputEvent::ButtonDownAt({field.left + 5, field.top + 5}));
        EXPECT_EQ(system.OpenList(), nullptr);
        system.Deliver(InputEvent::ButtonUpAt(row(1)));
        EXPECT_EQ(system.OpenList(), nullptr);
        EXPECT_EQ(dialog.ports.GetCurSel(), 2);
    });
}

TEST_F(DialogTest, ClassesNamedInTextMatchWithoutRegardToCase)
{
    TemplateBuilder t(0x80C00000, 0, 100, 50, L"Named", 2);
    t.Item({0x50210003, 1, 1, 40, 40, 1, 0, L"", 0, L"ComboBox"});
    t.Item({0x50000000, 1, 20, 40, 10, 2, 0, L"x", 0, L"MyOwnClass"});
    const auto named = t.bytes;
    entries[0] = {ResourceType::Dialog, 201, 1033, named};
    TestDialog dialog(module, 201);
    Run(dialog, [&] {
        EXPECT_EQ(dialog.GetDlgItem(1)->GetClassName(), L"combobox");
        EXPECT_TRUE(dialog.BindControl(dialog.ports, 1)) << "it is a real list";
        EXPECT_EQ(dialog.GetDlgItem(2)->GetClassName(), L"MyOwnClass");
    });
}

TEST_F(DialogTest, ControlsBindOnlyToTheirKind)
{
    TestDialog dialog(module, 200);
    Run(dialog, [&] {
        ComboBox wrongKind;
        EXPECT_FALSE(dialog.BindControl(wrongKind, 1006));
        PushButton groupBox;
        EXPECT_FALSE(dialog.BindControl(groupBox, 1008)) << "a group box is no push button";
        StaticText missing;
        EXPECT_FALSE(dialog.BindControl(missing, 4242));
        EXPECT_EQ(wrongKind.AddString(L"x"), -1);
        EXPECT_EQ(wrongKind.GetCurSel(), -1);
        dialog.heading.SetWindowText(L"Bold");
        EXPECT_EQ(dialog.GetDlgItem(1013)->GetWindowText(), L"Bold");
        EXPECT_FALSE(dialog.connect.IsWindowEnabled());
    });
}

// The program's own dialogs, 102 (portrait) and 103 (landscape), on screens and cells of
// other sizes: every control where its template puts it. The templates' bytes are checked
// against the published layout in tests/resources; here the program's table is the oracle.
struct ProgramScreen {
    const char* name;
    std::uint16_t templateId;
    Size screen;
    Size cell;
};

void PrintTo(const ProgramScreen& screen, std::ostream* out)
{
    *out << screen.name;
}

// Calls `check` once the dialog is up, then ends it.
class CheckedDialog : public Dialog {
public:
    using Dialog::Dialog;
    std::function<void(CheckedDialog&)> check;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        check(*this);
        EndDialog(IDOK);
        return true;
    }
};

class ProgramDialogTest : public ::testing::TestWithParam<ProgramScreen> {};

TEST_P(ProgramDialogTest, EveryControlSitsWhereTheTemplatePutsIt)
{
    const ProgramScreen c = GetParam();
    testing::HeadlessScreen screen(c.screen, c.cell);
    CheckedDialog dialog(ProgramResources(), c.templateId);
    bool checked = false;
    dialog.check = [&](CheckedDialog& self) {
        checked = true;
        EXPECT_EQ(self.GetWindowRect(), (Rect{0, 0, c.screen.cx, c.screen.cy}));
        EXPECT_EQ(self.GetWindowText(), L"Quorvex");
        ASSERT_EQ(self.Children().size(), kMainDialogControls.size());
        for (std::size_t i = 0; i < kMainDialogControls.size(); ++i) {
            const MainDialogControl& want = kMainDialogControls[i];
            SCOPED_TRACE(want.id);
            const Window* control = self.Children()[i];
            ASSERT_EQ(control->GetDlgCtrlID(), want.id) << "template order is the stacking order";
            EXPECT_EQ(control->GetStyle(), want.style);
            EXPECT_EQ(control->GetWindowText(), want.text);
            const DialogRect units =
                c.templateId == DialogId::Portrait ? want.portrait : want.landscape;
            const int left = units.x * c.cell.cx / 4;
            const int top = units.y * c.cell.cy / 8 + c.cell.cy;  // below the caption
            const int right = (units.x + units.cx) * c.cell.cx / 4;
            const int bottom = (units.y + units.cy) * c.cell.cy / 8 + c.cell.cy;
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

INSTANTIATE_TEST_SUITE_P(
    Screens, ProgramDialogTest,
    ::testing::Values(
        ProgramScreen{"Portrait", DialogId::Portrait, {480, 640}, {8, 16}},
        ProgramScreen{"Landscape", DialogId::Landscape, {640, 480}, {8, 16}},
        ProgramScreen{"PortraitLargeCells", DialogId::Portrait, {800, 1000}, {10, 20}},
        ProgramScreen{"LandscapeLargeCells", DialogId::Landscape, {1000, 600}, {10, 20}}),
    [](const ::testing::TestParamInfo<ProgramScreen>& info) {
        return std::string(info.param.name);
    });

}  // namespace
}  // namespace quorvex
