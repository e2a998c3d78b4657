#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quorvex::testing {

// Reads little-endian values from a resource, independently of the code that wrote them.
// Reading past the end sets `overrun` and yields zeros, so a short resource fails a test
// instead of reading stray memory.
class LeReader {
public:
    explicit LeReader(std::span<const std::byte> bytes) : bytes(bytes) {}

    std::size_t position = 0;
    bool overrun = false;

    std::uint8_t U8()
    {
        if (position >= bytes.size()) {
            overrun = true;
            return 0;
        }
        return std::to_integer<std::uint8_t>(bytes[position++]);
    }

    std::uint16_t U16()
    {
        const std::uint16_t low = U8();
        return static_cast<std::uint16_t>(low | U8() << 8);
    }

    std::uint32_t U32()
    {
        const std::uint32_t low = U16();
        return low | static_cast<std::uint32_t>(U16()) << 16;
    }

    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

    // A NUL-terminated UTF-16LE text, without its NUL.
    std::wstring Text()
    {
        std::wstring text;
        for (std::uint16_t unit = U16(); unit != 0 && !overrun; unit = U16())
            text += static_cast<wchar_t>(unit);
        return text;
    }

    void Align4()
    {
        while (position % 4 != 0)
            U8();
    }

private:
    std::span<const std::byte> bytes;
};

}  // namespace quorvex::testing
