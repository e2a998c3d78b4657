#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace quorvex {

// The main dialog's two templates, 102 for a portrait screen and 103 for a landscape one.
// Both hold the same seventeen controls in the same order with the same ids, styles and
// texts; only positions and sizes differ. The relayout on rotation relies on that.

// Header values both templates share: WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT, and
// WS_EX_CAPTIONOKBTN (an OK button in the caption) | WS_EX_APPWINDOW.
inline constexpr std::uint32_t kMainDialogStyle = 0x90C00040;
inline constexpr std::uint32_t kMainDialogExStyle = 0x80040000;
inline constexpr std::wstring_view kMainDialogTitle = L"Quorvex";
inline constexpr std::uint16_t kMainDialogPointSize = 8;
inline constexpr std::wstring_view kMainDialogTypeface = L"MS Sans Serif";
inline constexpr DialogRect kPortraitDialogRect{0, 0, 160, 166};
inline constexpr DialogRect kLandscapeDialogRect{0, 0, 213, 118};

// The kinds of control, by style. Every one is WS_CHILD; all but the placeholder WS_VISIBLE.
namespace ControlStyle {
inline constexpr std::uint32_t Label = 0x50020000;        // WS_GROUP | SS_LEFT
inline constexpr std::uint32_t LabelNoWrap = 0x5002000C;  // WS_GROUP | SS_LEFTNOWORDWRAP
inline constexpr std::uint32_t HiddenLabel = 0x40020000;  // WS_GROUP | SS_LEFT, not visible
// WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST; the height is that of the opened list.
inline constexpr std::uint32_t DropDownList = 0x50210003;
inline constexpr std::uint32_t FlatButton = 0x58018000;  // WS_DISABLED | WS_TABSTOP | BS_FLAT
inline constexpr std::uint32_t GroupBox = 0x50000007;    // BS_GROUPBOX, a frame without text
}  // namespace ControlStyle

struct MainDialogControl {
    std::uint16_t id;
    std::uint16_t classOrdinal;
    std::uint32_t style;
    std::wstring_view text;
    DialogRect portrait;   // in template 102
    DialogRect landscape;  // in template 103
};

// In template order, which is also the tab and stacking order. No control has extended
// styles or creation data.
inline constexpr std::array<MainDialogControl, 17> kMainDialogControls{{
    // id, class, style, text
    //     position and size in 102 (portrait), in 103 (landscape)
    {ControlId::SettingsHeading,
     DialogClass::Static,
     ControlStyle::Label,
     L"Quorvex settings:",
     {9, 10, 141, 11},
     {7, 9, 92, 22}},
    {ControlId::PortLabel,
     DialogClass::Static,
     ControlStyle::Label,
     L"NMEA out:",
     {20, 22, 44, 11},
     {11, 38, 87, 11}},
    {ControlId::StatusLine,
     DialogClass::Static,
     ControlStyle::LabelNoWrap,
     L"",
     {65, 22, 88, 11},
     {11, 48, 87, 11}},
    {ControlId::PortList,
     DialogClass::ComboBox,
     ControlStyle::DropDownList,
     L"",
     {65, 33, 76, 75},
     {11, 63, 71, 75}},
    {ControlId::Placeholder,
     DialogClass::Static,
     ControlStyle::HiddenLabel,
     L"",
     {145, 35, 10, 12},
     {86, 65, 10, 12}},
    {ControlId::ConnectButton,
     DialogClass::Button,
     ControlStyle::FlatButton,
     L"",
     {30, 53, 99, 20},
     {11, 83, 83, 20}},
    {ControlId::ExternalPortHeading,
     DialogClass::Static,
     ControlStyle::Label,
     L"External port settings:",
     {9, 92, 142, 11},
     {111, 9, 91, 22}},
    {ControlId::BaudRateLabel,
     DialogClass::Static,
     ControlStyle::Label,
     L"Baud rate:",
     {20, 107, 43, 9},
     {111, 38, 54, 9}},
    {ControlId::BaudRateList,
     DialogClass::ComboBox,
     ControlStyle::DropDownList,
     L"",
     {65, 106, 76, 62},
     {170, 36, 34, 62}},
    {ControlId::DataBitsLabel,
     DialogClass::Static,
     ControlStyle::Label,
     L"Data bits:",
     {20, 120, 43, 9},
     {111, 56, 54, 9}},
    {ControlId::DataBitsList,
     DialogClass::ComboBox,
     ControlStyle::DropDownList,
     L"",
     {65, 119, 76, 62},
     {170, 54, 34, 62}},
    {ControlId::StopBitsLabel,
     DialogClass::Static,
     ControlStyle::Label,
     L"Stop bits:",
     {20, 134, 43, 9},
     {111, 74, 54, 9}},
    {ControlId::StopBitsList,
     DialogClass::ComboBox,
     ControlStyle::DropDownList,
     L"",
     {65, 132, 76, 62},
     {170, 72, 34, 62}},
    {ControlId::ParityLabel,
     DialogClass::Static,
     ControlStyle::Label,
     L"Parity:",
     {20, 147, 43, 9},
     {111, 92, 54, 9}},
    {ControlId::ParityList,
     DialogClass::ComboBox,
     ControlStyle::DropDownList,
     L"",
     {65, 145, 76, 62},
     {170, 90, 34, 62}},
    {ControlId::UpperGroup,
     DialogClass::Button,
     ControlStyle::GroupBox,
     L"",
     {4, 1, 152, 82},
     {3, 0, 100, 113}},
    {ControlId::LowerGroup,
     DialogClass::Button,
     ControlStyle::GroupBox,
     L"",
     {4, 83, 152, 79},
     {106, 0, 104, 113}},
}};

// The bytes of templates 102 and 103, in the platform's binary format, 4-byte aligned.
std::span<const std::byte> PortraitTemplate();
std::span<const std::byte> LandscapeTemplate();

}  // namespace quorvex
