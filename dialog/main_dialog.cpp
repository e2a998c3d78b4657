#include "dialog/main_dialog.h"

#include "dialog/template_relayout.h"
#include "platform/framework/application.h"
#include "platform/window/window_system.h"
#include "ports/port_entry.h"
#include "ports/receiver_port_owner.h"
#include "resources/control_ids.h"
#include "resources/dialog_ids.h"
#include "resources/program_resources.h"
#include "resources/string_ids.h"

namespace quorvex {
namespace {

constexpr std::uintptr_t kTickTimer = 1;
constexpr std::uint32_t kTickMs = 500;
constexpr int kLampId = 200;
constexpr std::uint32_t kLowBaudLimit = 4800;
constexpr std::wstring_view kReceiverPort = L"COM2:";
constexpr std::wstring_view kReceiverOwnerValue = L"COM2";
constexpr std::wstring_view kWiredPort = L"COM1:";

}  // namespace

MainDialog::MainDialog(Window* owner)
    : Dialog(ProgramResources(), DialogId::Portrait, owner), catalogue(ProgramResources())
{
}

MainDialog::~MainDialog()
{
    // The window's teardown needs the whole object: it stops the relay before the lamp goes.
    if (IsCreated())
        Destroy();
}

// ---- Set-up -----------------------------------------------------------------------------

bool MainDialog::OnInitDialog()
{
    Dialog::OnInitDialog();  // the shell's full-screen set-up, then BindControls
    SetWindowText(Module().LoadString(StringId::WindowTitle).value_or(L""));
    MakeBoldHeadings();
    CreateLamp();
    engine.SetNotifiers(&lamp, nullptr);
    SetText(connectButton, StringId::Connect);
    LoadSettings();
    lamp.SetState(StatusLamp::LampBlank);
    OnPortSelChange();
    timerId = SetTimer(kTickTimer, kTickMs);
    if (ReadSetting(L"Connection", L"Status", 0) != 0) {
        autoConnect = true;
        OnConnectClicked();
    }
    return true;
}

void MainDialog::BindControls()
{
    BindControl(statusLine, ControlId::StatusLine);
    BindControl(connectButton, ControlId::ConnectButton);
    BindControl(portList, ControlId::PortList);
    BindControl(baudRateLabel, ControlId::BaudRateLabel);
    BindControl(dataBitsLabel, ControlId::DataBitsLabel);
    BindControl(stopBitsLabel, ControlId::StopBitsLabel);
    BindControl(parityLabel, ControlId::ParityLabel);
    BindControl(baudRateList, ControlId::BaudRateList);
    BindControl(dataBitsList, ControlId::DataBitsList);
    BindControl(stopBitsList, ControlId::StopBitsList);
    BindControl(parityList, ControlId::ParityList);
}

void MainDialog::MakeBoldHeadings()
{
    const auto* font = reinterpret_cast<const Font*>(SendMessage(WM_GETFONT));
    LogFont description;
    // Without the dialog's font the headings keep the normal weight.
    if (!font || !font->GetLogFont(description))
        return;
    description.weight = FW_BOLD;
    (void)boldFont.CreateFontIndirect(description);
    for (int id : {ControlId::SettingsHeading, ControlId::ExternalPortHeading})
        if (Window* heading = GetDlgItem(id))
            heading->SetFont(&boldFont, true);
}

void MainDialog::CreateLamp()
{
    const Point at = GetLampRect();
    // The dialog goes on without a lamp when it cannot be made.
    (void)lamp.Create(WS_CHILD, {at.x, at.y, at.x, at.y}, GetDlgItem(ControlId::UpperGroup),
                      kLampId);
    lamp.ShowWindow(SW_SHOW);
    lampCreated = true;
}

Point MainDialog::GetLampRect() const
{
    return StatusLamp::PlaceIn(*this);
}

// ---- Commands ---------------------------------------------------------------------------

bool MainDialog::OnCommand(std::uint16_t id, std::uint16_t code, Window*)
{
    if (id == ControlId::ConnectButton && code == BN_CLICKED) {
        OnConnectClicked();
        return true;
    }
    if (id == ControlId::PortList && code == CBN_SELCHANGE) {
        OnPortSelChange();
        return true;
    }
    return false;
}

void MainDialog::OnConnectClicked()
{
    if (currentState == Connected) {
        connectButton.EnableWindow(false);
        portList.EnableWindow(false);
        EnableLineParameters(false);
        requestedState = Idle;
        return;
    }
    if (currentState != Idle)
        return;
    connectButton.EnableWindow(false);
    if (!StartConnecting())
        connectButton.EnableWindow(true);
}

bool MainDialog::StartConnecting()
{
    // Only the user's own start on the wired port at a low rate is warned about.
    if (!autoConnect && IsWiredPortSelected() && selector.GetBaudRate() <= kLowBaudLimit &&
        !UserAgrees(StringId::LowBaudWarning))
        return false;
    autoConnect = false;
    portList.EnableWindow(false);
    EnableLineParameters(false);
    requestedState = Connecting;
    WriteSetting(L"PortSelection", L"port", selectedPort);
    selector.Save();
    return true;
}

void MainDialog::OnPortSelChange()
{
    selectedPort = portList.GetItemData(portList.GetCurSel());
    connectButton.EnableWindow(MayConnect());
    EnableLineParameters(IsWiredPortSelected());
}

void MainDialog::LoadSettings()
{
    portList.ResetContent();
    catalogue.Build();
    const std::int32_t saved = ReadSetting(L"PortSelection", L"Port", -1);
    const int none = portList.AddString(Module().LoadString(StringId::PortNone).value_or(L""));
    portList.SetItemData(none, -1);
    selector.Attach(baudRateList, dataBitsList, stopBitsList, parityList);
    int restored = -1;
    for (std::size_t i = 0; i < catalogue.GetCount(); ++i) {
        const PortEntry& entry = catalogue.GetEntry(i);
        if (!entry.isPresent)
            continue;
        const int item = portList.AddString(entry.displayText);
        portList.SetItemData(item, static_cast<std::int32_t>(i));
        if (static_cast<std::int32_t>(i) == saved)
            restored = item;
    }
    if (restored != -1) {
        portList.SetCurSel(restored);
        return;
    }
    WriteSetting(L"Connection", L"Status", 0);
    selectedPort = -1;
    WriteSetting(L"PortSelection", L"port", -1);
    portList.SetCurSel(0);
}

void MainDialog::EnableLineParameters(bool enable)
{
    Control* const parameters[] = {&baudRateLabel, &dataBitsLabel, &stopBitsLabel, &parityLabel,
                                   &baudRateList,  &dataBitsList,  &stopBitsList,  &parityList};
    for (Control* control : parameters)
        control->EnableWindow(enable);
}

// ---- The tick ---------------------------------------------------------------------------

void MainDialog::OnTimer(std::uintptr_t)
{
    if (requestedState != currentState) {
        currentState = requestedState;
        EnterState(currentState);
    }
    switch (currentState) {
        case Idle:
            PollOwner();
            break;
        case Connecting:
            PollProgress();
            break;
        case Connected:
            WatchConnection();
            break;
        default:
            break;
    }
}

void MainDialog::EnterState(std::int32_t state)
{
    switch (state) {
        case Idle:
            EnterIdle();
            break;
        case Connecting:
            EnterConnecting();
            break;
        case Connected:
            EnterConnected();
            break;
        default:
            break;
    }
}

void MainDialog::EnterIdle()
{
    engine.Disconnect();
    lamp.SetState(StatusLamp::LampDark);
    SetText(statusLine, StringId::Available);
    SetText(connectButton, StringId::Connect);
    connectButton.EnableWindow(MayConnect());
    portList.EnableWindow(true);
    // Otherwise the line parameters stay disabled, as the connect request left them.
    if (IsWiredPortSelected())
        EnableLineParameters(true);
}

void MainDialog::EnterConnecting()
{
    SetText(statusLine, StringId::ConnectingTo);
    const PortEntry* entry = SelectedEntry();
    const std::uint32_t baudRate = selector.GetBaudRate();
    const std::uint8_t parity = selector.GetParity();
    const std::uint8_t dataBits = selector.GetDataBits();
    const std::uint8_t stopBits = selector.GetStopBits();
    // Refused while an earlier attempt still runs; then the next tick returns to idle.
    if (!entry ||
        !engine.Connect(kReceiverPort, entry->deviceName, baudRate, parity, dataBits, stopBits))
        requestedState = Idle;
}

void MainDialog::EnterConnected()
{
    SetText(statusLine, StringId::ConnectedTo);
    const PortEntry* entry = SelectedEntry();
    lamp.SetState(entry && entry->isBluetooth ? StatusLamp::LampBlue : StatusLamp::LampGreen);
    SetText(connectButton, StringId::Disconnect);
    connectButton.EnableWindow(true);
}

void MainDialog::PollOwner()
{
    const std::wstring owner = GetReceiverPortOwner(std::wstring(kReceiverOwnerValue));
    if (owner != lastOwner) {
        lastOwner = owner;
        if (owner.empty()) {
            SetText(statusLine, StringId::Available);
        } else {
            statusLine.SetWindowText(
                std::wstring(Module().LoadString(StringId::InUseBy).value_or(L"")) + L" " + owner);
        }
        connectButton.EnableWindow(MayConnect());
    }
    lamp.SetState(selectedPort != -1 ? StatusLamp::LampDark : StatusLamp::LampBlank);
}

void MainDialog::PollProgress()
{
    switch (engine.GetStatus()) {
        case RelayEngine::StatusBusy:
            break;
        case RelayEngine::StatusReady:
            requestedState = Connected;
            break;
        case RelayEngine::StatusFailed:
            requestedState = Idle;
            LoadSettings();  // the port may have gone away
            break;
        default:
            requestedState = Idle;
            break;
    }
}

void MainDialog::WatchConnection()
{
    // A port that hung up (a Bluetooth link lost, an adapter pulled out) carries nothing
    // any more: showing "Connected to" would report a failure as success. The dialog goes
    // back to idle as after a failed attempt.
    if (!engine.HasHungUp())
        return;
    requestedState = Idle;
    LoadSettings();
}

// ---- Relayout ---------------------------------------------------------------------------

void MainDialog::OnSize(std::uint32_t, int, int)
{
    if (!Application::IsOrientationRelayoutEnabled())
        return;
    const WindowSystem* system = WindowSystem::Current();
    const int width = system ? system->GetSystemMetrics(SM_CXSCREEN) : 0;
    const int height = system ? system->GetSystemMetrics(SM_CYSCREEN) : 0;
    const std::uint16_t id = height <= width ? DialogId::Landscape : DialogId::Portrait;
    // A template that cannot be applied leaves the controls where they are.
    (void)TemplateRelayout::RelayoutFromTemplate(Module(), *this, id);
    if (lampCreated) {
        const Point at = GetLampRect();
        lamp.SetWindowPos(HWND_TOP, at.x, at.y, 0, 0,
                          SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    lastOwner = L"#";
    if (currentState == Connected) {
        ShowConnected();
    } else {
        SetText(connectButton, StringId::Connect);
    }
}

// ---- Leaving ----------------------------------------------------------------------------

bool MainDialog::ConfirmExit(bool silent)
{
    WriteSetting(L"PortSelection", L"port", portList.GetItemData(portList.GetCurSel()));
    selector.Save();
    WriteSetting(L"Connection", L"Status", 0);
    bool leave = true;
    if (selectedPort != -1 && engine.IsRelaying()) {
        leave = silent || UserAgrees(StringId::ConfirmDisconnectAndExit);
        if (leave) {
            WriteSetting(L"Connection", L"Status", 1);
        } else if (currentState == Connected) {
            ShowConnected();
            connectButton.EnableWindow(true);
        }
        // Otherwise a hang-up took the dialog back to idle while the question was open, and
        // the idle texts that tick wrote stand.
    } else if (selectedPort != -1) {
        leave = silent || UserAgrees(StringId::ConfirmExit);
    }
    if (leave)
        KillTimer(timerId);
    return leave;
}

void MainDialog::OnOK()
{
    if (ConfirmExit(false))
        Dialog::OnOK();
}

void MainDialog::OnClose()
{
    (void)ConfirmExit(true);  // a close request always goes ahead
    Dialog::OnClose();
}

void MainDialog::OnDestroy()
{
    engine.Disconnect();
    engine.SetNotifiers(nullptr, nullptr);
    Dialog::OnDestroy();
}

bool MainDialog::UserAgrees(std::uint16_t question)
{
    Application* application = Application::Instance();
    const std::wstring_view text = Module().LoadString(question).value_or(L"");
    return application && application->DoMessageBox(
                              text, MB_OKCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND) == IDOK;
}

void MainDialog::ShowConnected()
{
    SetText(connectButton, StringId::Disconnect);
    SetText(statusLine, StringId::ConnectedTo);
}

// ---- Helpers ----------------------------------------------------------------------------

const PortEntry* MainDialog::SelectedEntry() const
{
    if (selectedPort < 0 || static_cast<std::size_t>(selectedPort) >= catalogue.GetCount())
        return nullptr;
    return &catalogue.GetEntry(static_cast<std::size_t>(selectedPort));
}

bool MainDialog::IsWiredPortSelected() const
{
    const PortEntry* entry = SelectedEntry();
    return entry && entry->deviceName == kWiredPort;
}

void MainDialog::SetText(Control& control, std::uint16_t stringId)
{
    control.SetWindowText(Module().LoadString(stringId).value_or(L""));
}

std::int32_t MainDialog::ReadSetting(std::wstring_view section, std::wstring_view entry,
                                     std::int32_t defaultValue) const
{
    Application* application = Application::Instance();
    return application ? application->ReadInt(section, entry, defaultValue) : defaultValue;
}

void MainDialog::WriteSetting(std::wstring_view section, std::wstring_view entry,
                              std::int32_t value)
{
    // Nobody looks at whether a setting was stored.
    if (Application* application = Application::Instance())
        (void)application->WriteInt(section, entry, value);
}

}  // namespace quorvex
