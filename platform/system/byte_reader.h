#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvex {

// Reads little-endian values one after another from bytes that the caller owns and keeps
// alive. A read that would pass the end yields zeros and fails the reader for good, so a
// parser reads a whole record and asks Ok() once, and a damaged record never reads stray
// memory. One thread at a time.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) : bytes(bytes) {}

    bool Ok() const { return ok; }
    std::size_t Position() const { return at; }

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

    // The next `count` bytes, in place; empty once the reader has failed.
    std::span<const std::byte> Take(std::size_t count);

    // Moves to `position`, counted from the first byte; fails when that lies past the end.
    void Seek(std::size_t position);

    // Moves to the next multiple of four, counted from the first byte. Fails when that
    // lies past the end: the record that padding would lead to is missing.
    void Align4();

private:
    bool Need(std::size_t count);

    std::span<const std::byte> bytes;
    std::size_t at = 0;
    bool ok = true;
};

}  // namespace quorvex
