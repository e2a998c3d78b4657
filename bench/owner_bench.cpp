// What the live owner lookup costs on a crowded machine. Other processes hold many
// descriptors open; this program asks who holds COM2 every 500 ms, as the idle dialog
// does, and measures:
//   - the longest gap between the dialog thread's polls: the time one tick spends away
//     from its wait, the lookup included (the descriptor scan runs on its own worker);
//   - the lag until a new holder of COM2 is shown, and until one that let go is no longer;
//   - the CPU the scan's worker uses, as a share of one core.
//   build/default/bench/owner_bench [--descriptors N] [--per-process M] [--samples K]
// Defaults: 200,000 descriptors in processes of 19,800 each, 3 samples of the lag (about
// three minutes at 200,000; seconds with --descriptors 0). Run as root, or with a hard
// limit on descriptors of at least --per-process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/task_usage.h"
#include "platform/registry/proc_folder.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/system/posix.h"
#include "platform/testing/child_process.h"
#include "platform/testing/descriptor_crowd.h"
#include "platform/threads/event.h"
#include "ports/receiver_port_owner.h"

namespace {

using namespace quorvex;
using Steady = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr auto kTick = std::chrono::milliseconds(500);
// A new holder that is not shown after this long counts as never shown.
constexpr auto kGiveUp = std::chrono::minutes(5);

struct Options {
    std::size_t descriptors = 200'000;
    std::size_t perProcess = 19'800;
    int samples = 3;
};

bool Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (value < 0)
            return false;
        if (name == "--descriptors")
            options.descriptors = static_cast<std::size_t>(value);
        else if (name == "--per-process" && value > 0)
            options.perProcess = static_cast<std::size_t>(value);
        else if (name == "--samples" && value > 0)
            options.samples = static_cast<int>(value);
        else
            return false;
    }
    return argc % 2 == 1;
}

// A prefix of the run's own, with devices/com2 leading to `device`.
class BenchPrefix {
public:
    explicit BenchPrefix(const std::filesystem::path& device)
    {
        path = std::filesystem::temp_directory_path() /
               ("quorvex-owner-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path / "devices");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        std::filesystem::permissions(path / "devices", std::filesystem::perms::owner_all);
        std::filesystem::create_symlink(device, path / "devices" / "com2");
        ::setenv("QUORVEX_PREFIX", path.c_str(), 1);
    }
    ~BenchPrefix() { std::filesystem::remove_all(path); }

private:
    std::filesystem::path path;
};

// One walk over every process's descriptors, as the scan's worker makes it.
struct Walk {
    std::size_t descriptors = 0;
    double cpuSeconds = 0;
    double seconds = 0;
};

Walk WalkOnce()
{
    const ProcFolder proc;
    Walk walk;
    const auto cpu = Posix::ThreadCpuTime();
    const auto start = Steady::now();
    proc.ForEachProcess([&](int pid) {
        proc.ForEachDescriptor(pid, [&](int, std::optional<DeviceNumber>) {
            ++walk.descriptors;
            return true;
        });
        return true;
    });
    walk.seconds = Seconds(Steady::now() - start).count();
    walk.cpuSeconds = Seconds(Posix::ThreadCpuTime() - cpu).count();
    return walk;
}

// The idle dialog's thread: a tick every 500 ms, each asking who holds COM2.
class DialogThread {
public:
    DialogThread() : next(Steady::now()) {}

    std::wstring Tick()
    {
        next += kTick;
        const auto left = next - Steady::now();
        if (left > Steady::duration::zero())
            (void)never.WaitFor(left);  // nothing sets it: the dialog's poll until its timer
        const auto woke = Steady::now();
        const auto cpu = Posix::ThreadCpuTime();
        std::wstring owner = GetReceiverPortOwner(L"COM2");
        gaps.push_back(Steady::now() - woke);
        longestCpu = std::max<Steady::duration>(longestCpu, Posix::ThreadCpuTime() - cpu);
        latestWake = std::max(latestWake, woke - next);
        if (afterTick)
            afterTick();
        return owner;
    }

    // Ticks until the owner is (or is no longer) `name`; the time that took.
    Seconds Until(const std::wstring& name, bool shown)
    {
        const auto start = Steady::now();
        while ((Tick() == name) != shown)
            if (Steady::now() - start > kGiveUp)
                return kGiveUp;
        return Steady::now() - start;
    }

    std::vector<Steady::duration> gaps;
    Steady::duration latestWake{};
    Steady::duration longestCpu{};
    std::function<void()> afterTick;  // outside the measured gap

private:
    Event never{Event::ResetMode::Manual};
    Steady::time_point next;
};

// The worker's CPU as the ticks saw it, and the share of a core over whole cycles of a scan
// and its rest: from the tick before one scan began to the tick before the last one began.
class WorkerUsage {
public:
    explicit WorkerUsage(std::vector<std::string> threads) : threads(std::move(threads)) {}

    void Take()
    {
        samples.push_back({Steady::now(), bench::TaskUsage::Of("self", threads).cpuSeconds});
    }

    double Total() const { return samples.empty() ? 0 : samples.back().cpu; }

    // Nothing unless two scans began while sampled.
    std::optional<double> CycleShare(int& cycles) const
    {
        constexpr double kBusy = 0.001;  // a tick in which the worker scanned
        std::vector<std::size_t> starts;
        for (std::size_t i = 2; i < samples.size(); ++i)
            if (samples[i].cpu - samples[i - 1].cpu > kBusy &&
                samples[i - 1].cpu - samples[i - 2].cpu <= kBusy)
                starts.push_back(i - 1);
        if (starts.size() < 2)
            return std::nullopt;
        cycles = static_cast<int>(starts.size()) - 1;
        const Reading& first = samples[starts.front()];
        const Reading& last = samples[starts.back()];
        return (last.cpu - first.cpu) / Seconds(last.time - first.time).count();
    }

private:
    struct Reading {
        Steady::time_point time;
        double cpu = 0;
    };

    std::vector<std::string> threads;
    std::vector<Reading> samples;
};

std::string Format(const std::vector<Seconds>& lags)
{
    std::string text;
    for (const Seconds lag : lags) {
        char one[32];
        std::snprintf(one, sizeof one, "%s%.1f s", text.empty() ? "" : ", ", lag.count());
        text += one;
    }
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: owner_bench [--descriptors N] [--per-process M] [--samples K]\n");
        return 2;
    }
    // The crowd first: its processes are forked from this one and keep what it holds.
    DescriptorCrowd crowd;
    const std::size_t crowded = crowd.Gather(options.descriptors, options.perProcess);
    PseudoTerminal receiver;
    if (!receiver.Open()) {
        std::fprintf(stderr, "owner_bench: no pseudo-terminal\n");
        return 1;
    }
    const BenchPrefix prefix(receiver.DevicePath());

    const Walk walk = WalkOnce();
    std::printf("descriptors open on the machine: %zu (%zu of them held for this run)\n",
                walk.descriptors, crowded);
    std::printf(
        "one walk over them: %.0f ms of CPU, %.0f ms in all; the worker's rest after a scan "
        "max(2 s, 100 x CPU) = %.1f s\n",
        walk.cpuSeconds * 1e3, walk.seconds * 1e3, std::max(2.0, 100 * walk.cpuSeconds));

    const auto before = bench::TaskUsage::Threads("self");
    DialogThread dialog;
    const auto start = Steady::now();
    (void)dialog.Tick();  // the first question starts the scan's worker
    WorkerUsage worker(bench::TaskUsage::StartedSince(before));
    worker.Take();
    dialog.afterTick = [&] { worker.Take(); };
    // Long enough for the first scan to end, so that the samples below start at any point
    // of the worker's pace.
    while (Steady::now() - start < Seconds(2 + 2 * walk.seconds))
        (void)dialog.Tick();

    std::vector<Seconds> shown;
    std::vector<Seconds> gone;
    std::mt19937 random(std::random_device{}());
    for (int sample = 0; sample < options.samples; ++sample) {
        // A program of its own, not a fork of this one: a fork would hold the pair's master
        // side too, and so be its far end rather than a holder.
        ChildProcess holder;
        std::string held;
        if (!holder.Start("sh", {"-c", "exec 3<>\"$0\" && echo held && read line",
                                 receiver.DevicePath().string()}) ||
            !holder.ReadLine(held) || held != "held") {
            std::fprintf(stderr, "owner_bench: could not hold the device\n");
            return 1;
        }
        shown.push_back(dialog.Until(L"sh", true));
        (void)holder.WriteLine("");
        (void)holder.Wait();
        gone.push_back(dialog.Until(L"sh", false));
        for (int ticks = std::uniform_int_distribution(0, 8)(random); ticks > 0; --ticks)
            (void)dialog.Tick();
    }
    const double elapsed = Seconds(Steady::now() - start).count();
    int cycles = 0;
    const auto cycleShare = worker.CycleShare(cycles);

    std::vector<Steady::duration> gaps = dialog.gaps;
    std::sort(gaps.begin(), gaps.end());
    const auto longest = std::max_element(dialog.gaps.begin(), dialog.gaps.end());
    std::printf(
        "dialog thread: %zu ticks; gap between polls: longest %.2f ms (tick %zu; target "
        "under 20 ms), 99th percentile %.2f ms, median %.2f ms; latest wake %.2f ms; the most CPU "
        "one tick used %.2f ms\n",
        gaps.size(), Milliseconds(*longest).count(),
        static_cast<std::size_t>(longest - dialog.gaps.begin()) + 1,
        Milliseconds(gaps[gaps.size() * 99 / 100]).count(),
        Milliseconds(gaps[gaps.size() / 2]).count(), Milliseconds(dialog.latestWake).count(),
        Milliseconds(dialog.longestCpu).count());
    std::printf("a new holder shown after: %s (longest %.1f s)\n", Format(shown).c_str(),
                std::max_element(shown.begin(), shown.end())->count());
    std::printf("a holder that let go no longer shown after: %s\n", Format(gone).c_str());
    std::printf(
        "the scan's worker: %.2f s of CPU in %.0f s, %.2f %% of a core over the run "
        "(which began with a scan); ",
        worker.Total(), elapsed, 100 * worker.Total() / elapsed);
    if (cycleShare)
        std::printf("%.2f %% over %d whole cycles of a scan and its rest (target at most 1 %%)\n",
                    100 * *cycleShare, cycles);
    else
        std::printf("too few scans for a whole cycle\n");
    return 0;
}
