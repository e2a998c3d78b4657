// The tick-driven connection state machine, row by row: what each event does at once, and
// what the next tick makes of it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "tests/dialog/dialog_harness.h"

namespace quorvex {
namespace {

using testing::DialogHarness;

constexpr auto Idle = MainDialog::Idle;
constexpr auto Connecting = MainDialog::Connecting;
constexpr auto Connected = MainDialog::Connected;
constexpr std::array<int, 8> kLineParameters{ControlId::BaudRateLabel, ControlId::DataBitsLabel,
                                             ControlId::StopBitsLabel, ControlId::ParityLabel,
                                             ControlId::BaudRateList,  ControlId::DataBitsList,
                                             ControlId::StopBitsList,  ControlId::ParityList};
constexpr std::uint32_t kBoxType = MB_OKCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND;
constexpr std::wstring_view kLowBaudWarning =
    L"NMEA sentences may be delayed or discarded if a baud rate of 4800 or lower is selected. "
    L"To avoid problems, turn off NMEA messages that are not required, or select a higher baud "
    L"rate.";

class ConnectionStateTest : public DialogHarness {
protected:
    bool LineParametersEnabled(bool expected) const
    {
        for (int id : kLineParameters)
            if (Enabled(id) != expected)
                return false;
        return true;
    }

    // Bytes written on one far side arrive unchanged on the other.
    static void ExpectRelayed(PseudoTerminal& from, PseudoTerminal& to, std::string_view text)
    {
        const std::vector<unsigned char> sent(text.begin(), text.end());
        ASSERT_TRUE(from.Send(sent));
        std::vector<unsigned char> received(sent.size());
        ASSERT_TRUE(to.Receive(received));
        EXPECT_EQ(received, sent);
    }
};

TEST_F(ConnectionStateTest, TheFirstTickWritesTheStatusLineAndOnlyAChangedOwnerRewritesIt)
{
    Run([&](MainDialog&) {
        EXPECT_EQ(Text(ControlId::StatusLine), L"") << "nothing before the first tick";
        Tick();
        EXPECT_EQ(State(), Idle) << "no entry action: the state did not change";
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
        EXPECT_FALSE(Enabled(ControlId::ConnectButton)) << "no port chosen";

        dialog->GetDlgItem(ControlId::StatusLine)->SetWindowText(L"marker");
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"marker") << "the same owner is not written again";

        SetOwner(L"GpsGate");
        ChoosePort(L"Bluetooth (COM9)");
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"In use by GpsGate")
            << "joined by exactly one space";
        EXPECT_FALSE(Enabled(ControlId::ConnectButton)) << "the receiver port is held";
        ChoosePort(L"External (COM1)");
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));

        SetOwner(L"");
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
    });
}

TEST_F(ConnectionStateTest, ChoosingAPortSetsTheButtonAndTheLineParametersButNoTexts)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        EXPECT_EQ(LampState(), StatusLamp::LampBlank);
        ChoosePort(L"External (COM1)");
        EXPECT_EQ(MainDialogTestHelper::SelectedPort(*dialog), 0);
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_TRUE(LineParametersEnabled(true));
        Tick();
        EXPECT_EQ(LampState(), StatusLamp::LampDark);

        ChoosePort(L"Bluetooth (COM5)");
        EXPECT_EQ(MainDialogTestHelper::SelectedPort(*dialog), 1);
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_TRUE(LineParametersEnabled(false));

        dialog->GetDlgItem(ControlId::StatusLine)->SetWindowText(L"marker");
        ChoosePort(L"None");
        EXPECT_EQ(MainDialogTestHelper::SelectedPort(*dialog), -1);
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        EXPECT_TRUE(LineParametersEnabled(false));
        EXPECT_EQ(Text(ControlId::StatusLine), L"marker");
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
        Tick();
        EXPECT_EQ(LampState(), StatusLamp::LampBlank);
    });
}

TEST_F(ConnectionStateTest, ConnectAndDisconnectABluetoothPortTickByTick)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"Bluetooth (COM5)");
        Tick();
        HoldOpens();
        Click(ControlId::ConnectButton);
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        EXPECT_FALSE(Enabled(ControlId::PortList));
        EXPECT_TRUE(LineParametersEnabled(false));
        EXPECT_EQ(Requested(), Connecting);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available") << "the next tick shows the change";
        EXPECT_TRUE(questions.empty()) << "a Bluetooth port is never warned about";
        EXPECT_EQ(Setting(L"PortSelection", L"port", -9), 1);
        EXPECT_EQ(Setting(L"PortParameters", L"Baud", -9), 5);

        Tick();
        EXPECT_EQ(State(), Connecting);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connecting to");
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        EXPECT_EQ(LampState(), StatusLamp::LampDark) << "unchanged while connecting";
        Click(ControlId::ConnectButton);
        EXPECT_EQ(Requested(), Connecting) << "a press while connecting is ignored";
        Tick();
        EXPECT_EQ(State(), Connecting) << "the attempt still opens the ports";

        ReleaseOpens();
        Tick();
        EXPECT_EQ(Requested(), Connected);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connecting to")
            << "shown one tick after the engine is ready";
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connected to");
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Disconnect");
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_EQ(LampState(), StatusLamp::LampBlue);
        EXPECT_TRUE(Relaying());
        ExpectRelayed(receiver, com5, "$GPGGA,123519,4807.038,N,01131.000,E*47\r\n");
        ExpectRelayed(com5, receiver, "$PSRF100,1,4800,8,1,0*0E\r\n");
        Tick();
        EXPECT_EQ(State(), Connected) << "a tick while connected changes nothing";

        Click(ControlId::ConnectButton);
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        EXPECT_FALSE(Enabled(ControlId::PortList));
        EXPECT_EQ(Requested(), Idle);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connected to");
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_TRUE(Enabled(ControlId::PortList));
        EXPECT_TRUE(LineParametersEnabled(false)) << "not the wired port";
        EXPECT_EQ(LampState(), StatusLamp::LampDark);
        EXPECT_FALSE(Relaying());
    });
}

TEST_F(ConnectionStateTest, TheWiredPortAboveTheWarningRateLightsGreenAndGetsItsListsBack)
{
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        ChooseRow(ControlId::BaudRateList, 6);  // 9600
        Click(ControlId::ConnectButton);
        EXPECT_TRUE(questions.empty());
        EXPECT_TRUE(LineParametersEnabled(false));
        Tick();
        MainDialogTestHelper::WaitForAttempt(*dialog);
        Tick(2);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connected to");
        EXPECT_EQ(LampState(), StatusLamp::LampGreen);
        EXPECT_EQ(Setting(L"PortParameters", L"Baud", -9), 6);
        Click(ControlId::ConnectButton);
        Tick();
        EXPECT_TRUE(LineParametersEnabled(true));
    });
}

TEST_F(ConnectionStateTest, TheLowBaudWarningAsksOnlyForTheUsersWiredStartAt4800OrBelow)
{
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        const std::string before = UserHive();
        answers = {IDCANCEL};
        // Ticks and the owner lookup go on while the question is open.
        whileAsking = [&] {
            SetOwner(L"Other");
            Tick();
            EXPECT_EQ(Text(ControlId::StatusLine), L"In use by Other");
            SetOwner(L"");
            Tick();
        };
        Click(ControlId::ConnectButton);
        whileAsking = nullptr;
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0], kLowBaudWarning);
        EXPECT_EQ(questionTypes[0], kBoxType);
        EXPECT_EQ(captions[0], app.Name());
        EXPECT_TRUE(Enabled(ControlId::ConnectButton)) << "Cancel gives the button back";
        EXPECT_TRUE(Enabled(ControlId::PortList));
        EXPECT_TRUE(LineParametersEnabled(true));
        EXPECT_EQ(Requested(), Idle);
        EXPECT_EQ(UserHive(), before) << "Cancel writes nothing";
        Tick();
        EXPECT_EQ(State(), Idle);

        ChooseRow(ControlId::BaudRateList, 0);  // 110 asks as well
        answers = {IDOK};
        Click(ControlId::ConnectButton);
        EXPECT_EQ(questions.size(), 2u);
        EXPECT_EQ(Requested(), Connecting);
        EXPECT_EQ(Setting(L"PortSelection", L"port", -9), 0);
        EXPECT_EQ(Setting(L"PortParameters", L"Baud", -9), 0);
    });
}

TEST_F(ConnectionStateTest, CancelOnTheLowBaudWarningGivesTheButtonBackItself)
{
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        answers = {IDCANCEL};
        // The receiver port's owner stays the same, so no tick touches the button meanwhile.
        whileAsking = [&] {
            EXPECT_FALSE(Enabled(ControlId::ConnectButton)) << "disabled while asking";
            Tick(2);
        };
        Click(ControlId::ConnectButton);
        whileAsking = nullptr;
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_TRUE(Enabled(ControlId::ConnectButton)) << "Cancel enables it again";
        EXPECT_EQ(Requested(), Idle);
    });
}

TEST_F(ConnectionStateTest, TheChosenLineSettingsReachTheEngineInTheirOrder)
{
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        // Four values that differ from each other and from their defaults.
        ChooseRow(ControlId::BaudRateList, 7);  // 19200
        ChooseRow(ControlId::DataBitsList, 0);  // 7
        ChooseRow(ControlId::StopBitsList, 1);  // two: code 2
        ChooseRow(ControlId::ParityList, 1);    // odd: code 1
        Click(ControlId::ConnectButton);
        Tick();
        const RelayEngine& engine = MainDialogTestHelper::Engine(*dialog);
        EXPECT_EQ(RelayEngineTestHelper::ReceiverPortName(engine), L"COM2:");
        EXPECT_EQ(RelayEngineTestHelper::OutputPortName(engine), L"COM1:");
        const LineSettings asked = RelayEngineTestHelper::Settings(engine);
        EXPECT_EQ(asked.baudRate, 19200u);
        EXPECT_EQ(asked.parity, 1);
        EXPECT_EQ(asked.dataBits, 7);
        EXPECT_EQ(asked.stopBits, 2);
        MainDialogTestHelper::WaitForAttempt(*dialog);
    });
}

TEST_F(ConnectionStateTest, NoWarningForABluetoothPortNorForAnUnselectedBaudRow)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        ChooseRow(ControlId::BaudRateList, 1);  // 300
        ChoosePort(L"Bluetooth (COM5)");
        Click(ControlId::ConnectButton);
        EXPECT_TRUE(questions.empty());
        EXPECT_EQ(Requested(), Connecting);
    });
    Store(L"PortParameters", L"Baud", 11);
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        EXPECT_EQ(Selection(ControlId::BaudRateList), -1);
        Click(ControlId::ConnectButton);
        EXPECT_TRUE(questions.empty()) << "no row reads as 0xFFFFFFFF, above 4800";
        EXPECT_EQ(Requested(), Connecting);
    });
}

TEST_F(ConnectionStateTest, AFailedAttemptWhosePortHasGoneFallsBackToNone)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"Bluetooth (COM5)");
        Tick();
        Click(ControlId::ConnectButton);
        // The link goes before the attempt: its port can no longer be opened or offered.
        RegisterCom5(false);
        std::filesystem::remove(prefix.Path() / "devices" / "com5");
        std::filesystem::create_directory_symlink(prefix.Path(),
                                                  prefix.Path() / "devices" / "com5");
        Tick();
        MainDialogTestHelper::WaitForAttempt(*dialog);
        Tick();
        EXPECT_EQ(Requested(), Idle);
        EXPECT_EQ(Rows(ControlId::PortList),
                  (std::vector<std::wstring>{L"None", L"External (COM1)", L"Bluetooth (COM9)"}));
        EXPECT_EQ(Selection(ControlId::PortList), 0);
        EXPECT_EQ(Setting(L"Connection", L"Status", -9), 0);
        EXPECT_EQ(Setting(L"PortSelection", L"port", -9), -1);
        EXPECT_EQ(Rows(ControlId::BaudRateList).size(), 11u);
        EXPECT_EQ(Rows(ControlId::ParityList).size(), 3u);
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available")
            << "no message box, only the return to idle";
        EXPECT_FALSE(Enabled(ControlId::ConnectButton));
        EXPECT_EQ(LampState(), StatusLamp::LampBlank);
        EXPECT_TRUE(questions.empty());
    });
}

TEST_F(ConnectionStateTest, AFailedAttemptOnAPortStillOfferedRefillsTheListsAsSaved)
{
    std::filesystem::remove(prefix.Path() / "devices" / "com1");
    std::filesystem::create_directory_symlink(prefix.Path(), prefix.Path() / "devices" / "com1");
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"External (COM1)");
        ChooseRow(ControlId::BaudRateList, 8);  // 38400, saved when the attempt starts
        ChooseRow(ControlId::ParityList, 2);
        Click(ControlId::ConnectButton);
        Tick();
        MainDialogTestHelper::WaitForAttempt(*dialog);
        Tick(2);
        EXPECT_EQ(State(), Idle);
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
        EXPECT_EQ(Selection(ControlId::PortList), 1)
            << "the port is still offered and still chosen";
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        EXPECT_TRUE(LineParametersEnabled(true));
        EXPECT_EQ(Rows(ControlId::BaudRateList).size(), 11u);
        EXPECT_EQ(Rows(ControlId::DataBitsList).size(), 2u);
        EXPECT_EQ(Rows(ControlId::StopBitsList).size(), 2u);
        EXPECT_EQ(Rows(ControlId::ParityList).size(), 3u);
        EXPECT_EQ(Selection(ControlId::BaudRateList), 8);
        EXPECT_EQ(Selection(ControlId::ParityList), 2);
    });
}

TEST_F(ConnectionStateTest, AConnectRefusedWhileAnEarlierAttemptRunsReturnsToIdle)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ChoosePort(L"Bluetooth (COM5)");
        HoldOpens();
        // An attempt of the engine's own still opens its ports.
        ASSERT_TRUE(
            MainDialogTestHelper::Engine(*dialog).Connect(L"COM2:", L"COM9:", 4800, 0, 8, 0));
        Click(ControlId::ConnectButton);
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Connecting to");
        EXPECT_EQ(Requested(), Idle) << "the engine refused the second attempt";
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
        EXPECT_TRUE(Enabled(ControlId::ConnectButton));
        ReleaseOpens();
    });
}

// A hung-up port carries nothing: the dialog must not go on saying "Connected to".
class HangUpTest : public ConnectionStateTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HangUpTest, AConnectionThatBreaksGoesBackToIdleAsAfterAFailedAttempt)
{
    RegisterCom5(true);
    Run([&](MainDialog&) {
        Tick();
        ConnectThrough(L"Bluetooth (COM5)");
        (GetParam() ? com5 : receiver).HangUp();
        ASSERT_TRUE(AwaitHangUp());
        Tick();
        EXPECT_EQ(Requested(), Idle);
        Tick();
        EXPECT_EQ(Text(ControlId::StatusLine), L"Available");
        EXPECT_EQ(Text(ControlId::ConnectButton), L"Connect");
        EXPECT_EQ(LampState(), StatusLamp::LampDark);
        EXPECT_FALSE(Relaying());
        EXPECT_EQ(Selection(ControlId::PortList), 2) << "the port is still offered";
        EXPECT_TRUE(Enabled(ControlId::PortList));
    });
}

INSTANTIATE_TEST_SUITE_P(EitherPort, HangUpTest, ::testing::Values(true, false));

}  // namespace
}  // namespace quorvex
