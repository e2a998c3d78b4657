#pragma once

#include <cstddef>
#include <span>

namespace quorvex {

// Bitmap 129, the status lamp's image strip: the 2,560 bytes of a device-independent bitmap
// (a 40-byte BITMAPINFOHEADER, then 14 bottom-up rows of 60 pixels in blue, green, red).
// Frames of 15 x 14 pixels side by side: 0 grey lamp, 1 blue lamp, 2 green lamp, 3 blank.
// The bytes are resources/frame_strip.bmp without its file header, embedded by the build.
std::span<const std::byte> FrameStrip();

}  // namespace quorvex
