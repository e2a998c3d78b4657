#include "platform/system/device_node.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/serial/pseudo_terminal.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using Line = DeviceNode::Line;

// A device list laid out as sysfs lays it out, under a scratch folder.
class DeviceListTest : public ::testing::Test {
protected:
    DeviceListTest() { fs::create_directories(sys / "dev" / "char"); }

    // Lists the device major:minor, in the class `subsystem`; with a UART type when given.
    fs::path List(const std::string& number, const std::string& subsystem,
                  const std::string& type = {}) const
    {
        const fs::path entry = sys / "dev" / "char" / number;
        fs::create_directories(entry);
        fs::create_directory_symlink("../../../class/" + subsystem, entry / "subsystem");
        if (!type.empty())
            testing::WriteFile(entry / "type", type + "\n");
        return entry;
    }

    Line LineOf(unsigned major, unsigned minor) const
    {
        DeviceNode::Facts facts;
        facts.kind = DeviceNode::Kind::CharacterDevice;
        facts.major = major;
        facts.minor = minor;
        DeviceNode::DescribeCharacterDevice(facts, sys);
        return facts.line;
    }

    testing::TempPrefix scratch;
    const fs::path sys = scratch.Path() / "sys";
};

TEST_F(DeviceListTest, TellsSerialPortsWithAndWithoutHardwareBoundBluetoothPortsAndTheRest)
{
    List("4:64", "tty", "4");
    List("4:65", "tty", "0");  // a ttyS with no UART behind it
    List("216:0", "tty");      // an RFCOMM port, while it is bound
    List("1:3", "mem");        // /dev/null
    const fs::path adapter = List("188:0", "tty");
    fs::create_directories(adapter / "device");
    fs::create_directory_symlink("../../../bus/usb-serial/drivers/pl2303",
                                 adapter / "device" / "driver");

    EXPECT_EQ(LineOf(4, 64), Line::SerialPort);
    EXPECT_EQ(LineOf(4, 65), Line::SerialNoUart);
    EXPECT_EQ(LineOf(216, 0), Line::BoundRfcomm);
    EXPECT_EQ(LineOf(216, 1), Line::UnboundRfcomm) << "released: the node has nothing behind it";
    EXPECT_EQ(LineOf(136, 3), Line::PseudoTerminal) << "pseudo-terminals are never listed";
    EXPECT_EQ(LineOf(1, 3), Line::NotATerminal);
    EXPECT_EQ(LineOf(7, 7), Line::Unlisted);

    DeviceNode::Facts facts;
    facts.major = 188;
    DeviceNode::DescribeCharacterDevice(facts, sys);
    EXPECT_EQ(facts.line, Line::Terminal);
    EXPECT_EQ(facts.driver, "pl2303");

    // In the system's list an entry leads to the device's folder, which bears its name.
    fs::create_directories(sys / "devices" / "platform" / "serial8250" / "tty" / "ttyS9");
    fs::create_directory_symlink("../../devices/platform/serial8250/tty/ttyS9",
                                 sys / "dev" / "char" / "4:73");
    facts.major = 4;
    facts.minor = 73;
    DeviceNode::DescribeCharacterDevice(facts, sys);
    EXPECT_EQ(facts.name, "ttyS9");

    fs::remove_all(sys / "dev");
    EXPECT_EQ(LineOf(4, 64), Line::Unknown) << "no device list: nothing can be told";
}

// A node is described by its status alone: a FIFO, which blocks whoever opens it to read,
// is never opened, and neither is a pseudo-terminal.
TEST_F(DeviceListTest, DescribesANodeWithoutOpeningIt)
{
    const fs::path fifo = scratch.Path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PseudoTerminal line;
    ASSERT_TRUE(line.Open(PseudoTerminal::DeviceSide::Free));
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
    ASSERT_GE(::inotify_add_watch(watch, line.DevicePath().c_str(), IN_OPEN), 0);

    const DeviceNode::Facts piped = DeviceNode::Describe(fifo, sys);
    EXPECT_EQ(piped.kind, DeviceNode::Kind::Fifo);
    const DeviceNode::Facts terminal = DeviceNode::Describe(line.DevicePath(), sys);
    EXPECT_EQ(terminal.kind, DeviceNode::Kind::CharacterDevice);
    EXPECT_EQ(terminal.line, Line::PseudoTerminal);
    EXPECT_EQ(terminal.owner, ::geteuid());
    EXPECT_TRUE(terminal.mayOpen);

    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "something was opened";
    ::close(watch);

    EXPECT_EQ(DeviceNode::Describe(scratch.Path() / "none", sys).kind, DeviceNode::Kind::Missing);
    EXPECT_EQ(DeviceNode::Describe(scratch.Path(), sys).kind, DeviceNode::Kind::Folder);
}

}  // namespace
}  // namespace quorvex
