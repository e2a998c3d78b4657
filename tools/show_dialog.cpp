// quorvex-show-dialog: opens the main dialog (template 102) from the program's own resources
// in the terminal, with sample entries in its lists, and does nothing else: a way to look at
// the terminal front end and try its keys and mouse. The caption's OK or a close request
// ends it.

#include <array>
#include <string>

#include "platform/framework/application.h"
#include "platform/gui/combo_box.h"
#include "platform/gui/dialog.h"
#include "platform/window/font.h"
#include "resources/control_ids.h"
#include "resources/dialog_ids.h"
#include "resources/program_resources.h"
#include "resources/string_ids.h"

namespace quorvex {
namespace {

class SampleDialog : public Dialog {
public:
    SampleDialog() : Dialog(ProgramResources(), DialogId::Portrait) {}

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        // The headings in bold, as the real dialog shows them.
        LogFont description;
        if (GetFont() && GetFont()->GetLogFont(description)) {
            description.weight = FW_BOLD;
            bold.CreateFontIndirect(description);
            for (int id : {ControlId::SettingsHeading, ControlId::ExternalPortHeading})
                if (Window* heading = GetDlgItem(id))
                    heading->SetFont(&bold);
        }
        Fill(ControlId::PortList, {StringId::PortNone, StringId::PortCom1, StringId::PortCom5,
                                   StringId::PortCom6, StringId::PortCom9});
        Fill(ControlId::ParityList,
             {StringId::ParityNone, StringId::ParityOdd, StringId::ParityEven});
        FillNumbers(ControlId::BaudRateList,
                    {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}, 5);
        FillNumbers(ControlId::DataBitsList, {7, 8}, 1);
        FillNumbers(ControlId::StopBitsList, {1, 2}, 0);
        if (Window* button = GetDlgItem(ControlId::ConnectButton)) {
            button->SetWindowText(Module().LoadString(StringId::Connect).value_or(L""));
            button->EnableWindow(true);
        }
        return true;
    }

private:
    void Fill(int id, std::initializer_list<std::uint16_t> strings)
    {
        ComboBox list;
        if (!BindControl(list, id))
            return;
        for (std::uint16_t string : strings)
            list.AddString(Module().LoadString(string).value_or(L""));
        list.SetCurSel(0);
    }

    void FillNumbers(int id, std::initializer_list<int> numbers, int selected)
    {
        ComboBox list;
        if (!BindControl(list, id))
            return;
        for (int number : numbers)
            list.AddString(std::to_wstring(number));
        list.SetCurSel(selected);
    }

    Font bold;
};

class ShowDialogApplication : public Application {
protected:
    bool StartUp() override
    {
        SampleDialog dialog;
        SetMainWindow(&dialog);
        return dialog.DoModal() != -1;
    }
};

ShowDialogApplication application;

}  // namespace
}  // namespace quorvex
