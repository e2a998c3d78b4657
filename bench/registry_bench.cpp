// What the registry costs the program: the owner lookup runs twice a second while idle,
// settings are read at start-up and written on every connect and exit.
//   build/default/bench/registry_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"
#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
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
        std::filesystem::create_directories(path);
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

}  // namespace

BENCHMARK_MAIN();
