#include "platform/serial/serial_device.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>

#include "platform/serial/pseudo_terminal.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

TEST(SerialDeviceTest, NamesResolveThroughTheDeviceMap)
{
    testing::TempPrefix prefix;
    prefix.LinkDevice("com5", "/dev/rfcomm0");
    EXPECT_EQ(SerialDevice::Resolve(L"COM5:"), prefix.Path() / "devices" / "com5");
    EXPECT_EQ(SerialDevice::Resolve(L"com5"), prefix.Path() / "devices" / "com5");
    EXPECT_EQ(SerialDevice::Resolve(L"COM1:"), std::filesystem::path("/dev/ttyS0"));
    EXPECT_EQ(SerialDevice::Resolve(L"COM12:"), std::filesystem::path("/dev/ttyS11"));
    EXPECT_EQ(SerialDevice::Resolve(L"/dev/pts/7"), std::filesystem::path("/dev/pts/7"));
    for (const wchar_t* bad : {L"", L"COM", L"COM0:", L"COMx:", L"LPT1:", L"COM1::", L"../com1"})
        EXPECT_FALSE(SerialDevice::Resolve(bad)) << bad;
}

class OpenDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.Open());
        prefix.LinkDevice("com3", line.DevicePath());
        ASSERT_TRUE(device.Open(L"COM3:"));
        CommTimeouts timeouts;
        timeouts.ReadTotalTimeoutConstant = 100;
        timeouts.WriteTotalTimeoutConstant = 100;
        ASSERT_TRUE(device.SetTimeouts(timeouts));
    }

    testing::TempPrefix prefix;
    PseudoTerminal line;
    SerialDevice device;
};

TEST_F(OpenDeviceTest, SettingsMakeTheLineRawAtTheGivenRate)
{
    Dcb settings;
    settings.BaudRate = 57600;
    settings.ByteSize = 8;
    EXPECT_TRUE(device.SetState(settings));
    settings.BaudRate = 12345;  // not a standard rate, still taken
    EXPECT_TRUE(device.SetState(settings));
    settings.ByteSize = 9;
    EXPECT_FALSE(device.SetState(settings));

    const int fd = ::open(line.DevicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios2 applied{};
    ASSERT_EQ(::ioctl(fd, TCGETS2, &applied), 0);
    ::close(fd);
    EXPECT_EQ(applied.c_ospeed, 12345u);
    EXPECT_EQ(applied.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(applied.c_iflag & (IXON | IXOFF | ICRNL | INPCK | ISTRIP), 0u);
    EXPECT_EQ(applied.c_oflag & OPOST, 0u);
    EXPECT_EQ(applied.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(applied.c_cflag & CLOCAL, 0u);
}

TEST_F(OpenDeviceTest, SettingTheMaskEndsAWaitEvenOneNotYetBegun)
{
    ASSERT_TRUE(device.SetMask(EV_RXCHAR | EV_ERR));
    std::uint32_t events = 1;
    ASSERT_TRUE(device.WaitEvent(events));  // the SetMask above, not lost
    EXPECT_EQ(events, 0u);

    Thread waiter;
    std::uint32_t seen = 0;
    ASSERT_TRUE(waiter.Start([&] { device.WaitEvent(seen); }));
    const unsigned char byte = 'x';
    ASSERT_TRUE(line.Send({&byte, 1}));
    waiter.Join();
    EXPECT_EQ(seen, EV_RXCHAR);

    unsigned char buffer[16];
    std::uint32_t read = 0;
    ASSERT_TRUE(device.Read(buffer, sizeof buffer, read));
    EXPECT_EQ(read, 1u);
    ASSERT_TRUE(device.Read(buffer, sizeof buffer, read));  // times out empty
    EXPECT_EQ(read, 0u);
}

TEST_F(OpenDeviceTest, AfterAHangUpWaitsBlockAndTransfersFailAtOnce)
{
    ASSERT_TRUE(device.SetMask(EV_RXCHAR | EV_ERR));
    std::uint32_t events = 0;
    ASSERT_TRUE(device.WaitEvent(events));

    line.HangUp();
    Thread waiter;
    Event returned(Event::ResetMode::Manual);
    ASSERT_TRUE(waiter.Start([&] {
        std::uint32_t seen = 1;
        device.WaitEvent(seen);  // sees the hang-up, then waits for the wake-up alone
        EXPECT_EQ(seen, 0u);
        returned.Set();
    }));
    unsigned char buffer[16];
    std::uint32_t count = 0;
    while (device.Read(buffer, sizeof buffer, count)) {
    }
    EXPECT_TRUE(device.IsHungUp());
    EXPECT_FALSE(device.Write(buffer, sizeof buffer, count));
    EXPECT_FALSE(returned.IsSet());
    ASSERT_TRUE(device.SetMask(EV_RXCHAR | EV_ERR));
    waiter.Join();
    EXPECT_TRUE(returned.IsSet());
}

}  // namespace
}  // namespace quorvex
