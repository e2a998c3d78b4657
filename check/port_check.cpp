#include "check/port_check.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "check/port_records.h"
#include "check/prefix_survey.h"
#include "platform/registry/live_records.h"
#include "platform/system/accounts.h"
#include "platform/system/link_target.h"
#include "platform/system/port_name.h"
#include "platform/system/posix.h"
#include "platform/system/utf8.h"

namespace quorvex {
namespace {

// A path as a shell reads it back, whatever characters it holds.
std::string Quoted(const std::filesystem::path& path)
{
    std::string quoted = "'";
    for (const char c : path.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ModeText(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode);
    return text;
}

std::string KindText(DeviceNode::Kind kind)
{
    switch (kind) {
        case DeviceNode::Kind::Fifo:
            return "a FIFO (a named pipe)";
        case DeviceNode::Kind::Socket:
            return "a socket";
        case DeviceNode::Kind::BlockDevice:
            return "a block device (a disk)";
        case DeviceNode::Kind::RegularFile:
            return "a regular file";
        case DeviceNode::Kind::Folder:
            return "a folder";
        default:
            return "no terminal";
    }
}

bool Contains(const std::vector<unsigned>& ids, unsigned id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

PortCheck::PortCheck(const PrefixSurvey& survey, const PortRecords& records,
                     const LiveRecords& live, std::filesystem::path sys)
    : survey(survey), records(records), live(live), sys(std::move(sys))
{
}

bool PortCheck::Check(const Port& port, std::vector<std::string>& lines) const
{
    const std::string label =
        "COM" + std::to_string(port.number) + (port.receiver ? " (receiver): " : " (output): ");
    const Say say = [&](const std::string& text) { lines.push_back(label + text); };
    bool listed = true;
    if (!port.receiver) {
        listed = records.Listed(port.catalogueIndex);
        say((listed ? "listed as \"" + port.displayText + "\": "
                    : "not listed, so it cannot be chosen: ") +
            records.WhyListed(port.catalogueIndex));
    }
    bool usable = false;
    if (const auto place = Locate(port, listed, say)) {
        const DeviceNode::Facts facts = DeviceNode::Describe(place->opened, sys);
        usable = DescribeDevice(port, *place, facts, say);
        // Each is looked at whatever the other says, so that one run names every cause.
        if (usable) {
            const bool mayOpen = Access(*place, facts, say);
            const bool free = Holders(port, *place, say);
            usable = mayOpen && free;
        }
    }
    const bool could = listed && usable;
    if (!listed)
        return false;  // the listing said so already
    if (!could)
        say("quorvex could not open it");
    else if (survey.Passes())
        say("quorvex could open it");
    else
        say("quorvex could open it once the prefix is mended");
    return could;
}

std::optional<PortCheck::Place> PortCheck::Locate(const Port& port, bool listed,
                                                  const Say& say) const
{
    const std::string name = "com" + std::to_string(port.number);
    const std::string link = "devices/" + name;
    switch (survey.DeviceLinks()) {
        case PrefixSurvey::Links::NotFollowed:
            if (!listed)
                return std::nullopt;
            say(link + " is not looked at, as the " +
                (survey.Prefix() ? "folder devices/" : "prefix") +
                " fails its checks or cannot be read (see above)");
            return std::nullopt;
        case PrefixSurvey::Links::Readable: {
            const FolderHandle& devices = survey.Devices();
            const std::filesystem::path opened = devices.Path() / name;
            if (const auto target = devices.ReadLink(name)) {
                const std::filesystem::path device = LinkTarget::Final(opened).lexically_normal();
                say(link + " leads to " + *target +
                    (device == std::filesystem::path(*target) ? ""
                                                              : ", that is " + device.string()));
                return Place{opened, device, false};
            }
            if (DeviceNode::Describe(opened, sys).kind != DeviceNode::Kind::Missing) {
                say(link + " is no link: quorvex opens it as it stands");
                return Place{opened, opened, false};
            }
            break;
        }
        case PrefixSurvey::Links::Absent:
            break;
    }
    // An output that is not listed is never opened: where its name would lead is no matter.
    if (!listed)
        return std::nullopt;
    const auto fallback = PortName::Resolve(L"COM" + std::to_wstring(port.number), std::nullopt);
    const std::string why = !survey.Exists() ? "there is no prefix yet"
                            : survey.DeviceLinks() == PrefixSurvey::Links::Absent
                                ? "there is no folder devices/"
                                : "there is no such link";
    say("no " + link + " (" + why + "): quorvex opens " + fallback->string());
    return Place{*fallback, *fallback, true};
}

bool PortCheck::DescribeDevice(const Port& port, const Place& place, const DeviceNode::Facts& facts,
                               const Say& say) const
{
    using Line = DeviceNode::Line;
    const std::string device = place.device.string();
    switch (facts.kind) {
        case DeviceNode::Kind::Missing:
            say(device + " does not exist: " + Remedy(port, place));
            return false;
        case DeviceNode::Kind::Unreachable:
            say(device + " cannot be looked at: " + std::generic_category().message(facts.error));
            return false;
        case DeviceNode::Kind::CharacterDevice:
            break;
        default:
            say(device + " is " + KindText(facts.kind) +
                ", not a terminal: quorvex cannot use it as a serial port");
            return false;
    }
    const std::string driver = facts.driver.empty() ? "" : ", driver " + facts.driver;
    switch (facts.line) {
        case Line::Unknown:
            say(device + " is a character device; whether it is a terminal cannot be told, as " +
                (sys / "dev" / "char").string() + " is missing");
            return true;
        case Line::Unlisted:
            say(device + " is a device node (" + std::to_string(facts.major) + ":" +
                std::to_string(facts.minor) +
                ") that no device stands behind: " + Remedy(port, place));
            return false;
        case Line::NotATerminal:
            say(device +
                " is a device, but not a terminal: quorvex cannot use it as a serial port");
            return false;
        case Line::SerialPort:
            say(device + " is a serial port with its hardware (a UART of type " +
                std::to_string(facts.uartType) + ")");
            return true;
        case Line::SerialNoUart:
            say(device + " is a serial port with no hardware behind it (/sys/class/tty/" +
                (facts.name.empty() ? place.device.filename().string() : facts.name) +
                "/type reads 0, \"unknown\"): " + Remedy(port, place));
            return false;
        case Line::BoundRfcomm:
            say(device + " is a bound Bluetooth serial port (RFCOMM): opening it connects to the " +
                "device it is bound to");
            return true;
        case Line::UnboundRfcomm:
            say(device + " is a Bluetooth (RFCOMM) device node, but no port is bound to it: " +
                Remedy(port, place));
            return false;
        case Line::PseudoTerminal:
            say(device + " is a pseudo-terminal: the program at its other side stands in for " +
                "the device");
            return true;
        case Line::Terminal:
            say(device + " is a terminal (a serial device" + driver + ")");
            return true;
    }
    return false;
}

bool PortCheck::Access(const Place& place, const DeviceNode::Facts& facts, const Say& say) const
{
    const unsigned self = Posix::EffectiveUser();
    const std::string user = Accounts::UserName(self);
    const std::string group = Accounts::GroupName(facts.group);
    const std::string owner = Accounts::UserName(facts.owner);
    const std::string rights =
        ": owner " + owner + ", group " + group + ", mode " + ModeText(facts.mode);
    if (facts.mayOpen) {
        say("you (" + user + ") may open it for reading and writing" + rights);
        return true;
    }
    say("you (" + user + ") may not open it for reading and writing" + rights);
    const bool groupMay = (facts.mode & 060) == 060;
    if (groupMay && !Contains(Accounts::ProcessGroups(), facts.group)) {
        if (Contains(Accounts::GroupsOfUser(self), facts.group))
            say("you are in the group " + group + ", but this login began before you were " +
                "added: log out and in again (or start a shell in the group with: newgrp " + group +
                ")");
        else
            say("add yourself to the group " + group + ", which may read and write it: sudo " +
                "usermod -aG " + group + " " + user + ", then log out and in again (a new " +
                "login is needed)");
    } else if (facts.owner == self) {
        say("even you, its owner, may not: chmod u+rw " + Quoted(place.device));
    } else if (!groupMay) {
        say("its group " + group + " may not read and write it either, only " + owner +
            ": a udev rule can give such a device to the group dialout with mode 0660 (see " +
            "man quorvex-check)");
    }
    return false;
}

bool PortCheck::Holders(const Port& port, const Place& place, const Say& say) const
{
    bool free = true;
    if (port.receiver && !records.ReceiverRecord().empty()) {
        say("system.reg names " + ToUtf8(records.ReceiverRecord()) + " as its holder (see " +
            "records above)");
        free = false;
    }
    // The dialog offers Connect only while nobody is named as the receiver's holder; the
    // open itself is refused only by a lock.
    const bool dialogAsks = port.receiver && !records.HasReceiverRecord();
    bool anyone = false;
    for (const LiveRecords::Holder& holder : live.HoldersNow(place.opened)) {
        anyone = true;
        const std::string name = ToUtf8(holder.name);
        std::string text = "held by " + name + " (process " + std::to_string(holder.pid) + ")";
        const bool locks = holder.way != LiveRecords::Holder::Way::Descriptor;
        if (holder.way == LiveRecords::Holder::Way::UucpLock)
            text += " by a UUCP lock file, LCK.." + place.device.filename().string();
        else
            text += locks ? " by a lock on the device" : ", which has it open";
        if (dialogAsks)
            text += ": quorvex shows \"In use by " + name + "\" and offers no Connect";
        else if (locks)
            text += ": quorvex cannot open it while it does";
        else
            text += ": quorvex may open it too, unless that program asked for the line alone " +
                    std::string("(which only opening it would show), and would share the line");
        say(text);
        free = free && !dialogAsks && !locks;
    }
    if (!anyone)
        say(Posix::EffectiveUser() == 0 ? "nobody holds it"
                                        : "nobody holds it (of other users' programs, only the " +
                                              std::string("locks they take show)"));
    return free;
}

std::string PortCheck::Remedy(const Port& port, const Place& place) const
{
    const std::string name = place.device.filename().string();
    const std::string link = "devices/com" + std::to_string(port.number);
    if (place.fallback) {
        const std::filesystem::path folder = survey.Location() / "devices";
        const std::string example = port.receiver              ? "/dev/ttyUSB0"
                                    : port.catalogueIndex == 0 ? "/dev/ttyUSB1"
                                                               : "/dev/rfcomm0";
        const std::string make = survey.DeviceLinks() == PrefixSurvey::Links::Absent
                                     ? "(umask 077 && mkdir -p " + Quoted(folder) + ") && "
                                     : "";
        return std::string("nothing stands behind the name here; link ") + link + " to the " +
               (port.receiver ? "receiver's device" : "device of the port") +
               ", for example: " + make + "ln -s " + example + " " +
               Quoted(folder / link.substr(8));
    }
    if (name.starts_with("rfcomm"))
        return "the Bluetooth port is not bound; as root, bind it with: rfcomm bind " +
               name.substr(6) + " <the device's address> <channel>, or let rfcomm listen " +
               "make it when the device connects (see man quorvex)";
    if (name.starts_with("ttyUSB") || name.starts_with("ttyACM"))
        return std::string("is the ") + (port.receiver ? "receiver" : "device") +
               " plugged in? ls -l /dev/serial/by-id/ lists the serial devices there are";
    if (place.device.parent_path() == "/dev/pts")
        return "the program that made this pseudo-terminal has ended";
    return "mend the link " + link;
}

}  // namespace quorvex
