// quorvex-nmea-sim: a simulated GPS receiver on a serial line, or with --listen the device
// at the line's other end. It writes the generator's NMEA stream, each sentence when its
// last character would have left a line of the chosen rate, and reports what comes back.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/system/folder_handle.h"
#include "platform/system/prefix_check.h"
#include "platform/system/stop_signals.h"
#include "sim/line_pacer.h"
#include "sim/nmea_generator.h"
#include "sim/sentence_counter.h"
#include "sim/sim_link.h"
#include "sim/sim_options.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

struct Tally {
    std::uint64_t sentences = 0;
    std::uint64_t bytes = 0;
    std::uint64_t epochs = 0;
    std::uint64_t unheard = 0;  // not sent: nobody held the pseudo-terminal's device side
    std::uint64_t failed = 0;
    SentenceCounter received;
};

// devices/<name> in the prefix, pointing at the pseudo-terminal while the tool runs. A link
// left by an earlier run is replaced; anything else there is left alone. The prefix must be
// the user's own, as quorvex wants it.
class PrefixLink {
public:
    bool Make(const std::string& name, const std::filesystem::path& target, std::string& error)
    {
        FolderHandle prefix;
        auto finding = PrefixCheck::Open(prefix);
        if (!finding)
            finding = PrefixCheck::Subfolder(prefix, "devices", devices);
        if (finding) {
            error = finding->Text();
            return false;
        }
        if (devices.IsLink(name))
            (void)devices.Remove(name);  // a link of an earlier run; one made meanwhile fails below
        if (const SystemResult made = devices.MakeLink(name, target); !made.Ok()) {
            error = (devices.Path() / name).string() +
                    (made.error == EEXIST ? " exists and is not a link"
                                          : ": " + std::generic_category().message(made.error));
            return false;
        }
        link = name;
        this->target = target;
        return true;
    }
    std::filesystem::path Path() const
    {
        return link.empty() ? std::filesystem::path() : devices.Path() / link;
    }

    ~PrefixLink()
    {
        if (!link.empty() && devices.ReadLink(link) == target.string())
            (void)devices.Remove(link);  // best effort: the run is over either way
    }

private:
    FolderHandle devices;
    std::string link;
    std::filesystem::path target;
};

// Takes what the other end sent, and copies it where asked.
void Take(SimLink& link, std::chrono::milliseconds limit, Tally& tally, std::FILE* copy)
{
    unsigned char buffer[512];
    const std::size_t got = link.Receive(buffer, limit);
    if (got == 0)
        return;
    tally.received.Add({buffer, got});
    if (copy) {
        std::fwrite(buffer, 1, got, copy);
        std::fflush(copy);
    }
}

// Where copies of the traffic go; either may be null.
struct Copies {
    std::FILE* received = nullptr;
    std::FILE* sent = nullptr;
};

void Run(const SimOptions& options, SimLink& link, StopSignals& stop, const Copies& copies,
         Tally& tally)
{
    if (options.awaitOpen) {
        while (!link.Listening()) {
            if (stop.WaitFor(50ms))
                return;
        }
    }
    NmeaGenerator generator(options.seed, options.rateHz);
    LinePacer pacer(options.baud);
    const auto start = SteadyClock::now();
    const auto never = SteadyClock::time_point::max();
    auto end = options.seconds ? start + std::chrono::seconds(options.seconds) : never;

    std::string_view sentence;
    auto due = never;
    auto next = [&] {
        const std::uint64_t epoch = generator.Epoch();
        sentence = generator.Next();
        due = start + pacer.Next(generator.EpochOffset(epoch), sentence.size());
    };
    if (!options.listen)
        next();

    while (!stop.WaitFor(0ns)) {
        const auto now = SteadyClock::now();
        if (now >= due) {
            switch (link.Send(sentence)) {
                case SimLink::Sent::Whole:
                    ++tally.sentences;
                    tally.bytes += sentence.size();
                    if (copies.sent) {
                        std::fwrite(sentence.data(), 1, sentence.size(), copies.sent);
                        std::fflush(copies.sent);
                    }
                    break;
                case SimLink::Sent::NobodyListening:
                    ++tally.unheard;
                    break;
                case SimLink::Sent::Failed:
                    ++tally.failed;
                    break;
            }
            tally.epochs = generator.Epoch();
            if (options.epochs && generator.AtEpochStart() && tally.epochs >= options.epochs) {
                if (!options.linger)
                    break;
                due = never;
                continue;
            }
            next();
            continue;
        }
        if (now >= end) {
            if (!options.linger)
                break;
            due = end = never;
            continue;
        }
        // Wake at least every 100 ms, so that a stop signal is taken promptly.
        const auto wake = std::min({due, end, now + 100ms});
        Take(link, std::chrono::ceil<std::chrono::milliseconds>(wake - now), tally,
             copies.received);
        // A line that returns at once (nobody listening, a hang-up) must not make this spin.
        stop.WaitFor(std::max(SteadyClock::duration(0), wake - SteadyClock::now()));
    }
    // What the other end sent just before the stop may still be on its way.
    for (int i = 0; i < 5 && link.Listening(); ++i)
        Take(link, 20ms, tally, copies.received);
}

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv)
{
    using namespace quorvex;
    SimOptions options;
    std::string error;
    if (!SimOptions::Parse({argv + 1, static_cast<std::size_t>(argc - 1)}, options, error)) {
        std::fprintf(stderr, "quorvex-nmea-sim: %s\n%s", error.c_str(), SimOptions::Usage());
        return 2;
    }
    if (options.help) {
        std::fputs(SimOptions::Usage(), stdout);
        return 0;
    }

    StopSignals stop;
    SimLink link;
    const bool opened = options.pty ? link.OpenPseudoTerminal(error)
                                    : link.OpenDevice(options.device, options.baud, error);
    PrefixLink prefixLink;
    if (!opened ||
        (!options.link.empty() && !prefixLink.Make(options.link, link.DevicePath(), error))) {
        std::fprintf(stderr, "quorvex-nmea-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("device %s\n", link.DevicePath().c_str());
    if (!prefixLink.Path().empty())
        std::printf("linked %s\n", prefixLink.Path().c_str());
    std::fflush(stdout);

    Copies copies;
    if (options.received == "-")
        copies.received = stdout;
    else if (!options.received.empty())
        copies.received = std::fopen(options.received.c_str(), "wb");
    if (!options.sent.empty())
        copies.sent = std::fopen(options.sent.c_str(), "wb");
    if ((!options.received.empty() && !copies.received) ||
        (!options.sent.empty() && !copies.sent)) {
        std::fprintf(stderr, "quorvex-nmea-sim: cannot write the copies asked for\n");
        return 1;
    }

    Tally tally;
    Run(options, link, stop, copies, tally);
    for (std::FILE* file : {copies.received, copies.sent}) {
        if (file && file != stdout)
            std::fclose(file);
    }

    if (!options.listen) {
        std::printf(
            "sent %llu sentences, %llu bytes, in %llu epochs; %llu unsent while nobody "
            "listened, %llu failed\n",
            static_cast<unsigned long long>(tally.sentences),
            static_cast<unsigned long long>(tally.bytes),
            static_cast<unsigned long long>(tally.epochs),
            static_cast<unsigned long long>(tally.unheard),
            static_cast<unsigned long long>(tally.failed));
    }
    std::printf("received %llu bytes: %llu sentences with a valid checksum, %llu other lines\n",
                static_cast<unsigned long long>(tally.received.Bytes()),
                static_cast<unsigned long long>(tally.received.Sentences()),
                static_cast<unsigned long long>(tally.received.OtherLines()));
    return 0;
}
