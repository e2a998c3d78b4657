// With --quick, only the transfers and a 10 s paced stream, for trying a change.
//
// Relays between pseudo-terminal pairs through RelayEngine and, in the same run on identical
// pairs, through socat with the relay's own 512-byte chunks (-b512) and with its defaults, and
// prints throughput, CPU and context switches per MiB, latency, the cost of a real receiver's
// pace, idle wake-ups, heap allocations on the data path, and the cost of a hang-up.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/task_usage.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/child_process.h"
#include "platform/threads/event.h"
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

std::vector<unsigned char> RandomBytes(std::size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(length);
    for (auto& byte : bytes)
        byte = static_cast<unsigned char>(random());
    return bytes;
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
        std::filesystem::create_directories(prefix / "devices");
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
        for (const std::string& thread : TaskUsage::Threads("self"))
            if (std::find(before.begin(), before.end(), thread) == before.end())
                threads.push_back(thread);
        std::sort(threads.begin(), threads.end(), [](const std::string& a, const std::string& b) {
            return std::stol(a) < std::stol(b);
        });
        return threads.size() == 3;
    }
    Usage Sample() const override { return TaskUsage::Of("self", threads); }
    Usage SampleThread(std::size_t index) const { return TaskUsage::Of("self", {threads[index]}); }

    RelayEngine engine;
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
    const auto outbound = RandomBytes(bytes, 11);
    const auto inbound = RandomBytes(bytes, 12);
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

// An 82-byte sentence every 10 ms, timed from its write until its last byte came out.
Latency MeasureLatency(Subject& subject, int sentences)
{
    std::string sentence = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    sentence.resize(80, '0');
    sentence += "\r\n";
    std::vector<unsigned char> bytes(sentence.begin(), sentence.end());
    std::vector<unsigned char> seen(bytes.size());
    std::vector<double> times;
    auto next = SteadyClock::now();
    for (int i = 0; i < sentences; ++i) {
        next += 10ms;
        const auto start = SteadyClock::now();
        if (!subject.receiver.Send(bytes) || !subject.output.Receive(seen))
            break;
        times.push_back(
            std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
        std::this_thread::sleep_until(next);
    }
    return Summarise(std::move(times));
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

// The CPU one hand-over from one thread to another costs, in microseconds: what the relay's
// design adds to every chunk, a reader handing it to the relay thread. Two threads pass a turn
// back and forth through automatic-reset events while nothing else of the process runs.
double HandOverMicroseconds()
{
    Event ping(Event::ResetMode::Automatic);
    Event pong(Event::ResetMode::Automatic);
    constexpr int kTurns = 100000;
    const std::clock_t before = std::clock();
    {
        Thread other;
        other.Start([&] {
            for (int turn = 0; turn < kTurns; ++turn) {
                ping.Wait();
                pong.Set();
            }
        });
        for (int turn = 0; turn < kTurns; ++turn) {
            ping.Set();
            pong.Wait();
        }
    }
    const double cpu = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    return cpu * 1e6 / (2.0 * kTurns);
}

double Ratio(double ours, double other)
{
    return other != 0 ? ours / other : 0.0;
}

void Row(const char* what, double ours, double socat512, double socat, int digits = 2)
{
    std::printf("%-46s %10.*f %10.*f %6.2f %10.*f %6.2f\n", what, digits, ours, digits, socat512,
                Ratio(ours, socat512), digits, socat, Ratio(ours, socat));
}

}  // namespace

int Main(bool quick)
{
    const auto prefix = std::filesystem::temp_directory_path() /
                        ("quorvex-bench-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(prefix);
    ::setenv("QUORVEX_PREFIX", prefix.c_str(), 1);
    struct Cleanup {
        std::filesystem::path path;
        ~Cleanup() { std::filesystem::remove_all(path); }
    } cleanup{prefix};

    OurRelay ours;
    Socat socat512({"-b512"});
    Socat socat({});
    if (!ours.Start(prefix)) {
        std::fprintf(stderr, "relay_bench: could not connect the relay engine\n");
        return 1;
    }
    if (!socat512.Start() || !socat.Start()) {
        std::fprintf(stderr,
                     "relay_bench: could not start socat (tools/install-deps.sh installs it)\n");
        return 1;
    }
    Subject* subjects[3] = {&ours, &socat512, &socat};

    std::printf(
        "Relay benchmark: RelayEngine beside socat -b512 and socat with its defaults,\n"
        "each between two pseudo-terminal pairs; ratios are ours / socat.\n\n");
    std::printf("%-46s %10s %10s %6s %10s %6s\n", "", "ours", "socat-b512", "ratio", "socat",
                "ratio");

    const std::size_t oneWay = 32 * kMiB;
    const std::size_t eachWay = 16 * kMiB;
    Transfer one[3], both[3];
    for (int i = 0; i < 3; ++i)
        one[i] = Relay(*subjects[i], oneWay, false);
    const Usage receiverReader = ours.SampleThread(1);
    const Usage relayThread = ours.SampleThread(2);
    const Usage outputReader = ours.SampleThread(0);
    const Transfer oneThreads = Relay(ours, oneWay, false);
    const Usage receiverReaderUsed = ours.SampleThread(1) - receiverReader;
    const Usage relayThreadUsed = ours.SampleThread(2) - relayThread;
    const Usage outputReaderUsed = ours.SampleThread(0) - outputReader;
    for (int i = 0; i < 3; ++i)
        both[i] = Relay(*subjects[i], eachWay, true);
    bool intact = oneThreads.intact;
    for (int i = 0; i < 3; ++i)
        intact = intact && one[i].intact && both[i].intact;
    if (!intact)
        std::printf("WARNING: some transfer lost or changed bytes\n");

    const auto each = [&](auto value) {
        return std::array<double, 3>{value(0), value(1), value(2)};
    };
    const auto row = [](const char* what, std::array<double, 3> values, int digits = 2) {
        Row(what, values[0], values[1], values[2], digits);
    };
    const double oneMiB = oneWay / kMiBs;
    const double bothMiB = 2 * eachWay / kMiBs;
    row("throughput one way, MiB/s", each([&](int i) { return oneMiB / one[i].seconds; }));
    row("throughput both ways at once (sum), MiB/s",
        each([&](int i) { return bothMiB / both[i].seconds; }));
    row("CPU per MiB one way, ms",
        each([&](int i) { return one[i].used.cpuSeconds * 1000 / oneMiB; }), 2);
    row("CPU per MiB both ways, ms",
        each([&](int i) { return both[i].used.cpuSeconds * 1000 / bothMiB; }), 2);
    row("context switches per MiB one way",
        each([&](int i) { return static_cast<double>(one[i].used.switches) / oneMiB; }), 0);
    row("context switches per MiB both ways",
        each([&](int i) { return static_cast<double>(both[i].used.switches) / bothMiB; }), 0);
    const double chunks = static_cast<double>(oneWay) / 512;
    const double handOver = HandOverMicroseconds();
    const double ceiling =
        one[1].used.cpuSeconds * 1000 / oneMiB + handOver * chunks / oneMiB / 1000;
    std::printf("%-46s %.2f us of CPU\n", "one hand-over between two threads", handOver);
    std::printf("%-46s %.2f ms (socat -b512 plus one hand-over per chunk); ours %.2f\n",
                "CPU per MiB one way the design allows", ceiling,
                one[0].used.cpuSeconds * 1000 / oneMiB / ceiling);
    std::printf("%-46s receiver reader %.2f (%.2f), relay %.2f (%.2f), output reader %.2f\n",
                "ours, switches (wake-ups) per 512-byte chunk",
                receiverReaderUsed.switches / chunks, receiverReaderUsed.wakeUps / chunks,
                relayThreadUsed.switches / chunks, relayThreadUsed.wakeUps / chunks,
                outputReaderUsed.switches / chunks);
    std::printf("%-46s receiver reader %.2f, relay %.2f, output reader %.2f\n",
                "ours, CPU us per 512-byte chunk", receiverReaderUsed.cpuSeconds * 1e6 / chunks,
                relayThreadUsed.cpuSeconds * 1e6 / chunks,
                outputReaderUsed.cpuSeconds * 1e6 / chunks);

    Latency latency[3];
    for (int i = 0; i < 3 && !quick; ++i)
        latency[i] = MeasureLatency(*subjects[i], 300);
    row("82 bytes every 10 ms: latency median, ms", each([&](int i) { return latency[i].median; }),
        3);
    row("82 bytes every 10 ms: latency p99, ms", each([&](int i) { return latency[i].p99; }), 3);
    row("82 bytes every 10 ms: latency max, ms", each([&](int i) { return latency[i].max; }), 3);

    // The three relays take the same receiver stream in the same 30 s.
    const auto length = quick ? 10s : 30s;
    const std::vector<Sentence> stream = ReceiverStream(length);
    PacedRun runs[3] = {PacedRun(ours, stream), PacedRun(socat512, stream),
                        PacedRun(socat, stream)};
    const auto start = SteadyClock::now() + 200ms;
    for (PacedRun& run : runs)
        run.Start(start);
    Paced paced[3];
    const double seconds = std::chrono::duration<double>(length).count();
    for (int i = 0; i < 3; ++i)
        paced[i] = runs[i].Finish(seconds);
    std::printf(
        "receiver's pace: 10 Hz NMEA (GGA, GSA, 3 GSV, RMC, VTG), paced at 115200 baud, "
        "%zu sentences in %.0f s\n",
        stream.size(), seconds);
    row("  CPU per second, ms", each([&](int i) { return paced[i].cpuPerSecond; }), 3);
    row("  wake-ups per second", each([&](int i) { return paced[i].wakeUpsPerSecond; }), 1);
    row("  wake-ups per sentence",
        each([&](int i) { return paced[i].wakeUpsPerSecond * seconds / stream.size(); }), 2);
    row("  sentence latency median, ms", each([&](int i) { return paced[i].latency.median; }), 3);
    row("  sentence latency p99, ms", each([&](int i) { return paced[i].latency.p99; }), 3);
    row("  sentence latency max, ms", each([&](int i) { return paced[i].latency.max; }), 3);
    for (int i = 0; i < 3; ++i)
        if (paced[i].delivered != stream.size())
            std::printf("WARNING: subject %d delivered %zu of %zu sentences\n", i,
                        paced[i].delivered, stream.size());

    if (quick)
        return 0;
    // All three sit idle in the same 10 s, after the last reads of the stream have timed out.
    std::this_thread::sleep_for(1s);
    Usage idleStart[3];
    for (int i = 0; i < 3; ++i)
        idleStart[i] = subjects[i]->Sample();
    std::this_thread::sleep_for(10s);
    Usage idle[3];
    for (int i = 0; i < 3; ++i)
        idle[i] = subjects[i]->Sample() - idleStart[i];
    row("wake-ups in 10 s without traffic",
        each([&](int i) { return static_cast<double>(idle[i].switches); }), 0);
    row("CPU in 10 s without traffic, ms", each([&](int i) { return idle[i].cpuSeconds * 1000; }),
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
