#include "platform/registry/registry_key.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"
#include "platform/registry/registry_string.h"
#include "platform/registry/shell_registry.h"
#include "platform/system/posix.h"
#include "platform/threads/thread.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

RegistryKey Create(RegistryRoot root, std::wstring_view path)
{
    RegistryKey key;
    EXPECT_EQ(RegistryKey::Root(root).CreateSubKey(path, key), RegistryStatus::Success)
        << path.size();
    return key;
}

RegistryStatus SetString(RegistryKey& key, std::wstring_view name, std::wstring_view text)
{
    return key.SetValue(name, RegistryType::String, RegistryString::Encode(text));
}

std::wstring QueryString(const RegistryKey& key, std::wstring_view name)
{
    std::array<std::byte, 256> data{};
    std::uint32_t type = 0;
    std::size_t size = 0;
    if (key.QueryValue(name, type, data, size) != RegistryStatus::Success)
        return L"<none>";
    return RegistryString::Decode(std::span(data).first(size));
}

class RegistryKeyTest : public ::testing::Test {
protected:
    fs::path Hive(const char* name) const { return prefix.Path() / name; }

    testing::TempPrefix prefix;
};

TEST_F(RegistryKeyTest, OpensAndCreatesKeysWhateverTheCase)
{
    const RegistryKey root = RegistryKey::Root(RegistryRoot::CurrentUser);
    RegistryKey key;
    EXPECT_EQ(root.OpenSubKey(L"Software\\Tool", key), RegistryStatus::FileNotFound);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(fs::exists(Hive("user.reg"))) << "opening creates nothing";

    RegistryKey created = Create(RegistryRoot::CurrentUser, L"Software\\Tool");
    ASSERT_EQ(root.OpenSubKey(L"SOFTWARE\\tOOL", key), RegistryStatus::Success);
    ASSERT_EQ(SetString(key, L"Port", L"COM5"), RegistryStatus::Success);
    EXPECT_EQ(SetString(created, L"PORT", L"COM6"), RegistryStatus::Success);
    EXPECT_EQ(QueryString(key, L"port"), L"COM6");

    RegistryKey again;
    EXPECT_EQ(root.CreateSubKey(L"software\\TOOL", again), RegistryStatus::Success);
    RegistryKey self;
    EXPECT_EQ(again.OpenSubKey(L"", self), RegistryStatus::Success) << "an empty path is the key";
    EXPECT_EQ(QueryString(self, L"Port"), L"COM6");

    const std::string text = ReadFile(Hive("user.reg"));
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tool]\n\"Port\"=\"COM6\""),
              std::string::npos)
        << "names keep the case they were created with:\n"
        << text;
    EXPECT_EQ(text.find("TOOL"), std::string::npos);

    Create(RegistryRoot::LocalMachine, L"SYSTEM");
    EXPECT_EQ(ReadFile(Hive("system.reg")).find("Tool"), std::string::npos);
    EXPECT_NE(ReadFile(Hive("system.reg")).find("[HKEY_LOCAL_MACHINE\\SYSTEM]"), std::string::npos);
}

TEST_F(RegistryKeyTest, EnumeratesIntoABoundedBuffer)
{
    RegistryKey ports = Create(RegistryRoot::LocalMachine, L"Ports");
    const std::wstring fits(31, L'f');
    const std::wstring tooLong(32, L'x');
    for (std::wstring_view name : {std::wstring_view(L"a"), std::wstring_view(tooLong),
                                   std::wstring_view(fits), std::wstring_view(L"b")}) {
        RegistryKey ignored;
        ASSERT_EQ(ports.CreateSubKey(name, ignored), RegistryStatus::Success);
    }
    std::array<wchar_t, 32> name{};
    std::size_t length = 99;
    EXPECT_EQ(ports.EnumerateSubKey(0, name, length), RegistryStatus::Success);
    EXPECT_EQ(std::wstring(name.data()), L"a");
    EXPECT_EQ(length, 1u);
    name.fill(L'?');
    EXPECT_EQ(ports.EnumerateSubKey(1, name, length), RegistryStatus::MoreData);
    EXPECT_EQ(name[0], L'?') << "nothing is copied when the name does not fit";
    EXPECT_EQ(ports.EnumerateSubKey(2, name, length), RegistryStatus::Success);
    EXPECT_EQ(std::wstring(name.data()), fits);
    EXPECT_EQ(ports.EnumerateSubKey(3, name, length), RegistryStatus::Success);
    EXPECT_EQ(std::wstring(name.data()), L"b");
    EXPECT_EQ(ports.EnumerateSubKey(4, name, length), RegistryStatus::NoMoreItems);
}

TEST_F(RegistryKeyTest, QueriesIntoABoundedBuffer)
{
    RegistryKey key = Create(RegistryRoot::LocalMachine, L"k");
    ASSERT_EQ(SetString(key, L"Port", L"COM5"), RegistryStatus::Success);
    std::array<std::byte, 16> roomy{};
    std::uint32_t type = 0;
    std::size_t size = 0;
    EXPECT_EQ(key.QueryValue(L"Port", type, roomy, size), RegistryStatus::Success);
    EXPECT_EQ(type, RegistryType::String);
    EXPECT_EQ(size, 10u) << "UTF-16LE with its terminator";
    std::array<std::byte, 4> small{};
    EXPECT_EQ(key.QueryValue(L"Port", type, small, size), RegistryStatus::MoreData);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(small, (std::array<std::byte, 4>{})) << "nothing is returned";
    EXPECT_EQ(key.QueryValue(L"Missing", type, roomy, size), RegistryStatus::FileNotFound);
}

TEST_F(RegistryKeyTest, RefusesNamesPathsAndSizesBeyondTheLimits)
{
    const RegistryKey root = RegistryKey::Root(RegistryRoot::CurrentUser);
    RegistryKey key;
    for (const std::wstring& path :
         {std::wstring(256, L'k'), std::wstring(L"\\lead"), std::wstring(L"trail\\"),
          std::wstring(L"a\\\\b"), std::wstring(L"bell\a"), std::wstring(L"line\nbreak"),
          std::wstring(1, static_cast<wchar_t>(0xD800))})
        EXPECT_EQ(root.CreateSubKey(path, key), RegistryStatus::InvalidParameter) << path.size();
    std::wstring deep = L"d";
    for (int i = 1; i < 512; ++i)
        deep += L"\\d";
    EXPECT_EQ(root.CreateSubKey(deep, key), RegistryStatus::Success) << "512 levels";
    RegistryKey deeper;
    EXPECT_EQ(key.CreateSubKey(L"d", deeper), RegistryStatus::InvalidParameter) << "513 levels";
    ASSERT_EQ(root.CreateSubKey(std::wstring(255, L'k'), key), RegistryStatus::Success);

    EXPECT_EQ(key.SetValue(std::wstring(16384, L'n'), RegistryType::Dword, {}),
              RegistryStatus::InvalidParameter);
    EXPECT_EQ(key.SetValue(std::wstring(16383, L'n'), RegistryType::Dword, {}),
              RegistryStatus::Success);
    const std::vector<std::byte> huge(kMaxRegistryValueBytes + 1);
    EXPECT_EQ(key.SetValue(L"Huge", RegistryType::Binary, huge), RegistryStatus::InvalidParameter);

    RegistryKey moved = std::move(key);
    EXPECT_EQ(SetString(key, L"x", L"y"), RegistryStatus::InvalidHandle)
        << "a moved-from handle is closed, not the root";
    EXPECT_EQ(SetString(moved, L"x", L"y"), RegistryStatus::Success);
    key = std::move(moved);
    key.Close();
    EXPECT_EQ(SetString(key, L"x", L"y"), RegistryStatus::InvalidHandle);
    std::uint32_t type = 0;
    std::size_t size = 0;
    EXPECT_EQ(key.QueryValue(L"x", type, {}, size), RegistryStatus::InvalidHandle);

    HiveKey parsed;
    EXPECT_EQ(HiveText::Parse(ReadFile(Hive("user.reg")), L"HKEY_CURRENT_USER", parsed),
              HiveText::Outcome::Whole)
        << "what was accepted is written so that it reads back";
}

TEST_F(RegistryKeyTest, WritesDurablyAndPrivately)
{
    RegistryKey key = Create(RegistryRoot::CurrentUser, L"k");
    ASSERT_EQ(SetString(key, L"Name", L"value"), RegistryStatus::Success);
    const fs::path hive = Hive("user.reg");
    EXPECT_EQ(fs::status(hive).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(Hive("user.reg.tmp")));
    fs::permissions(hive, fs::perms::all);
    ASSERT_EQ(SetString(key, L"Name", L"other"), RegistryStatus::Success);
    EXPECT_EQ(fs::status(hive).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "a replaced hive is private again";
}

TEST_F(RegistryKeyTest, SeesChangesMadeOutsideAtOnce)
{
    RegistryKey key = Create(RegistryRoot::LocalMachine, L"SOFTWARE\\Vendor\\Records");
    ASSERT_EQ(SetString(key, L"COM2", L"First"), RegistryStatus::Success);
    const fs::path hive = Hive("system.reg");
    std::string text = ReadFile(hive);
    const std::size_t at = text.find("First");
    text.replace(at, 5, "Other");
    {
        // Edited in place with the same size: only the modification time tells.
        std::fstream file(hive, std::ios::in | std::ios::out | std::ios::binary);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    fs::last_write_time(hive, fs::last_write_time(hive) + std::chrono::seconds(1));
    EXPECT_EQ(QueryString(key, L"COM2"), L"Other");

    WriteFile(hive, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Elsewhere]\n");
    std::array<wchar_t, 8> name{};
    std::size_t length = 0;
    EXPECT_EQ(key.EnumerateSubKey(0, name, length), RegistryStatus::FileNotFound)
        << "a key removed by another writer is gone, not empty";
    EXPECT_EQ(QueryString(key, L"COM2"), L"<none>");
    EXPECT_EQ(SetString(key, L"COM2", L"x"), RegistryStatus::FileNotFound);
}

TEST_F(RegistryKeyTest, SetsAHiveThatCannotBeReadAside)
{
    const fs::path hive = Hive("user.reg");
    const std::string junk(
        "\x7F"
        "ELF\0\0 binary",
        13);
    WriteFile(hive, junk);
    WriteFile(Hive("user.reg.bad"), "an older bad hive");
    RegistryKey key;
    EXPECT_EQ(RegistryKey::Root(RegistryRoot::CurrentUser).OpenSubKey(L"k", key),
              RegistryStatus::FileNotFound);
    EXPECT_FALSE(fs::exists(hive));
    EXPECT_EQ(ReadFile(Hive("user.reg.bad")), junk) << "the newest copy";
    EXPECT_EQ(ReadFile(Hive("user.reg.bad.1")), "an older bad hive");

    key = Create(RegistryRoot::CurrentUser, L"k");
    EXPECT_EQ(SetString(key, L"v", L"fresh"), RegistryStatus::Success);
    EXPECT_EQ(QueryString(key, L"v"), L"fresh");
}

TEST_F(RegistryKeyTest, KeepsWhatParsesOfADamagedHiveAndTheRestInPlace)
{
    const fs::path hive = Hive("user.reg");
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\k]\n"
        "\"Kept\"=\"yes\"\n"
        "\"Typo\"=dwrod:00000001\n";
    WriteFile(hive, damaged);
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Root(RegistryRoot::CurrentUser).OpenSubKey(L"k", key),
              RegistryStatus::Success);
    EXPECT_EQ(QueryString(key, L"Kept"), L"yes");

    ASSERT_EQ(SetString(key, L"New", L"value"), RegistryStatus::Success);
    EXPECT_EQ(ReadFile(hive),
              "Windows Registry Editor Version 5.00\n"
              "[HKEY_CURRENT_USER\\k]\n"
              "\"Kept\"=\"yes\"\n"
              "\"New\"=\"value\"\n"
              "\"Typo\"=dwrod:00000001\n")
        << "the line that did not parse survives where it stood";
    EXPECT_FALSE(fs::exists(Hive("user.reg.bad"))) << "a readable hive needs no copy";
}

TEST_F(RegistryKeyTest, AHivePathThatIsNoFileFailsTheCallWithoutWaiting)
{
    ASSERT_TRUE(fs::create_directory(Hive("user.reg")));
    ASSERT_TRUE(Posix::MakeFifo(Hive("system.reg").c_str(), 0600).Ok());
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        RegistryKey key;
        EXPECT_EQ(RegistryKey::Root(root).OpenSubKey(L"k", key), RegistryStatus::StorageFailed);
        EXPECT_EQ(RegistryKey::Root(root).CreateSubKey(L"k", key), RegistryStatus::StorageFailed);
    }
    std::array<wchar_t, 8> buffer{};
    EXPECT_EQ(ShellRegistry::ReadString(RegistryRoot::LocalMachine, L"k", L"v", buffer),
              RegistryStatus::StorageFailed);
}

TEST_F(RegistryKeyTest, ShellReaderCopiesOnlyWholeStrings)
{
    RegistryKey key = Create(RegistryRoot::LocalMachine, L"SYSTEM\\RECEIVER\\Ports");
    const std::wstring longest(127, L'n');
    ASSERT_EQ(SetString(key, L"Fits", longest), RegistryStatus::Success);
    ASSERT_EQ(SetString(key, L"TooLong", longest + L"x"), RegistryStatus::Success);
    ASSERT_EQ(SetString(key, L"Wide", L"\U0001F6F0 sat"), RegistryStatus::Success);
    const std::array<std::byte, 4> number{std::byte{1}};
    ASSERT_EQ(key.SetValue(L"Number", RegistryType::Dword, number), RegistryStatus::Success);

    std::array<wchar_t, 128> buffer{};
    auto read = [&](std::wstring_view subKey, std::wstring_view name) {
        buffer.fill(L'?');
        return ShellRegistry::ReadString(RegistryRoot::LocalMachine, subKey, name, buffer);
    };
    EXPECT_EQ(read(L"system\\receiver\\ports", L"fits"), RegistryStatus::Success);
    EXPECT_EQ(std::wstring(buffer.data()), longest);
    EXPECT_EQ(read(L"SYSTEM\\RECEIVER\\Ports", L"Wide"), RegistryStatus::Success);
    EXPECT_EQ(std::wstring(buffer.data()), L"\U0001F6F0 sat");
    EXPECT_EQ(read(L"SYSTEM\\RECEIVER\\Ports", L"TooLong"), RegistryStatus::MoreData);
    EXPECT_EQ(buffer[0], L'?') << "a failure leaves the buffer alone";
    EXPECT_EQ(read(L"SYSTEM\\RECEIVER\\Ports", L"Number"), RegistryStatus::UnsupportedType);
    EXPECT_EQ(read(L"SYSTEM\\RECEIVER\\Ports", L"Missing"), RegistryStatus::FileNotFound);
    EXPECT_EQ(read(L"SYSTEM\\NOWHERE", L"Fits"), RegistryStatus::FileNotFound);
    EXPECT_EQ(buffer[0], L'?');
}

TEST_F(RegistryKeyTest, ThreadsWritingAtOnceLoseNothing)
{
    Thread threads[2];
    for (int t = 0; t < 2; ++t) {
        ASSERT_TRUE(threads[t].Start([t] {
            RegistryKey key = Create(RegistryRoot::CurrentUser, L"Shared");
            for (int i = 0; i < 20; ++i)
                EXPECT_EQ(SetString(key, std::to_wstring(t) + L"-" + std::to_wstring(i), L"x"),
                          RegistryStatus::Success);
        }));
    }
    for (Thread& thread : threads)
        thread.Join();
    RegistryKey key = Create(RegistryRoot::CurrentUser, L"Shared");
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(QueryString(key, std::to_wstring(t) + L"-" + std::to_wstring(i)), L"x");
}

}  // namespace
}  // namespace quorvex
