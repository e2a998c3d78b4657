#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvex {

// A resource's type or name: a number, or a text when `text` is not empty.
struct ResourceId {
    std::uint16_t number = 0;
    std::wstring_view text;

    constexpr ResourceId(std::uint16_t number) : number(number) {}
    constexpr ResourceId(std::wstring_view text) : text(text) {}
    constexpr ResourceId(const wchar_t* text) : text(text) {}

    friend bool operator==(const ResourceId& a, const ResourceId& b);
};

// Numbered resource types, as the platform numbers them.
namespace ResourceType {
inline constexpr std::uint16_t Bitmap = 2;
// An icon: stored in this model as a bitmap is, a device-independent bitmap.
inline constexpr std::uint16_t Icon = 3;
inline constexpr std::uint16_t Dialog = 5;
inline constexpr std::uint16_t String = 6;
inline constexpr std::uint16_t Version = 16;
}  // namespace ResourceType

// One binary resource: its bytes as they are stored in the program.
struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    std::uint16_t language;
    std::span<const std::byte> bytes;
};

// One string of the string table, stored with its terminating NUL: `stored.size()` counts
// the NUL, so "None" is stored as 5 characters.
struct StringEntry {
    std::uint16_t id;
    std::wstring_view stored;
};

// The resources that one program carries, found by type and id as the platform's resource
// calls find them. The module refers to the tables; it owns nothing and never allocates.
class ResourceModule {
public:
    constexpr ResourceModule(std::span<const ResourceEntry> entries,
                             std::span<const StringEntry> strings)
        : entries(entries), strings(strings)
    {
    }

    // The bytes of a resource, read in place; nothing when there is no such resource.
    std::optional<std::span<const std::byte>> Find(ResourceId type, ResourceId name) const;

    // A string resource, read in place: the text points into the table and is followed by
    // its NUL. Nothing when the table has no such string.
    std::optional<std::wstring_view> LoadString(std::uint16_t id) const;

private:
    std::span<const ResourceEntry> entries;
    std::span<const StringEntry> strings;
};

}  // namespace quorvex
