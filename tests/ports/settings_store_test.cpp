#include "ports/settings_store.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kCompany = L"Local AppWizard-Generated Applications";
constexpr std::wstring_view kAppPath = L"software\\Local AppWizard-Generated Applications\\Quorvex";

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() { store.SetCompanyKey(kCompany); }

    RegistryKey Section(std::wstring_view section)
    {
        RegistryKey key;
        std::wstring path(kAppPath);
        path += L'\\';
        path += section;
        EXPECT_EQ(RegistryKey::Root(RegistryRoot::CurrentUser).OpenSubKey(path, key),
                  RegistryStatus::Success)
            << "missing key " << section.size();
        return key;
    }

    testing::TempPrefix prefix;
    SettingsStore store{L"/usr/bin/Quorvex.exe"};
};

TEST_F(SettingsStoreTest, FirstStartReadsEveryDefaultAndLeavesTheKeyPath)
{
    EXPECT_EQ(store.ReadInt(L"PortSelection", L"Port", -1), -1);
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"Baud", 5), 5);
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"DataBits", 1), 1);
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"StopBits", 0), 0);
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"Parity", 0), 0);
    EXPECT_EQ(store.ReadInt(L"Connection", L"Status", 0), 0);
    for (std::wstring_view section : {L"PortSelection", L"PortParameters", L"Connection"}) {
        const RegistryKey key = Section(section);
        std::array<wchar_t, 8> name{};
        std::size_t length = 0;
        EXPECT_EQ(key.EnumerateSubKey(0, name, length), RegistryStatus::NoMoreItems);
    }
}

TEST_F(SettingsStoreTest, RoundTripsWhateverTheCaseOfTheEntry)
{
    EXPECT_TRUE(store.WriteInt(L"PortSelection", L"port", -1));
    EXPECT_EQ(store.ReadInt(L"PortSelection", L"Port", 7), -1);
    EXPECT_TRUE(store.WriteInt(L"PortSelection", L"port", 3));
    EXPECT_EQ(store.ReadInt(L"portselection", L"PORT", 7), 3);
    EXPECT_TRUE(store.WriteInt(L"Connection", L"Status", INT32_MIN));
    EXPECT_EQ(store.ReadInt(L"Connection", L"Status", 0), INT32_MIN);

    std::array<std::byte, 8> bytes{};
    std::uint32_t type = 0;
    std::size_t size = 0;
    ASSERT_EQ(Section(L"PortSelection").QueryValue(L"Port", type, bytes, size),
              RegistryStatus::Success);
    EXPECT_EQ(type, RegistryType::Dword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(bytes[0], std::byte{3}) << "little-endian";
}

TEST_F(SettingsStoreTest, ReadsAnyFourBytesAndNothingLonger)
{
    ASSERT_EQ(store.ReadInt(L"PortParameters", L"Baud", 5), 5);
    RegistryKey key = Section(L"PortParameters");
    const std::array<std::byte, 4> binary{std::byte{2}, std::byte{1}, std::byte{0}, std::byte{0}};
    ASSERT_EQ(key.SetValue(L"Baud", RegistryType::Binary, binary), RegistryStatus::Success);
    ASSERT_EQ(key.SetValue(L"DataBits", RegistryType::String, RegistryString::Encode(L"A")),
              RegistryStatus::Success);
    ASSERT_EQ(key.SetValue(L"StopBits", RegistryType::String, RegistryString::Encode(L"AB")),
              RegistryStatus::Success);
    const std::array<std::byte, 1> shortValue{std::byte{9}};
    ASSERT_EQ(key.SetValue(L"Parity", RegistryType::Dword, shortValue), RegistryStatus::Success);

    EXPECT_EQ(store.ReadInt(L"PortParameters", L"Baud", 5), 0x102);
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"DataBits", 1), 0x41) << "a 4-byte string";
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"StopBits", 7), 7) << "6 bytes give the default";
    EXPECT_EQ(store.ReadInt(L"PortParameters", L"Parity", 0), 9);
}

TEST_F(SettingsStoreTest, StoresNothingBeforeTheCompanyKeyIsNamed)
{
    SettingsStore unnamed(L"/usr/bin/quorvex");
    EXPECT_FALSE(unnamed.WriteInt(L"Connection", L"Status", 1));
    EXPECT_EQ(unnamed.ReadInt(L"Connection", L"Status", 0), 0);
    EXPECT_FALSE(std::filesystem::exists(prefix.Path() / "user.reg"));
}

TEST_F(SettingsStoreTest, AnotherProgramNameKeepsItsOwnSettings)
{
    ASSERT_TRUE(store.WriteInt(L"Connection", L"Status", 1));
    SettingsStore other(L"/opt/Relay.bin");
    other.SetCompanyKey(kCompany);
    EXPECT_EQ(other.ReadInt(L"Connection", L"Status", 0), 0);
    RegistryKey key;
    const RegistryKey root = RegistryKey::Root(RegistryRoot::CurrentUser);
    const std::wstring_view path =
        L"SOFTWARE\\Local AppWizard-Generated Applications\\Relay\\Connection";
    EXPECT_EQ(root.OpenSubKey(path, key), RegistryStatus::Success);

    SettingsStore nameless(L"/opt/");
    nameless.SetCompanyKey(kCompany);
    EXPECT_FALSE(nameless.WriteInt(L"Connection", L"Status", 1))
        << "no application name means no key, not the company key itself";
    EXPECT_EQ(nameless.ReadInt(L"Connection", L"Status", 5), 5);
}

TEST_F(SettingsStoreTest, UsesASoftwareKeyThatExistsInAnotherCase)
{
    RegistryKey software;
    ASSERT_EQ(RegistryKey::Root(RegistryRoot::CurrentUser).CreateSubKey(L"Software", software),
              RegistryStatus::Success);
    ASSERT_TRUE(store.WriteInt(L"Connection", L"Status", 1));
    std::array<wchar_t, 16> name{};
    std::size_t length = 0;
    const RegistryKey root = RegistryKey::Root(RegistryRoot::CurrentUser);
    EXPECT_EQ(root.EnumerateSubKey(0, name, length), RegistryStatus::Success);
    EXPECT_EQ(std::wstring(name.data()), L"Software");
    EXPECT_EQ(root.EnumerateSubKey(1, name, length), RegistryStatus::NoMoreItems);
}

}  // namespace
}  // namespace quorvex
