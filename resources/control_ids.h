#pragma once

#include <cstdint>

namespace quorvex {

// The main dialog's controls, by the ids both templates give them.
namespace ControlId {
inline constexpr std::uint16_t BaudRateList = 1000;
inline constexpr std::uint16_t DataBitsList = 1001;
inline constexpr std::uint16_t StopBitsList = 1002;
inline constexpr std::uint16_t ParityList = 1003;
inline constexpr std::uint16_t StatusLine = 1004;
inline constexpr std::uint16_t PortList = 1005;
inline constexpr std::uint16_t ConnectButton = 1006;
inline constexpr std::uint16_t Placeholder = 1007;  // where the lamp goes; never shown
inline constexpr std::uint16_t UpperGroup = 1008;   // frame of the first half; the lamp's parent
inline constexpr std::uint16_t BaudRateLabel = 1009;
inline constexpr std::uint16_t DataBitsLabel = 1010;
inline constexpr std::uint16_t StopBitsLabel = 1011;
inline constexpr std::uint16_t ParityLabel = 1012;
inline constexpr std::uint16_t SettingsHeading = 1013;
inline constexpr std::uint16_t ExternalPortHeading = 1014;
inline constexpr std::uint16_t LowerGroup = 1015;  // frame of the second half
inline constexpr std::uint16_t PortLabel = 1016;
}  // namespace ControlId

}  // namespace quorvex
