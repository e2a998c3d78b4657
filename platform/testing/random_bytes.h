#pragma once

#include <cstddef>
#include <vector>

namespace quorvex {

// Bytes that look like line noise, for relaying and checking: every value of a byte occurs,
// and the same length and seed give the same bytes on every run.
class RandomBytes {
public:
    static std::vector<unsigned char> Make(std::size_t length, unsigned seed);
};

}  // namespace quorvex
