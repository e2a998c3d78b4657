#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/byte_reader.h"
#include "resources/control_ids.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_template.h"
#include "resources/program_resources.h"
#include "tests/support/utf16_text.h"

namespace quorvex {
namespace {

struct DecodedItem {
    std::size_t offset;
    std::uint32_t style, exStyle;
    std::int16_t x, y, cx, cy;
    std::uint16_t id, classMarker, classOrdinal;
    std::wstring title;
    std::uint16_t creationDataSize;
};

struct DecodedTemplate {
    std::uint32_t style, exStyle;
    std::uint16_t itemCount;
    std::int16_t x, y, cx, cy;
    std::uint16_t menu, windowClass;
    std::wstring title;
    std::uint16_t pointSize;
    std::wstring typeface;
    std::vector<DecodedItem> items;
    std::size_t end;
    bool overrun;
};

// Reads a template the way the relayout reads it. The main dialog uses class ordinals only,
// so a class given as a string counts as a wrong marker.
DecodedTemplate Decode(std::span<const std::byte> bytes)
{
    ByteReader in(bytes);
    DecodedTemplate t{};
    t.style = in.U32();
    t.exStyle = in.U32();
    t.itemCount = in.U16();
    t.x = in.I16();
    t.y = in.I16();
    t.cx = in.I16();
    t.cy = in.I16();
    t.menu = in.U16();
    t.windowClass = in.U16();
    t.title = testing::ReadText(in);
    if (t.style & 0x40) {
        t.pointSize = in.U16();
        t.typeface = testing::ReadText(in);
    }
    for (int i = 0; i < t.itemCount && in.Ok(); ++i) {
        in.Align4();
        DecodedItem item{};
        item.offset = in.Position();
        item.style = in.U32();
        item.exStyle = in.U32();
        item.x = in.I16();
        item.y = in.I16();
        item.cx = in.I16();
        item.cy = in.I16();
        item.id = in.U16();
        item.classMarker = in.U16();
        item.classOrdinal = in.U16();
        item.title = testing::ReadText(in);
        item.creationDataSize = in.U16();
        t.items.push_back(item);
    }
    t.end = in.Position();
    t.overrun = !in.Ok();
    return t;
}

std::span<const std::byte> Find(std::uint16_t id)
{
    return ProgramResources().Find(ResourceType::Dialog, id).value_or(std::span<const std::byte>{});
}

std::vector<std::uint8_t> Bytes(std::span<const std::byte> bytes, std::size_t from,
                                std::size_t count)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = from; i < from + count && i < bytes.size(); ++i)
        out.push_back(std::to_integer<std::uint8_t>(bytes[i]));
    return out;
}

TEST(DialogTemplateTest, PortraitHeaderAndFirstItemHaveTheFixedBytes)
{
    const auto bytes = Find(DialogId::Portrait);
    ASSERT_EQ(bytes.size(), 706u);

    const std::vector<std::uint8_t> header{
        0x40, 0x00, 0xC0, 0x90,                          // style
        0x00, 0x00, 0x04, 0x80,                          // extended style
        0x11, 0x00,                                      // 17 items
        0x00, 0x00, 0x00, 0x00, 0xA0, 0x00, 0xA6, 0x00,  // 0, 0, 160, 166
        0x00, 0x00,                                      // no menu
        0x00, 0x00,                                      // no class
        'Q',  0,    'u',  0,    'o',  0,    'r',  0,    'v', 0, 'e', 0, 'x', 0,
        0,    0,    0x08, 0x00,  // 8 points
        'M',  0,    'S',  0,    ' ',  0,    'S',  0,    'a', 0, 'n', 0, 's', 0,
        ' ',  0,    'S',  0,    'e',  0,    'r',  0,    'i', 0, 'f', 0, 0,   0,
    };
    EXPECT_EQ(Bytes(bytes, 0, header.size()), header);

    // 68 bytes of header: the first record starts right after it, already aligned.
    const std::vector<std::uint8_t> firstItem{
        0x00, 0x00, 0x02, 0x50,                          // style
        0x00, 0x00, 0x00, 0x00,                          // extended style
        0x09, 0x00, 0x0A, 0x00, 0x8D, 0x00, 0x0B, 0x00,  // 9, 10, 141, 11
        0xF5, 0x03,                                      // id 1013
        0xFF, 0xFF, 0x82, 0x00,                          // static
        'Q',  0,    'u',  0,    'o',  0,    'r',  0,    'v', 0,   'e',  0,    'x',
        0,    ' ',  0,    's',  0,    'e',  0,    't',  0,   't', 0,    'i',  0,
        'n',  0,    'g',  0,    's',  0,    ':',  0,    0,   0,   0x00, 0x00,  // no creation data
    };
    EXPECT_EQ(header.size(), 68u);
    EXPECT_EQ(Bytes(bytes, 68, firstItem.size()), firstItem);
    // Records of 60 and 44 bytes need no padding; the 26-byte status line's is followed by
    // two zero bytes before the output-port list.
    EXPECT_EQ(Bytes(bytes, 128, 4), (std::vector<std::uint8_t>{0x00, 0x00, 0x02, 0x50}));
    EXPECT_EQ(Bytes(bytes, 172, 4), (std::vector<std::uint8_t>{0x0C, 0x00, 0x02, 0x50}));
    EXPECT_EQ(Bytes(bytes, 196, 8),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0x03, 0x00, 0x21, 0x50}));
}

// The published layout, written out again here so that a slip in the program's table
// cannot hide behind a comparison of the bytes with that same table.
struct ExpectedControl {
    std::uint16_t id, classOrdinal;
    std::uint32_t style;
    const wchar_t* text;
    DialogRect portrait, landscape;
};
const ExpectedControl kExpected[] = {
    {1013, 0x82, 0x50020000, L"Quorvex settings:", {9, 10, 141, 11}, {7, 9, 92, 22}},
    {1016, 0x82, 0x50020000, L"NMEA out:", {20, 22, 44, 11}, {11, 38, 87, 11}},
    {1004, 0x82, 0x5002000C, L"", {65, 22, 88, 11}, {11, 48, 87, 11}},
    {1005, 0x85, 0x50210003, L"", {65, 33, 76, 75}, {11, 63, 71, 75}},
    {1007, 0x82, 0x40020000, L"", {145, 35, 10, 12}, {86, 65, 10, 12}},
    {1006, 0x80, 0x58018000, L"", {30, 53, 99, 20}, {11, 83, 83, 20}},
    {1014, 0x82, 0x50020000, L"External port settings:", {9, 92, 142, 11}, {111, 9, 91, 22}},
    {1009, 0x82, 0x50020000, L"Baud rate:", {20, 107, 43, 9}, {111, 38, 54, 9}},
    {1000, 0x85, 0x50210003, L"", {65, 106, 76, 62}, {170, 36, 34, 62}},
    {1010, 0x82, 0x50020000, L"Data bits:", {20, 120, 43, 9}, {111, 56, 54, 9}},
    {1001, 0x85, 0x50210003, L"", {65, 119, 76, 62}, {170, 54, 34, 62}},
    {1011, 0x82, 0x50020000, L"Stop bits:", {20, 134, 43, 9}, {111, 74, 54, 9}},
    {1002, 0x85, 0x50210003, L"", {65, 132, 76, 62}, {170, 72, 34, 62}},
    {1012, 0x82, 0x50020000, L"Parity:", {20, 147, 43, 9}, {111, 92, 54, 9}},
    {1003, 0x85, 0x50210003, L"", {65, 145, 76, 62}, {170, 90, 34, 62}},
    {1008, 0x80, 0x50000007, L"", {4, 1, 152, 82}, {3, 0, 100, 113}},
    {1015, 0x80, 0x50000007, L"", {4, 83, 152, 79}, {106, 0, 104, 113}},
};

// One of the two templates: its id, its size, and where kExpected places its controls.
struct Layout {
    const char* name;
    std::uint16_t id;
    std::int16_t cx, cy;
    DialogRect ExpectedControl::*placement;
};

void PrintTo(const Layout& layout, std::ostream* out)
{
    *out << layout.name;
}

class DialogLayoutTest : public ::testing::TestWithParam<Layout> {};

TEST_P(DialogLayoutTest, HoldsEveryControlPlacedForItsScreen)
{
    const Layout& layout = GetParam();
    const auto bytes = Find(layout.id);
    const DecodedTemplate t = Decode(bytes);
    ASSERT_FALSE(t.overrun);
    EXPECT_EQ(t.end, bytes.size()) << "nothing after the last record";
    EXPECT_EQ(t.style, 0x90C00040u);
    EXPECT_EQ(t.exStyle, 0x80040000u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, layout.cx);
    EXPECT_EQ(t.cy, layout.cy);
    EXPECT_EQ(t.menu, 0);
    EXPECT_EQ(t.windowClass, 0);
    EXPECT_EQ(t.title, L"Quorvex");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.typeface, L"MS Sans Serif");
    ASSERT_EQ(t.items.size(), std::size(kExpected));
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        const DecodedItem& item = t.items[i];
        const ExpectedControl& control = kExpected[i];
        const DialogRect& rect = control.*layout.placement;
        SCOPED_TRACE(control.id);
        EXPECT_EQ(item.offset % 4, 0u);
        EXPECT_EQ(item.id, control.id);
        EXPECT_EQ(item.style, control.style);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.classMarker, 0xFFFF);
        EXPECT_EQ(item.classOrdinal, control.classOrdinal);
        EXPECT_EQ(item.title, control.text);
        EXPECT_EQ(item.creationDataSize, 0);
        EXPECT_EQ(item.x, rect.x);
        EXPECT_EQ(item.y, rect.y);
        EXPECT_EQ(item.cx, rect.cx);
        EXPECT_EQ(item.cy, rect.cy);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothScreens, DialogLayoutTest,
    ::testing::Values(Layout{"Portrait", DialogId::Portrait, 160, 166, &ExpectedControl::portrait},
                      Layout{"Landscape", DialogId::Landscape, 213, 118,
                             &ExpectedControl::landscape}),
    [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

// The controls the dialog and the lamp reach by name must be the ones the templates hold.
TEST(DialogTemplateTest, NamedControlIdsMatchTheTemplates)
{
    const std::uint16_t named[] = {
        ControlId::SettingsHeading,     ControlId::PortLabel,
        ControlId::StatusLine,          ControlId::PortList,
        ControlId::Placeholder,         ControlId::ConnectButton,
        ControlId::ExternalPortHeading, ControlId::BaudRateLabel,
        ControlId::BaudRateList,        ControlId::DataBitsLabel,
        ControlId::DataBitsList,        ControlId::StopBitsLabel,
        ControlId::StopBitsList,        ControlId::ParityLabel,
        ControlId::ParityList,          ControlId::UpperGroup,
        ControlId::LowerGroup,
    };
    ASSERT_EQ(std::size(named), std::size(kExpected));
    for (std::size_t i = 0; i < std::size(named); ++i)
        EXPECT_EQ(named[i], kExpected[i].id) << i;
}

}  // namespace
}  // namespace quorvex
