#pragma once

#include <cstdint>

namespace quorvex {

namespace BitmapId {
// The lamp's four 15 x 14 frames side by side: grey lamp, blue lamp, green lamp, blank.
inline constexpr std::uint16_t FrameStrip = 129;
}  // namespace BitmapId

}  // namespace quorvex
