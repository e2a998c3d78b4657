// quorvex-check as a person runs it: its help and exit status, a device this user may not
// open (under a second, unprivileged user id when the test runs as root, who may open
// anything), the holders that the live system shows, and that it opens and makes nothing.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/child_process.h"
#include "platform/testing/device_holder.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

constexpr int kCouldConnect = 0;
constexpr int kCouldNotConnect = 1;
constexpr int kBadUsage = 2;
constexpr unsigned kNobody = 65534;

struct Outcome {
    std::string output;  // standard output and error, one line each
    int status = -1;
};

// Runs quorvex-check with `arguments`, through `wrapper` (a program and its arguments that
// then start it) when one is given, on the prefix QUORVEX_PREFIX names.
Outcome RunCheck(const std::vector<std::string>& arguments = {},
                 std::vector<std::string> wrapper = {})
{
    wrapper.push_back(QUORVEX_CHECK);
    wrapper.insert(wrapper.end(), arguments.begin(), arguments.end());
    ChildProcess check;
    Outcome outcome;
    if (!check.Start(wrapper.front(), {wrapper.begin() + 1, wrapper.end()}, true))
        return outcome;
    std::string line;
    while (check.ReadLine(line))
        outcome.output += line + "\n";
    outcome.status = check.Wait();
    return outcome;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

#define EXPECT_HAS(text, part) \
    EXPECT_TRUE(Has(text, part)) << "no \"" << (part) << "\" in:\n" << (text)

std::string UserName(unsigned uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry ? entry->pw_name : std::to_string(uid);
}

TEST(QuorvexCheckProgram, SaysHowToUseItAndRefusesWhatItDoesNotKnow)
{
    const Outcome help = RunCheck({"--help"});
    EXPECT_TRUE(help.output.starts_with("usage: quorvex-check [--help]\n")) << help.output;
    EXPECT_EQ(help.status, kCouldConnect);
    const Outcome wrong = RunCheck({"--colour"});
    EXPECT_TRUE(wrong.output.starts_with("quorvex-check: unknown argument '--colour'\n"))
        << wrong.output;
    EXPECT_EQ(wrong.status, kBadUsage);
}

// Both lines are made here, as a simulator makes them: this process holds both sides of
// each, and as their far end it does not count as a holder.
TEST(QuorvexCheckProgram, EndsWithZeroWhenQuorvexCouldConnectAndOneWhenNot)
{
    testing::TempPrefix prefix;
    PseudoTerminal receiver;
    PseudoTerminal output;
    ASSERT_TRUE(receiver.Open(PseudoTerminal::DeviceSide::Held));
    ASSERT_TRUE(output.Open(PseudoTerminal::DeviceSide::Held));
    prefix.LinkDevice("com2", receiver.DevicePath());
    prefix.LinkDevice("com1", output.DevicePath());
    Outcome outcome = RunCheck();
    EXPECT_EQ(outcome.status, kCouldConnect) << outcome.output;
    EXPECT_HAS(outcome.output, "\nresult: quorvex could connect the receiver COM2 to COM1");

    fs::remove(prefix.Path() / "devices" / "com2");
    prefix.LinkDevice("com2", prefix.Path() / "ttyGONE");
    outcome = RunCheck();
    EXPECT_EQ(outcome.status, kCouldNotConnect) << outcome.output;
    EXPECT_HAS(outcome.output,
               "\nresult: quorvex could not connect: the receiver COM2 could not "
               "be opened\n");
}

// Root may open any device, so the user who may not is a second, unprivileged one then.
TEST(QuorvexCheckProgram, NamesADeviceTheUserMayNotOpen)
{
    const bool root = ::geteuid() == 0;
    std::vector<std::string> asNobody;
    if (root) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "runs as root and has no setpriv (util-linux) to run as user "
                         << kNobody;
        asNobody = {"/usr/bin/setpriv", "--reuid=" + std::to_string(kNobody),
                    "--regid=" + std::to_string(kNobody), "--clear-groups"};
    }
    testing::TempPrefix scratch;
    const fs::path location = scratch.Path() / "p";
    fs::create_directories(location / "devices");
    fs::permissions(location / "devices", fs::perms::owner_all);
    fs::permissions(location, fs::perms::owner_all);
    if (root) {
        // The user may pass through the scratch folder into a prefix of its own.
        fs::permissions(scratch.Path(), fs::perms::owner_all | fs::perms::others_exec);
        ASSERT_EQ(::chown(location.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown((location / "devices").c_str(), kNobody, kNobody), 0);
    }
    PseudoTerminal receiver;
    ASSERT_TRUE(receiver.Open(PseudoTerminal::DeviceSide::Free));
    const fs::path device = receiver.DevicePath();
    ASSERT_EQ(::chmod(device.c_str(), root ? 0600 : 0), 0);
    fs::create_symlink(device, location / "devices" / "com2");
    ::setenv("QUORVEX_PREFIX", location.c_str(), 1);

    const std::string user = UserName(root ? kNobody : ::geteuid());
    Outcome outcome = RunCheck({}, asNobody);
    EXPECT_HAS(outcome.output, "\nCOM2 (receiver): you (" + user +
                                   ") may not open it for reading "
                                   "and writing: owner " +
                                   UserName(::geteuid()));
    EXPECT_HAS(outcome.output, "\nCOM2 (receiver): quorvex could not open it\n");
    EXPECT_EQ(outcome.status, kCouldNotConnect);
    if (!root) {
        EXPECT_HAS(outcome.output, "COM2 (receiver): even you, its owner, may not: chmod u+rw '" +
                                       device.string() + "'");
        return;
    }

    // A device of the group dialout: joining that group is what helps.
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr)
        GTEST_SKIP() << "this machine has no group dialout";
    ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
    outcome = RunCheck({}, asNobody);
    EXPECT_HAS(outcome.output,
               "\nCOM2 (receiver): add yourself to the group dialout, which may "
               "read and write it: sudo usermod -aG dialout " +
                   user + ", then log out and in again (a new login is needed)\n");
    EXPECT_EQ(outcome.status, kCouldNotConnect);
}

// This process made the pair and holds both its sides, as socat does: it is the far end.
TEST(QuorvexCheckProgram, NamesTheReceiversHolderButNotTheFarEndOfItsLine)
{
    testing::TempPrefix prefix;
    PseudoTerminal receiver;
    ASSERT_TRUE(receiver.Open(PseudoTerminal::DeviceSide::Held));
    prefix.LinkDevice("com2", receiver.DevicePath());
    Outcome outcome = RunCheck();
    EXPECT_HAS(outcome.output, "\nCOM2 (receiver): nobody holds it");
    EXPECT_FALSE(Has(outcome.output, "held by")) << "the far end is named:\n" << outcome.output;

    DeviceHolder holder;
    ASSERT_TRUE(holder.Hold(receiver.DevicePath(), DeviceHolder::Convention::Flock));
    std::string self = testing::ReadFile("/proc/self/comm");
    self.pop_back();  // its line feed
    outcome = RunCheck();
    EXPECT_HAS(outcome.output, "\nCOM2 (receiver): held by " + self + " (process ");
    EXPECT_HAS(outcome.output, ") by a lock on the device: quorvex shows \"In use by " + self +
                                   "\" and offers no Connect\n");
    EXPECT_EQ(outcome.status, kCouldNotConnect);
}

// Watches files for what the check must never do to them.
class Watch {
public:
    Watch() : descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~Watch() { ::close(descriptor); }
    bool Add(const fs::path& path, std::uint32_t events)
    {
        return ::inotify_add_watch(descriptor, path.c_str(), events) >= 0;
    }
    // Whether any of the events watched for came.
    bool Seen() const
    {
        char events[4096];
        return ::read(descriptor, events, sizeof events) > 0;
    }

private:
    const int descriptor;
};

constexpr std::uint32_t kChanges =
    IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE;

// Opening a FIFO to read blocks until someone writes; a check that opened one would hang.
// Such FIFOs stand where devices are, a Bluetooth port among them, and where the hive is.
TEST(QuorvexCheckProgram, OpensNoDeviceAndMakesNothing)
{
    testing::TempPrefix scratch;
    testing::TempPrefix prefix;
    PseudoTerminal receiver;
    ASSERT_TRUE(receiver.Open(PseudoTerminal::DeviceSide::Free));
    const fs::path rfcomm = scratch.Path() / "rfcomm0";
    const fs::path serial = scratch.Path() / "ttyS9";
    ASSERT_EQ(::mkfifo(rfcomm.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(serial.c_str(), 0600), 0);
    prefix.LinkDevice("com2", receiver.DevicePath());
    prefix.LinkDevice("com5", rfcomm);
    prefix.LinkDevice("com9", serial);
    testing::WriteFile(prefix.Path() / "system.reg",
                       "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\0]\n"
                       "\"Port\"=\"COM5\"\n");
    Watch watch;
    for (const fs::path& device : {receiver.DevicePath(), rfcomm, serial})
        ASSERT_TRUE(watch.Add(device, IN_OPEN | kChanges)) << device;
    ASSERT_TRUE(watch.Add(prefix.Path(), kChanges));
    ASSERT_TRUE(watch.Add(prefix.Path() / "devices", kChanges));
    Outcome outcome = RunCheck();
    EXPECT_HAS(outcome.output, "\nCOM5 (output): " + rfcomm.string() + " is a FIFO");
    EXPECT_HAS(outcome.output, "\nCOM9 (output): " + serial.string() + " is a FIFO");
    EXPECT_HAS(outcome.output, "\nCOM2 (receiver): quorvex could open it\n");
    EXPECT_FALSE(watch.Seen()) << "a device was opened or the prefix changed";

    // In a prefix that fails its checks not even the hive is opened.
    fs::remove(prefix.Path() / "system.reg");
    ASSERT_EQ(::mkfifo((prefix.Path() / "system.reg").c_str(), 0600), 0);
    fs::permissions(prefix.Path(), fs::perms::owner_all | fs::perms::others_write);
    Watch unsafe;
    ASSERT_TRUE(unsafe.Add(prefix.Path() / "system.reg", IN_OPEN));
    for (const fs::path& device : {receiver.DevicePath(), rfcomm, serial})
        ASSERT_TRUE(unsafe.Add(device, IN_OPEN));
    outcome = RunCheck();
    EXPECT_HAS(outcome.output, "may be written by others");
    EXPECT_FALSE(Has(outcome.output, rfcomm.string())) << "a link was followed:\n"
                                                       << outcome.output;
    EXPECT_EQ(outcome.status, kCouldNotConnect);
    EXPECT_FALSE(unsafe.Seen()) << "something in the prefix was opened";

    // A prefix that is not there is not made.
    ::setenv("QUORVEX_PREFIX", (scratch.Path() / "none" / "quorvex").c_str(), 1);
    outcome = RunCheck();
    EXPECT_HAS(outcome.output, "does not exist yet");
    EXPECT_FALSE(fs::exists(scratch.Path() / "none"));
}

}  // namespace
}  // namespace quorvex
