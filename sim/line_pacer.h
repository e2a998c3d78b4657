#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quorvex {

// When each sentence of a receiver's stream has left its serial line. A receiver begins an
// epoch's sentences at the epoch's time and sends them back to back, each character taking
// ten bit times (start bit, eight data bits, stop bit). On a line too slow for the rate the
// stream falls behind, as a real receiver's would: a sentence never starts before the one
// ahead of it has gone out. Times are counted from the stream's first epoch.
class LinePacer {
public:
    // `baudRate` 0 is taken as 1.
    explicit LinePacer(std::uint32_t baudRate);

    // The moment the last character of a sentence of `length` bytes leaves the line, for a
    // sentence of the epoch that begins at `epochStart`. Call once per sentence, in order.
    std::chrono::nanoseconds Next(std::chrono::nanoseconds epochStart, std::size_t length);

    // How long `length` characters take on the line.
    std::chrono::nanoseconds LineTime(std::size_t length) const;

private:
    std::uint32_t baudRate;
    std::chrono::nanoseconds lineFree{0};
};

}  // namespace quorvex
