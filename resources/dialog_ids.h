#pragma once

#include <cstdint>

namespace quorvex {

// The main dialog's two templates: the same controls, placed for either screen shape.
namespace DialogId {
inline constexpr std::uint16_t Portrait = 102;   // 160 x 166 dialog units
inline constexpr std::uint16_t Landscape = 103;  // 213 x 118 dialog units
}  // namespace DialogId

}  // namespace quorvex
