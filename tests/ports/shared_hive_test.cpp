// Hives shared with other processes: a writer killed at any moment, another program
// changing system.reg while Quorvex reads it, and two writers at once.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"
#include "platform/registry/registry_key.h"
#include "platform/system/utf8.h"
#include "platform/testing/child_process.h"
#include "ports/receiver_port_owner.h"
#include "ports/settings_store.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

class SharedHiveTest : public ::testing::Test {
protected:
    testing::TempPrefix prefix;
    ChildProcess writer;
};

TEST_F(SharedHiveTest, AWriterKilledAtAnyMomentLeavesTheOldHiveOrTheNew)
{
    SettingsStore store(L"/usr/bin/Quorvex");
    store.SetCompanyKey(L"Local AppWizard-Generated Applications");
    // A fixed seed: the kill points differ from run to run of the writer only through
    // timing, never through the test's own choices.
    std::mt19937 random(20261207);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(writer.Start(QUORVEX_REGISTRY_WRITER, {"settings"}));
        const int acknowledged = static_cast<int>(random() % 4) + 2;
        std::string line;
        int stored = 0;
        auto previous = std::chrono::steady_clock::now();
        auto last = previous;
        for (int i = 0; i < acknowledged; ++i) {
            ASSERT_TRUE(writer.ReadLine(line));
            stored = std::stoi(line);
            previous = std::exchange(last, std::chrono::steady_clock::now());
        }
        // The kill lands at a chosen fraction of one write's time, so that the rounds hit
        // every stage of a write. This waits for no thread and no result: whatever the
        // timing, the hive must hold the old value or the new one.
        const double fraction = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        const auto killAt = last + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       (last - previous) * fraction);
        while (std::chrono::steady_clock::now() < killAt) {
        }
        writer.Kill();
        EXPECT_EQ(writer.Wait(), -9);

        HiveKey root;
        ASSERT_EQ(HiveText::Parse(ReadFile(prefix.Path() / "user.reg"), L"HKEY_CURRENT_USER", root),
                  HiveText::Outcome::Whole)
            << "round " << round;
        EXPECT_GE(store.ReadInt(L"Kill", L"Counter", -1), stored);
        RegistryKey filler;
        ASSERT_EQ(
            RegistryKey::Root(RegistryRoot::CurrentUser).OpenSubKey(L"software\\Filler", filler),
            RegistryStatus::Success);
        std::uint32_t type = 0;
        std::size_t size = 0;
        EXPECT_EQ(filler.QueryValue(L"Blob", type, {}, size), RegistryStatus::MoreData);
        EXPECT_EQ(size, 64u * 1024);
        for (const auto& entry : fs::directory_iterator(prefix.Path()))
            EXPECT_EQ(entry.path().filename().string().find(".bad"), std::string::npos);
    }
    EXPECT_TRUE(store.WriteInt(L"Kill", L"Counter", 0)) << "a temporary left behind is no obstacle";
}

TEST_F(SharedHiveTest, TheOwnerLookupSeesAnotherProcessRecordingAtOnce)
{
    ASSERT_TRUE(writer.Start(QUORVEX_REGISTRY_WRITER, {"owner"}));
    std::string reply;
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"");
    for (const char* owner : {"Navigator", "", "Tracker", "Navigator"}) {
        ASSERT_TRUE(writer.WriteLine(owner));
        ASSERT_TRUE(writer.ReadLine(reply));
        EXPECT_EQ(GetReceiverPortOwner(L"COM2"), FromUtf8(owner));
    }
}

TEST_F(SharedHiveTest, TheOwnerLookupReadsWholeRecordsWhileAnotherProcessWrites)
{
    ASSERT_TRUE(writer.Start(QUORVEX_REGISTRY_WRITER, {"owners", "200"}));
    std::set<std::wstring> seen;
    for (int i = 0; i < 200; ++i)
        seen.insert(GetReceiverPortOwner(L"COM2"));
    std::string reply;
    ASSERT_TRUE(writer.ReadLine(reply));
    EXPECT_EQ(reply, "done");
    seen.erase(L"");
    seen.erase(L"Alpha");
    seen.erase(L"Beta");
    EXPECT_TRUE(seen.empty()) << "only recorded names, never a torn or failed read";
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"Beta");
}

TEST_F(SharedHiveTest, AHiveRewrittenInPlaceByAnEditorIsNeverMisreadOrSetAside)
{
    ASSERT_TRUE(writer.Start(QUORVEX_REGISTRY_WRITER, {"edit"}));
    std::string stage;
    for (int round = 0; round < 5; ++round) {
        for (const char* expected : {"empty", "header", "half", "whole"}) {
            ASSERT_TRUE(writer.WriteLine("next"));
            ASSERT_TRUE(writer.ReadLine(stage));
            ASSERT_EQ(stage, expected);
            const bool everRead = round > 0 || stage == "whole";
            if (everRead) {
                EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"Navigator")
                    << "\"Available\" shown for a port in use, file " << stage;
            }
        }
    }
    for (const auto& entry : fs::directory_iterator(prefix.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".bad"), std::string::npos);
}

TEST_F(SharedHiveTest, TwoProcessesWritingAtOnceLoseNothing)
{
    ASSERT_TRUE(writer.Start(QUORVEX_REGISTRY_WRITER, {"flood", "100", "child"}));
    // A write whose bounded lock wait ran out while the other writer kept the lock busy
    // fails as such; like any program sharing the hive, the test tries it again.
    auto retried = [](const std::function<RegistryStatus()>& call) {
        RegistryStatus status = RegistryStatus::StorageFailed;
        for (int attempt = 0; attempt < 50 && status == RegistryStatus::StorageFailed; ++attempt)
            status = call();
        return status;
    };
    RegistryKey flood;
    ASSERT_EQ(
        retried([&] {
            return RegistryKey::Root(RegistryRoot::LocalMachine).CreateSubKey(L"Flood", flood);
        }),
        RegistryStatus::Success);
    const std::array<std::byte, 4> one{std::byte{1}};
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(retried([&] {
                      return flood.SetValue(L"parent" + std::to_wstring(i), RegistryType::Dword,
                                            one);
                  }),
                  RegistryStatus::Success);
    std::string reply;
    ASSERT_TRUE(writer.ReadLine(reply));
    EXPECT_EQ(writer.Wait(), 0);
    int missing = 0;
    for (const char* tag : {"child", "parent"}) {
        for (int i = 0; i < 100; ++i) {
            std::uint32_t type = 0;
            std::size_t size = 0;
            std::array<std::byte, 4> data{};
            missing += flood.QueryValue(FromUtf8(tag) + std::to_wstring(i), type, data, size) !=
                       RegistryStatus::Success;
        }
    }
    EXPECT_EQ(missing, 0);
}

}  // namespace
}  // namespace quorvex
