#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialog/main_dialog.h"
#include "platform/framework/application.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/manual_clock.h"
#include "platform/threads/event.h"
#include "platform/window/headless_display.h"
#include "platform/window/window_system.h"
#include "ports/settings_store.h"
#include "resources/control_ids.h"
#include "tests/dialog/main_dialog_test_helper.h"
#include "tests/support/temp_prefix.h"

namespace quorvex::testing {

// The application object of the dialog tests: settings in the test's own prefix.
class DialogTestApp : public Application {
public:
    DialogTestApp()
    {
        SetProfileSettings(&store);
        SetCompanyKey(L"Local AppWizard-Generated Applications");
    }
    ~DialogTestApp() override { SetProfileSettings(nullptr); }

protected:
    bool StartUp() override { return false; }

private:
    SettingsStore store;
};

// Runs the real MainDialog on a headless screen and a manual clock, with pseudo-terminals
// behind "COM2:" (the receiver), "COM1:" and "COM5:", and scripts what happens to it.
class DialogHarness : public ::testing::Test {
protected:
    // An answer to a message box that is a close request instead of a button.
    static constexpr int kCloseRequest = -1;

    // On a headless screen of 480 x 640 pixels, or on `shownOn`, which outlives the harness.
    explicit DialogHarness(Display* shownOn = nullptr);
    ~DialogHarness() override;

    // Makes a MainDialog and runs it modally; `script` runs once it is set up and idle.
    // A dialog that the script leaves running is ended with 99. `afterRun` runs once the
    // window is gone and before the object is. Returns DoModal's result.
    int Run(const std::function<void(MainDialog&)>& script,
            const std::function<void()>& afterRun = {});

    // Moves the clock by one tick period (500 ms) and dispatches what is due, `count` times.
    void Tick(int count = 1);
    void Click(int id);
    void Ok();
    // The user opens the output-port list and chooses the row with this text.
    void ChoosePort(std::wstring_view text);
    // The user chooses row `row` of a line-parameter list.
    void ChooseRow(int listId, int row);

    std::wstring Text(int id) const;
    bool Enabled(int id) const;
    int Selection(int listId) const;
    std::vector<std::wstring> Rows(int listId) const;
    std::int32_t State() const { return MainDialogTestHelper::CurrentState(*dialog); }
    std::int32_t Requested() const { return MainDialogTestHelper::RequestedState(*dialog); }
    std::int32_t LampState() const;
    bool Relaying() const;

    std::int32_t Setting(std::wstring_view section, std::wstring_view entry,
                         std::int32_t defaultValue);
    void Store(std::wstring_view section, std::wstring_view entry, std::int32_t value);
    std::string UserHive() const;

    // The machine's records: whether COM5 is a registered Bluetooth port, and who holds COM2.
    void RegisterCom5(bool registered);
    void SetOwner(std::wstring_view owner);

    // While held, every device opening waits (on the opening thread) until released.
    void HoldOpens();
    void ReleaseOpens();

    // Connects through the port with this text and ticks until "Connected to" shows.
    void ConnectThrough(std::wstring_view portText);
    // Waits until the engine has seen a port hang up (its reader thread notices by itself,
    // nothing signals it); false after 20 s.
    bool AwaitHangUp();

    TempPrefix prefix;
    PseudoTerminal receiver;
    PseudoTerminal com1;
    PseudoTerminal com5;
    DialogTestApp app;
    HeadlessDisplay display{{480, 640}, {8, 16}};
    ManualClock clock;
    WindowSystem system{display, clock};
    MainDialog* dialog = nullptr;

    // Message boxes shown (their texts, types and captions) and the answers to give, in order.
    std::vector<std::wstring> questions;
    std::vector<std::uint32_t> questionTypes;
    std::vector<std::wstring> captions;
    std::deque<int> answers;
    // Runs while a box is open, before it is answered.
    std::function<void()> whileAsking;

private:
    void WriteSystemHive();

    bool com5Registered = false;
    std::wstring owner;
    Event openGate{Event::ResetMode::Manual};
    bool holding = false;
};

}  // namespace quorvex::testing
