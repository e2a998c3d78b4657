// How the main dialog sets itself up from the settings, and every way out with the settings
// it leaves behind.
#include <gtest/gtest.h>

#include <array>

#include "platform/serial/serial_device.h"
#include "platform/threads/thread.h"
#include "platform/window/font.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/dialog/dialog_harness.h"

namespace quorvex {
namespace {

using testing::DialogHarness;

constexpr std::array<int, 8> kLineParameters{ControlId::BaudRateLabel, ControlId::DataBitsLabel,
                                             ControlId::StopBitsLabel, ControlId::ParityLabel,
                                             ControlId::BaudRateList,  ControlId::DataBitsList,
                                             ControlId::StopBitsList,  ControlId::ParityList};
const std::wstring kDisconnectAndExit =
    L"Are you sure that you want to disconnect and exit Quorvex?";
const std::wstring kExit = L"Are you sure that you want to exit Quorvex?";

class DialogSetUpTest : public DialogHarness {};

TEST_F(DialogSetUpTest, AFirstStartOffersThePortsAndConnectsNothing)
{
    Run([&](MainDialog& self) {
        EXPECT_EQ(self.GetWindowText(), L"Quorvex");
        EXPECT_EQ(Rows(ControlId::PortList),
                  (std::vector<std::wstring>{L"None", L"External (COM1)", L"Bluetooth (COM9)"}));
        EXPECT_EQ(Selection(ControlId::PortList), 0);
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        for (int id : kLineParameters)
            EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_EQ(Rows(ControlId::ParityList),
                  (std::vector<std::wstring>{L"None", L"Odd", L"Even"}));
        EXPECT_EQ(Selection(ControlId::BaudRateList), 5);
        EXPECT_EQ(Selection(ControlId::DataBitsList), 1);
        EXPECT_EQ(Selection(ControlId::StopBitsList), 0);
        EXPECT_EQ(Selection(ControlId::ParityList), 0);
        EXPECT_EQ(LampState(), StatusLamp::LampBlank);
        EXPECT_EQ(Requested(), MainDialog::Idle);
        EXPECT_EQ(MainDialogTestHelper::SelectedPort(self), -1);
        EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
        EXPECT_EQ(Setting(L"PortSelection", L"port", -9), -1);

        for (int id : {ControlId::SettingsHeading, ControlId::ExternalPortHeading})
            EXPECT_TRUE(self.GetDlgItem(id)->GetFont()->IsBold()) << id;
        EXPECT_FALSE(self.GetDlgItem(ControlId::PortLabel)->GetFont()->IsBold());

        // The lamp: a 15 x 14 child of the upper group, where the hidden placeholder is.
        const StatusLamp& lamp = MainDialogTestHelper::Lamp(self);
        const Window* group = self.GetDlgItem(ControlId::UpperGroup);
        EXPECT_EQ(lamp.GetParent(), group);
        EXPECT_EQ(lamp.GetDlgCtrlID(), 200);
        EXPECT_EQ(lamp.GetWindowRect().TopLeft(),
                  self.GetDlgItem(ControlId::Placeholder)->GetWindowRect().TopLeft());
        EXPECT_EQ(lamp.GetWindowRect().Width(), 15);
        EXPECT_EQ(lamp.GetWindowRect().Height(), 14);
        EXPECT_TRUE(lamp.IsWindowVisible());
        EXPECT_FALSE(self.GetDlgItem(ControlId::Placeholder)->IsWindowVisible());
        system.DispatchPending();
        EXPECT_EQ(lamp.PaintedSize(), (Size{15, 14})) << "shown, so painted without being asked";
    });
}

TEST_F(DialogSetUpTest, SavedSettingsAreRestoredAndALeftConnectionComesBackWithoutAWarning)
{
    Store(L"PortSelection", L"port", 0);
    Store(L"PortParameters", L"Baud", 5);  // 4800 on the wired port would be warned about
    Store(L"PortParameters", L"Parity", 2);
    Store(L"Connection", L"Status", 1);
    Run([&](MainDialog& self) {
        EXPECT_EQ(Selection(ControlId::PortList), 1);
        EXPECT_EQ(MainDialogTestHelper::SelectedPort(self), 0);
        EXPECT_EQ(Selection(ControlId::ParityList), 2);
        EXPECT_EQ(Requested(), MainDialog::Connecting) << "the first tick connects";
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        EXPECT_FALSE(Enabled(ControlId::BaudRateList));
        EXPECT_EQ(LampState(), StatusLamp::LampBlank);
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connecting to");
        MainDialogTestHelper::WaitForAttempt(self);
        Tick(2);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connected to");
        EXPECT_EQ(LampState(), StatusLamp::LampGreen);
        EXPECT_TRUE(questions.empty()) << "the automatic connection is never warned about";

        // Only the automatic start skips the warning: the user's own next start asks.
        Click(ControlId::ConnectButton);
        Tick();
        answers = {IDCANCEL};
        Click(ControlId::ConnectButton);
        EXPECT_EQ(questions.size(), 1u);
    });
}

TEST_F(DialogSetUpTest, ASavedPortNoLongerOfferedIsForgottenAndNothingConnects)
{
    Store(L"PortSelection", L"port", 1);  // COM5, which no Bluetooth link offers now
    Store(L"Connection", L"Status", 1);
    Run([&](MainDialog& self) {
        EXPECT_EQ(Selection(ControlId::PortList), 0);
        EXPECT_EQ(MainDialogTestHelper::SelectedPort(self), -1);
        EXPECT_EQ(Requested(), MainDialog::Idle);
        EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
        EXPECT_EQ(Setting(L"PortSelection", L"port", -9), -1);
        Tick();
        EXPECT_EQ(State(), MainDialog::Idle);
    });
}

// Enter always reaches a control when one can take it: the focus leaves what the
// connection disables and comes back with the first control enabled again.
TEST_F(DialogSetUpTest, AfterTheAutomaticReconnectionEnterWorksWithoutATab)
{
    RegisterCom5(true);
    Store(L"PortSelection", L"port", 1);
    Store(L"Connection", L"Status", 1);
    Run([&](MainDialog& self) {
        Window* button = self.GetDlgItem(ControlId::ConnectButton);
        EXPECT_EQ(system.GetFocus(), nullptr) << "every tab stop is disabled while connecting";
        Tick();
        MainDialogTestHelper::WaitForAttempt(self);
        Tick(2);
        ASSERT_EQ(Text(ControlId::StatusLine), L"Connected to");
        EXPECT_EQ(system.GetFocus(), button) << "the button, enabled again, takes it";
        system.Deliver(InputEvent::Press(Key::Enter));
        EXPECT_EQ(Requested(), MainDialog::Idle) << "Enter disconnects";
        EXPECT_EQ(system.GetFocus(), nullptr);
        Tick();
        ASSERT_EQ(Text(ControlId::StatusLine), L"Available");
        // The port list is enabled first: the button waits for the first owner lookup,
        // which follows in the same tick.
        EXPECT_EQ(system.GetFocus(), self.GetDlgItem(ControlId::PortList));
        system.Deliver(InputEvent::Press(Key::Tab));
        system.Deliver(InputEvent::Press(Key::Enter));
        EXPECT_EQ(Requested(), MainDialog::Connecting) << "and connects again";
    });
}

class DialogExitTest : public DialogHarness {
protected:
    // Once the window is gone (the dialog object still exists): the output port's device
    // is free again, so the relay was stopped.
    void ExpectCom5Released()
    {
        SerialDevice device;
        EXPECT_TRUE(device.Open(L"COM5:"));
    }
};

TEST_F(DialogExitTest, OkWithNoPortLeavesWithoutAQuestionAndSavesTheChoices)
{
    const int result = Run([&](MainDialog&) {
        Tick();
        ChooseRow(ControlId::BaudRateList, 9);
        Ok();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(Setting(L"PortSelection", L"port", -9), -1);
    EXPECT_EQ(Setting(L"PortParameters", L"Baud", -9), 9);
    EXPECT_EQ(Setting(L"PortParameters", L"DataBits", -9), 1);
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
}

TEST_F(DialogExitTest, OkWhileConnectedAsksAndALeftConnectionIsRemembered)
{
    RegisterCom5(true);
    answers = {IDOK};
    const int result = Run(
        [&](MainDialog&) {
            Tick();
            ConnectThrough(L"Bluetooth (COM5)");
            Ok();
        },
        [&] { ExpectCom5Released(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(questions, std::vector<std::wstring>{kDisconnectAndExit});
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 1);
    EXPECT_EQ(Setting(L"PortSelection", L"port", -9), 1);
}

TEST_F(DialogExitTest, DecliningTheQuestionKeepsTheConnectionAndWhatWasAlreadyWritten)
{
    RegisterCom5(true);
    answers = {IDCANCEL};
    const int result = Run([&](MainDialog& self) {
        Tick();
        ConnectThrough(L"Bluetooth (COM5)");
        dialog->GetDlgItem(ControlId::StatusLine)->SetWindowText(L"");
        Ok();
        EXPECT_FALSE(self.IsEnded());
        EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0) << "written before asking";
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connected to");
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Disconnect");
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_TRUE(Relaying());
        // The timer still runs: Disconnect takes effect at the next tick.
        Click(ControlId::ConnectButton);
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
    });
    EXPECT_EQ(result, 99);
}

TEST_F(DialogExitTest, LeavingClearsAStoredConnectionBeforeItAsks)
{
    RegisterCom5(true);
    Store(L"PortSelection", L"port", 1);
    Store(L"Connection", L"Status", 1);
    answers = {IDCANCEL, IDCANCEL};
    whileAsking = [&] {
        EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0) << "written before the question";
    };
    const int result = Run([&](MainDialog& self) {
        // The connection left at the last exit comes back by itself.
        Tick();
        MainDialogTestHelper::WaitForAttempt(self);
        Tick(2);
        ASSERT_EQ(Text(ControlId::StatusLine), L"Connected to");
        Ok();
        // Idle with the port chosen, once more from a stored 1.
        Click(ControlId::ConnectButton);
        Tick();
        Store(L"Connection", L"Status", 1);
        Ok();
        EXPECT_FALSE(self.IsEnded());
    });
    EXPECT_EQ(result, 99);
    EXPECT_EQ(questions, (std::vector<std::wstring>{kDisconnectAndExit, kExit}));
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
}

// The far side hangs up while the exit question is open; the ticks under the question take
// the dialog back to idle.
class HangUpUnderTheQuestionTest : public DialogExitTest,
                                   public ::testing::WithParamInterface<int> {};

TEST_P(HangUpUnderTheQuestionTest, LeavesTheIdleTextsAndOkStillRemembersTheConnection)
{
    RegisterCom5(true);
    answers = {GetParam()};
    whileAsking = [&] {
        com5.HangUp();
        ASSERT_TRUE(AwaitHangUp());
        Tick(2);
        EXPECT_EQ(State(), MainDialog::Idle);
    };
    const int result = Run([&](MainDialog& self) {
        Tick();
        ConnectThrough(L"Bluetooth (COM5)");
        Ok();
        if (GetParam() == IDOK)
            return;
        EXPECT_FALSE(self.IsEnded());
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available") << "nothing is connected";
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
    });
    EXPECT_EQ(questions, std::vector<std::wstring>{kDisconnectAndExit});
    // Whether to reconnect at the next start is decided when the question is asked.
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), GetParam() == IDOK ? 1 : 0);
    EXPECT_EQ(result, GetParam() == IDOK ? IDOK : 99);
}

INSTANTIATE_TEST_SUITE_P(EitherAnswer, HangUpUnderTheQuestionTest,
                         ::testing::Values(IDCANCEL, IDOK),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == IDOK ? "Ok" : "Cancel");
                         });

TEST_F(DialogExitTest, OkWithAPortChosenButNoRelayAsksTheOtherQuestion)
{
    RegisterCom5(true);
    answers = {IDCANCEL, IDOK};
    const int result = Run([&](MainDialog& self) {
        Tick();
        ChoosePort(L"Bluetooth (COM9)");
        Ok();
        EXPECT_FALSE(self.IsEnded());
        // While an attempt is still opening the ports, the same question.
        ChoosePort(L"Bluetooth (COM5)");
        HoldOpens();
        Click(ControlId::ConnectButton);
        Tick();
        Ok();
        ReleaseOpens();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(questions, (std::vector<std::wstring>{kExit, kExit}));
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
}

TEST_F(DialogExitTest, ACloseRequestLeavesAtOnceAndRemembersTheConnection)
{
    RegisterCom5(true);
    const int result = Run(
        [&](MainDialog&) {
            Tick();
            ConnectThrough(L"Bluetooth (COM5)");
            system.Deliver(InputEvent::CloseRequest());
            system.DispatchPending();
        },
        [&] { ExpectCom5Released(); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 1);
}

TEST_F(DialogExitTest, ACloseRequestWhileAQuestionIsOpenLeavesWithTheCloseRequestsSettings)
{
    RegisterCom5(true);
    answers = {kCloseRequest};
    const int result = Run(
        [&](MainDialog&) {
            Tick();
            ConnectThrough(L"Bluetooth (COM5)");
            Ok();
            system.DispatchPending();
        },
        [&] { ExpectCom5Released(); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(questions, std::vector<std::wstring>{kDisconnectAndExit});
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 1);
}

TEST_F(DialogExitTest, ACloseRequestDuringTheLowBaudWarningLeavesWithoutConnecting)
{
    answers = {kCloseRequest};
    const int result = Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        Click(ControlId::ConnectButton);
        system.DispatchPending();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Setting(L"PortSelection", L"port", -9), 0);
    EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
}

TEST_F(DialogExitTest, TheCancelCommandLeavesAtOnceWritesNothingAndStillStopsTheRelay)
{
    RegisterCom5(true);
    std::string before;
    const int result = Run(
        [&](MainDialog&) {
            Tick();
            ConnectThrough(L"Bluetooth (COM5)");
            before = UserHive();
            dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        },
        [&] { ExpectCom5Released(); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(UserHive(), before);
}

TEST_F(DialogExitTest, DestroyingTheDialogWhileDataFlowsStopsTheRelayBeforeTheLamp)
{
    RegisterCom5(true);
    std::atomic<bool> sending{true};
    Thread sender;
    const int result = Run(
        [&](MainDialog&) {
            Tick();
            ConnectThrough(L"Bluetooth (COM5)");
            ASSERT_TRUE(sender.Start([&] {
                const std::string sentence = "$GPRMC,123519,A,4807.038,N,01131.000,E*6A\r\n";
                const std::vector<unsigned char> bytes(sentence.begin(), sentence.end());
                while (sending.load())
                    (void)receiver.Send(bytes, std::chrono::milliseconds(100));
            }));
            // The first chunk lights the lamp: the relay thread is pulsing it.
            while (!MainDialogTestHelper::Lamp(*dialog).IsLit())
                WindowSystemTestHelper::WaitAndDispatch(system);
            system.Deliver(InputEvent::CloseRequest());
            system.DispatchPending();
        },
        [&] { ExpectCom5Released(); });
    sending.store(false);
    sender.Join();
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
}  // namespace quorvex
