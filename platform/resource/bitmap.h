#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/resource/resource_module.h"

namespace quorvex {

// An image in memory, top row first, one 0x00RRGGBB word per pixel. Loaded from the
// device-independent bitmaps among the resources: a 40-byte header followed by
// uncompressed 24-bit rows, bottom-up for a positive height. UI thread only.
class Bitmap {
public:
    Bitmap() = default;
    virtual ~Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // False, leaving the bitmap empty, when the resource is missing or its bytes are not a
    // well-formed uncompressed 24-bit bitmap that they hold completely.
    bool LoadBitmap(const ResourceModule& module, std::uint16_t id);
    // The same for an icon resource, whose image is stored as a bitmap's is.
    bool LoadIcon(const ResourceModule& module, std::uint16_t id);
    bool LoadDib(std::span<const std::byte> bytes);
    void DeleteObject();

    bool IsLoaded() const { return width > 0; }
    int Width() const { return width; }
    int Height() const { return height; }
    std::uint32_t Pixel(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }

private:
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

}  // namespace quorvex
