#include "ports/port_catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/resource/resource_module.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

constexpr std::array<StringEntry, 4> kStrings{{
    {142, {L"External (COM1)", 16}},
    {143, {L"Bluetooth (COM5)", 17}},
    {144, {L"Bluetooth (COM6)", 17}},
    {145, {L"Bluetooth (COM9)", 17}},
}};
const ResourceModule kResources({}, kStrings);

constexpr std::wstring_view kPortsKey = L"SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports";

class PortCatalogueTest : public ::testing::Test {
protected:
    // Registers a subkey of the Bluetooth ports key, with a "Port" string unless it is null.
    static void Register(std::wstring_view subKey, const wchar_t* port)
    {
        RegistryKey key;
        std::wstring path(kPortsKey);
        path += L'\\';
        path += subKey;
        ASSERT_EQ(RegistryKey::Root(RegistryRoot::LocalMachine).CreateSubKey(path, key),
                  RegistryStatus::Success);
        if (port != nullptr) {
            ASSERT_EQ(key.SetValue(L"Port", RegistryType::String, RegistryString::Encode(port)),
                      RegistryStatus::Success);
        }
    }

    static std::string Offered(const PortCatalogue& catalogue)
    {
        std::string offered;
        for (std::size_t i = 0; i < catalogue.GetCount(); ++i)
            offered += catalogue.GetEntry(i).isPresent ? '1' : '0';
        return offered;
    }

    testing::TempPrefix prefix;
};

TEST_F(PortCatalogueTest, WithoutTheKeyOffersTheWiredPortAndCom9AndLeavesTheKey)
{
    const PortCatalogue catalogue(kResources);
    ASSERT_EQ(catalogue.GetCount(), 4u);
    EXPECT_EQ(Offered(catalogue), "1001");
    const std::array<std::wstring_view, 4> names{L"COM1:", L"COM5:", L"COM6:", L"COM9:"};
    for (std::size_t i = 0; i < 4; ++i) {
        const PortEntry& entry = catalogue.GetEntry(i);
        EXPECT_EQ(entry.deviceName, names[i]);
        EXPECT_EQ(entry.displayText, kResources.LoadString(static_cast<std::uint16_t>(142 + i)));
        EXPECT_EQ(entry.isBluetooth, i == 0 ? 0 : 1);
    }
    RegistryKey ports;
    ASSERT_EQ(RegistryKey::Root(RegistryRoot::LocalMachine).OpenSubKey(kPortsKey, ports),
              RegistryStatus::Success);
    std::array<wchar_t, 32> name{};
    std::size_t length = 0;
    EXPECT_EQ(ports.EnumerateSubKey(0, name, length), RegistryStatus::NoMoreItems);
}

TEST_F(PortCatalogueTest, OffersRegisteredPortsInCatalogueOrder)
{
    Register(L"1", L"COM6");
    Register(L"2", L"COM5");
    const PortCatalogue catalogue(kResources);
    EXPECT_EQ(Offered(catalogue), "1111");
    EXPECT_EQ(catalogue.GetEntry(1).displayText, L"Bluetooth (COM5)");
    EXPECT_EQ(catalogue.GetEntry(2).displayText, L"Bluetooth (COM6)");
}

TEST_F(PortCatalogueTest, MatchesOnlyTheExactPortNameAndSkipsWhatDoesNotFit)
{
    Register(L"NoPort", nullptr);
    Register(L"Colon", L"COM5:");
    Register(L"Lower", L"com6");
    Register(L"TooLongForTheBuffer", L"COM6-and-more");
    Register(std::wstring(32, L'x'), L"COM6");  // its name does not fit 32 characters
    Register(L"Third", L"COM5");
    PortCatalogue catalogue(kResources);
    EXPECT_EQ(Offered(catalogue), "1101");

    Register(std::wstring(31, L'y'), L"COM6");
    catalogue.Build();
    EXPECT_EQ(Offered(catalogue), "1111") << "a rebuild reads the registry again";
    EXPECT_EQ(catalogue.GetCount(), 4u);
}

TEST_F(PortCatalogueTest, ARescanForgetsAPortThatWasUnregistered)
{
    Register(L"1", L"COM5");
    Register(L"2", L"COM6");
    PortCatalogue catalogue(kResources);
    ASSERT_EQ(Offered(catalogue), "1111");
    // The Bluetooth stack drops both registrations.
    testing::WriteFile(prefix.Path() / "system.reg",
                       "Windows Registry Editor Version 5.00\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports]\n");
    catalogue.Build();
    EXPECT_EQ(Offered(catalogue), "1001");
}

TEST_F(PortCatalogueTest, CreatingThePortsKeyKeepsEveryLineOtherProgramsWrote)
{
    const std::string theirs =
        "Windows Registry Editor Version 5.00\n"
        "; maintained by the Bluetooth stack\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Stack]\n"
        "\"Mode\"=their-own-format:3\n"
        "\"Mode\"=dword:1\n"
        "\"Mode\"=dword:2\n";
    testing::WriteFile(prefix.Path() / "system.reg", theirs);
    const PortCatalogue catalogue(kResources);
    EXPECT_EQ(Offered(catalogue), "1001");
    const std::string now = testing::ReadFile(prefix.Path() / "system.reg");
    EXPECT_TRUE(now.starts_with(theirs)) << now;
    EXPECT_NE(now.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports]"),
              std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(prefix.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".bad"), std::string::npos);
}

TEST_F(PortCatalogueTest, AnEmptyStringTableGivesEmptyTexts)
{
    const ResourceModule none({}, {});
    const PortCatalogue catalogue(none);
    EXPECT_EQ(catalogue.GetEntry(0).displayText, L"");
    EXPECT_EQ(catalogue.GetEntry(0).deviceName, L"COM1:");
}

}  // namespace
}  // namespace quorvex
