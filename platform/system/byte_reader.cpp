#include "platform/system/byte_reader.h"

#include "platform/system/little_endian.h"

namespace quorvex {

std::uint8_t ByteReader::U8()
{
    if (!Need(1))
        return 0;
    return std::to_integer<std::uint8_t>(bytes[at++]);
}

std::uint16_t ByteReader::U16()
{
    if (!Need(2))
        return 0;
    const std::uint16_t value = LittleEndian::Get16(bytes.data() + at);
    at += 2;
    return value;
}

std::uint32_t ByteReader::U32()
{
    if (!Need(4))
        return 0;
    const std::uint32_t value = LittleEndian::Get32(bytes.data() + at);
    at += 4;
    return value;
}

std::span<const std::byte> ByteReader::Take(std::size_t count)
{
    if (!Need(count))
        return {};
    const auto taken = bytes.subspan(at, count);
    at += count;
    return taken;
}

void ByteReader::Seek(std::size_t position)
{
    if (position > bytes.size())
        ok = false;
    else if (ok)
        at = position;
}

void ByteReader::Align4()
{
    Seek((at + 3) & ~std::size_t{3});
}

bool ByteReader::Need(std::size_t count)
{
    if (!ok || bytes.size() - at < count)
        ok = false;
    return ok;
}

}  // namespace quorvex
