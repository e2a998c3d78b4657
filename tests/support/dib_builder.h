#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/system/little_endian.h"

namespace quorvex::testing {

// A 24-bit device-independent bitmap (the 40-byte header, then the rows, each padded to a
// multiple of four bytes), every pixel from `colour(x, y)` as 0xRRGGBB with y counted from
// the top. Stored bottom-up, as the program's own image is, unless `bottomUp` is false.
template <typename Colour>
std::vector<std::byte> MakeDib(int width, int height, Colour colour, bool bottomUp = true)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::byte> bytes(40 + stride * static_cast<std::size_t>(height));
    LittleEndian::Put32(&bytes[0], 40);
    LittleEndian::Put32(&bytes[4], static_cast<std::uint32_t>(width));
    LittleEndian::Put32(&bytes[8], static_cast<std::uint32_t>(bottomUp ? height : -height));
    LittleEndian::Put16(&bytes[12], 1);   // planes
    LittleEndian::Put16(&bytes[14], 24);  // bits per pixel; then 0: uncompressed
    LittleEndian::Put32(&bytes[20], static_cast<std::uint32_t>(stride * height));
    for (int y = 0; y < height; ++y) {
        const int row = bottomUp ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = colour(x, y);
            const std::size_t at =
                40 + stride * static_cast<std::size_t>(row) + static_cast<std::size_t>(x) * 3;
            bytes[at] = static_cast<std::byte>(rgb & 0xFF);
            bytes[at + 1] = static_cast<std::byte>((rgb >> 8) & 0xFF);
            bytes[at + 2] = static_cast<std::byte>((rgb >> 16) & 0xFF);
        }
    }
    return bytes;
}

}  // namespace quorvex::testing
