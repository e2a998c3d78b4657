// What the registry costs the program: the owner lookup runs twice a second while idle,
// settings are read at start-up and written on every connect and exit.
//   build/default/bench/registry_bench
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"
#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/serial/pseudo_terminal.h"
#include "ports/receiver_port_owner.h"
#include "ports/settings_store.h"

namespace {

using namespace quorvex;

// A private prefix for the run, holding hives of a realistic size: the program's own
// keys among a few dozen others.
class BenchPrefix {
public:
    BenchPrefix()
    {
        path = std::filesystem::temp_directory_path() /
               ("quorvex-bench-" + std::to_string(std::random_device{}()));
        // The registry uses only a prefix that is the user's own.
        std::filesystem::create_directory(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        ::setenv("QUORVEX_PREFIX", path.c_str(), 1);
        // Results are not checked here: the tests cover these calls, and a set-up that
        // failed would show as absurdly fast figures.
        for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
            for (int i = 0; i < 40; ++i) {
                RegistryKey key;
                RegistryKey::Root(root).CreateSubKey(L"SOFTWARE\\Vendor" + std::to_wstring(i), key);
                key.SetValue(L"Setting", RegistryType::String, RegistryString::Encode(L"value"));
            }
        }
        RegistryKey ports;
        RegistryKey::Root(RegistryRoot::LocalMachine)
            .CreateSubKey(L"SYSTEM\\RECEIVER\\Ports", ports);
        ports.SetValue(L"COM2", RegistryType::String, RegistryString::Encode(L"Navigator"));
    }
    ~BenchPrefix() { std::filesystem::remove_all(path); }

private:
    std::filesystem::path path;
};

BenchPrefix& Prefix()
{
    static BenchPrefix prefix;
    return prefix;
}

void OwnerLookup(benchmark::State& state)
{
    Prefix();
    for (auto _ : state)
        benchmark::DoNotOptimize(GetReceiverPortOwner(L"COM2"));
}
BENCHMARK(OwnerLookup);

void SettingsRead(benchmark::State& state)
{
    Prefix();
    SettingsStore store(L"/usr/bin/quorvex");
    store.SetCompanyKey(L"Local AppWizard-Generated Applications");
    store.WriteInt(L"PortParameters", L"Baud", 5);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.ReadInt(L"PortParameters", L"Baud", 5));
}
BENCHMARK(SettingsRead);

// Each write reaches the disk: two flushes (the file and its folder) dominate.
void SettingsWrite(benchmark::State& state)
{
    Prefix();
    SettingsStore store(L"/usr/bin/quorvex");
    store.SetCompanyKey(L"Local AppWizard-Generated Applications");
    int value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.WriteInt(L"PortParameters", L"Baud", ++value));
}
BENCHMARK(SettingsWrite)->Unit(benchmark::kMicrosecond);

void ParseHive(benchmark::State& state)
{
    HiveKey source;
    for (int i = 0; i < 100; ++i)
        source.ObtainSubKey(L"Key" + std::to_wstring(i))
            .SetValue(L"Value", RegistryType::String, RegistryString::Encode(L"some text"));
    const std::string text = HiveText::Write(source, L"HKEY_LOCAL_MACHINE");
    HiveKey root;
    for (auto _ : state)
        benchmark::DoNotOptimize(HiveText::Parse(text, L"HKEY_LOCAL_MACHINE", root));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseHive)->Unit(benchmark::kMicrosecond);

// A hive of `keys` keys under one parent, each with one value: about 60 bytes a key, so
// that 100,000 keys make the 6 MB hive that must parse within 300 ms. Each run parses
// the text and looks every key and its value up by a name in another case, as a
// catalogue scan of a large Bluetooth ports key does; the time per key stays the same
// from 100 keys to 100,000 (the complexity row reports the fit).
void ParseAndLookUp(benchmark::State& state)
{
    const auto keys = static_cast<int>(state.range(0));
    HiveKey source;
    HiveKey& parent = source.ObtainSubKey(L"SOFTWARE").ObtainSubKey(L"Vendor");
    for (int i = 0; i < keys; ++i)
        parent.ObtainSubKey(L"Key" + std::to_wstring(100000 + i))
            .SetValue(L"Port", RegistryType::String, RegistryString::Encode(L"COM5"));
    const std::string text = HiveText::Write(source, L"HKEY_LOCAL_MACHINE");
    std::vector<std::wstring> names;
    for (int i = 0; i < keys; ++i)
        names.push_back(L"KEY" + std::to_wstring(100000 + i));
    for (auto _ : state) {
        HiveKey root;
        HiveText::Layout layout;
        benchmark::DoNotOptimize(HiveText::Parse(text, L"HKEY_LOCAL_MACHINE", root, layout));
        const HiveKey* vendor = root.FindSubKey(L"software")->FindSubKey(L"VENDOR");
        for (const std::wstring& name : names)
            benchmark::DoNotOptimize(vendor->FindSubKey(name)->FindValue(L"port"));
    }
    state.SetComplexityN(keys);
    state.counters["hive_bytes"] = static_cast<double>(text.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseAndLookUp)
    ->Arg(100)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The catalogue's scan of a Bluetooth ports key with `keys` subkeys, through the registry
// calls it makes (enumerate, open, read "Port"), each run on a hive file rewritten so that
// it is parsed again: the parse and the scan together grow linearly too.
void CatalogueScan(benchmark::State& state)
{
    Prefix();
    const auto keys = static_cast<int>(state.range(0));
    HiveKey source;
    HiveKey& ports = source.ObtainSubKey(L"SOFTWARE")
                         .ObtainSubKey(L"Microsoft")
                         .ObtainSubKey(L"Bluetooth")
                         .ObtainSubKey(L"Serial")
                         .ObtainSubKey(L"Ports");
    for (int i = 0; i < keys; ++i)
        ports.ObtainSubKey(L"Device" + std::to_wstring(i))
            .SetValue(L"Port", RegistryType::String,
                      RegistryString::Encode(i == keys - 1 ? L"COM5" : L"COM7"));
    const std::string text = HiveText::Write(source, L"HKEY_LOCAL_MACHINE");
    const auto hive = std::filesystem::path(std::getenv("QUORVEX_PREFIX")) / "system.reg";
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream file(hive, std::ios::binary | std::ios::trunc);
            file << text;
        }
        state.ResumeTiming();
        RegistryKey key;
        RegistryKey::Root(RegistryRoot::LocalMachine)
            .OpenSubKey(L"SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports", key);
        for (std::uint32_t index = 0;; ++index) {
            std::array<wchar_t, 32> name{};
            std::size_t length = 0;
            if (key.EnumerateSubKey(index, name, length) != RegistryStatus::Success)
                break;
            RegistryKey subKey;
            key.OpenSubKey(std::wstring_view(name.data(), length), subKey);
            std::array<std::byte, 16> port{};
            std::uint32_t type = 0;
            std::size_t size = 0;
            subKey.QueryValue(L"Port", type, port, size);
            found += RegistryString::Decode(port) == L"COM5";
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetComplexityN(keys);
}
BENCHMARK(CatalogueScan)
    ->Arg(100)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// 20,000 values in one key, as one program's log of devices might hold.
void ParseManyValuesInOneKey(benchmark::State& state)
{
    HiveKey source;
    HiveKey& key = source.ObtainSubKey(L"Log");
    for (int i = 0; i < 20'000; ++i)
        key.SetValue(L"Entry" + std::to_wstring(i), RegistryType::Dword,
                     std::array<std::byte, 4>{std::byte{1}});
    const std::string text = HiveText::Write(source, L"HKEY_LOCAL_MACHINE");
    for (auto _ : state) {
        HiveKey root;
        HiveText::Layout layout;
        benchmark::DoNotOptimize(HiveText::Parse(text, L"HKEY_LOCAL_MACHINE", root, layout));
    }
}
BENCHMARK(ParseManyValuesInOneKey)->Unit(benchmark::kMillisecond);

// The live owner lookup the dialog makes every 500 ms while idle, for a port that the hive
// does not record and nobody holds: the UUCP lock file and the last scan's findings. The
// scan itself runs on its own worker; bench/owner_bench measures it.
void LiveOwnerLookup(benchmark::State& state)
{
    Prefix();
    // Made once: the benchmark library runs this function more than once.
    static PseudoTerminal device;
    if (device.DevicePath().empty() && !device.Open())
        state.SkipWithError("no pseudo-terminal");
    const auto link = std::filesystem::path(std::getenv("QUORVEX_PREFIX")) / "devices" / "com3";
    if (std::filesystem::create_directory(link.parent_path()))
        std::filesystem::permissions(link.parent_path(), std::filesystem::perms::owner_all);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(device.DevicePath(), link);
    for (auto _ : state)
        benchmark::DoNotOptimize(GetReceiverPortOwner(L"COM3"));
}
BENCHMARK(LiveOwnerLookup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
