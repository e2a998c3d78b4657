#include "sim/line_pacer.h"

#include <algorithm>

namespace quorvex {

LinePacer::LinePacer(std::uint32_t baudRate) : baudRate(std::max<std::uint32_t>(baudRate, 1))
{
}

std::chrono::nanoseconds LinePacer::LineTime(std::size_t length) const
{
    constexpr std::uint64_t kBitsPerCharacter = 10;
    return std::chrono::nanoseconds(
        static_cast<std::int64_t>(length * kBitsPerCharacter * 1000000000ULL / baudRate));
}

std::chrono::nanoseconds LinePacer::Next(std::chrono::nanoseconds epochStart, std::size_t length)
{
    lineFree = std::max(epochStart, lineFree) + LineTime(length);
    return lineFree;
}

}  // namespace quorvex
