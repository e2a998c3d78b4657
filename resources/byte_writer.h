#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/system/little_endian.h"

namespace quorvex {

// Writes the little-endian binary layouts of the platform's resources at compile time.
// A writer built without a buffer only counts, so that one routine first measures a
// resource and then fills an array of exactly that size (see BuildResource). The writer
// refers to the caller's buffer and owns nothing.
class ByteWriter {
public:
    // Counts the bytes that would be written, without storing them.
    constexpr ByteWriter() = default;

    // Stores into `out`, which the caller has sized by a counting pass.
    constexpr explicit ByteWriter(std::byte* out) : out(out) {}

    constexpr std::size_t Position() const { return position; }

    constexpr void Put16(std::uint16_t value)
    {
        if (out != nullptr)
            LittleEndian::Put16(out + position, value);
        position += 2;
    }

    constexpr void Put32(std::uint32_t value)
    {
        if (out != nullptr)
            LittleEndian::Put32(out + position, value);
        position += 4;
    }

    // Text as UTF-16 code units, then a NUL unit. The program's texts are in the
    // Basic Multilingual Plane, so one wide character is one unit.
    constexpr void PutText(std::wstring_view text)
    {
        for (wchar_t c : text)
            Put16(static_cast<std::uint16_t>(c));
        Put16(0);
    }

    // Zero bytes up to the next multiple of four, counted from the resource's start.
    constexpr void Align4()
    {
        while (position % 4 != 0) {
            if (out != nullptr)
                out[position] = std::byte{0};
            ++position;
        }
    }

    // Overwrites a 16-bit value written earlier, for lengths known only once the part
    // they measure has been written.
    constexpr void Patch16(std::size_t at, std::uint16_t value)
    {
        if (out != nullptr)
            LittleEndian::Put16(out + at, value);
    }

private:
    std::byte* out = nullptr;
    std::size_t position = 0;
};

// The size of what `write` (a callable taking ByteWriter&) writes.
template <typename Write>
constexpr std::size_t MeasureResource(Write write)
{
    ByteWriter counter;
    write(counter);
    return counter.Position();
}

// The bytes that `write` writes, in an array of the size MeasureResource gave. Used in
// constant expressions, a write past the end does not compile.
template <std::size_t Size, typename Write>
constexpr std::array<std::byte, Size> BuildResource(Write write)
{
    std::array<std::byte, Size> bytes{};
    ByteWriter writer(bytes.data());
    write(writer);
    return bytes;
}

}  // namespace quorvex
