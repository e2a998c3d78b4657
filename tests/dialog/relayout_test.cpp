// The main dialog follows the screen: every WM_SIZE moves the controls to the template that
// fits and puts back what the template does not know.
#include <gtest/gtest.h>

#include "platform/gui/parsed_dialog_template.h"
#include "platform/window/combo_box_window.h"
#include "resources/program_resources.h"
#include "tests/dialog/dialog_harness.h"

namespace quorvex {
namespace {

using testing::DialogHarness;

constexpr Size kCell{8, 16};

class RelayoutTest : public DialogHarness {
protected:
    void Turn(Size screen) { system.Deliver(InputEvent::Resized(screen, kCell)); }

    // Every control sits where template `id` puts it, and the lamp at the placeholder.
    void ExpectLayout(std::uint16_t id) const
    {
        const auto parsed =
            ParsedDialogTemplate::Parse(*ProgramResources().Find(ResourceType::Dialog, id));
        ASSERT_TRUE(parsed);
        for (const auto& item : parsed->items) {
            SCOPED_TRACE(item.id);
            Rect want{item.x, item.y, item.x + item.cx, item.y + item.cy};
            ASSERT_TRUE(dialog->MapDialogRect(want));
            const Window* control = dialog->GetDlgItem(item.id);
            const Rect got = control->RectInParent();
            EXPECT_EQ(got.TopLeft(), want.TopLeft());
            EXPECT_EQ(got.Width(), want.Width());
            if (const auto* list = dynamic_cast<const ComboBoxWindow*>(control))
                EXPECT_EQ(list->DroppedHeight(), want.Height());
            else
                EXPECT_EQ(got.Height(), want.Height());
        }
        const StatusLamp& lamp = MainDialogTestHelper::Lamp(*dialog);
        EXPECT_EQ(lamp.GetWindowRect().TopLeft(),
                  dialog->GetDlgItem(1007)->GetWindowRect().TopLeft());
        EXPECT_EQ(lamp.GetWindowRect().Width(), StatusLamp::kWidth);
        EXPECT_EQ(lamp.GetWindowRect().Height(), StatusLamp::kHeight);
    }

    // The user's choices, which a turn must keep.
    void Choose()
    {
        ChoosePort(L"External (COM1)");
        ChooseRow(1000, 7);
        ChooseRow(1001, 0);
        ChooseRow(1002, 1);
        ChooseRow(1003, 1);
    }
    void ExpectChoicesKept() const
    {
        EXPECT_EQ(Selection(1005), 1);
        EXPECT_EQ(Selection(1000), 7);
        EXPECT_EQ(Selection(1001), 0);
        EXPECT_EQ(Selection(1002), 1);
        EXPECT_EQ(Selection(1003), 1);
    }
};

TEST_F(RelayoutTest, TurningWhileIdleMovesEveryControlBothWaysAndKeepsTheChoices)
{
    Run([&](MainDialog& self) {
        Tick();
        Choose();
        ExpectLayout(102);
        dialog->GetDlgItem(1009)->SetWindowText(L"changed");

        Turn({640, 480});
        ExpectLayout(103);
        ExpectChoicesKept();
        EXPECT_EQ(Text(1004), L"") << "the template's text until the next tick";
        EXPECT_EQ(Text(1006), L"Connect");
        EXPECT_EQ(Text(1009), L"Baud rate:");
        EXPECT_EQ(Text(1013), L"Quorvex settings:");
        EXPECT_TRUE(self.GetDlgItem(1013)->GetFont()->IsBold());
        EXPECT_TRUE(Enabled(1006)) << "a turn changes no state";
        EXPECT_TRUE(Enabled(1000));
        Tick();
        EXPECT_EQ(Text(1004), L"Available");

        Turn({480, 640});
        ExpectLayout(102);
        ExpectChoicesKept();
        Turn({600, 600});  // a square screen takes the landscape layout
        ExpectLayout(103);
        ExpectChoicesKept();
    });
}

TEST_F(RelayoutTest, TurningWhileConnectedPutsTheConnectionsTextsBack)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ConnectThrough(L"Bluetooth (COM5)");
        Turn({640, 480});
        ExpectLayout(103);
        EXPECT_EQ(Text(1004), L"Connected to");
        EXPECT_EQ(Text(1006), L"Disconnect");
        EXPECT_EQ(LampState(), StatusLamp::LampBlue);
        EXPECT_TRUE(Relaying());
    });
}

TEST_F(RelayoutTest, TurningWhileConnectingLeavesTheStatusLineEmptyUntilTheStateChanges)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"Bluetooth (COM5)");
        HoldOpens();
        Click(1006);
        Tick();
        Turn({640, 480});
        EXPECT_EQ(Text(1006), L"Connect");
        EXPECT_EQ(Text(1004), L"");
        Tick();
        EXPECT_EQ(Text(1004), L"");
        ReleaseOpens();
        Tick(2);
        EXPECT_EQ(Text(1004), L"Connected to");
    });
}

TEST_F(RelayoutTest, AFirstStartOnALandscapeScreenShowsTheLandscapeLayoutWithItsLamp)
{
    Turn({640, 368});  // an 80 x 24 terminal without its hint row
    Run([&](MainDialog& self) {
        ExpectLayout(103);
        EXPECT_EQ(self.GetWindowRect(), (Rect{0, 0, 640, 368}));
        EXPECT_EQ(Text(1006), L"Connect");
        EXPECT_EQ(LampState(), StatusLamp::LampBlank);
        Tick();
        EXPECT_EQ(Text(1004), L"Available");
    });
}

}  // namespace
}  // namespace quorvex
