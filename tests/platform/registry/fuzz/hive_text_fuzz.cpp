// Feeds arbitrary bytes to the hive parser. Whatever it accepts must be written so that it
// reads back to the same hive: a hive that changes on its way through the disk loses data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quorvex::HiveKey;
    using quorvex::HiveText;
    constexpr std::wstring_view kRoot = L"HKEY_LOCAL_MACHINE";
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    HiveKey first;
    if (HiveText::Parse(text, kRoot, first) == HiveText::Outcome::Unreadable)
        return 0;
    const std::string written = HiveText::Write(first, kRoot);
    HiveKey second;
    if (HiveText::Parse(written, kRoot, second) != HiveText::Outcome::Whole ||
        HiveText::Write(second, kRoot) != written)
        std::abort();
    return 0;
}
