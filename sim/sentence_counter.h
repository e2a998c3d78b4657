#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/nmea_generator.h"

namespace quorvex {

// Tells apart, in a byte stream that arrives in pieces of any size, the NMEA sentences
// whose checksum holds from every other line: what a device at the end of a line reports
// about what reached it. A line ends at a line feed, its carriage return is optional; a
// line longer than NMEA allows counts as another line. Nothing is allocated.
class SentenceCounter {
public:
    void Add(std::span<const unsigned char> bytes);

    std::uint64_t Bytes() const { return bytes; }
    std::uint64_t Sentences() const { return sentences; }
    // Complete lines that are not sentences with a valid checksum.
    std::uint64_t OtherLines() const { return otherLines; }

private:
    void EndLine();

    std::uint64_t bytes = 0;
    std::uint64_t sentences = 0;
    std::uint64_t otherLines = 0;
    std::array<unsigned char, NmeaGenerator::kMaxSentenceLength> line{};
    std::size_t length = 0;
    bool overlong = false;
};

}  // namespace quorvex
