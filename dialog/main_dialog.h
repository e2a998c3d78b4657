#pragma once

#include <cstdint>
#include <string>

#include "dialog/status_lamp.h"
#include "platform/gui/combo_box.h"
#include "platform/gui/dialog.h"
#include "platform/gui/push_button.h"
#include "platform/gui/static_text.h"
#include "platform/window/font.h"
#include "ports/port_catalogue.h"
#include "ports/port_parameter_selector.h"
#include "relay/relay_engine.h"

namespace quorvex {

class PortEntry;

// The program's one window: a modal dialog made from template 102 that bridges the
// receiver port "COM2:" to the output port the user chooses.
//
// Handlers only record the wanted connection state; the 500 ms tick (timer 1) makes it
// current, runs its entry action and follows the relay engine while it opens the ports.
// While idle the tick shows who holds the receiver port. Leaving by OK saves the settings
// and asks when a port is chosen; a close request saves them and leaves without asking;
// the cancel command leaves at once and writes nothing. When the window goes, the relay
// stops before the lamp is torn down. Every WM_SIZE moves the controls to the template
// that fits the screen (103 when it is at least as wide as high, else 102).
//
// Settings are reached through the application object. Everything runs on the dialog's
// thread; the engine's connect worker and relay thread, and the lamp's blink thread, only
// meet it through the engine's status and the lamp's pulses.
class MainDialog : public Dialog {
public:
    enum ConnectionState : std::int32_t { Idle = 0, Connecting = 1, Connected = 2 };

    explicit MainDialog(Window* owner = nullptr);
    ~MainDialog() override;

protected:
    bool OnInitDialog() override;
    void DoDataExchange() override { BindControls(); }
    bool OnCommand(std::uint16_t id, std::uint16_t code, Window* control) override;
    void OnTimer(std::uintptr_t id) override;
    void OnSize(std::uint32_t kind, int cx, int cy) override;
    void OnOK() override;
    void OnClose() override;
    void OnDestroy() override;

private:
    friend class MainDialogTestHelper;

    // The connection state machine.
    void OnConnectClicked();
    void OnPortSelChange();
    void LoadSettings();
    void EnableLineParameters(bool enable);
    void EnterState(std::int32_t state);
    void EnterIdle();
    void EnterConnecting();
    void EnterConnected();
    void PollOwner();
    void PollProgress();
    void WatchConnection();
    bool StartConnecting();

    // Set-up and leaving.
    void BindControls();
    void MakeBoldHeadings();
    void CreateLamp();
    Point GetLampRect() const;
    bool ConfirmExit(bool silent);
    bool UserAgrees(std::uint16_t question);
    void ShowConnected();

    const PortEntry* SelectedEntry() const;
    bool IsWiredPortSelected() const;
    bool MayConnect() const { return lastOwner.empty() && selectedPort != -1; }
    void SetText(Control& control, std::uint16_t stringId);
    std::int32_t ReadSetting(std::wstring_view section, std::wstring_view entry,
                             std::int32_t defaultValue) const;
    void WriteSetting(std::wstring_view section, std::wstring_view entry, std::int32_t value);

    Font boldFont;
    RelayEngine engine;
    StatusLamp lamp;
    bool lampCreated = false;
    std::wstring lastOwner = L"#";
    PortCatalogue catalogue;
    std::int32_t currentState = Idle;
    std::int32_t requestedState = Idle;
    PortParameterSelector selector;
    std::uintptr_t timerId = 0;
    std::int32_t selectedPort = -1;
    bool autoConnect = false;

    StaticText statusLine;
    PushButton connectButton;
    ComboBox portList;
    StaticText baudRateLabel;
    StaticText dataBitsLabel;
    StaticText stopBitsLabel;
    StaticText parityLabel;
    ComboBox baudRateList;
    ComboBox dataBitsList;
    ComboBox stopBitsList;
    ComboBox parityList;
};

}  // namespace quorvex
