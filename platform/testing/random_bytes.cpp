#include "platform/testing/random_bytes.h"

#include <random>

namespace quorvex {

std::vector<unsigned char> RandomBytes::Make(std::size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(length);
    for (auto& byte : bytes)
        byte = static_cast<unsigned char>(random());
    return bytes;
}

}  // namespace quorvex
