#include "platform/registry/hive_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/registry/hive_file_test_helper.h"
#include "platform/registry/registry_types.h"
#include "platform/system/file_operations.h"
#include "platform/system/posix.h"
#include "platform/threads/clock.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

constexpr std::array<std::byte, 4> kOne{std::byte{1}};
constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\n";

bool SetOne(HiveFile& hive, std::wstring_view key, std::wstring_view value)
{
    return hive.Modify(
        [&](HiveKey& root) { return root.ObtainSubKey(key).SetValue(value, 4, kOne); });
}

bool Has(HiveFile& hive, std::wstring_view key, std::wstring_view value)
{
    const HiveKey* root = hive.Current();
    const HiveKey* found = root ? root->FindSubKey(key) : nullptr;
    return found != nullptr && found->FindValue(value) != nullptr;
}

// Sets a file's modification time that far from now (before now when negative): a time
// more than HiveFile::kWaitBound in the past tells a file left as it is; a time in the
// future, as a clock that stepped back leaves, tells nothing.
void Date(const fs::path& path, std::chrono::seconds fromNow)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() + fromNow);
}

// A temporary's name with its random part masked, so that a log reads the same each time.
std::string Masked(const std::string& name)
{
    const std::size_t mark = name.find(".tmp-");
    return mark == std::string::npos ? name : name.substr(0, mark) + ".tmp-XXXXXX";
}

// A monotonic clock that moves when the test moves it, and that jumps to the end of every
// wait at once: a test sees how long a hive waited without spending that time.
class JumpingClock final : public Clock {
public:
    TimePoint Now() const override { return now; }
    bool Sleep(Waiter&, std::optional<TimePoint> deadline) override
    {
        if (!deadline) {
            ADD_FAILURE() << "a hive never waits without a deadline";
            return true;
        }
        waited += *deadline - now;
        now = *deadline;
        if (onSleep)
            onSleep();
        return false;
    }
    void Advance(Duration step) { now += step; }

    Duration waited{};
    std::function<void()> onSleep;

private:
    TimePoint now{};
};

// Records the file operations of a write in order, and lets a test fail or interpose one.
class RecordingOperations : public FileOperations {
public:
    PosixFile::Result Create(const FolderHandle& folder, const std::string& name,
                             PosixFile& file) override
    {
        log.push_back("create " + Masked(name));
        return FileOperations::Create(folder, name, file);
    }
    bool Write(PosixFile& file, std::string_view text) override
    {
        log.push_back("write");
        return FileOperations::Write(file, text);
    }
    bool Sync(PosixFile& file) override
    {
        log.push_back("sync");
        if (onSync)
            onSync();
        return !failSync && FileOperations::Sync(file);
    }
    bool Rename(const FolderHandle& folder, const std::string& from, const std::string& to) override
    {
        log.push_back("rename " + Masked(from) + " " + to);
        return !failRename && FileOperations::Rename(folder, from, to);
    }
    bool SyncFolder(const FolderHandle& folder) override
    {
        log.push_back("sync folder");
        return FileOperations::SyncFolder(folder);
    }
    bool Remove(const FolderHandle& folder, const std::string& name) override
    {
        log.push_back("remove " + Masked(name));
        return FileOperations::Remove(folder, name);
    }

    std::vector<std::string> log;
    bool failSync = false;
    bool failRename = false;
    std::function<void()> onSync;
};

// The names in a folder, a temporary's random part masked.
std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(Masked(entry.path().filename().string()));
    std::sort(names.begin(), names.end());
    return names;
}

// Two HiveFile objects on one path stand for two processes sharing the hive: each keeps
// its own parsed copy, and only the file and its lock are shared.
class HiveFileTest : public ::testing::Test {
protected:
    testing::TempPrefix prefix;
    JumpingClock clock;
    const FolderHandle folder = prefix.Open();
    const fs::path path = prefix.Path() / "system.reg";
    HiveFile mine{folder, "system.reg", L"HKEY_LOCAL_MACHINE", HiveFile::Kind::Records, clock};
    HiveFile theirs{folder, "system.reg", L"HKEY_LOCAL_MACHINE", HiveFile::Kind::Records, clock};
    const fs::path userPath = prefix.Path() / "user.reg";
    HiveFile settings{folder, "user.reg", L"HKEY_CURRENT_USER", HiveFile::Kind::Settings, clock};
    HiveFile otherSettings{folder, "user.reg", L"HKEY_CURRENT_USER", HiveFile::Kind::Settings,
                           clock};
};

TEST_F(HiveFileTest, ParsesOnlyWhenTheFileChanged)
{
    ASSERT_TRUE(SetOne(theirs, L"k", L"a"));
    EXPECT_TRUE(Has(mine, L"k", L"a"));
    mine.Current();
    mine.Current();
    EXPECT_EQ(HiveFileTestHelper::ParseCount(mine), 1u);

    ASSERT_TRUE(SetOne(theirs, L"k", L"b"));
    EXPECT_TRUE(Has(mine, L"k", L"b"));
    EXPECT_EQ(HiveFileTestHelper::ParseCount(mine), 2u);
    ASSERT_TRUE(SetOne(mine, L"k", L"c"));
    mine.Current();
    EXPECT_EQ(HiveFileTestHelper::ParseCount(mine), 2u) << "its own write needs no new parse";

    fs::remove(path);
    EXPECT_EQ(mine.Current()->SubKeyCount(), 0u) << "a removed hive is an empty one";
}

TEST_F(HiveFileTest, AChangeStartsFromTheFileNotFromAStaleCopy)
{
    mine.Current();
    ASSERT_TRUE(SetOne(theirs, L"k", L"theirs"));
    ASSERT_TRUE(SetOne(mine, L"k", L"mine"));
    EXPECT_TRUE(Has(theirs, L"k", L"theirs")) << "the other writer's change survives";
    EXPECT_TRUE(Has(theirs, L"k", L"mine"));
}

TEST_F(HiveFileTest, AFailedWriteLeavesTheHiveAsItWas)
{
    ASSERT_TRUE(SetOne(mine, L"k", L"kept"));
    RecordingOperations operations;
    operations.failRename = true;
    HiveFileTestHelper::UseOperations(mine, operations);
    EXPECT_FALSE(SetOne(mine, L"k", L"lost"));
    EXPECT_EQ(Entries(prefix.Path()), (std::vector<std::string>{"system.reg", "system.reg.lock"}))
        << "the temporary is gone";
    EXPECT_FALSE(Has(mine, L"k", L"lost")) << "memory does not claim what the disk lacks";
    EXPECT_TRUE(Has(theirs, L"k", L"kept"));
}

TEST_F(HiveFileTest, TheTemporaryReachesTheDiskBeforeTheRenameAndAFailedFlushChangesNothing)
{
    RecordingOperations operations;
    HiveFileTestHelper::UseOperations(mine, operations);
    ASSERT_TRUE(SetOne(mine, L"k", L"first"));
    EXPECT_EQ(operations.log,
              (std::vector<std::string>{"create system.reg.tmp-XXXXXX", "write", "sync",
                                        "rename system.reg.tmp-XXXXXX system.reg", "sync folder"}));

    const std::string before = ReadFile(path);
    operations.log.clear();
    operations.failSync = true;
    EXPECT_FALSE(SetOne(mine, L"k", L"second"));
    EXPECT_EQ(operations.log, (std::vector<std::string>{"create system.reg.tmp-XXXXXX", "write",
                                                        "sync", "remove system.reg.tmp-XXXXXX"}));
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_FALSE(Has(mine, L"k", L"second"));
    EXPECT_EQ(Entries(prefix.Path()), (std::vector<std::string>{"system.reg", "system.reg.lock"}));
}

TEST_F(HiveFileTest, AWriteThatRacesAnEditorStartsAgainFromTheEditorsText)
{
    ASSERT_TRUE(SetOne(mine, L"k", L"before"));
    RecordingOperations operations;
    HiveFileTestHelper::UseOperations(mine, operations);
    int edits = 0;
    // An editor that ignores the lock saves while the write is on its way to the disk,
    // in place and with the same size, so that only the bytes tell.
    operations.onSync = [&] {
        if (edits++ > 0)
            return;
        std::string text = ReadFile(path);
        text.replace(text.find("before"), 6, "edited");
        WriteFile(path, text);
    };
    ASSERT_TRUE(SetOne(mine, L"k", L"mine"));
    EXPECT_EQ(edits, 2) << "the write started again";
    EXPECT_TRUE(Has(theirs, L"k", L"edited")) << "the editor's save is not undone";
    EXPECT_TRUE(Has(theirs, L"k", L"mine"));
    EXPECT_FALSE(Has(theirs, L"k", L"before"));
}

TEST_F(HiveFileTest, AHiveBeingRewrittenInPlaceKeepsItsLastContentsAndIsNeverSetAside)
{
    for (HiveFile* hive : {&mine, &settings}) {
        const fs::path& file = hive == &mine ? path : userPath;
        const std::string good = std::string(kHeader) + "[" +
                                 (hive == &mine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER") +
                                 "\\k]\n\"Baud\"=dword:00000005\n";
        WriteFile(file, good);
        ASSERT_TRUE(Has(*hive, L"k", L"Baud"));
        // What nano, '>' and open('w') leave between their truncation and their last write.
        for (const std::string& partial : {std::string(), std::string("Windows Registry Ed"),
                                           std::string(kHeader).substr(0, kHeader.size() - 1),
                                           good.substr(0, good.size() - 5)}) {
            WriteFile(file, partial);
            // Dated ahead, so that only the test's clock, which stands still, could settle it.
            Date(file, std::chrono::hours(1));
            const HiveKey* root = hive->Current();
            ASSERT_NE(root, nullptr);
            const HiveKey* key = root->FindSubKey(L"k");
            ASSERT_NE(key, nullptr) << "[" << partial << "]";
            ASSERT_NE(key->FindValue(L"Baud"), nullptr);
            EXPECT_EQ(key->FindValue(L"Baud")->data[0], std::byte{5}) << "not a cut 0";
        }
        WriteFile(file, good + "\"More\"=dword:00000001\n");
        EXPECT_TRUE(Has(*hive, L"k", L"More")) << "the finished file is read at once";
    }
    for (const auto& entry : fs::directory_iterator(prefix.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".bad"), std::string::npos);
}

TEST_F(HiveFileTest, AWriteWaitsForAHiveBeingWrittenAndNeverWritesFromStaleContents)
{
    ASSERT_TRUE(SetOne(mine, L"k", L"old"));
    std::string cut = std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\k]\n\"Baud\"=dword:0000";
    WriteFile(path, cut);
    // The other writer is still at work: the file grows while the write waits.
    clock.onSleep = [&] {
        cut += '0';
        WriteFile(path, cut);
        Date(path, std::chrono::hours(1));
    };
    EXPECT_FALSE(SetOne(mine, L"k", L"new"));
    EXPECT_GT(clock.waited, Clock::Duration::zero());
    EXPECT_LE(clock.waited, HiveFile::kWaitBound) << "bounded";
    EXPECT_EQ(ReadFile(path), cut) << "nothing written over the other writer's file";
}

TEST_F(HiveFileTest, AHiveDatedInTheFutureSettlesOnceUnchangedForTheWaitBound)
{
    // An empty user.reg dated tomorrow, as a board whose clock stepped back leaves it.
    WriteFile(userPath, "");
    Date(userPath, std::chrono::hours(24));
    ASSERT_NE(settings.Current(), nullptr);
    clock.Advance(HiveFile::kWaitBound);
    ASSERT_TRUE(SetOne(settings, L"k", L"saved"));
    EXPECT_EQ(clock.waited, Clock::Duration::zero()) << "settled before the write";
    EXPECT_TRUE(Has(otherSettings, L"k", L"saved"));

    // A write that is the first to look waits for the file to settle, no longer.
    WriteFile(path, "");
    Date(path, std::chrono::hours(24));
    ASSERT_TRUE(SetOne(mine, L"k", L"saved"));
    EXPECT_EQ(clock.waited, HiveFile::kWaitBound);
    EXPECT_TRUE(Has(theirs, L"k", L"saved"));

    // Until it has settled, what was read before stays.
    WriteFile(userPath, "");
    Date(userPath, std::chrono::hours(24));
    EXPECT_TRUE(Has(settings, L"k", L"saved"));
    clock.Advance(HiveFile::kWaitBound - std::chrono::nanoseconds(1));
    EXPECT_TRUE(Has(settings, L"k", L"saved"));
    clock.Advance(std::chrono::nanoseconds(1));
    EXPECT_FALSE(Has(settings, L"k", L"saved")) << "settled: an empty hive";
}

TEST_F(HiveFileTest, NoWriteWaitsAgainOnASettledHiveWhileItStaysUnchanged)
{
    const std::string cut = std::string(kHeader) + "[HKEY_CURRENT_USER\\k]\n\"Baud\"=dword:0000";
    WriteFile(userPath, cut);
    Date(userPath, std::chrono::hours(24));
    settings.Current();
    clock.Advance(HiveFile::kWaitBound);
    RecordingOperations operations;
    HiveFileTestHelper::UseOperations(settings, operations);
    operations.failSync = true;
    EXPECT_FALSE(SetOne(settings, L"k", L"a"));
    EXPECT_FALSE(SetOne(settings, L"k", L"a"));
    operations.failSync = false;
    EXPECT_TRUE(SetOne(settings, L"k", L"a"));
    EXPECT_EQ(clock.waited, Clock::Duration::zero());
    EXPECT_TRUE(Has(otherSettings, L"k", L"a"));
}

TEST_F(HiveFileTest, ALastLineWithoutItsLineFeedIsReadOnceSettledAndReplacedInPlace)
{
    // Saved by an editor that adds no final line feed, and found at start.
    const std::string edited = std::string(kHeader) + "[HKEY_CURRENT_USER\\k]\n\"Baud\"=dword:";
    WriteFile(userPath, edited + "00000003");
    Date(userPath, -std::chrono::seconds(5));
    const HiveKey* root = settings.Current();
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->FindSubKey(L"k"), nullptr);
    const HiveKey::Value* baud = root->FindSubKey(L"k")->FindValue(L"Baud");
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->data[0], std::byte{3});

    const std::array<std::byte, 4> five{std::byte{5}};
    ASSERT_TRUE(settings.Modify([&](HiveKey& hive) {
        return hive.ObtainSubKey(L"k").SetValue(L"baud", RegistryType::Dword, five);
    }));
    EXPECT_EQ(ReadFile(userPath), edited + "00000005\n") << "one value, where the user put it";
}

TEST_F(HiveFileTest, AHiveLeftUnfinishedIsTakenAsItStands)
{
    WriteFile(path, "");
    Date(path, -std::chrono::seconds(5));
    ASSERT_NE(mine.Current(), nullptr);
    ASSERT_TRUE(SetOne(mine, L"k", L"a")) << "an empty file left alone is an empty hive";

    const std::string cut = std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\k]\n\"Baud\"=dword:0000";
    WriteFile(path, cut);
    Date(path, -std::chrono::seconds(5));
    EXPECT_FALSE(Has(mine, L"k", L"Baud")) << "a cut number never reads as a whole one";
    ASSERT_TRUE(SetOne(mine, L"k", L"b"));
    EXPECT_TRUE(ReadFile(path).ends_with("\"Baud\"=dword:0000\n")) << ReadFile(path);
}

TEST_F(HiveFileTest, OnlyRegularFilesAreHivesAndNoneIsWaitedOn)
{
    ASSERT_TRUE(Posix::MakeFifo(path.c_str(), 0600).Ok());
    EXPECT_EQ(mine.Current(), nullptr);
    EXPECT_FALSE(SetOne(mine, L"k", L"a"));
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(mine.Current(), nullptr);
    EXPECT_FALSE(SetOne(mine, L"k", L"a"));
    fs::remove(path);
    fs::create_symlink("/dev/null", path);
    EXPECT_EQ(mine.Current(), nullptr);
    EXPECT_FALSE(SetOne(mine, L"k", L"a"));
    EXPECT_TRUE(fs::is_symlink(path)) << "nothing is put in its place";
}

TEST_F(HiveFileTest, ASymbolicLinkIsWrittenThroughToItsTarget)
{
    fs::create_directory(prefix.Path() / "elsewhere");
    const fs::path target = prefix.Path() / "elsewhere" / "real.reg";
    WriteFile(target, std::string(kHeader) + "; kept\n");
    fs::create_symlink("elsewhere/real.reg", path);
    ASSERT_TRUE(SetOne(mine, L"k", L"a"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(target).substr(0, kHeader.size() + 7), std::string(kHeader) + "; kept\n");
    EXPECT_TRUE(Has(theirs, L"k", L"a"));
    EXPECT_TRUE(fs::exists(prefix.Path() / "system.reg.lock"));
    EXPECT_EQ(Entries(prefix.Path() / "elsewhere"), std::vector<std::string>{"real.reg"})
        << "neither a lock nor a temporary beside the target";
}

// Another user may plant links where a write makes its files: in the prefix (a prefix they
// may write to is refused at start, but a link may predate that) and in the folder of a
// hive link's target, which may be anybody's. A write never goes through them.
TEST_F(HiveFileTest, AWriteMakesNothingThroughALinkPlantedWhereItsFilesGo)
{
    const fs::path victim = prefix.Path() / "victim";
    WriteFile(victim, "precious\n");
    fs::create_symlink(victim, prefix.Path() / "user.reg.tmp");  // the temporary's old name
    ASSERT_TRUE(SetOne(settings, L"k", L"a"));
    EXPECT_FALSE(fs::is_symlink(userPath));

    const fs::path shared = prefix.Path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    fs::create_symlink(shared / "real.reg", path);
    fs::create_symlink(victim, shared / "real.reg.tmp");
    ASSERT_TRUE(SetOne(mine, L"k", L"a"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(shared / "real.reg")));
    EXPECT_TRUE(Has(theirs, L"k", L"a"));

    // A lock file is never made through a link: the write fails, the read goes on.
    fs::remove(prefix.Path() / "user.reg.lock");
    fs::create_symlink(shared / "made", prefix.Path() / "user.reg.lock");
    EXPECT_FALSE(SetOne(settings, L"k", L"b"));
    EXPECT_FALSE(fs::exists(shared / "made"));
    EXPECT_TRUE(Has(settings, L"k", L"a"));
    EXPECT_EQ(ReadFile(victim), "precious\n");
}

// Root may give a link to another user, which is how a link another user made is had here.
TEST_F(HiveFileTest, AHiveIsNotWrittenThroughALinkOfAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a link to another user";
    const fs::path victim = prefix.Path() / "victim";
    WriteFile(victim, std::string(kHeader));
    const fs::path shared = prefix.Path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    fs::create_symlink(shared / "real.reg", path);
    fs::create_symlink(victim, shared / "real.reg");
    ASSERT_EQ(::lchown((shared / "real.reg").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(SetOne(mine, L"k", L"a"));
    EXPECT_EQ(ReadFile(victim), kHeader);
    EXPECT_EQ(Entries(prefix.Path()),
              (std::vector<std::string>{"shared", "system.reg", "system.reg.lock", "victim"}));
}

TEST_F(HiveFileTest, ALockHeldElsewhereBoundsEveryWait)
{
    ASSERT_TRUE(SetOne(mine, L"k", L"a"));
    WriteFile(userPath, "no hive at all\n");
    PosixFile holder;
    ASSERT_EQ(holder.Open(prefix.Path() / "system.reg.lock", PosixFile::Mode::LockCompanion),
              PosixFile::Result::Ok);
    ASSERT_TRUE(holder.LockExclusive());
    PosixFile userHolder;
    ASSERT_EQ(userHolder.Open(prefix.Path() / "user.reg.lock", PosixFile::Mode::LockCompanion),
              PosixFile::Result::Ok);
    ASSERT_TRUE(userHolder.LockExclusive());

    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(SetOne(mine, L"k", L"b"));
    EXPECT_TRUE(Has(mine, L"k", L"a")) << "reads need no lock";
    ASSERT_NE(settings.Current(), nullptr);
    EXPECT_EQ(settings.Current()->SubKeyCount(), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_TRUE(fs::exists(userPath)) << "set aside only under the lock";

    userHolder.Close();
    WriteFile(userPath, "still no hive\n");
    settings.Current();
    EXPECT_FALSE(fs::exists(userPath));
    EXPECT_EQ(ReadFile(prefix.Path() / "user.reg.bad"), "still no hive\n");
}

TEST_F(HiveFileTest, AnUnreadableRecordsHiveReadsAsEmptyAndIsNeverRenamedOrWritten)
{
    for (const std::string& junk : {std::string("\x7F"
                                                "ELF\x02\x01",
                                                6),
                                    std::string(HiveFile::kMaxFileBytes + 1, '\n')}) {
        WriteFile(path, junk);
        ASSERT_NE(mine.Current(), nullptr);
        EXPECT_EQ(mine.Current()->SubKeyCount(), 0u);
        EXPECT_FALSE(SetOne(mine, L"k", L"a"));
        EXPECT_EQ(ReadFile(path), junk);
        EXPECT_FALSE(fs::exists(prefix.Path() / "system.reg.bad"));
    }
}

TEST_F(HiveFileTest, AnUnreadableSettingsHiveIsSetAsideInABoundedNumberOfCopies)
{
    for (int i = 0; i < 2 * HiveFile::kMaxAsideCopies; ++i) {
        WriteFile(userPath, "junk " + std::to_string(i) + "\n");
        ASSERT_NE(settings.Current(), nullptr);
        EXPECT_FALSE(fs::exists(userPath));
    }
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(prefix.Path()))
        copies += entry.path().filename().string().starts_with("user.reg.bad");
    EXPECT_EQ(copies, HiveFile::kMaxAsideCopies);
    EXPECT_EQ(ReadFile(prefix.Path() / "user.reg.bad"),
              "junk " + std::to_string(2 * HiveFile::kMaxAsideCopies - 1) + "\n")
        << "the newest copy is .bad";
    EXPECT_TRUE(SetOne(settings, L"k", L"a")) << "writes go on however many there were";

    WriteFile(userPath, std::string(HiveFile::kMaxFileBytes + 1, '\n'));
    ASSERT_NE(settings.Current(), nullptr);
    EXPECT_EQ(settings.Current()->SubKeyCount(), 0u);
    EXPECT_FALSE(fs::exists(userPath)) << "a file beyond the size cap is set aside";
}

}  // namespace
}  // namespace quorvex
