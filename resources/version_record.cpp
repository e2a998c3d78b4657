#include "resources/version_record.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "resources/byte_writer.h"

namespace quorvex {
namespace {

// Version 1.0.0.1 as the fixed part holds it: major and minor in the first 32-bit value,
// build and revision in the second, each in 16 bits.
constexpr std::uint32_t kVersionHigh = 0x00010000;
constexpr std::uint32_t kVersionLow = 0x00000001;

constexpr std::uint16_t kLanguage = 0x0409;  // U.S. English
constexpr std::uint16_t kCodePage = 0x04E4;  // 1252
constexpr std::uint16_t kBinaryValue = 0;    // a block's wType
constexpr std::uint16_t kTextValue = 1;

struct VersionString {
    std::wstring_view key;
    std::wstring_view value;
};

constexpr std::array<VersionString, 6> kStrings{{
    {L"FileDescription", L"Quorvex"},
    {L"FileVersion", L"1.0.0.1"},
    {L"InternalName", L"Quorvex.exe"},
    {L"OriginalFilename", L"Quorvex.exe"},
    {L"ProductName", L"Quorvex"},
    {L"ProductVersion", L"1.0.0.1"},
}};

// Every block of the record has the same head: its length in bytes (patched by EndBlock, and
// without the padding that aligns what follows it), its value's length, its value's kind and
// its key; the value then starts on a 4-byte boundary, and so does each child after it.
constexpr std::size_t BeginBlock(ByteWriter& out, std::wstring_view key, std::uint16_t valueLength,
                                 std::uint16_t type)
{
    out.Align4();
    const std::size_t start = out.Position();
    out.Put16(0);
    out.Put16(valueLength);
    out.Put16(type);
    out.PutText(key);
    out.Align4();
    return start;
}

constexpr void EndBlock(ByteWriter& out, std::size_t start)
{
    out.Patch16(start, static_cast<std::uint16_t>(out.Position() - start));
}

constexpr void WriteFixedFileInfo(ByteWriter& out)
{
    out.Put32(0xFEEF04BD);    // signature
    out.Put32(0x00010000);    // structure version 1.0
    out.Put32(kVersionHigh);  // file version
    out.Put32(kVersionLow);
    out.Put32(kVersionHigh);  // product version
    out.Put32(kVersionLow);
    out.Put32(0x3F);  // VS_FFI_FILEFLAGSMASK: every flag below is meaningful...
    out.Put32(0);     // ...and none is set: a released build
    out.Put32(0x4);   // VOS__WINDOWS32
    out.Put32(0x1);   // VFT_APP
    out.Put32(0);     // no subtype
    out.Put32(0);     // no date
    out.Put32(0);
}

constexpr std::uint16_t kFixedFileInfoSize = 13 * 4;

constexpr void WriteVersionRecord(ByteWriter& out)
{
    const std::size_t root = BeginBlock(out, L"VS_VERSION_INFO", kFixedFileInfoSize, kBinaryValue);
    WriteFixedFileInfo(out);

    const std::size_t stringInfo = BeginBlock(out, L"StringFileInfo", 0, kTextValue);
    const std::size_t table = BeginBlock(out, L"040904E4", 0, kTextValue);
    for (const VersionString& entry : kStrings) {
        // A text value's length is in 16-bit units and counts its NUL.
        const auto units = static_cast<std::uint16_t>(entry.value.size() + 1);
        const std::size_t string = BeginBlock(out, entry.key, units, kTextValue);
        out.PutText(entry.value);
        EndBlock(out, string);
    }
    EndBlock(out, table);
    EndBlock(out, stringInfo);

    const std::size_t varInfo = BeginBlock(out, L"VarFileInfo", 0, kTextValue);
    const std::size_t translation = BeginBlock(out, L"Translation", 4, kBinaryValue);
    out.Put16(kLanguage);
    out.Put16(kCodePage);
    EndBlock(out, translation);
    EndBlock(out, varInfo);

    EndBlock(out, root);
}

alignas(4) constexpr auto kVersionRecord =
    BuildResource<MeasureResource(WriteVersionRecord)>(WriteVersionRecord);

}  // namespace

std::span<const std::byte> VersionRecord()
{
    return kVersionRecord;
}

}  // namespace quorvex
