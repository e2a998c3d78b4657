// The system's records answered from the live system: who holds the receiver port when
// system.reg does not say, and which Bluetooth serial ports exist. Another process holds
// a pseudo-terminal by each of the three means; this process holds the device side of
// the pair too (PseudoTerminal keeps it open), and is never taken for the holder.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/registry/registry_hives_test_helper.h"
#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/resource/resource_module.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/child_process.h"
#include "ports/port_catalogue.h"
#include "ports/receiver_port_owner.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

class SystemRecordsTest : public ::testing::Test {
protected:
    SystemRecordsTest()
    {
        fs::create_directories(lockFolder);
        // A fresh start for each test: the descriptor scan runs at the first lookup.
        RegistryHivesTestHelper::UseLiveSources({"/proc", lockFolder, [this](const fs::path& d) {
                                                     return d == bluetooth.DevicePath();
                                                 }});
    }
    ~SystemRecordsTest() override { RegistryHivesTestHelper::UseLiveSources({}); }

    bool Hold(const char* means)
    {
        std::string reply;
        return holder.Start(QUORVEX_REGISTRY_WRITER,
                            {"hold", receiver.DevicePath().string(), means, lockFolder.string()}) &&
               holder.ReadLine(reply) && reply == "held";
    }

    testing::TempPrefix prefix;
    const fs::path lockFolder = prefix.Path() / "lock";
    PseudoTerminal receiver;
    PseudoTerminal bluetooth;
    ChildProcess holder;
};

TEST_F(SystemRecordsTest, TheOwnerIsTheProgramHoldingTheDeviceByAnyMeans)
{
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "this process's own hold does not count";
    // The lock table and the lock file are looked at on every call; the descriptor scan
    // ran at the first lookup above and is not due again for seconds, so each of these
    // means is seen on its own.
    for (const char* means : {"flock", "lockfile"}) {
        ASSERT_TRUE(Hold(means)) << means;
        EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"registry_writer") << means;
        EXPECT_EQ(GetReceiverPortOwner(L"COM3"), L"") << "another port";
        ASSERT_TRUE(holder.WriteLine("release"));
        EXPECT_EQ(holder.Wait(), 0);
        EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << means << " released";
    }
    ASSERT_TRUE(Hold("open"));
    RegistryHivesTestHelper::UseLiveSources({"/proc", lockFolder, {}});  // a scan is due
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"registry_writer") << "an open descriptor";
    ASSERT_TRUE(holder.WriteLine("release"));
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "a holder that ended holds nothing";
}

TEST_F(SystemRecordsTest, ARecordInTheHiveWins)
{
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    ASSERT_TRUE(Hold("flock"));
    RegistryKey ports;
    ASSERT_EQ(RegistryKey::Root(RegistryRoot::LocalMachine)
                  .CreateSubKey(L"SYSTEM\\RECEIVER\\Ports", ports),
              RegistryStatus::Success);
    ASSERT_EQ(ports.SetValue(L"COM2", RegistryType::String, RegistryString::Encode(L"Navigator")),
              RegistryStatus::Success);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"Navigator");
    ASSERT_EQ(ports.SetValue(L"COM2", RegistryType::String, RegistryString::Encode(L"")),
              RegistryStatus::Success);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "even a record that says nobody";
}

TEST_F(SystemRecordsTest, ABoundRfcommPortIsRegisteredAsABluetoothPort)
{
    constexpr std::array<StringEntry, 4> kStrings{{
        {142, {L"External (COM1)", 16}},
        {143, {L"Bluetooth (COM5)", 17}},
        {144, {L"Bluetooth (COM6)", 17}},
        {145, {L"Bluetooth (COM9)", 17}},
    }};
    const ResourceModule resources({}, kStrings);
    ASSERT_TRUE(bluetooth.Open());
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com5", bluetooth.DevicePath());  // the seam's RFCOMM tty
    prefix.LinkDevice("com6", receiver.DevicePath());   // a tty, but no RFCOMM one
    PortCatalogue catalogue(resources);
    EXPECT_TRUE(catalogue.GetEntry(1).isPresent);
    EXPECT_FALSE(catalogue.GetEntry(2).isPresent);
    RegistryKey port;
    ASSERT_EQ(RegistryKey::Root(RegistryRoot::LocalMachine)
                  .OpenSubKey(L"SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\com5", port),
              RegistryStatus::Success);
    std::array<wchar_t, 32> name{};
    std::size_t length = 0;
    EXPECT_EQ(port.EnumerateSubKey(0, name, length), RegistryStatus::NoMoreItems);

    fs::remove(prefix.Path() / "devices" / "com5");
    catalogue.Build();
    EXPECT_FALSE(catalogue.GetEntry(1).isPresent) << "gone with its link";
}

}  // namespace
}  // namespace quorvex
