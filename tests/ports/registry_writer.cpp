// Another process that writes the hives while a test watches: it stands for the other
// programs that share system.reg, and for a Quorvex killed in the middle of a write.
//   registry_writer settings        writes Kill/Counter 1, 2, ... printing each once stored
//   registry_writer owner           records each line of its input as the COM2 owner
//   registry_writer owners <n>      records "Alpha" and "Beta" in turn n times, then "done"
//   registry_writer flood <n> <tag> stores n values <tag>0 ... in HKLM\Flood, then "done"
//   registry_writer hold <device> flock|open|lockfile <folder>
//                                   holds the device by that means ("held") until a line
//                                   of input, as another program holding the receiver;
//                                   the line "close" lets go of it ("closed") and waits on
//   registry_writer pair            makes a pseudo-terminal pair, holding both sides as
//                                   socat does, prints its device path and waits for a
//                                   line; the line "flock" locks the device ("locked")
//   registry_writer edit            rewrites system.reg in place as an editor saves, one
//                                   stage for each line of input (see EditInPlace)
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/system/posix.h"
#include "platform/system/posix_file.h"
#include "platform/system/utf8.h"
#include "ports/settings_store.h"

namespace {

using namespace quorvex;

constexpr std::wstring_view kCompany = L"Local AppWizard-Generated Applications";

bool StoreOnce(std::wstring_view subKey, std::wstring_view name, std::wstring_view text)
{
    RegistryKey key;
    return RegistryKey::Root(RegistryRoot::LocalMachine).CreateSubKey(subKey, key) ==
               RegistryStatus::Success &&
           key.SetValue(name, RegistryType::String, RegistryString::Encode(text)) ==
               RegistryStatus::Success;
}

// A write gives up when the lock stays taken past its bound, as a slow disk under another
// writer's flush can make it; like any program that shares the hive, try again.
bool Store(std::wstring_view subKey, std::wstring_view name, std::wstring_view text)
{
    for (int attempt = 0; attempt < 50; ++attempt)
        if (StoreOnce(subKey, name, text))
            return true;
    return false;
}

int WriteSettings()
{
    SettingsStore store(L"/usr/bin/Quorvex");
    store.SetCompanyKey(kCompany);
    // A hive large enough to take a while to write, giving a kill room to land in.
    RegistryKey filler;
    const std::vector<std::byte> blob(64 * 1024, std::byte{0x5A});
    if (RegistryKey::Root(RegistryRoot::CurrentUser).CreateSubKey(L"software\\Filler", filler) !=
            RegistryStatus::Success ||
        filler.SetValue(L"Blob", RegistryType::Binary, blob) != RegistryStatus::Success)
        return 1;
    for (int value = store.ReadInt(L"Kill", L"Counter", 0) + 1; value < 1'000'000; ++value) {
        if (!store.WriteInt(L"Kill", L"Counter", value))
            return 1;
        std::cout << value << std::endl;
    }
    return 0;
}

int RecordOwners()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!Store(L"SYSTEM\\RECEIVER\\Ports", L"COM2", FromUtf8(line)))
            return 1;
        std::cout << "stored" << std::endl;
    }
    return 0;
}

int AlternateOwners(int count)
{
    for (int i = 0; i < count; ++i)
        if (!Store(L"SYSTEM\\RECEIVER\\Ports", L"COM2", i % 2 == 0 ? L"Alpha" : L"Beta"))
            return 1;
    std::cout << "done" << std::endl;
    return 0;
}

int Flood(int count, const std::string& tag)
{
    for (int i = 0; i < count; ++i)
        if (!Store(L"Flood", FromUtf8(tag) + std::to_wstring(i), L"x"))
            return 1;
    std::cout << "done" << std::endl;
    return 0;
}

// What nano, shell redirection and open('w') do: the file is emptied, then written in
// pieces. Each line of input takes the next stage and names it once it is on disk:
// "empty", "header" (cut inside the first line), "half" (cut inside a value), "whole".
int EditInPlace()
{
    const char* prefix = std::getenv("QUORVEX_PREFIX");
    if (prefix == nullptr)
        return 1;
    const std::string path = std::string(prefix) + "/system.reg";
    std::string line;
    for (int round = 0; std::getline(std::cin, line); ++round) {
        const std::string text =
            "Windows Registry Editor Version 5.00\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\RECEIVER\\Ports]\n"
            "\"COM2\"=\"Navigator\"\n"
            "\"Round\"=dword:" +
            std::to_string(10000000 + round) + "\n";
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        std::size_t written = 0;
        const std::size_t cuts[] = {0, 20, text.find("gator"), text.size()};
        const char* stages[] = {"empty", "header", "half", "whole"};
        for (int stage = 0; stage < 4; ++stage) {
            if (stage > 0 && !std::getline(std::cin, line))
                return 1;
            file.write(text.data() + written, static_cast<std::streamsize>(cuts[stage] - written));
            written = cuts[stage];
            if (!file.flush())
                return 1;
            std::cout << stages[stage] << std::endl;
        }
    }
    return 0;
}

int Hold(const std::string& device, const std::string& means, const std::string& folder)
{
    PosixFile held;
    std::filesystem::path lockFile;
    if (means == "lockfile") {
        lockFile = std::filesystem::path(folder) /
                   ("LCK.." + std::filesystem::path(device).filename().string());
        std::ofstream(lockFile) << "      " << Posix::ProcessId() << "\n";
    } else if (held.Open(device, PosixFile::Mode::LockCompanion) != PosixFile::Result::Ok ||
               (means == "flock" && !held.LockExclusive())) {
        return 1;
    }
    std::cout << "held" << std::endl;
    std::string line;
    while (std::getline(std::cin, line) && line == "close") {
        held.Close();
        std::cout << "closed" << std::endl;
    }
    if (!lockFile.empty())
        std::filesystem::remove(lockFile);
    return 0;
}

int HoldPair()
{
    PseudoTerminal pair;
    if (!pair.Open())
        return 1;
    std::cout << pair.DevicePath().string() << std::endl;
    PosixFile locked;
    std::string line;
    while (std::getline(std::cin, line) && line == "flock") {
        if (locked.Open(pair.DevicePath(), PosixFile::Mode::LockCompanion) !=
                PosixFile::Result::Ok ||
            !locked.LockExclusive())
            return 1;
        std::cout << "locked" << std::endl;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "settings")
        return WriteSettings();
    if (mode == "owner")
        return RecordOwners();
    if (mode == "owners" && argc == 3)
        return AlternateOwners(std::stoi(argv[2]));
    if (mode == "flood" && argc == 4)
        return Flood(std::stoi(argv[2]), argv[3]);
    if (mode == "hold" && argc >= 4)
        return Hold(argv[2], argv[3], argc > 4 ? argv[4] : "");
    if (mode == "edit")
        return EditInPlace();
    if (mode == "pair")
        return HoldPair();
    std::cerr << "usage: registry_writer settings | owner | owners <n> | flood <n> <tag> | edit | "
                 "hold <device> <means> [folder] | pair\n";
    return 2;
}
