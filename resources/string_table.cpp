#include "resources/string_table.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "resources/string_ids.h"

namespace quorvex {
namespace {

// A literal with its NUL: the view's size counts it.
template <std::size_t Size>
constexpr std::wstring_view Stored(const wchar_t (&text)[Size])
{
    return {text, Size};
}

constexpr std::array<StringEntry, 18> kStrings{{
    {StringId::PortNone, Stored(L"None")},
    {StringId::ConnectedTo, Stored(L"Connected to")},
    {StringId::Disconnect, Stored(L"Disconnect")},
    {StringId::ConnectingTo, Stored(L"Connecting to")},
    {StringId::Available, Stored(L"Available")},
    {StringId::Connect, Stored(L"Connect")},
    {StringId::InUseBy, Stored(L"In use by")},
    {StringId::ConfirmDisconnectAndExit,
     Stored(L"Are you sure that you want to disconnect and exit Quorvex?")},
    {StringId::ConfirmExit, Stored(L"Are you sure that you want to exit Quorvex?")},
    {StringId::ParityOdd, Stored(L"Odd")},
    {StringId::ParityEven, Stored(L"Even")},
    {StringId::WindowTitle, Stored(L"Quorvex")},
    {StringId::PortCom1, Stored(L"External (COM1)")},
    {StringId::PortCom5, Stored(L"Bluetooth (COM5)")},
    {StringId::PortCom6, Stored(L"Bluetooth (COM6)")},
    {StringId::PortCom9, Stored(L"Bluetooth (COM9)")},
    {StringId::ParityNone, Stored(L"None")},
    {StringId::LowBaudWarning,
     Stored(L"NMEA sentences may be delayed or discarded if a baud rate of 4800 or lower is "
            L"selected. To avoid problems, turn off NMEA messages that are not required, or "
            L"select a higher baud rate.")},
}};

}  // namespace

std::span<const StringEntry> ProgramStrings()
{
    return kStrings;
}

}  // namespace quorvex
