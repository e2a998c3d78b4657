#include "platform/serial/serial_device.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>

#include "platform/serial/pseudo_terminal.h"
#include "platform/serial/serial_device_test_helper.h"
#include "platform/system/posix.h"
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

TEST(SerialDeviceTest, OnlyARegularFileNamingALiveProcessIsALock)
{
    testing::TempPrefix prefix;
    PseudoTerminal line;
    ASSERT_TRUE(line.Open());
    const std::filesystem::path folder = prefix.Path() / "lock";
    std::filesystem::create_directory(folder);
    SerialDeviceTestHelper::SetLockFolder(folder);
    struct Restore {
        ~Restore() { SerialDeviceTestHelper::SetLockFolder({}); }
    } restore;
    const std::filesystem::path lock = folder / ("LCK.." + line.DevicePath().filename().string());
    const auto opens = [&] {
        SerialDevice device;
        return device.Open(line.DevicePath().wstring());
    };
    const auto plant = [&](const std::string& text) {
        std::filesystem::remove_all(lock);
        std::ofstream(lock) << text;
    };

    plant("  " + std::to_string(::getppid()) + "\n");
    EXPECT_FALSE(opens()) << "a live owner";
    plant("2147483646\n");
    EXPECT_TRUE(opens()) << "an owner that is gone";
    plant("owner");
    EXPECT_TRUE(opens()) << "no PID";

    const std::filesystem::path planted = folder / "planted";
    std::ofstream(planted) << std::to_string(::getppid()) << "\n";
    std::filesystem::remove_all(lock);
    std::filesystem::create_symlink(planted, lock);
    EXPECT_TRUE(opens()) << "a link is not followed";
    std::filesystem::remove_all(lock);
    std::filesystem::create_directory(lock);
    EXPECT_TRUE(opens()) << "a folder";

    std::filesystem::remove_all(lock);
    ASSERT_TRUE(Posix::MakeFifo(lock.c_str(), 0666).Ok());
    Event done(Event::ResetMode::Manual);
    bool opened = false;
    Thread opener;
    ASSERT_TRUE(opener.Start([&] {
        opened = opens();
        done.Set();
    }));
    const bool prompt = done.WaitFor(5s);
    if (!prompt) {
        // Lets a blocked reader of the FIFO through: a writer comes, and its close ends the read.
        const int writer = ::open(lock.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
    }
    opener.Join();
    EXPECT_TRUE(prompt) << "a FIFO blocked the open";
    EXPECT_TRUE(opened) << "a FIFO";

    // A FIFO whose writer offers a live owner's PID is still no lock.
    const int writer = ::open(lock.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::string owner = std::to_string(::getppid()) + "\n";
    ASSERT_EQ(::write(writer, owner.data(), owner.size()), static_cast<ssize_t>(owner.size()));
    EXPECT_TRUE(opens()) << "a FIFO with a writer";
    ::close(writer);
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

TEST_F(OpenDeviceTest, OpeningAnOpenDeviceIsRefusedAndChangesNothing)
{
    EXPECT_FALSE(device.Open(L"COM3:"));
    EXPECT_TRUE(device.IsOpen());
    const unsigned char byte = 'y';
    ASSERT_TRUE(line.Send({&byte, 1}));
    unsigned char got = 0;
    std::uint32_t read = 0;
    ASSERT_TRUE(device.Read(&got, 1, read));
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(got, byte);
}

// The line as another opener sees it, and a way to leave it in a terminal's default, cooked
// mode: echoing, turning CR into LF, at 9600 baud.
termios2 LineNow(const std::filesystem::path& path)
{
    termios2 line{};
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        ::ioctl(fd, TCGETS2, &line);
        ::close(fd);
    }
    return line;
}

void Cook(const std::filesystem::path& path)
{
    termios2 line = LineNow(path);
    line.c_iflag |= ICRNL | IXON;
    line.c_oflag |= OPOST | ONLCR;
    line.c_lflag |= ICANON | ECHO | ISIG;
    line.c_cflag = (line.c_cflag & ~CBAUD) | BOTHER;
    line.c_ispeed = line.c_ospeed = 9600;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TCSETS2, &line), 0);
    ::close(fd);
}

TEST_F(OpenDeviceTest, RefusedSettingsStillMakeTheLineRaw)
{
    Dcb good;
    good.BaudRate = 57600;
    good.ByteSize = 8;
    Dcb badSize = good, badParity = good, badStop = good, badRate = good;
    badSize.ByteSize = 9;
    badParity.Parity = 7;
    badStop.StopBits = 3;
    badRate.BaudRate = 0;
    for (const Dcb* refused : {&badSize, &badParity, &badStop, &badRate}) {
        Cook(line.DevicePath());
        EXPECT_FALSE(device.SetState(*refused));
        const termios2 applied = LineNow(line.DevicePath());
        EXPECT_EQ(applied.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(applied.c_iflag & (ICRNL | IXON), 0u);
        EXPECT_EQ(applied.c_oflag & OPOST, 0u);
        EXPECT_EQ(applied.c_ospeed, refused == &badRate ? 9600u : 57600u)
            << "only the refused field keeps its old value";
    }
}

// Counts the polls of every event wait on `device`. A wait that spins is ended after
// `limit` polls by setting the mask, so that it fails the test rather than hanging it.
class PollCounter {
public:
    PollCounter(SerialDevice& device, int limit)
    {
        SerialDeviceTestHelper::SetEventPollObserver([this, &device, limit] {
            if (++polls == limit) {
                (void)device.SetMask(EV_RXCHAR | EV_ERR);
                spun.Set();
            }
            return true;
        });
    }
    ~PollCounter() { SerialDeviceTestHelper::SetEventPollObserver(nullptr); }

    // Runs one event wait on another thread and gives a spin time to show before it ends
    // the wait by setting the mask. The polls the wait took.
    int PollsOfOneWait(SerialDevice& device, std::uint32_t mask)
    {
        Thread waiter;
        std::uint32_t events = 0;
        if (!waiter.Start([&] { device.WaitEvent(events); }))
            return -1;
        (void)spun.WaitFor(200ms);
        (void)device.SetMask(mask);
        waiter.Join();
        return polls.exchange(0);
    }

private:
    std::atomic<int> polls = 0;
    Event spun{Event::ResetMode::Manual};
};

TEST_F(OpenDeviceTest, EventWaitsBlockRatherThanSpin)
{
    std::uint32_t events = 0;
    // Characters wait while the mask asks for line errors only.
    ASSERT_TRUE(device.SetMask(EV_ERR));
    ASSERT_TRUE(device.WaitEvent(events));
    const unsigned char byte = 'z';
    ASSERT_TRUE(line.Send({&byte, 1}));
    {
        PollCounter counter(device, 1000);
        EXPECT_LE(counter.PollsOfOneWait(device, EV_ERR), 2) << "characters nobody asked for";
    }

    // A hang-up seen first by the wait itself.
    ASSERT_TRUE(device.SetMask(EV_RXCHAR | EV_ERR));
    ASSERT_TRUE(device.WaitEvent(events));
    line.HangUp();
    {
        PollCounter counter(device, 1000);
        EXPECT_LE(counter.PollsOfOneWait(device, EV_RXCHAR | EV_ERR), 2) << "a hang-up";
    }
    EXPECT_TRUE(device.IsHungUp());
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
