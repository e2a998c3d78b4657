#include "platform/system/port_name.h"

#include <gtest/gtest.h>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

TEST(PortNameTest, ANameMeansItsLinkWhileThereIsOneAndTheNumberedTtyOtherwise)
{
    testing::TempPrefix prefix;
    // A link whose device is unplugged still claims the name: falling back to a ttyS would
    // open an unrelated port.
    prefix.LinkDevice("com3", "/dev/rfcomm-gone");
    const fs::path link = prefix.Path() / "devices" / "com3";
    EXPECT_EQ(PortName::Resolve(L"com3:", prefix.Path()), link);
    EXPECT_EQ(PortName::Resolve(L"COM3", prefix.Path()), link);
    EXPECT_EQ(PortName::Resolve(L"COM3", std::nullopt), fs::path("/dev/ttyS2"));
    EXPECT_EQ(PortName::Resolve(L"COM999:", prefix.Path()), fs::path("/dev/ttyS998"));
    EXPECT_EQ(PortName::Resolve(L"/dev/pts/4", prefix.Path()), fs::path("/dev/pts/4"));
    for (const wchar_t* bad :
         {L"", L"COM", L"COM0", L"COM1000", L"COM-1", L"COM1::", L"COM 1", L"LPT1:", L"../com3"})
        EXPECT_FALSE(PortName::Resolve(bad, prefix.Path())) << bad;
}

}  // namespace
}  // namespace quorvex
