#include "tests/dialog/dialog_harness.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/gui/shell.h"
#include "platform/registry/registry_hives_test_helper.h"
#include "platform/serial/serial_device.h"
#include "platform/serial/serial_device_test_helper.h"
#include "platform/system/utf8.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/file_text.h"
#include "tests/support/process_table_stand_in.h"

namespace quorvex::testing {

DialogHarness::DialogHarness(Display* shownOn) : system(shownOn ? *shownOn : display, clock)
{
    // Nobody holds the receiver port but whom a test records in system.reg: the live
    // system's processes and lock files, which other programs change meanwhile, are left out.
    RegistryHivesTestHelper::UseLiveSources(
        {std::make_shared<ProcessTableStandIn>(), prefix.Path() / "lock", {}, nullptr});
    EXPECT_TRUE(receiver.Open());
    EXPECT_TRUE(com1.Open());
    EXPECT_TRUE(com5.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    prefix.LinkDevice("com1", com1.DevicePath());
    prefix.LinkDevice("com5", com5.DevicePath());
    Application::EnableOrientationRelayout();
    WindowSystemTestHelper::SetMessageBoxHook(system, [this](MessageBox& box) {
        questions.push_back(box.Text());
        questionTypes.push_back(box.Type());
        captions.push_back(box.Caption());
        if (whileAsking)
            whileAsking();
        if (answers.empty()) {
            ADD_FAILURE() << "an unexpected question";
            box.Answer(IDCANCEL);
            return;
        }
        const int answer = answers.front();
        answers.pop_front();
        if (answer == kCloseRequest)
            system.Deliver(InputEvent::CloseRequest());
        else
            box.Answer(answer);
    });
}

DialogHarness::~DialogHarness()
{
    RegistryHivesTestHelper::UseLiveSources({});
    ReleaseOpens();
    Application::EnableOrientationRelayout(false);
}

int DialogHarness::Run(const std::function<void(MainDialog&)>& script,
                       const std::function<void()>& afterRun)
{
    MainDialog made;
    dialog = &made;
    bool ran = false;
    WindowSystemTestHelper::SetIdleHook(system, [&] {
        if (ran)
            return false;
        ran = true;
        script(made);
        if (!made.IsEnded())
            made.EndDialog(99);
        return true;
    });
    const int result = made.DoModal();
    if (afterRun)
        afterRun();
    WindowSystemTestHelper::SetIdleHook(system, {});
    dialog = nullptr;
    return result;
}

void DialogHarness::Tick(int count)
{
    for (int i = 0; i < count; ++i) {
        clock.Advance(std::chrono::milliseconds(500));
        system.DispatchPending();
    }
}

void DialogHarness::Click(int id)
{
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<std::uint16_t>(id), BN_CLICKED),
                        reinterpret_cast<LPARAM>(dialog->GetDlgItem(id)));
}

void DialogHarness::Ok()
{
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void DialogHarness::ChoosePort(std::wstring_view text)
{
    const std::vector<std::wstring> rows = Rows(ControlId::PortList);
    const auto found = std::find(rows.begin(), rows.end(), text);
    ASSERT_NE(found, rows.end()) << "no such port offered";
    ChooseRow(ControlId::PortList, static_cast<int>(found - rows.begin()));
}

void DialogHarness::ChooseRow(int listId, int row)
{
    auto* list = static_cast<ComboBoxWindow*>(dialog->GetDlgItem(listId));
    list->OpenByUser();
    list->MoveHighlight(row);
    list->ChooseByUser();
}

std::wstring DialogHarness::Text(int id) const
{
    return dialog->GetDlgItem(id)->GetWindowText();
}

bool DialogHarness::Enabled(int id) const
{
    return dialog->GetDlgItem(id)->IsWindowEnabled();
}

int DialogHarness::Selection(int listId) const
{
    return static_cast<const ComboBoxWindow*>(dialog->GetDlgItem(listId))->GetCurSel();
}

std::vector<std::wstring> DialogHarness::Rows(int listId) const
{
    const auto* list = static_cast<const ComboBoxWindow*>(dialog->GetDlgItem(listId));
    std::vector<std::wstring> rows;
    for (int i = 0; i < list->GetCount(); ++i)
        rows.push_back(list->GetItemText(i));
    return rows;
}

std::int32_t DialogHarness::LampState() const
{
    return MainDialogTestHelper::Lamp(*dialog).GetState();
}

bool DialogHarness::Relaying() const
{
    return MainDialogTestHelper::Engine(*dialog).IsRelaying();
}

std::int32_t DialogHarness::Setting(std::wstring_view section, std::wstring_view entry,
                                    std::int32_t defaultValue)
{
    return app.ReadInt(section, entry, defaultValue);
}

void DialogHarness::Store(std::wstring_view section, std::wstring_view entry, std::int32_t value)
{
    ASSERT_TRUE(app.WriteInt(section, entry, value));
}

std::string DialogHarness::UserHive() const
{
    return ReadFile(prefix.Path() / "user.reg");
}

void DialogHarness::RegisterCom5(bool registered)
{
    com5Registered = registered;
    WriteSystemHive();
}

void DialogHarness::SetOwner(std::wstring_view name)
{
    owner = name;
    WriteSystemHive();
}

void DialogHarness::WriteSystemHive()
{
    std::string text = "Windows Registry Editor Version 5.00\n\n";
    if (com5Registered)
        text +=
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\link0]\n"
            "\"Port\"=\"COM5\"\n\n";
    if (!owner.empty())
        text +=
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\RECEIVER\\Ports]\n\"COM2\"=\"" + ToUtf8(owner) + "\"\n\n";
    // Replaced, not rewritten in place, as another program would.
    const auto hive = prefix.Path() / "system.reg";
    WriteFile(prefix.Path() / "system.reg.new", text);
    std::filesystem::rename(prefix.Path() / "system.reg.new", hive);
}

void DialogHarness::HoldOpens()
{
    holding = true;
    openGate.Reset();
    SerialDeviceTestHelper::SetOpenObserver(
        [this](const std::filesystem::path&) { openGate.Wait(); });
}

void DialogHarness::ReleaseOpens()
{
    openGate.Set();
    if (holding) {
        // Every attempt that was held is over before the observer goes.
        if (dialog)
            MainDialogTestHelper::WaitForAttempt(*dialog);
        SerialDeviceTestHelper::SetOpenObserver({});
        holding = false;
    }
}

void DialogHarness::ConnectThrough(std::wstring_view portText)
{
    ChoosePort(portText);
    Tick();
    Click(ControlId::ConnectButton);
    Tick();
    MainDialogTestHelper::WaitForAttempt(*dialog);
    Tick(2);
    ASSERT_EQ(Text(ControlId::StatusLine), L"Connected to");
}

bool DialogHarness::AwaitHangUp()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!MainDialogTestHelper::Engine(*dialog).HasHungUp()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace quorvex::testing
