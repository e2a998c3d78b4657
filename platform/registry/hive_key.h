#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvex {

// One key of a hive held in memory: its name, its values and its subkeys, each kept in
// the order it was created (that is the order enumeration reports). Names keep the case
// they were created with and are looked up without regard to case, through an index of
// their folded forms, so that a lookup costs the same in a key of ten names or of a
// hundred thousand. A key owns its subkeys. Not thread-safe: its hive file's user
// serialises access.
class HiveKey {
public:
    static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

    struct Value {
        std::wstring name;  // empty for the key's default value
        std::uint32_t type = 0;
        std::vector<std::byte> data;
        // Where the value stands in the hive's text (HiveText's business): kNoLine for a
        // value that is not written there yet; `edited` when it changed since.
        std::size_t line = kNoLine;
        bool edited = false;
    };

    explicit HiveKey(std::wstring name = {});
    virtual ~HiveKey() = default;
    HiveKey(const HiveKey&) = delete;
    HiveKey& operator=(const HiveKey&) = delete;

    const std::wstring& Name() const { return name; }

    HiveKey* FindSubKey(std::wstring_view subKeyName);
    const HiveKey* FindSubKey(std::wstring_view subKeyName) const;
    // The subkey of that name, created at the end when there is none.
    HiveKey& ObtainSubKey(std::wstring_view subKeyName);
    std::size_t SubKeyCount() const { return subKeys.size(); }
    const HiveKey& SubKeyAt(std::size_t index) const { return *subKeys[index]; }
    HiveKey& SubKeyAt(std::size_t index) { return *subKeys[index]; }

    const Value* FindValue(std::wstring_view valueName) const;
    Value* FindValue(std::wstring_view valueName);
    // True when the key changed: a value already there keeps its name's case.
    bool SetValue(std::wstring_view valueName, std::uint32_t type, std::span<const std::byte> data);
    const std::vector<Value>& Values() const { return values; }
    std::vector<Value>& Values() { return values; }

    // Whether the hive's text names this key (HiveText's business): a key made since is
    // written with a section of its own.
    bool InText() const { return inText; }
    void SetInText(bool named) { inText = named; }

    // Drops every value and subkey.
    void Clear();

private:
    // Names hashed and compared without regard to case, so that the index needs no
    // folded copy of each name.
    struct FoldedHash {
        using is_transparent = void;
        std::size_t operator()(std::wstring_view name) const;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(std::wstring_view a, std::wstring_view b) const;
    };
    using Index = std::unordered_map<std::wstring_view, std::size_t, FoldedHash, FoldedEqual>;

    // A few names are found faster by looking at each than through an index, and most
    // keys hold a few; the index is made when a key grows past this.
    static constexpr std::size_t kIndexFrom = 8;

    void IndexValues();

    std::wstring name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<HiveKey>> subKeys;
    // The names they index belong to the values and subkeys themselves; the values' index
    // is made again whenever their vector moves.
    Index valueIndex;
    Index subKeyIndex;
    bool inText = false;
};

}  // namespace quorvex
