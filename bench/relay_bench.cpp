// With --quick, only the transfers and a 10 s paced stream, for trying a change.
//
// Relays between pseudo-terminal pairs through RelayEngine and, in the same run on identical
// pairs, through the relay's shape alone (BareRelay: the ceiling of the design), through socat
// with the relay's own 512-byte chunks (-b512) and with its defaults, and prints throughput,
// CPU and context switches per MiB, latency, the cost of a real receiver's pace, idle
// wake-ups, heap allocations on the data path, and the cost of a hang-up.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/task_usage.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/bare_relay.h"
#include "platform/testing/child_process.h"
#include "platform/testing/random_bytes.h"
#include "platform/threads/thread.h"
#include "relay/relay_engine.h"
#include "sim/line_pacer.h"
#include "sim/nmea_generator.h"

namespace {

std::atomic<bool> countAllocations{false};
std::atomic<std::uint64_t> allocations{0};

}  // namespace

void* operator new(std::size_t size)
{
    if (countAllocations.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace quorvex::bench {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kMiB = 1 << 20;
constexpr double kMiBs = static_cast<double>(kMiB);

// A folder of the prefix, mode 0700 whatever the umask: quorvex uses no other.
void MakePrivateFolder(const std::filesystem::path& folder)
{
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
}

// One relay under test between two pseudo-terminal pairs: what the receiver's far side
// sends must come out of the output's far side, and the other way round.
class Subject {
public:
    virtual ~Subject() = default;
    virtual Usage Sample() const = 0;
    PseudoTerminal receiver;
    PseudoTerminal output;
};

class OurRelay : public Subject {
public:
    bool Start(const std::filesystem::path& prefix)
    {
        if (!receiver.Open() || !output.Open())
            return false;
        MakePrivateFolder(prefix / "devices");
        std::filesystem::create_symlink(receiver.DevicePath(), prefix / "devices" / "com2");
        std::filesystem::create_symlink(output.DevicePath(), prefix / "devices" / "com5");
        const auto before = TaskUsage::Threads("self");
        if (!engine.Connect(L"COM2:", L"COM5:", 115200, 0, 8, 0))
            return false;
        while (engine.GetStatus() == RelayEngine::StatusBusy)
            std::this_thread::sleep_for(1ms);
        if (engine.GetStatus() != RelayEngine::StatusReady)
            return false;
        // The threads that came with the connection, in the order they started: the output
        // port's reader, the receiver port's reader, the relay thread.
        threads = TaskUsage::StartedSince(before);
        return threads.size() == 3;
    }
    Usage Sample() const override { return TaskUsage::Of("self", threads); }
    Usage SampleThread(std::size_t index) const { return TaskUsage::Of("self", {threads[index]}); }

    RelayEngine engine;
    std::vector<std::string> threads;
};

// The relay's shape alone (BareRelay): what any relay of this design could do here.
class Shape : public Subject {
public:
    bool Start()
    {
        if (!receiver.Open() || !output.Open())
            return false;
        const auto before = TaskUsage::Threads("self");
        if (!relay.Start(receiver.DevicePath(), output.DevicePath()))
            return false;
        threads = TaskUsage::StartedSince(before);
        return threads.size() == 3;
    }
    Usage Sample() const override { return TaskUsage::Of("self", threads); }

    BareRelay relay;
    std::vector<std::string> threads;
};

class Socat : public Subject {
public:
    explicit Socat(std::vector<std::string> options) : options(std::move(options)) {}

    bool Start()
    {
        if (!receiver.Open() || !output.Open())
            return false;
        std::vector<std::string> arguments = options;
        arguments.push_back(receiver.DevicePath().string() + ",raw,echo=0");
        arguments.push_back(output.DevicePath().string() + ",raw,echo=0");
        if (!process.Start("socat", arguments))
            return false;
        // socat is ready once a byte gets through.
        const unsigned char probe = 0x55;
        unsigned char seen = 0;
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (!receiver.Send({&probe, 1}))
                return false;
            if (output.ReceiveSome({&seen, 1}, 100ms) == 1)
                break;
        }
        // Drop any further copies of the probe.
        unsigned char rest[64];
        while (output.ReceiveSome(rest, 200ms) > 0) {
        }
        return seen == probe;
    }
    Usage Sample() const override
    {
        const std::string pid = std::to_string(process.Pid());
        return TaskUsage::Of(pid, TaskUsage::Threads(pid));
    }

    std::vector<std::string> options;
    ChildProcess process;
};

struct Transfer {
    double seconds = 0;
    Usage used;
    bool intact = false;
};

// Sends `bytes` each way named and waits until every byte came out intact. With
// `countHeap`, counts the allocations made while the bytes travel, after the driving
// threads have started (starting a thread allocates; moving bytes must not).
Transfer Relay(Subject& subject, std::size_t bytes, bool bothWays, bool countHeap = false)
{
    const auto outbound = RandomBytes::Make(bytes, 11);
    const auto inbound = RandomBytes::Make(bytes, 12);
    std::vector<unsigned char> outboundSeen(bytes);
    std::vector<unsigned char> inboundSeen(bytes);
    bool ok[4] = {true, true, true, true};
    const Usage before = subject.Sample();
    const auto start = SteadyClock::now();
    {
        Thread threads[4];
        threads[0].Start([&] { ok[0] = subject.receiver.Send(outbound, 120s); });
        threads[1].Start([&] { ok[1] = subject.output.Receive(outboundSeen, 120s); });
        if (bothWays) {
            threads[2].Start([&] { ok[2] = subject.output.Send(inbound, 120s); });
            threads[3].Start([&] { ok[3] = subject.receiver.Receive(inboundSeen, 120s); });
        }
        countAllocations = countHeap;
        for (Thread& thread : threads)
            thread.Join();
        countAllocations = false;
    }
    Transfer result;
    result.seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    result.used = subject.Sample() - before;
    result.intact = ok[0] && ok[1] && ok[2] && ok[3] && outboundSeen == outbound &&
                    (!bothWays || inboundSeen == inbound);
    return result;
}

struct Latency {
    double median = 0, p99 = 0, max = 0;  // milliseconds
};

Latency Summarise(std::vector<double> times)
{
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 99 / 100], times.back()};
}

constexpr int kSubjects = 4;  // ours, the shape alone, socat -b512, socat

// An 82-byte sentence every 10 ms to each subject, timed from its write until its last byte
// came out. The subjects take their sentences in turn within each 10 ms, a different one
// first each time, so that all see the machine alike.
std::array<Latency, kSubjects> MeasureLatency(Subject* const (&subjects)[kSubjects], int sentences)
{
    std::string sentence = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    sentence.resize(80, '0');
    sentence += "\r\n";
    std::vector<unsigned char> bytes(sentence.begin(), sentence.end());
    std::vector<unsigned char> seen(bytes.size());
    std::vector<double> times[kSubjects];
    auto next = SteadyClock::now();
    for (int i = 0; i < sentences; ++i) {
        next += 10ms;
        for (int turn = 0; turn < kSubjects; ++turn) {
            const int subject = (i + turn) % kSubjects;  // none always first
            const auto start = SteadyClock::now();
            if (!subjects[subject]->receiver.Send(bytes) ||
                !subjects[subject]->output.Receive(seen))
                continue;
            times[subject].push_back(
                std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
        }
        std::this_thread::sleep_until(next);
    }
    std::array<Latency, kSubjects> latencies;
    for (int subject = 0; subject < kSubjects; ++subject)
        latencies[subject] = Summarise(std::move(times[subject]));
    return latencies;
}

// A receiver's stream: each sentence with the moment its last character leaves the line.
struct Sentence {
    std::string text;
    SteadyClock::duration due;
};

std::vector<Sentence> ReceiverStream(std::chrono::seconds length)
{
    NmeaGenerator generator(7, 10);
    LinePacer pacer(115200);
    std::vector<Sentence> stream;
    while (generator.EpochOffset(generator.Epoch()) < length) {
        const auto epochStart = generator.EpochOffset(generator.Epoch());
        const std::string_view text = generator.Next();
        stream.push_back({std::string(text), pacer.Next(epochStart, text.size())});
    }
    return stream;
}

struct Paced {
    double cpuPerSecond = 0;      // ms
    double wakeUpsPerSecond = 0;  // voluntary context switches
    Latency latency;
    std::size_t delivered = 0;
};

// Plays the stream into the subject's receiver side at its own pace while the output side
// notes when each sentence's line feed came out.
class PacedRun {
public:
    PacedRun(Subject& subject, const std::vector<Sentence>& stream)
        : subject(subject), stream(stream), sent(new std::atomic<std::int64_t>[stream.size()])
    {
    }

    void Start(SteadyClock::time_point start)
    {
        before = subject.Sample();
        sender.Start([this, start] {
            for (std::size_t i = 0; i < stream.size(); ++i) {
                std::this_thread::sleep_until(start + stream[i].due);
                sent[i] = SteadyClock::now().time_since_epoch().count();
                const auto& text = stream[i].text;
                if (!subject.receiver.Send(
                        {reinterpret_cast<const unsigned char*>(text.data()), text.size()}))
                    break;
            }
        });
        receiverThread.Start([this] {
            unsigned char bytes[4096];
            while (times.size() < stream.size()) {
                const std::size_t got = subject.output.ReceiveSome(bytes, 2s);
                if (got == 0)
                    break;
                const auto now = SteadyClock::now().time_since_epoch().count();
                for (std::size_t i = 0; i < got; ++i)
                    if (bytes[i] == '\n' && times.size() < stream.size())
                        times.push_back(static_cast<double>(now - sent[times.size()]) / 1e6);
            }
        });
    }

    Paced Finish(double seconds)
    {
        sender.Join();
        receiverThread.Join();
        const Usage used = subject.Sample() - before;
        Paced result;
        result.cpuPerSecond = used.cpuSeconds * 1000 / seconds;
        result.wakeUpsPerSecond = static_cast<double>(used.wakeUps) / seconds;
        result.delivered = times.size();
        result.latency = Summarise(times);
        return result;
    }

private:
    Subject& subject;
    const std::vector<Sentence>& stream;
    std::unique_ptr<std::atomic<std::int64_t>[]> sent;
    std::vector<double> times;
    Usage before;
    Thread sender;
    Thread receiverThread;
};

double Ratio(double ours, double other)
{
    return other != 0 ? ours / other : 0.0;
}

using Values = std::array<double, kSubjects>;

void Row(const char* what, const Values& values, int digits = 2)
{
    std::printf("%-44s %9.*f %9.*f %5.2f %9.*f %5.2f %9.*f %5.2f\n", what, digits, values[0],
                digits, values[1], Ratio(values[0], values[1]), digits, values[2],
                Ratio(values[0], values[2]), digits, values[3], Ratio(values[0], values[3]));
}

template <typename Value>
Values Each(Value value)
{
    return {value(0), value(1), value(2), value(3)};
}

// Transfers taken in turns, a round at a time and a different subject first each round, so
// that the load other work puts on the machine falls alike on every subject; a subject's
// figures are the sum of its rounds.
struct Transfers {
    std::size_t bytes = 0;
    double seconds = 0;
    Usage used;
    bool intact = true;

    void Add(const Transfer& transfer, std::size_t moved)
    {
        bytes += moved;
        seconds += transfer.seconds;
        used = used + transfer.used;
        intact = intact && transfer.intact;
    }
    double MiB() const { return static_cast<double>(bytes) / kMiBs; }
    double MiBPerSecond() const { return MiB() / seconds; }
    double CpuMsPerMiB() const { return used.cpuSeconds * 1000 / MiB(); }
    double PerMiB(std::uint64_t count) const { return static_cast<double>(count) / MiB(); }
};

}  // namespace

int Main(bool quick)
{
    const auto prefix = std::filesystem::temp_directory_path() /
                        ("quorvex-bench-" + std::to_string(std::random_device()()));
    MakePrivateFolder(prefix);
    ::setenv("QUORVEX_PREFIX", prefix.c_str(), 1);
    struct Cleanup {
        std::filesystem::path path;
        ~Cleanup() { std::filesystem::remove_all(path); }
    } cleanup{prefix};

    OurRelay ours;
    Shape shape;
    Socat socat512({"-b512"});
    Socat socat({});
    if (!ours.Start(prefix)) {
        std::fprintf(stderr, "relay_bench: could not connect the relay engine\n");
        return 1;
    }
    if (!shape.Start()) {
        std::fprintf(stderr, "relay_bench: could not start the bare relay\n");
        return 1;
    }
    if (!socat512.Start() || !socat.Start()) {
        std::fprintf(stderr,
                     "relay_bench: could not start socat (tools/install-deps.sh installs it)\n");
        return 1;
    }
    Subject* subjects[kSubjects] = {&ours, &shape, &socat512, &socat};

    std::printf(
        "Relay benchmark: RelayEngine beside the relay's shape alone (no events, no locks),\n"
        "socat -b512 and socat with its defaults, each between two pseudo-terminal pairs;\n"
        "ratios are ours / theirs.\n\n");
    std::printf("%-44s %9s %9s %5s %9s %5s %9s %5s\n", "", "ours", "shape", "ratio", "socat-b512",
                "ratio", "socat", "ratio");

    const int rounds = quick ? 2 : 8;
    const std::size_t oneWay = 8 * kMiB;
    const std::size_t eachWay = 4 * kMiB;
    Transfers one[kSubjects], both[kSubjects];
    Usage receiverReaderUsed, relayThreadUsed;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < kSubjects; ++turn) {
            const int i = (round + turn) % kSubjects;  // none always first
            if (i != 0) {
                one[i].Add(Relay(*subjects[i], oneWay, false), oneWay);
                continue;
            }
            const Usage receiverReader = ours.SampleThread(1);
            const Usage relayThread = ours.SampleThread(2);
            one[i].Add(Relay(ours, oneWay, false), oneWay);
            receiverReaderUsed = receiverReaderUsed + (ours.SampleThread(1) - receiverReader);
            relayThreadUsed = relayThreadUsed + (ours.SampleThread(2) - relayThread);
        }
        for (int turn = 0; turn < kSubjects; ++turn) {
            const int i = (round + turn) % kSubjects;
            both[i].Add(Relay(*subjects[i], eachWay, true), 2 * eachWay);
        }
    }
    for (int i = 0; i < kSubjects; ++i)
        if (!one[i].intact || !both[i].intact)
            std::printf("WARNING: subject %d lost or changed bytes\n", i);

    Row("throughput one way, MiB/s", Each([&](int i) { return one[i].MiBPerSecond(); }));
    Row("throughput both ways at once (sum), MiB/s",
        Each([&](int i) { return both[i].MiBPerSecond(); }));
    Row("CPU per MiB one way, ms", Each([&](int i) { return one[i].CpuMsPerMiB(); }));
    Row("CPU per MiB both ways, ms", Each([&](int i) { return both[i].CpuMsPerMiB(); }));
    Row("context switches per MiB one way",
        Each([&](int i) { return one[i].PerMiB(one[i].used.switches); }), 0);
    Row("context switches per MiB both ways",
        Each([&](int i) { return both[i].PerMiB(both[i].used.switches); }), 0);
    Row("wake-ups per MiB one way", Each([&](int i) { return one[i].PerMiB(one[i].used.wakeUps); }),
        0);

    // What the shape adds to a chunk over socat -b512 (one thread, select, read, write): its
    // wake-ups, and their cost, taken as all the CPU it spends beyond socat's.
    const double chunksPerMiB = kMiBs / 512;
    const double extraWakeUps =
        (one[1].PerMiB(one[1].used.wakeUps) - one[2].PerMiB(one[2].used.wakeUps)) / chunksPerMiB;
    const double extraCpu = (one[1].CpuMsPerMiB() - one[2].CpuMsPerMiB()) * 1000 / chunksPerMiB;
    std::printf("%-44s %.2f wake-ups and %.2f us of CPU beyond socat -b512's",
                "the shape, per 512-byte chunk one way", extraWakeUps, extraCpu);
    if (extraWakeUps > 0.05)
        std::printf(" (%.2f us a wake-up)", extraCpu / extraWakeUps);
    std::printf("\n");
    const double ourChunks = static_cast<double>(oneWay) * rounds / 512;
    std::printf("%-44s receiver reader %.2f (%.2f) and %.2f us, relay %.2f (%.2f) and %.2f us\n",
                "ours, per chunk: switches (wake-ups), CPU",
                receiverReaderUsed.switches / ourChunks, receiverReaderUsed.wakeUps / ourChunks,
                receiverReaderUsed.cpuSeconds * 1e6 / ourChunks,
                relayThreadUsed.switches / ourChunks, relayThreadUsed.wakeUps / ourChunks,
                relayThreadUsed.cpuSeconds * 1e6 / ourChunks);

    std::array<Latency, kSubjects> latency{};
    if (!quick)
        latency = MeasureLatency(subjects, 300);
    Row("82 bytes every 10 ms: latency median, ms", Each([&](int i) { return latency[i].median; }),
        3);
    Row("82 bytes every 10 ms: latency p99, ms", Each([&](int i) { return latency[i].p99; }), 3);
    Row("82 bytes every 10 ms: latency max, ms", Each([&](int i) { return latency[i].max; }), 3);

    // The three relays take the same receiver stream in the same 30 s.
    const auto length = quick ? 10s : 30s;
    const std::vector<Sentence> stream = ReceiverStream(length);
    PacedRun runs[kSubjects] = {PacedRun(ours, stream), PacedRun(shape, stream),
                                PacedRun(socat512, stream), PacedRun(socat, stream)};
    const auto start = SteadyClock::now() + 200ms;
    for (PacedRun& run : runs)
        run.Start(start);
    Paced paced[kSubjects];
    const double seconds = std::chrono::duration<double>(length).count();
    for (int i = 0; i < kSubjects; ++i)
        paced[i] = runs[i].Finish(seconds);
    std::printf(
        "receiver's pace: 10 Hz NMEA (GGA, GSA, 3 GSV, RMC, VTG), paced at 115200 baud, "
        "%zu sentences in %.0f s\n",
        stream.size(), seconds);
    Row("  CPU per second, ms", Each([&](int i) { return paced[i].cpuPerSecond; }), 3);
    Row("  wake-ups per second", Each([&](int i) { return paced[i].wakeUpsPerSecond; }), 1);
    Row("  wake-ups per sentence",
        Each([&](int i) { return paced[i].wakeUpsPerSecond * seconds / stream.size(); }), 2);
    Row("  sentence latency median, ms", Each([&](int i) { return paced[i].latency.median; }), 3);
    Row("  sentence latency p99, ms", Each([&](int i) { return paced[i].latency.p99; }), 3);
    Row("  sentence latency max, ms", Each([&](int i) { return paced[i].latency.max; }), 3);
    for (int i = 0; i < kSubjects; ++i)
        if (paced[i].delivered != stream.size())
            std::printf("WARNING: subject %d delivered %zu of %zu sentences\n", i,
                        paced[i].delivered, stream.size());

    if (quick)
        return 0;
    // All three sit idle in the same 10 s, after the last reads of the stream have timed out.
    std::this_thread::sleep_for(1s);
    Usage idleStart[kSubjects];
    for (int i = 0; i < kSubjects; ++i)
        idleStart[i] = subjects[i]->Sample();
    std::this_thread::sleep_for(10s);
    Usage idle[kSubjects];
    for (int i = 0; i < kSubjects; ++i)
        idle[i] = subjects[i]->Sample() - idleStart[i];
    Row("wake-ups in 10 s without traffic",
        Each([&](int i) { return static_cast<double>(idle[i].switches); }), 0);
    Row("CPU in 10 s without traffic, ms", Each([&](int i) { return idle[i].cpuSeconds * 1000; }),
        3);

    const Transfer counted = Relay(ours, kMiB, false, true);
    std::printf("%-46s %llu (1 MiB relayed %s)\n", "ours, heap allocations per MiB relayed",
                static_cast<unsigned long long>(allocations.load()),
                counted.intact ? "intact" : "NOT intact");

    // A hang-up: the output's far side closes while connected.
    ours.output.HangUp();
    const unsigned char byte = 1;
    (void)ours.receiver.Send({&byte, 1});  // relayed into the dead line
    const Usage hungStart = TaskUsage::Of("self", TaskUsage::Threads("self"));
    std::this_thread::sleep_for(5s);
    const Usage hung = TaskUsage::Of("self", TaskUsage::Threads("self")) - hungStart;
    const auto disconnectStart = SteadyClock::now();
    ours.engine.Disconnect();
    const double disconnectMs =
        std::chrono::duration<double, std::milli>(SteadyClock::now() - disconnectStart).count();
    std::printf("%-46s %.4f %% of a core (target under 0.1 %%)\n",
                "ours, CPU in the 5 s after a hang-up", hung.cpuSeconds / 5.0 * 100.0);
    std::printf("%-46s %.3f ms (target under 200 ms)\n", "ours, Disconnect after the hang-up",
                disconnectMs);
    return 0;
}

}  // namespace quorvex::bench

int main(int argc, char** argv)
{
    return quorvex::bench::Main(argc > 1 && std::string(argv[1]) == "--quick");
}
