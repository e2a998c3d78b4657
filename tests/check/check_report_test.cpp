// quorvex-check's findings on a prefix of the test's own, with a stand-in for the system's
// device list, its processes and its lock folder: each cause of a failed connection that a
// person meets is named, and nothing is followed into a prefix that fails its checks.
#include "check/check_report.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/serial/pseudo_terminal.h"
#include "platform/system/prefix_check.h"
#include "platform/testing/child_process.h"
#include "resources/program_resources.h"
#include "tests/support/file_text.h"
#include "tests/support/process_table_stand_in.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using testing::ProcessTableStandIn;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\n\n";

// A made-up process's id: never this test's own, nor a child's.
constexpr int Pid(int n)
{
    return ProcessTableStandIn::kFirstMadeUpPid + n;
}

class CheckReportTest : public ::testing::Test {
protected:
    CheckReportTest()
    {
        fs::create_directories(scratch.Path() / "sys" / "dev" / "char");
        fs::create_directory(scratch.Path() / "locks");
    }

    // Runs the check on the prefix at `location`; its lines, one a line.
    std::string Run(const fs::path& location)
    {
        CheckReport::Sources sources;
        sources.sys = scratch.Path() / "sys";
        sources.live.processes = table;
        sources.live.lockFolder = scratch.Path() / "locks";
        sources.live.isRfcomm = [this](const fs::path& device) { return device == rfcomm; };
        CheckReport report(ProgramResources(), std::move(sources));
        report.Run(location);
        couldConnect = report.CouldConnect();
        std::string text;
        for (const std::string& line : report.Lines())
            text += line + "\n";
        return text;
    }
    std::string Run() { return Run(prefix.Path()); }

    // The device list says the device of `node` is a serial port with no UART.
    void ListWithoutUart(const fs::path& node) const
    {
        struct stat status {};
        ASSERT_EQ(::stat(node.c_str(), &status), 0);
        const fs::path entry =
            scratch.Path() / "sys" / "dev" / "char" /
            (std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev)));
        fs::create_directories(entry);
        fs::create_directory_symlink("../../../class/tty", entry / "subsystem");
        testing::WriteFile(entry / "type", "0\n");
    }

    // The fallback device of a port without a link has nothing behind it on any machine:
    // missing here, or a serial port without a UART.
    std::string NothingBehind(const fs::path& fallback) const
    {
        if (!fs::exists(fallback))
            return fallback.string() + " does not exist";
        ListWithoutUart(fallback);
        return fallback.string() + " is a serial port with no hardware behind it";
    }

    void WriteSystemHive(const std::string& sections) const
    {
        testing::WriteFile(prefix.Path() / "system.reg", std::string(kHeader) + sections);
    }

    testing::TempPrefix scratch;
    testing::TempPrefix prefix;
    std::shared_ptr<ProcessTableStandIn> table = std::make_shared<ProcessTableStandIn>();
    fs::path rfcomm;  // the node the live records take for a bound RFCOMM port
    bool couldConnect = true;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

#define EXPECT_HAS(text, part) \
    EXPECT_TRUE(Has(text, part)) << "no \"" << (part) << "\" in:\n" << (text)
#define EXPECT_HAS_NOT(text, part) \
    EXPECT_FALSE(Has(text, part)) << "\"" << (part) << "\" in:\n" << (text)

TEST_F(CheckReportTest, NamesAMissingDeviceBehindTheReceiver)
{
    const fs::path gone = scratch.Path() / "ttyGONE";
    prefix.LinkDevice("com2", gone);
    std::string text = Run();
    EXPECT_HAS(text, "COM2 (receiver): devices/com2 leads to " + gone.string() + "\n");
    EXPECT_HAS(text, "COM2 (receiver): " + gone.string() + " does not exist");
    EXPECT_HAS(text, "COM2 (receiver): quorvex could not open it\n");
    EXPECT_HAS(text, "result: quorvex could not connect: the receiver COM2 could not be opened");
    EXPECT_FALSE(couldConnect);

    // Without its link the receiver is /dev/ttyS1.
    fs::remove(prefix.Path() / "devices" / "com2");
    const std::string cause = NothingBehind("/dev/ttyS1");
    text = Run();
    EXPECT_HAS(text,
               "COM2 (receiver): no devices/com2 (there is no such link): quorvex opens "
               "/dev/ttyS1\n");
    EXPECT_HAS(text, "COM2 (receiver): " + cause);
    EXPECT_HAS(text,
               "link devices/com2 to the receiver's device, for example: ln -s "
               "/dev/ttyUSB0 '" +
                   (prefix.Path() / "devices" / "com2").string() + "'");
    EXPECT_FALSE(couldConnect);
}

TEST_F(CheckReportTest, NamesAUsbAdapterThatIsNotPluggedIn)
{
    if (fs::exists("/dev/ttyUSB0"))
        GTEST_SKIP() << "this machine has a /dev/ttyUSB0, which the test needs to be missing";
    prefix.LinkDevice("com2", "/dev/ttyUSB0");
    const std::string text = Run();
    EXPECT_HAS(text, "COM2 (receiver): devices/com2 leads to /dev/ttyUSB0\n");
    EXPECT_HAS(text, "COM2 (receiver): /dev/ttyUSB0 does not exist: is the receiver plugged in?");
    EXPECT_FALSE(couldConnect);
}

TEST_F(CheckReportTest, NamesNothingBehindBluetoothCom9)
{
    PseudoTerminal receiver;
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    const std::string cause = NothingBehind("/dev/ttyS8");
    NothingBehind("/dev/ttyS0");  // COM1 without its link
    const std::string text = Run();
    EXPECT_HAS(text,
               "COM9 (output): listed as \"Bluetooth (COM9)\": COM9 is always listed, "
               "whatever stands behind it\n");
    EXPECT_HAS(text,
               "COM9 (output): no devices/com9 (there is no such link): quorvex opens "
               "/dev/ttyS8\n");
    EXPECT_HAS(text, "COM9 (output): " + cause);
    EXPECT_HAS(text, "COM9 (output): quorvex could not open it\n");
    EXPECT_HAS(text, "COM2 (receiver): quorvex could open it\n");
    EXPECT_HAS(text, "result: quorvex could not connect: no output port could be opened\n");
    EXPECT_FALSE(couldConnect);
}

TEST_F(CheckReportTest, ConnectsWithAFreeReceiverAndAnOutputNobodyLocks)
{
    PseudoTerminal receiver;
    PseudoTerminal output;
    ASSERT_TRUE(receiver.Open());
    ASSERT_TRUE(output.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    prefix.LinkDevice("com1", output.DevicePath());
    std::string text = Run();
    EXPECT_HAS(text,
               "COM2 (receiver): " + receiver.DevicePath().string() + " is a pseudo-terminal");
    EXPECT_HAS(text, "COM2 (receiver): nobody holds it");
    EXPECT_HAS(text, "COM1 (output): quorvex could open it\n");
    EXPECT_HAS(text, "result: quorvex could connect the receiver COM2 to COM1");
    EXPECT_TRUE(couldConnect) << text;

    // An output another program only has open (rfcomm keeps the port it connected open)
    // may still be opened; one it locks may not.
    const DeviceNumber device = ProcessTableStandIn::NodeDevice(output.DevicePath());
    table->Start(Pid(300), "rfcomm");
    table->Hold(Pid(300), 4, device);
    table->Hold(Pid(300), 7, device);  // a duplicated descriptor: still one holder
    text = Run();
    EXPECT_HAS(text, "COM1 (output): held by rfcomm (process " + std::to_string(Pid(300)) +
                         "), which has it open: quorvex may open it too");
    const std::string held = "held by rfcomm";
    EXPECT_EQ(text.find(held), text.rfind(held)) << "a holder is named once:\n" << text;
    EXPECT_HAS(text, "COM1 (output): quorvex could open it\n");
    EXPECT_TRUE(couldConnect) << text;
    table->Lock(Pid(300), ProcessTableStandIn::NodeFile(output.DevicePath()));
    text = Run();
    EXPECT_HAS(text, "COM1 (output): held by rfcomm (process " + std::to_string(Pid(300)) +
                         ") by a lock on the device: quorvex cannot open it while it does\n");
    EXPECT_FALSE(couldConnect) << text;
}

// The receiver's holders are named however they hold it; the program at the far end of a
// pseudo-terminal is not one of them.
TEST_F(CheckReportTest, NamesTheReceiversHolderButNotTheFarEndOfItsLine)
{
    PseudoTerminal receiver;
    ASSERT_TRUE(receiver.Open(PseudoTerminal::DeviceSide::Free));
    prefix.LinkDevice("com2", receiver.DevicePath());
    const DeviceNumber device = ProcessTableStandIn::NodeDevice(receiver.DevicePath());
    table->Start(Pid(100), "socat");  // made the pair: holds both sides
    table->HoldMaster(Pid(100), 5, device);
    table->Hold(Pid(100), 6, device);
    std::string text = Run();
    EXPECT_HAS(text, "COM2 (receiver): nobody holds it");
    EXPECT_HAS_NOT(text, "socat");

    table->Start(Pid(4242), "gpsd");
    table->Hold(Pid(4242), 3, device);
    text = Run();
    EXPECT_HAS(text, "COM2 (receiver): held by gpsd (process " + std::to_string(Pid(4242)) +
                         "), which has it open: quorvex shows \"In use by gpsd\" and offers no "
                         "Connect\n");
    EXPECT_HAS_NOT(text, "socat");
    EXPECT_HAS(text, "COM2 (receiver): quorvex could not open it\n");

    table->Close(Pid(4242), 3);
    table->Lock(Pid(100), ProcessTableStandIn::NodeFile(receiver.DevicePath()));
    text = Run();
    EXPECT_HAS(text, "COM2 (receiver): held by socat (process " + std::to_string(Pid(100)) +
                         ") by a lock on the device")
        << "the far end that locks the line holds it";

    ChildProcess other;
    ASSERT_TRUE(other.Start("sleep", {"60"}));
    char pid[16];
    std::snprintf(pid, sizeof pid, "%10d\n", other.Pid());
    const std::string name = receiver.DevicePath().filename().string();
    testing::WriteFile(scratch.Path() / "locks" / ("LCK.." + name), pid);
    table->Start(other.Pid(), "minicom");
    text = Run();
    EXPECT_HAS(text, "COM2 (receiver): held by minicom (process " + std::to_string(other.Pid()) +
                         ") by a UUCP lock file, LCK.." + name + ":");

    WriteSystemHive("[HKEY_LOCAL_MACHINE\\SYSTEM\\RECEIVER\\Ports]\n\"COM2\"=\"navit\"\n");
    text = Run();
    EXPECT_HAS(text,
               "records: the value \"COM2\" under HKEY_LOCAL_MACHINE\\SYSTEM\\RECEIVER\\Ports "
               "in system.reg names \"navit\" as holding the receiver port: quorvex shows "
               "\"In use by navit\"");
    EXPECT_HAS(text, "COM2 (receiver): system.reg names navit as its holder");
}

TEST_F(CheckReportTest, SaysWhyEachBluetoothPortIsOrIsNotListed)
{
    WriteSystemHive(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\Serial0]\n"
        "\"Port\"=\"COM5:\"\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\Serial1]\n"
        "\"Port\"=\"COM6\"\n");
    std::string text = Run();
    EXPECT_HAS(text,
               "COM6 (output): listed as \"Bluetooth (COM6)\": system.reg registers it: "
               "the subkey \"Serial1\" has \"Port\"=\"COM6\"\n");
    EXPECT_HAS(text,
               "COM5 (output): not listed, so it cannot be chosen: no subkey of "
               "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports in "
               "system.reg has \"Port\"=\"COM5\", and devices/com5 does not lead to a bound "
               "Bluetooth (RFCOMM) device\n");
    EXPECT_HAS(text,
               "records: the subkey \"Serial0\" of "
               "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports has "
               "\"Port\"=\"COM5:\", which registers nothing");
    EXPECT_HAS(text, "records: the Bluetooth ports offered: COM6 (system.reg), COM9 (always)\n");
    EXPECT_HAS(text,
               "COM1 (output): listed as \"External (COM1)\": the wired port is always "
               "listed\n");

    rfcomm = scratch.Path() / "rfcomm0";
    prefix.LinkDevice("com5", rfcomm);
    text = Run();
    EXPECT_HAS(text,
               "COM5 (output): listed as \"Bluetooth (COM5)\": devices/com5 leads to a "
               "bound Bluetooth (RFCOMM) device\n");
    EXPECT_HAS(text,
               "records: the Bluetooth ports offered: COM5 (a devices/ link), COM6 "
               "(system.reg), COM9 (always)\n");
}

// A prefix that others may write to is reported as quorvex reports it, and nothing in it
// is read: not its hive, not its links.
TEST_F(CheckReportTest, APrefixOthersMayWriteIsReportedAndNothingInItIsFollowed)
{
    PseudoTerminal receiver;
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    WriteSystemHive("[HKEY_LOCAL_MACHINE\\SYSTEM\\RECEIVER\\Ports]\n\"COM2\"=\"navit\"\n");
    fs::permissions(prefix.Path(), fs::perms::owner_all | fs::perms::group_write);
    const auto findings = PrefixCheck::Inspect(prefix.Path());
    ASSERT_EQ(findings.size(), 1u);
    std::string text = Run();
    EXPECT_TRUE(text.starts_with("prefix: " + findings[0].Text() + "\n")) << text;
    EXPECT_HAS(text, "chmod go-w '" + prefix.Path().string() + "'");
    EXPECT_HAS(text, "records: system.reg is not read, as the prefix fails its checks\n");
    EXPECT_HAS(text, "COM2 (receiver): devices/com2 is not looked at");
    EXPECT_HAS_NOT(text, receiver.DevicePath().string());
    EXPECT_HAS_NOT(text, "navit");
    EXPECT_HAS(text, "the prefix fails its checks, so quorvex does not start");
    EXPECT_FALSE(couldConnect);

    // Only devices/ fails: the hive is read, the links are not.
    fs::permissions(prefix.Path(), fs::perms::owner_all);
    fs::permissions(prefix.Path() / "devices", fs::perms::owner_all | fs::perms::others_write);
    text = Run();
    EXPECT_HAS(text, "navit");
    EXPECT_HAS(text,
               "COM2 (receiver): devices/com2 is not looked at, as the folder devices/ "
               "fails its checks");
    EXPECT_HAS_NOT(text, receiver.DevicePath().string());
    EXPECT_FALSE(couldConnect);
}

TEST_F(CheckReportTest, AMissingPrefixIsNotMade)
{
    const fs::path location = scratch.Path() / "a" / "quorvex";
    const std::string text = Run(location);
    EXPECT_HAS(text, "prefix: " + location.string() + " does not exist yet");
    EXPECT_HAS(text,
               "COM2 (receiver): no devices/com2 (there is no prefix yet): quorvex opens "
               "/dev/ttyS1\n");
    EXPECT_FALSE(fs::exists(scratch.Path() / "a"));
}

}  // namespace
}  // namespace quorvex
