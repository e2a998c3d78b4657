#include "ports/port_parameter_selector.h"

#include <array>
#include <string>
#include <string_view>

#include "platform/framework/application.h"
#include "platform/gui/combo_box.h"
#include "resources/program_resources.h"
#include "resources/string_ids.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kSection = L"PortParameters";

constexpr std::array<std::uint32_t, 11> kBaudRates{110,  300,   600,   1200,  2400,  4800,
                                                   9600, 19200, 38400, 57600, 115200};
constexpr std::array<std::uint32_t, 2> kDataBits{7, 8};

// Stop bits: text, and the serial line's code for it. One and a half (code 1) is not offered.
struct CodedRow {
    std::uint16_t text;  // a number shown, or a string id
    std::uint32_t code;
};
constexpr std::array<CodedRow, 2> kStopBits{{{1, 0}, {2, 2}}};
constexpr std::array<CodedRow, 3> kParity{
    {{StringId::ParityNone, 0}, {StringId::ParityOdd, 1}, {StringId::ParityEven, 2}}};

std::int32_t ReadPosition(std::wstring_view entry, std::int32_t defaultPosition)
{
    Application* application = Application::Instance();
    return application ? application->ReadInt(kSection, entry, defaultPosition) : defaultPosition;
}

void WritePosition(std::wstring_view entry, const ComboBox* list)
{
    // Nobody looks at whether a setting was stored.
    if (Application* application = Application::Instance())
        (void)application->WriteInt(kSection, entry, list ? list->GetCurSel() : -1);
}

void AddRow(ComboBox& list, std::wstring_view text, std::uint32_t value)
{
    const int index = list.AddString(text);
    list.SetItemData(index, static_cast<std::int32_t>(value));
}

std::wstring Number(std::uint32_t value)
{
    return std::to_wstring(value);
}

}  // namespace

void PortParameterSelector::Attach(ComboBox& baudRateList, ComboBox& dataBitsList,
                                   ComboBox& stopBitsList, ComboBox& parityList)
{
    baudRate = &baudRateList;
    dataBits = &dataBitsList;
    stopBits = &stopBitsList;
    parity = &parityList;
    for (ComboBox* list : {baudRate, dataBits, stopBits, parity})
        list->ResetContent();

    for (std::uint32_t rate : kBaudRates)
        AddRow(*baudRate, Number(rate), rate);
    baudRate->SetCurSel(ReadPosition(L"Baud", 5));

    for (std::uint32_t bits : kDataBits)
        AddRow(*dataBits, Number(bits), bits);
    dataBits->SetCurSel(ReadPosition(L"DataBits", 1));

    for (const CodedRow& row : kStopBits)
        AddRow(*stopBits, Number(row.text), row.code);
    stopBits->SetCurSel(ReadPosition(L"StopBits", 0));

    for (const CodedRow& row : kParity)
        AddRow(*parity, ProgramResources().LoadString(row.text).value_or(L""), row.code);
    parity->SetCurSel(ReadPosition(L"Parity", 0));
}

void PortParameterSelector::Save()
{
    WritePosition(L"Baud", baudRate);
    WritePosition(L"DataBits", dataBits);
    WritePosition(L"StopBits", stopBits);
    WritePosition(L"Parity", parity);
}

std::uint32_t PortParameterSelector::SelectedValue(const ComboBox* list)
{
    // Without a selection the list answers -1 for the item's value, which is kept as the
    // caller's "nothing chosen": 0xFFFFFFFF, or 255 in eight bits.
    const int selection = list ? list->GetCurSel() : -1;
    const std::int32_t value = list ? list->GetItemData(selection) : -1;
    return static_cast<std::uint32_t>(value);
}

std::uint32_t PortParameterSelector::GetBaudRate() const
{
    return SelectedValue(baudRate);
}

std::uint8_t PortParameterSelector::GetDataBits() const
{
    return static_cast<std::uint8_t>(SelectedValue(dataBits) & 0xFF);
}

std::uint8_t PortParameterSelector::GetStopBits() const
{
    return static_cast<std::uint8_t>(SelectedValue(stopBits) & 0xFF);
}

std::uint8_t PortParameterSelector::GetParity() const
{
    return static_cast<std::uint8_t>(SelectedValue(parity) & 0xFF);
}

}  // namespace quorvex
