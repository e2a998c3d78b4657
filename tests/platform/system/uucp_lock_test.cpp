#include "platform/system/uucp_lock.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

TEST(UucpLockTest, OnlyAPidThatNamesAnotherLiveProcessHoldsTheDevice)
{
    testing::TempPrefix prefix;
    const auto holder = [&](const std::string& text) {
        std::ofstream(prefix.Path() / "LCK..ttyUSB0", std::ios::trunc) << text;
        return UucpLock::Holder(prefix.Path(), "ttyUSB0");
    };
    EXPECT_EQ(holder("      " + std::to_string(::getppid()) + "\n"), ::getppid());
    EXPECT_FALSE(holder(std::to_string(::getpid()) + "\n")) << "this process itself";
    // 2^32 + 1 would wrap onto process 1, which is always alive.
    EXPECT_FALSE(holder("4294967297\n")) << "no PID fits";
    EXPECT_FALSE(UucpLock::Holder(prefix.Path(), "ttyUSB1")) << "no lock file";
}

}  // namespace
}  // namespace quorvex
