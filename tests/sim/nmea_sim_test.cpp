#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/child_process.h"
#include "sim/nmea_generator.h"
#include "sim/sim_options.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

std::string Stream(std::uint64_t seed, int rate, int epochs)
{
    NmeaGenerator generator(seed, rate);
    std::string stream;
    for (int i = 0; i < epochs * NmeaGenerator::kSentencesPerEpoch; ++i)
        stream += generator.Next();
    return stream;
}

// Reads from a device-side descriptor until `count` bytes have come, or none for 10 s.
std::string ReadSome(int fd, std::size_t count)
{
    std::string got;
    char buffer[512];
    while (got.size() < count) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 10000) != 1)
            break;
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

constexpr std::string_view kBack = "$GPTXT,hi*62\r\nnot a sentence\r\n";

// The receiver on a pseudo-terminal of its own, linked into the prefix as a port: nothing
// holds the device but the program that opens it, and with --await-open that program gets
// the generator's stream from its first byte; what it writes back is reported.
TEST(NmeaSim, PlaysAReceiverOnAPseudoTerminalLinkedAsAPort)
{
    testing::TempPrefix prefix;
    ChildProcess sim;
    const std::filesystem::path sentCopy = prefix.Path() / "sent";
    ASSERT_TRUE(
        sim.Start(QUORVEX_NMEA_SIM, {"--pty", "--link", "COM4", "--rate", "10", "--baud", "115200",
                                     "--seed", "9", "--sent", sentCopy, "--await-open"}));
    std::string line;
    ASSERT_TRUE(sim.ReadLine(line));
    ASSERT_TRUE(line.starts_with("device /dev/pts/")) << line;
    const std::filesystem::path device = line.substr(7);
    const std::filesystem::path link = prefix.Path() / "devices" / "com4";
    ASSERT_TRUE(sim.ReadLine(line));
    EXPECT_EQ(line, "linked " + link.string());
    EXPECT_EQ(std::filesystem::read_symlink(link), device);

    // A program that opens the line late still gets the stream from its start: the
    // pause stands for the user's time to press Connect, and waits on nothing.
    std::this_thread::sleep_for(300ms);
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string got = ReadSome(fd, 1600);
    EXPECT_EQ(got, Stream(9, 10, 10).substr(0, 1600));
    ASSERT_EQ(::write(fd, kBack.data(), kBack.size()), static_cast<ssize_t>(kBack.size()));
    ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
    ASSERT_TRUE(sim.ReadLine(line));
    EXPECT_TRUE(line.starts_with("sent ")) << line;
    ASSERT_TRUE(sim.ReadLine(line));
    EXPECT_EQ(line, "received 30 bytes: 1 sentences with a valid checksum, 1 other lines");
    EXPECT_EQ(sim.Wait(), 0);
    ::close(fd);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_TRUE(testing::ReadFile(sentCopy).starts_with(got));
}

// After its epochs a lingering receiver keeps the line open and quiet, and still hears
// what comes back: an end-to-end test can compare both directions before anything hangs up.
TEST(NmeaSim, LingersOnANamedPortAfterItsEpochs)
{
    testing::TempPrefix prefix;
    PseudoTerminal line;
    ASSERT_TRUE(line.Open());
    prefix.LinkDevice("com3", line.DevicePath());
    ChildProcess sim;
    ASSERT_TRUE(sim.Start(QUORVEX_NMEA_SIM, {"--device", "COM3", "--rate", "10", "--baud", "115200",
                                             "--seed", "5", "--epochs", "2", "--linger"}));
    std::string text;
    ASSERT_TRUE(sim.ReadLine(text));

    const std::string stream = Stream(5, 10, 2);
    std::string got(stream.size(), '\0');
    ASSERT_TRUE(line.Receive({reinterpret_cast<unsigned char*>(got.data()), got.size()}));
    EXPECT_EQ(got, stream);
    unsigned char more = 0;
    EXPECT_EQ(line.ReceiveSome({&more, 1}, 300ms), 0u);  // quiet after its epochs
    ASSERT_TRUE(line.Send({reinterpret_cast<const unsigned char*>(kBack.data()), kBack.size()}));

    ASSERT_EQ(::kill(sim.Pid(), SIGHUP), 0);
    ASSERT_TRUE(sim.ReadLine(text));
    EXPECT_EQ(text, "sent 14 sentences, " + std::to_string(stream.size()) +
                        " bytes, in 2 epochs; 0 unsent while nobody listened, 0 failed");
    ASSERT_TRUE(sim.ReadLine(text));
    EXPECT_EQ(text, "received 30 bytes: 1 sentences with a valid checksum, 1 other lines");
    EXPECT_EQ(sim.Wait(), 0);
}

// The device at a line's other end, on a port named as Quorvex names it: it sends nothing
// and reports, byte for byte, what arrives.
TEST(NmeaSim, ListensOnANamedPort)
{
    testing::TempPrefix prefix;
    PseudoTerminal line;
    ASSERT_TRUE(line.Open());
    prefix.LinkDevice("com3", line.DevicePath());
    ChildProcess sim;
    ASSERT_TRUE(sim.Start(QUORVEX_NMEA_SIM, {"--device", "COM3:", "--listen", "--received", "-"}));
    std::string text;
    ASSERT_TRUE(sim.ReadLine(text));
    EXPECT_EQ(text, "device " + (prefix.Path() / "devices" / "com3").string());

    const std::string stream = Stream(4, 1, 2);
    ASSERT_TRUE(line.Send({reinterpret_cast<const unsigned char*>(stream.data()), stream.size()}));
    std::string copied;
    for (int i = 0; i < 2 * NmeaGenerator::kSentencesPerEpoch; ++i) {
        ASSERT_TRUE(sim.ReadLine(text));
        copied += text + "\n";
    }
    EXPECT_EQ(copied, stream);
    unsigned char none = 0;
    EXPECT_EQ(line.ReceiveSome({&none, 1}, 200ms), 0u);  // a listener sends nothing

    ASSERT_EQ(::kill(sim.Pid(), SIGINT), 0);
    ASSERT_TRUE(sim.ReadLine(text));
    EXPECT_EQ(text, "received " + std::to_string(stream.size()) +
                        " bytes: 14 sentences with a valid checksum, 0 other lines");
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(NmeaSim, RefusesOptionsThatMakeNoSense)
{
    for (const std::vector<const char*>& bad :
         std::vector<std::vector<const char*>>{{},
                                               {"--pty", "--device", "COM2"},
                                               {"--device", "COM2", "--link", "COM5"},
                                               {"--pty", "--rate", "11"},
                                               {"--pty", "--rate", "0"},
                                               {"--pty", "--baud", "9600x"},
                                               {"--pty", "--link", "COM0"},
                                               {"--pty", "--epochs"},
                                               {"--pty", "--colour"}}) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(SimOptions::Parse(bad, options, error)) << (bad.empty() ? "" : bad.back());
        EXPECT_FALSE(error.empty());
    }
    SimOptions options;
    std::string error;
    const std::vector<const char*> good{"--pty", "--link", "com12:", "--rate", "10", "--seed", "0"};
    ASSERT_TRUE(SimOptions::Parse(good, options, error)) << error;
    EXPECT_EQ(options.link, "com12");
    EXPECT_EQ(options.rateHz, 10);
    EXPECT_EQ(options.seed, 0u);
}

}  // namespace
}  // namespace quorvex
