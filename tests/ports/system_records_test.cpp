// The system's records answered from the live system: who holds the receiver port when
// system.reg does not say, and which Bluetooth serial ports exist. Another process holds
// a pseudo-terminal by each of the three means; this process holds the device side of
// the pair too (PseudoTerminal keeps it open), and is never taken for the holder. Only
// the devices the tests make are asked about, so what other processes hold meanwhile
// changes nothing.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/registry/descriptor_scanner_test_helper.h"
#include "platform/registry/live_records_test_helper.h"
#include "platform/registry/proc_folder.h"
#include "platform/registry/registry_hives_test_helper.h"
#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/resource/resource_module.h"
#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/child_process.h"
#include "platform/testing/manual_clock.h"
#include "ports/port_catalogue.h"
#include "ports/receiver_port_owner.h"
#include "tests/support/process_table_stand_in.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

// A made-up process that holds the receiver: no real process, child or this test, is it.
constexpr int kGpsd = testing::ProcessTableStandIn::kFirstMadeUpPid;

class SystemRecordsTest : public ::testing::Test {
protected:
    SystemRecordsTest()
    {
        fs::create_directories(lockFolder);
        UseProcesses(std::make_shared<ProcFolder>());
    }
    ~SystemRecordsTest() override { RegistryHivesTestHelper::UseLiveSources({}); }

    // Starts afresh, with the live system's processes or a stand-in's: the first lookup
    // starts a descriptor scan, and the next ones only as the test moves the clock.
    void UseProcesses(std::shared_ptr<const ProcessTable> processes)
    {
        RegistryHivesTestHelper::UseLiveSources(
            {std::move(processes), lockFolder,
             [this](const fs::path& d) { return d == bluetooth.DevicePath(); }, &clock});
    }

    static DescriptorScanner& Scanner()
    {
        return LiveRecordsTestHelper::Scanner(RegistryHivesTestHelper::Live());
    }

    // The owner of COM2 once a descriptor scan that begins now has ended.
    std::wstring OwnerAfterScan()
    {
        const auto begun = DescriptorScannerTestHelper::ScansBegun(Scanner());
        DescriptorScannerTestHelper::WaitForScansEnded(Scanner(), begun);
        clock.Advance(std::chrono::hours(1));  // whatever rest the last scan set is over
        (void)GetReceiverPortOwner(L"COM2");   // asks for the scan
        DescriptorScannerTestHelper::WaitForScansEnded(Scanner(), begun + 1);
        return GetReceiverPortOwner(L"COM2");
    }

    bool Hold(const char* means)
    {
        std::string reply;
        return holder.Start(QUORVEX_REGISTRY_WRITER,
                            {"hold", receiver.DevicePath().string(), means, lockFolder.string()}) &&
               holder.ReadLine(reply) && reply == "held";
    }

    testing::TempPrefix prefix;
    const fs::path lockFolder = prefix.Path() / "lock";
    ManualClock clock;
    PseudoTerminal receiver;
    PseudoTerminal bluetooth;
    ChildProcess holder;
};

TEST_F(SystemRecordsTest, TheOwnerIsTheProgramHoldingTheDeviceByAnyMeans)
{
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    EXPECT_EQ(OwnerAfterScan(), L"") << "this process's own hold does not count";
    ASSERT_TRUE(Hold("lockfile"));
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"registry_writer") << "a lock file, at once";
    EXPECT_EQ(GetReceiverPortOwner(L"COM3"), L"") << "another port";
    ASSERT_TRUE(holder.WriteLine("release"));
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "the lock file is gone";
    // The lock table and the descriptors are scanned on the worker, only as the clock moves.
    for (const char* means : {"flock", "open"}) {
        ASSERT_TRUE(Hold(means)) << means;
        EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << means << ": not until a scan";
        EXPECT_EQ(OwnerAfterScan(), L"registry_writer") << means;
        ASSERT_TRUE(holder.WriteLine("release"));
        EXPECT_EQ(holder.Wait(), 0);
        EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << means << ": a holder that ended";
    }
}

TEST_F(SystemRecordsTest, TheFarEndOfAPseudoTerminalIsNoOwnerButAThirdHolderIs)
{
    // Another program made the pair and holds both its sides, as socat does.
    ChildProcess creator;
    std::string device;
    ASSERT_TRUE(creator.Start(QUORVEX_REGISTRY_WRITER, {"pair"}) && creator.ReadLine(device));
    prefix.LinkDevice("com2", device);
    EXPECT_EQ(OwnerAfterScan(), L"") << "the creator holds the far end";

    std::string reply;
    ASSERT_TRUE(holder.Start(QUORVEX_REGISTRY_WRITER, {"hold", device, "open"}) &&
                holder.ReadLine(reply) && reply == "held");
    EXPECT_EQ(OwnerAfterScan(), L"registry_writer") << "a third process";
    ASSERT_TRUE(holder.WriteLine("release"));
    EXPECT_EQ(holder.Wait(), 0);

    ASSERT_TRUE(creator.WriteLine("flock") && creator.ReadLine(reply) && reply == "locked");
    EXPECT_EQ(OwnerAfterScan(), L"registry_writer") << "the far end that locks the line";
    ASSERT_TRUE(creator.WriteLine("end"));
    EXPECT_EQ(creator.Wait(), 0);
}

TEST_F(SystemRecordsTest, AHolderThatLetGoIsNotNamedForTheNumberItHeld)
{
    // The number of a pseudo-terminal comes back to the next pair once nobody holds it; to
    // the lookup, that pair is this device again, held by someone else or by nobody.
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    ASSERT_TRUE(Hold("open"));
    EXPECT_EQ(OwnerAfterScan(), L"registry_writer");
    std::string reply;
    ASSERT_TRUE(holder.WriteLine("close") && holder.ReadLine(reply) && reply == "closed");
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "it lives on, but holds nothing";
}

TEST_F(SystemRecordsTest, TheDialogsQuestionNeverWaitsForTheScan)
{
    ASSERT_TRUE(receiver.Open());
    prefix.LinkDevice("com2", receiver.DevicePath());
    auto processes = std::make_shared<testing::ProcessTableStandIn>();
    processes->Start(kGpsd, "gpsd");
    processes->Hold(kGpsd, 7, testing::ProcessTableStandIn::NodeDevice(receiver.DevicePath()));
    processes->Block();
    UseProcesses(processes);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "the first question starts the scan";
    processes->WaitForBlockedScan();
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "answered while the scan is held";
    ASSERT_TRUE(Hold("lockfile"));
    processes->Start(holder.Pid(), "uucico");
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"uucico") << "lock files are read meanwhile";
    ASSERT_TRUE(holder.WriteLine("release"));
    EXPECT_EQ(holder.Wait(), 0);

    processes->Unblock();
    DescriptorScannerTestHelper::WaitForScansEnded(Scanner(), 1);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"gpsd");
    EXPECT_FALSE(processes->GaveUp()) << "a question waited for the scan";
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
