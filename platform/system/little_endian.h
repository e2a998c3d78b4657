#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvex {

// Values stored least significant byte first, as the platform's binary resources and
// bitmaps keep them, whatever the byte order of the machine. Constant expressions, so that
// resources built at compile time are written by the same code that reads them back. The
// caller makes sure that the two or four bytes at `at` are there.
class LittleEndian {
public:
    static constexpr std::uint16_t Get16(const std::byte* at)
    {
        return static_cast<std::uint16_t>(std::to_integer<unsigned>(at[0]) |
                                          std::to_integer<unsigned>(at[1]) << 8);
    }

    static constexpr std::uint32_t Get32(const std::byte* at)
    {
        return Get16(at) | static_cast<std::uint32_t>(Get16(at + 2)) << 16;
    }

    static constexpr void Put16(std::byte* at, std::uint16_t value)
    {
        at[0] = static_cast<std::byte>(value & 0xFF);
        at[1] = static_cast<std::byte>(value >> 8);
    }

    static constexpr void Put32(std::byte* at, std::uint32_t value)
    {
        Put16(at, static_cast<std::uint16_t>(value & 0xFFFF));
        Put16(at + 2, static_cast<std::uint16_t>(value >> 16));
    }
};

}  // namespace quorvex
