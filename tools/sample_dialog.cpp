#include "tools/sample_dialog.h"

#include <string>

#include "dialog/template_relayout.h"
#include "platform/gui/combo_box.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/window_system.h"
#include "resources/control_ids.h"
#include "resources/dialog_ids.h"
#include "resources/program_resources.h"
#include "resources/string_ids.h"

namespace quorvex {
namespace {

constexpr std::uintptr_t kTick = 1;
constexpr std::uint32_t kTickMs = 500;
constexpr int kLampId = 200;

}  // namespace

SampleDialog::SampleDialog(Look look)
    : Dialog(ProgramResources(), DialogId::Portrait), look(std::move(look))
{
}

SampleDialog::~SampleDialog()
{
    if (IsCreated())
        Destroy();
}

bool SampleDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(Module().LoadString(StringId::WindowTitle).value_or(L""));
    // The headings in bold, as the real dialog shows them.
    LogFont description;
    if (GetFont() && GetFont()->GetLogFont(description)) {
        description.weight = FW_BOLD;
        bold.CreateFontIndirect(description);
        for (int id : {ControlId::SettingsHeading, ControlId::ExternalPortHeading})
            if (Window* heading = GetDlgItem(id))
                heading->SetFont(&bold);
    }
    Fill(ControlId::PortList,
         {StringId::PortNone, StringId::PortCom1, StringId::PortCom5, StringId::PortCom6,
          StringId::PortCom9},
         2);
    Fill(ControlId::ParityList, {StringId::ParityNone, StringId::ParityOdd, StringId::ParityEven},
         0);
    FillNumbers(ControlId::BaudRateList,
                {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}, 5);
    FillNumbers(ControlId::DataBitsList, {7, 8}, 1);
    FillNumbers(ControlId::StopBitsList, {1, 2}, 0);
    const Point at = StatusLamp::PlaceIn(*this);
    // The sample shows what it can without a lamp.
    (void)lamp.Create(WS_CHILD, {at.x, at.y, at.x, at.y}, GetDlgItem(ControlId::UpperGroup),
                      kLampId);
    lamp.ShowWindow(SW_SHOW);
    ShowLook();
    SetTimer(kTick, kTickMs);
    return true;
}

void SampleDialog::ShowLook()
{
    SetText(ControlId::StatusLine, look.connected ? StringId::ConnectedTo : StringId::Available);
    SetText(ControlId::ConnectButton, look.connected ? StringId::Disconnect : StringId::Connect);
    if (Window* button = GetDlgItem(ControlId::ConnectButton))
        button->EnableWindow(true);
    // While connected the lists cannot change, and the line settings are the wired port's
    // alone, as in the real dialog.
    const auto* ports = static_cast<const ComboBoxWindow*>(GetDlgItem(ControlId::PortList));
    const bool wired = ports && ports->GetCurSel() == kWiredPort;
    for (int id : {ControlId::PortList, ControlId::BaudRateList, ControlId::DataBitsList,
                   ControlId::StopBitsList, ControlId::ParityList})
        if (Window* list = GetDlgItem(id))
            list->EnableWindow(!look.connected && (id == ControlId::PortList || wired));
    lamp.SetState(look.connected ? StatusLamp::LampBlue : StatusLamp::LampDark);
}

bool SampleDialog::OnCommand(std::uint16_t id, std::uint16_t code, Window*)
{
    if (id != ControlId::PortList || code != CBN_SELCHANGE)
        return false;
    ShowLook();
    return true;
}

void SampleDialog::OnTimer(std::uintptr_t id)
{
    if (id == kTick) {
        ++ticks;
        // Receiver data once a second: the lamp flashes.
        if (look.connected && ticks % 2 == 0)
            lamp.Pulse();
    }
    if (look.onTimer)
        look.onTimer(*this, id, ticks);
}

void SampleDialog::OnSize(std::uint32_t, int, int)
{
    if (!look.turns)
        return;
    const WindowSystem* system = WindowSystem::Current();
    const int width = system ? system->GetSystemMetrics(SM_CXSCREEN) : 0;
    const int height = system ? system->GetSystemMetrics(SM_CYSCREEN) : 0;
    // A template that cannot be applied leaves the controls where they are.
    (void)TemplateRelayout::RelayoutFromTemplate(
        Module(), *this, height <= width ? DialogId::Landscape : DialogId::Portrait);
    if (lamp.IsCreated()) {
        const Point at = StatusLamp::PlaceIn(*this);
        lamp.SetWindowPos(HWND_TOP, at.x, at.y, 0, 0,
                          SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    // The template's empty texts are replaced by the look's.
    SetText(ControlId::StatusLine, look.connected ? StringId::ConnectedTo : StringId::Available);
    SetText(ControlId::ConnectButton, look.connected ? StringId::Disconnect : StringId::Connect);
}

void SampleDialog::SetText(int id, std::uint16_t string)
{
    if (Window* control = GetDlgItem(id))
        control->SetWindowText(Module().LoadString(string).value_or(L""));
}

void SampleDialog::Fill(int id, std::initializer_list<std::uint16_t> strings, int selected)
{
    ComboBox list;
    if (!BindControl(list, id))
        return;
    for (std::uint16_t string : strings)
        list.AddString(Module().LoadString(string).value_or(L""));
    list.SetCurSel(selected);
}

void SampleDialog::FillNumbers(int id, std::initializer_list<int> numbers, int selected)
{
    ComboBox list;
    if (!BindControl(list, id))
        return;
    for (int number : numbers)
        list.AddString(std::to_wstring(number));
    list.SetCurSel(selected);
}

}  // namespace quorvex
