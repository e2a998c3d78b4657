#include "sim/line_pacer.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

using namespace std::chrono;

TEST(LinePacer, SentencesLeaveBackToBackFromTheEpochsStart)
{
    LinePacer pacer(115200);
    // 72 characters at 11,520 characters a second: 6.25 ms.
    EXPECT_EQ(pacer.Next(0ms, 72), 6250us);
    EXPECT_EQ(pacer.Next(0ms, 72), 12500us);
    // The next epoch starts on its own time, not where the line fell idle.
    EXPECT_EQ(pacer.Next(100ms, 36), 103125us);
}

TEST(LinePacer, ASlowLineFallsBehindWithoutOverlappingSentences)
{
    LinePacer pacer(4800);
    // 500 bytes an epoch at 10 Hz need 1.04 s of a 4800-baud line each second.
    nanoseconds previous{0};
    for (int epoch = 0; epoch < 20; ++epoch) {
        for (int sentence = 0; sentence < 5; ++sentence) {
            const nanoseconds done = pacer.Next(epoch * 100ms, 100);
            EXPECT_EQ(done - previous, pacer.LineTime(100)) << epoch << " " << sentence;
            previous = done;
        }
    }
    EXPECT_GT(previous, 2s);
}

}  // namespace
}  // namespace quorvex
