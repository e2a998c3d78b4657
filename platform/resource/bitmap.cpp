#include "platform/resource/bitmap.h"

#include "platform/system/little_endian.h"

namespace quorvex {
namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB

std::uint32_t ReadU32(std::span<const std::byte> bytes, std::size_t at)
{
    return LittleEndian::Get32(bytes.data() + at);
}

std::uint16_t ReadU16(std::span<const std::byte> bytes, std::size_t at)
{
    return LittleEndian::Get16(bytes.data() + at);
}

}  // namespace

bool Bitmap::LoadBitmap(const ResourceModule& module, std::uint16_t id)
{
    const auto bytes = module.Find(ResourceType::Bitmap, id);
    if (!bytes) {
        DeleteObject();
        return false;
    }
    return LoadDib(*bytes);
}

bool Bitmap::LoadDib(std::span<const std::byte> bytes)
{
    DeleteObject();
    if (bytes.size() < kHeaderSize || ReadU32(bytes, 0) < kHeaderSize)
        return false;
    const auto headerSize = ReadU32(bytes, 0);
    const auto w = static_cast<std::int32_t>(ReadU32(bytes, 4));
    const auto h = static_cast<std::int32_t>(ReadU32(bytes, 8));
    // Bounded so that the row arithmetic below cannot overflow.
    constexpr std::int32_t kMaxSide = 1 << 14;
    if (ReadU16(bytes, 12) != 1 || ReadU16(bytes, 14) != 24 ||
        ReadU32(bytes, 16) != kUncompressed || w <= 0 || w > kMaxSide || h == 0 || h > kMaxSide ||
        h < -kMaxSide)
        return false;
    const bool bottomUp = h > 0;
    const int rows = bottomUp ? h : -h;
    const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    if (headerSize > bytes.size() || bytes.size() - headerSize < stride * rows)
        return false;
    pixels.resize(static_cast<std::size_t>(w) * rows);
    for (int row = 0; row < rows; ++row) {
        const int y = bottomUp ? rows - 1 - row : row;
        const std::size_t base = headerSize + stride * row;
        for (int x = 0; x < w; ++x) {
            const std::size_t at = base + static_cast<std::size_t>(x) * 3;
            const auto blue = std::to_integer<std::uint32_t>(bytes[at]);
            const auto green = std::to_integer<std::uint32_t>(bytes[at + 1]);
            const auto red = std::to_integer<std::uint32_t>(bytes[at + 2]);
            pixels[static_cast<std::size_t>(y) * w + x] = red << 16 | green << 8 | blue;
        }
    }
    width = w;
    height = rows;
    return true;
}

void Bitmap::DeleteObject()
{
    width = 0;
    height = 0;
    pixels.clear();
}

}  // namespace quorvex
