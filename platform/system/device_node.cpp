#include "platform/system/device_node.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <optional>

#include "platform/system/posix.h"
#include "platform/system/posix_file.h"

namespace quorvex {
namespace {

// The last name of the path a symbolic link in the device list holds: "tty" for
// "../../../../class/tty". Empty when there is no such link.
std::string LinkName(const std::filesystem::path& link)
{
    std::string target;
    if (!Posix::ReadLink(link.c_str(), target).Ok())
        return {};
    return std::filesystem::path(target).filename().string();
}

// A number the device list holds in a file of its own, such as a serial port's "type".
std::optional<int> ReadNumber(const std::filesystem::path& file)
{
    PosixFile opened;
    std::string text;
    if (opened.Open(file, PosixFile::Mode::Read) != PosixFile::Result::Ok ||
        opened.ReadAll(text, 64) != PosixFile::Result::Ok)
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    return value;
}

bool Exists(const std::filesystem::path& path)
{
    struct stat status {};
    return Posix::StatusAt(AT_FDCWD, path.c_str(), status, false).Ok();
}

}  // namespace

void DeviceNode::DescribeCharacterDevice(Facts& facts, const std::filesystem::path& sys)
{
    if (facts.major >= kFirstPseudoTerminalMajor && facts.major <= kLastPseudoTerminalMajor) {
        facts.line = Line::PseudoTerminal;  // pseudo-terminals are not in the device list
        return;
    }
    const std::filesystem::path list = sys / "dev" / "char";
    if (!Exists(list)) {
        facts.line = Line::Unknown;
        return;
    }
    const std::filesystem::path entry =
        list / (std::to_string(facts.major) + ":" + std::to_string(facts.minor));
    const bool listed = Exists(entry);
    if (facts.major == kRfcommMajor) {
        // A bound port is listed for as long as it is bound, and its node goes with it.
        facts.line = listed ? Line::BoundRfcomm : Line::UnboundRfcomm;
        return;
    }
    if (!listed) {
        facts.line = Line::Unlisted;
        return;
    }
    facts.name = LinkName(entry);  // the entry leads to the device's folder, named so
    if (LinkName(entry / "subsystem") != "tty") {
        facts.line = Line::NotATerminal;
        return;
    }
    facts.driver = LinkName(entry / "device" / "driver");
    // Only serial ports have a UART type; 0 is "unknown", a port with no UART found.
    if (const auto type = ReadNumber(entry / "type")) {
        facts.uartType = *type;
        facts.line = *type == 0 ? Line::SerialNoUart : Line::SerialPort;
        return;
    }
    facts.line = Line::Terminal;
}

DeviceNode::Facts DeviceNode::Describe(const std::filesystem::path& path,
                                       const std::filesystem::path& sys)
{
    Facts facts;
    struct stat status {};
    // stat() and faccessat() never open the node, so neither a FIFO nor a device can
    // hold this call up or notice it.
    if (const SystemResult got = Posix::Status(path.c_str(), status); !got.Ok()) {
        facts.kind = got.error == ENOENT ? Kind::Missing : Kind::Unreachable;
        facts.error = got.error;
        return facts;
    }
    facts.owner = status.st_uid;
    facts.group = status.st_gid;
    facts.mode = status.st_mode & 07777;
    switch (status.st_mode & S_IFMT) {
        case S_IFCHR:
            facts.kind = Kind::CharacterDevice;
            break;
        case S_IFIFO:
            facts.kind = Kind::Fifo;
            break;
        case S_IFSOCK:
            facts.kind = Kind::Socket;
            break;
        case S_IFBLK:
            facts.kind = Kind::BlockDevice;
            break;
        case S_IFDIR:
            facts.kind = Kind::Folder;
            break;
        default:
            facts.kind = Kind::RegularFile;
            break;
    }
    const SystemResult access = Posix::AccessEffective(path.c_str(), R_OK | W_OK);
    facts.mayOpen = access.Ok();
    facts.accessError = access.error;
    if (facts.kind != Kind::CharacterDevice)
        return facts;
    facts.major = ::major(status.st_rdev);
    facts.minor = ::minor(status.st_rdev);
    DescribeCharacterDevice(facts, sys);
    return facts;
}

}  // namespace quorvex
