#pragma once

#include <cstdint>

namespace quorvex {

// The program's strings. Every text shown is loaded by one of these ids when it is shown.
namespace StringId {
inline constexpr std::uint16_t PortNone = 130;  // first item of the output-port list
inline constexpr std::uint16_t ConnectedTo = 131;
inline constexpr std::uint16_t Disconnect = 132;
inline constexpr std::uint16_t ConnectingTo = 133;
inline constexpr std::uint16_t Available = 134;
inline constexpr std::uint16_t Connect = 135;
inline constexpr std::uint16_t InUseBy = 136;  // followed by a space and the holder's name
inline constexpr std::uint16_t ConfirmDisconnectAndExit = 137;
inline constexpr std::uint16_t ConfirmExit = 138;
inline constexpr std::uint16_t ParityOdd = 139;
inline constexpr std::uint16_t ParityEven = 140;
inline constexpr std::uint16_t WindowTitle = 141;
inline constexpr std::uint16_t PortCom1 = 142;
inline constexpr std::uint16_t PortCom5 = 143;
inline constexpr std::uint16_t PortCom6 = 144;
inline constexpr std::uint16_t PortCom9 = 145;
inline constexpr std::uint16_t ParityNone = 146;  // same text as PortNone, a separate entry
inline constexpr std::uint16_t LowBaudWarning = 147;
}  // namespace StringId

}  // namespace quorvex
