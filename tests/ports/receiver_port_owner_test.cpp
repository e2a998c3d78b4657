#include "ports/receiver_port_owner.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

class ReceiverPortOwnerTest : public ::testing::Test {
protected:
    RegistryKey Ports()
    {
        RegistryKey key;
        EXPECT_EQ(RegistryKey::Root(RegistryRoot::LocalMachine)
                      .CreateSubKey(L"SYSTEM\\RECEIVER\\Ports", key),
                  RegistryStatus::Success);
        return key;
    }

    static void Record(RegistryKey& key, std::wstring_view name, std::wstring_view owner)
    {
        ASSERT_EQ(key.SetValue(name, RegistryType::String, RegistryString::Encode(owner)),
                  RegistryStatus::Success);
    }

    testing::TempPrefix prefix;
};

TEST_F(ReceiverPortOwnerTest, ReadsTheRecordedOwner)
{
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "no key";
    RegistryKey ports = Ports();
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "no value";
    Record(ports, L"COM2", L"");
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"");
    Record(ports, L"COM2", L"Navigator");
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"Navigator");
    EXPECT_EQ(GetReceiverPortOwner(L"com2"), L"Navigator");
    Record(ports, L"COM2", L"Tracker");
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"Tracker") << "every call reads afresh";
}

TEST_F(ReceiverPortOwnerTest, IgnoresWhatIsNotTheRecord)
{
    RegistryKey ports = Ports();
    Record(ports, L"COM2:", L"Navigator");
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "a name with the colon is another value";

    Record(ports, L"COM2", std::wstring(127, L'n'));
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), std::wstring(127, L'n'));
    Record(ports, L"COM2", std::wstring(128, L'n'));
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"") << "a name cut short would name another program";

    const std::array<std::byte, 4> number{std::byte{1}};
    ASSERT_EQ(ports.SetValue(L"COM2", RegistryType::Dword, number), RegistryStatus::Success);
    EXPECT_EQ(GetReceiverPortOwner(L"COM2"), L"");
}

}  // namespace
}  // namespace quorvex
