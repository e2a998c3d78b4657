// quorvex-check: tells why quorvex can or cannot connect, without opening any device or
// changing anything. It reads the prefix quorvex would use, as quorvex reads it, and says
// for the receiver COM2 and each output port where its name leads, what stands there,
// whether this user may open it and who holds it, which Bluetooth ports are offered and
// why, and whether the prefix passes its checks.

#include <cstdio>
#include <string_view>

#include "check/check_report.h"
#include "platform/system/prefix.h"
#include "resources/program_resources.h"

namespace {

constexpr int kCouldConnect = 0;
constexpr int kCouldNotConnect = 1;
constexpr int kBadUsage = 2;

constexpr const char* kUsage =
    "usage: quorvex-check [--help]\n"
    "\n"
    "Tells why quorvex can or cannot connect the receiver COM2 to an output port, one\n"
    "finding a line: whether the prefix passes its checks, which Bluetooth ports the records\n"
    "offer and why, and for the receiver and each output port where its name leads\n"
    "(devices/comN, or /dev/ttyS<N-1>), whether the device exists and is a terminal, whether\n"
    "you may open it, and who holds it. It opens no device and changes nothing.\n"
    "\n"
    "The prefix is $QUORVEX_PREFIX, else $XDG_CONFIG_HOME/quorvex, else ~/.config/quorvex.\n"
    "Exit status: 0 when the receiver and at least one output port could be opened, 1 when\n"
    "not, 2 for a wrong argument. See man quorvex-check.\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return kCouldConnect;
    }
    if (argc != 1) {
        std::fprintf(stderr, "quorvex-check: unknown argument '%s'\n%s", argv[1], kUsage);
        return kBadUsage;
    }
    quorvex::CheckReport report(quorvex::ProgramResources());
    report.Run(quorvex::Prefix::Locate());
    for (const std::string& line : report.Lines()) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    return report.CouldConnect() ? kCouldConnect : kCouldNotConnect;
}
