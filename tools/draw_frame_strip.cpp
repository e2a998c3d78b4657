// Draws the status lamp's image strip, resources/frame_strip.bmp: four 15 x 14 frames side by
// side (grey lamp, blue lamp, green lamp, blank), 24 bits per pixel. The build embeds the
// file as it is committed; run this by hand only to redraw it:
//
//   g++ -std=c++20 -O2 -I . -o /tmp/draw_frame_strip tools/draw_frame_strip.cpp
//   /tmp/draw_frame_strip resources/frame_strip.bmp

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/system/little_endian.h"

namespace {

using quorvex::LittleEndian;

constexpr int kFrameWidth = 15;
constexpr int kHeight = 14;
constexpr int kFrames = 4;
constexpr int kWidth = kFrameWidth * kFrames;
constexpr int kRowBytes = kWidth * 3;  // 180, a multiple of 4: no row padding
constexpr int kImageBytes = kRowBytes * kHeight;

struct Rgb {
    double r, g, b;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

struct Lamp {
    Rgb disc;
    Rgb ring;
    bool shaded;
};

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The lamp is a disc 13 pixels across centred on pixel (7, 7), with a one-pixel ring. A
// shaded disc keeps its own colour at the centre, brightens towards the upper left as if lit
// from there, with a small highlight, and darkens a little towards the lower right.
Rgb LampPixel(const Lamp& lamp, int x, int y)
{
    constexpr double kCentre = 7.0;
    constexpr double kOuter = 6.3;
    constexpr double kInner = 5.3;
    const double dx = x - kCentre;
    const double dy = y - kCentre;
    const double distance = std::sqrt(dx * dx + dy * dy);
    if (distance > kOuter)
        return kWhite;
    if (distance > kInner)
        return lamp.ring;
    if (!lamp.shaded)
        return lamp.disc;
    const double slope = (dx + dy) / (2 * kInner);  // -1 upper left .. +1 lower right
    Rgb colour =
        slope < 0 ? Mix(lamp.disc, kWhite, -slope * 0.45) : Mix(lamp.disc, kBlack, slope * 0.3);
    const double hx = x - 4.5;
    const double hy = y - 4.5;
    if (hx * hx + hy * hy <= 1.0)
        colour = Mix(colour, kWhite, 0.6);
    return colour;
}

std::uint8_t Channel(double value)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

void Put16(std::vector<std::byte>& out, std::uint16_t value)
{
    out.resize(out.size() + 2);
    LittleEndian::Put16(out.data() + out.size() - 2, value);
}

void Put32(std::vector<std::byte>& out, std::uint32_t value)
{
    out.resize(out.size() + 4);
    LittleEndian::Put32(out.data() + out.size() - 4, value);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }

    const std::array<Lamp, 3> lamps{{
        {{219, 219, 219}, {127, 127, 127}, false},  // grey: no output connected
        {{26, 154, 255}, kBlack, true},             // blue: Bluetooth port, data flowing
        {{136, 255, 26}, kBlack, true},             // green: wired port, data flowing
    }};

    std::vector<std::byte> file;
    // BITMAPFILEHEADER: "BM", file size, two reserved words, offset of the pixels.
    file.push_back(std::byte{'B'});
    file.push_back(std::byte{'M'});
    Put32(file, 14 + 40 + kImageBytes);
    Put32(file, 0);
    Put32(file, 14 + 40);
    // BITMAPINFOHEADER: size, width, height (positive: bottom-up), planes, bits per pixel,
    // BI_RGB, image size, 3780 pixels per metre (96 per inch) both ways, no colour table.
    Put32(file, 40);
    Put32(file, kWidth);
    Put32(file, kHeight);
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, 0);
    Put32(file, kImageBytes);
    Put32(file, 3780);
    Put32(file, 3780);
    Put32(file, 0);
    Put32(file, 0);

    for (int row = kHeight - 1; row >= 0; --row) {
        for (int x = 0; x < kWidth; ++x) {
            const int frame = x / kFrameWidth;
            const Rgb colour = frame < 3 ? LampPixel(lamps[frame], x % kFrameWidth, row) : kWhite;
            file.push_back(std::byte{Channel(colour.b)});
            file.push_back(std::byte{Channel(colour.g)});
            file.push_back(std::byte{Channel(colour.r)});
        }
    }

    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
