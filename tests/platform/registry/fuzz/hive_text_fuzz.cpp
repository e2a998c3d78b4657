// Feeds arbitrary bytes to the hive parser. Whatever it accepts must be written so that it
// reads back to the same hive: a hive that changes on its way through the disk loses data.
// And a rewrite must keep the text it read: unchanged, every byte stays as it was (a last
// line feed may be added); after a change, every line read is still there, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"
#include "platform/registry/registry_string.h"
#include "platform/registry/registry_types.h"

namespace {

using quorvex::HiveKey;
using quorvex::HiveText;
constexpr std::wstring_view kRoot = L"HKEY_LOCAL_MACHINE";

void CheckCanonicalRoundTrip(std::string_view text)
{
    HiveKey first;
    if (HiveText::Parse(text, kRoot, first) == HiveText::Outcome::Unreadable)
        return;
    const std::string written = HiveText::Write(first, kRoot);
    HiveKey second;
    if (HiveText::Parse(written, kRoot, second) != HiveText::Outcome::Whole ||
        HiveText::Write(second, kRoot) != written)
        std::abort();
}

void CheckEveryLineSurvives(std::string_view text)
{
    HiveKey root;
    HiveText::Layout layout;
    const auto outcome = HiveText::Parse(std::string(text), kRoot, root, layout, true);
    if (outcome != HiveText::Outcome::Whole && outcome != HiveText::Outcome::Damaged)
        return;
    if (layout.parts.empty())
        return;  // blank text: an empty hive, which a write gives its header
    std::string kept(text);
    if (!kept.ends_with('\n'))
        kept += '\n';
    if (HiveText::Write(root, kRoot, layout) != kept)
        std::abort();
    // A new value in the first key the text names, and a new key: all that was read stays
    // in front of them or around them, in order.
    HiveKey* key = &root;
    if (root.SubKeyCount() > 0)
        key = &root.SubKeyAt(0);
    if (key->FindValue(L"fuzz added") != nullptr)
        return;  // changing a value read would rightly change its line
    key->SetValue(L"fuzz added", quorvex::RegistryType::String,
                  quorvex::RegistryString::Encode(L"x"));
    root.ObtainSubKey(L"fuzz new key");
    const std::string changed = HiveText::Write(root, kRoot, layout);
    std::size_t at = 0;
    for (std::size_t begin = 0; begin < kept.size();) {
        const std::size_t end = kept.find('\n', begin) + 1;
        const std::string_view line = std::string_view(kept).substr(begin, end - begin);
        at = changed.find(line, at);
        if (at == std::string::npos)
            std::abort();
        at += line.size();
        begin = end;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckCanonicalRoundTrip(text);
    CheckEveryLineSurvives(text);
    return 0;
}
