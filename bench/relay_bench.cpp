// Relays between pseudo-terminal pairs through RelayEngine and, in the same run on identical
// pairs, through socat, and prints throughput, latency, CPU per MiB, idle wake-ups, heap
// allocations on the data path, and the cost of a hang-up.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/task_usage.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/child_process.h"
#include "platform/threads/thread.h"
#include "relay/relay_engine.h"

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
    virtual const char* Name() const = 0;
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
        // The relay and the two readers: the threads that came with the connection.
        for (const std::string& thread : TaskUsage::Threads("self"))
            if (std::find(before.begin(), before.end(), thread) == before.end())
                threads.push_back(thread);
        return true;
    }
    const char* Name() const override { return "ours"; }
    Usage Sample() const override { return TaskUsage::Of("self", threads); }

    RelayEngine engine;
    std::vector<std::string> threads;
};

class Socat : public Subject {
public:
    bool Start()
    {
        if (!receiver.Open() || !output.Open())
            return false;
        if (!process.Start("socat", {receiver.DevicePath().string() + ",raw,echo=0",
                                     output.DevicePath().string() + ",raw,echo=0"}))
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
    const char* Name() const override { return "socat"; }
    Usage Sample() const override
    {
        const std::string pid = std::to_string(process.Pid());
        return TaskUsage::Of(pid, TaskUsage::Threads(pid));
    }

    ChildProcess process;
};

struct Transfer {
    double seconds = 0;
    double cpuSeconds = 0;
    double wakeUps = 0;
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
    const Usage used = subject.Sample() - before;
    result.cpuSeconds = used.cpuSeconds;
    result.wakeUps = static_cast<double>(used.wakeUps);
    result.intact = ok[0] && ok[1] && ok[2] && ok[3] && outboundSeen == outbound &&
                    (!bothWays || inboundSeen == inbound);
    return result;
}

struct Latency {
    double median = 0, p99 = 0, max = 0;  // milliseconds
};

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
    std::sort(times.begin(), times.end());
    if (times.empty())
        return {};
    return {times[times.size() / 2], times[times.size() * 99 / 100], times.back()};
}

void Row(const char* what, double ours, double socat, const char* unit, int digits = 2)
{
    std::printf("%-44s ours %10.*f  socat %10.*f  %-8s ratio %6.2f\n", what, digits, ours, digits,
                socat, unit, socat != 0 ? ours / socat : 0.0);
}

}  // namespace

int Main()
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
    Socat socat;
    if (!ours.Start(prefix)) {
        std::fprintf(stderr, "relay_bench: could not connect the relay engine\n");
        return 1;
    }
    if (!socat.Start()) {
        std::fprintf(stderr,
                     "relay_bench: could not start socat (tools/install-deps.sh installs it)\n");
        return 1;
    }

    std::printf(
        "Relay benchmark: RelayEngine and socat, each between two pseudo-terminal pairs\n\n");
    const std::size_t oneWay = 32 * kMiB;
    const std::size_t eachWay = 16 * kMiB;
    Transfer oursOne = Relay(ours, oneWay, false);
    Transfer socatOne = Relay(socat, oneWay, false);
    Transfer oursBoth = Relay(ours, eachWay, true);
    Transfer socatBoth = Relay(socat, eachWay, true);
    if (!oursOne.intact || !socatOne.intact || !oursBoth.intact || !socatBoth.intact)
        std::printf("WARNING: some transfer lost or changed bytes (ours %d %d, socat %d %d)\n",
                    oursOne.intact, oursBoth.intact, socatOne.intact, socatBoth.intact);
    const double mib = static_cast<double>(kMiB);
    Row("throughput receiver->output", oneWay / mib / oursOne.seconds,
        oneWay / mib / socatOne.seconds, "MiB/s");
    Row("throughput both ways at once (sum)", 2 * eachWay / mib / oursBoth.seconds,
        2 * eachWay / mib / socatBoth.seconds, "MiB/s");
    const double oursCpu =
        (oursOne.cpuSeconds + oursBoth.cpuSeconds) / ((oneWay + 2 * eachWay) / mib);
    const double socatCpu =
        (socatOne.cpuSeconds + socatBoth.cpuSeconds) / ((oneWay + 2 * eachWay) / mib);
    Row("CPU per MiB relayed", oursCpu * 1000, socatCpu * 1000, "ms/MiB", 3);
    const double relayed = (oneWay + 2 * eachWay) / mib;
    Row("wake-ups per MiB relayed", (oursOne.wakeUps + oursBoth.wakeUps) / relayed,
        (socatOne.wakeUps + socatBoth.wakeUps) / relayed, "", 0);

    const Latency oursLatency = MeasureLatency(ours, 300);
    const Latency socatLatency = MeasureLatency(socat, 300);
    Row("latency of an 82-byte sentence, median", oursLatency.median, socatLatency.median, "ms", 3);
    Row("latency, p99", oursLatency.p99, socatLatency.p99, "ms", 3);
    Row("latency, max", oursLatency.max, socatLatency.max, "ms", 3);

    // Both relays sit idle in the same 10 s.
    const Usage oursIdleStart = ours.Sample();
    const Usage socatIdleStart = socat.Sample();
    std::this_thread::sleep_for(10s);
    const Usage oursIdle = ours.Sample() - oursIdleStart;
    const Usage socatIdle = socat.Sample() - socatIdleStart;
    Row("wake-ups in 10 s without traffic", static_cast<double>(oursIdle.wakeUps),
        static_cast<double>(socatIdle.wakeUps), "", 0);
    Row("CPU in 10 s without traffic", oursIdle.cpuSeconds * 1000, socatIdle.cpuSeconds * 1000,
        "ms", 3);

    const Transfer counted = Relay(ours, kMiB, false, true);
    std::printf("%-44s %llu (1 MiB relayed %s)\n", "heap allocations while 1 MiB is relayed",
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
    std::printf("%-44s %.3f %% of a core (target under 2 %%)\n", "CPU in the 5 s after a hang-up",
                hung.cpuSeconds / 5.0 * 100.0);
    std::printf("%-44s %.3f ms (target under 200 ms)\n", "Disconnect after the hang-up",
                disconnectMs);
    return 0;
}

}  // namespace quorvex::bench

int main()
{
    return quorvex::bench::Main();
}
