#include "platform/registry/hive_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/registry_string.h"
#include "platform/registry/registry_types.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kRoot = L"HKEY_CURRENT_USER";

std::vector<std::byte> Bytes(std::initializer_list<int> values)
{
    std::vector<std::byte> bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::byte>(value));
    return bytes;
}

const HiveKey::Value* Find(const HiveKey& root, std::initializer_list<std::wstring_view> path,
                           std::wstring_view value)
{
    const HiveKey* key = &root;
    for (std::wstring_view name : path)
        if (key = key->FindSubKey(name); key == nullptr)
            return nullptr;
    return key->FindValue(value);
}

HiveText::Outcome Parse(std::string_view text, HiveKey& root)
{
    return HiveText::Parse(text, kRoot, root);
}

TEST(HiveTextTest, WritesWhatItReadsBackExactly)
{
    HiveKey root(std::wstring{kRoot});
    HiveKey& app =
        root.ObtainSubKey(L"software").ObtainSubKey(L"Düsseldorf Ω").ObtainSubKey(L"PortSelection");
    app.SetValue(L"port", RegistryType::Dword, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    app.SetValue(L"", RegistryType::String, RegistryString::Encode(L"default"));
    app.SetValue(L"Path \"quoted\"", RegistryType::String, RegistryString::Encode(L"C:\\x \"y\""));
    app.SetValue(L"Lines", RegistryType::String, RegistryString::Encode(L"a\r\nb"));
    app.SetValue(L"NoTerminator", RegistryType::String, Bytes({'C', 0, 'O', 0}));
    app.SetValue(L"Short", RegistryType::Dword, Bytes({7}));
    app.SetValue(L"Empty", RegistryType::Binary, {});
    app.SetValue(L"Type", 0x12345678u, Bytes({1}));
    std::vector<std::byte> blob;
    for (int i = 0; i < 80; ++i)
        blob.push_back(static_cast<std::byte>(i * 7));
    app.SetValue(L"Blob", RegistryType::Binary, blob);
    root.ObtainSubKey(L"software").ObtainSubKey(L"Empty key");

    const std::string text = HiveText::Write(root, kRoot);
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\n"));
    EXPECT_NE(text.find("\"port\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Path \\\"quoted\\\"\"=\"C:\\\\x \\\"y\\\"\"\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\software\\Empty key]\n"), std::string::npos);
    EXPECT_NE(text.find(",\\\n  "), std::string::npos) << "long data goes on over lines";

    HiveKey parsed;
    EXPECT_EQ(Parse(text, parsed), HiveText::Outcome::Whole);
    EXPECT_EQ(HiveText::Write(parsed, kRoot), text);
    const HiveKey::Value* lines =
        Find(parsed, {L"SOFTWARE", L"düsseldorf ω", L"portselection"}, L"LINES");
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->name, L"Lines");
    EXPECT_EQ(RegistryString::Decode(lines->data), L"a\r\nb");
    EXPECT_EQ(Find(parsed, {L"software", L"Düsseldorf Ω", L"PortSelection"}, L"Blob")->data, blob);
    EXPECT_EQ(Find(parsed, {L"software", L"Düsseldorf Ω", L"PortSelection"}, L"Type")->type,
              0x12345678u);
}

TEST(HiveTextTest, ReadsTextAsPeopleAndRegeditWriteIt)
{
    const std::string text =
        "\xEF\xBB\xBF\r\n"
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[hkey_current_user\\Software\\Tool]\r\n"
        "\"Count\"=DWORD:2A\r\n"
        "\"Expand\"=hex(2):25,00,41,00,\\\r\n"
        "    25,00,00,00\r\n"
        "  \"Spaced\" = \"x\"  \r\n"
        "[HKEY_CURRENT_USER\\software\\tool\\Sub]\r\n"
        "\"Trailing\"=hex:01,02,\r\n";
    HiveKey root;
    EXPECT_EQ(Parse(text, root), HiveText::Outcome::Whole);
    EXPECT_EQ(root.SubKeyCount(), 1u) << "sections in another case name the same key";
    EXPECT_EQ(Find(root, {L"software", L"tool"}, L"count")->data, Bytes({42, 0, 0, 0}));
    const HiveKey::Value* expand = Find(root, {L"software", L"tool"}, L"Expand");
    EXPECT_EQ(expand->type, RegistryType::ExpandString);
    EXPECT_EQ(RegistryString::Decode(expand->data), L"%A%");
    EXPECT_EQ(RegistryString::Decode(Find(root, {L"software", L"tool"}, L"Spaced")->data), L"x");
    EXPECT_EQ(Find(root, {L"software", L"tool", L"sub"}, L"Trailing")->data, Bytes({1, 2}));
}

TEST(HiveTextTest, KeepsEveryLineThatParsesAndReportsTheRest)
{
    const std::string longName(256, 'k');
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "\"Orphan\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\Good]\n"
        "\"A\"=dword:00000001\n"
        "this line is noise\n"
        "\"TooWide\"=dword:123456789\n"
        "\"Unterminated\"=\"abc\n"
        "\"BadEscape\"=\"a\\nb\"\n"
        "\"BadHex\"=hex:1g\n"
        "\"Deleted\"=-\n"
        "[HKEY_LOCAL_MACHINE\\Other]\n"
        "\"InOtherRoot\"=dword:00000001\n"
        "[-HKEY_CURRENT_USER\\Good]\n"
        "[HKEY_CURRENT_USER\\a\\\\b]\n"
        "[HKEY_CURRENT_USER\\a\\]\n"
        "[HKEY_CURRENT_USER\\" +
        longName +
        "]\n"
        "[HKEY_CURRENT_USER\\Good]\n"
        "\"B\"=\"kept\"\n";
    HiveKey root;
    EXPECT_EQ(Parse(text, root), HiveText::Outcome::Damaged);
    EXPECT_NE(Find(root, {L"Good"}, L"A"), nullptr);
    EXPECT_NE(Find(root, {L"Good"}, L"B"), nullptr);
    EXPECT_EQ(root.Values().size(), 0u) << "a value outside a section belongs nowhere";
    ASSERT_EQ(root.SubKeyCount(), 1u) << "refused sections make no keys";
    EXPECT_EQ(root.SubKeyAt(0).Values().size(), 2u);
}

TEST(HiveTextTest, RefusesWhatIsNoHiveAtAll)
{
    const std::string valid = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\a]\n";
    for (const std::string& text :
         {std::string("REGEDIT4\n[HKEY_CURRENT_USER\\a]\n"), std::string("Windows Registry Ed\n"),
          std::string("\x7F"
                      "ELF\x02\x01",
                      6),
          valid + std::string("\"a\"=\"\0\"\n", 9), valid + "\"a\"=\"\xC3\x28\"\n",
          std::string("\xFF\xFEW\0i\0", 6)}) {
        HiveKey root;
        root.ObtainSubKey(L"left over");
        EXPECT_EQ(Parse(text, root), HiveText::Outcome::Unreadable) << text;
        EXPECT_EQ(root.SubKeyCount(), 0u);
    }
}

TEST(HiveTextTest, TruncatedTextKeepsWhatCameBeforeTheCut)
{
    HiveKey source;
    HiveKey& key = source.ObtainSubKey(L"k");
    key.SetValue(L"First", RegistryType::Dword, Bytes({1, 0, 0, 0}));
    std::vector<std::byte> blob(200, std::byte{0xAB});
    key.SetValue(L"Blob", RegistryType::Binary, blob);
    const std::string text = HiveText::Write(source, kRoot);
    for (std::size_t cut = text.find('['); cut < text.size(); cut += 7) {
        HiveKey root;
        HiveText::Layout layout;
        const auto outcome = HiveText::Parse(text.substr(0, cut), kRoot, root, layout, true);
        ASSERT_NE(outcome, HiveText::Outcome::Unreadable) << cut;
        if (const HiveKey::Value* blobValue = Find(root, {L"k"}, L"Blob")) {
            EXPECT_LE(blobValue->data.size(), blob.size());
        }
    }
}

TEST(HiveTextTest, TellsATextBeingWrittenFromAFinishedOne)
{
    const std::string header = "Windows Registry Editor Version 5.00";
    const std::string whole = header + "\n[HKEY_CURRENT_USER\\k]\n\"Baud\"=dword:00000005\n";
    struct Case {
        std::string text;
        HiveText::Outcome settled;  // when nobody writes it any more
    };
    for (const Case& c : {
             Case{"", HiveText::Outcome::Whole},
             Case{"\n \r\n", HiveText::Outcome::Whole},
             Case{"Windows Registry Ed", HiveText::Outcome::Unreadable},
             Case{header, HiveText::Outcome::Whole},
             Case{whole.substr(0, whole.size() - 5), HiveText::Outcome::Damaged},
             Case{header + "\n[HKEY_CURRENT_USER\\k]\n\"B\"=hex:01,\\\n",
                  HiveText::Outcome::Damaged},
         }) {
        HiveKey root;
        EXPECT_EQ(Parse(c.text, root), HiveText::Outcome::NotReady) << c.text;
        HiveText::Layout layout;
        EXPECT_EQ(HiveText::Parse(c.text, kRoot, root, layout, true), c.settled) << c.text;
        const HiveKey* key = root.FindSubKey(L"k");
        EXPECT_TRUE(key == nullptr || key->Values().empty()) << "a cut value is never read";
    }
    HiveKey root;
    EXPECT_EQ(Parse(whole, root), HiveText::Outcome::Whole);
}

TEST(HiveTextTest, ASettledLastLineWithoutItsLineFeedIsReadOnlyWhenNoCutCanLookLikeIt)
{
    const std::string start = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\k]\n";
    struct Case {
        std::string_view last;
        bool read;
    };
    // A number needs all its digits, a text its closing quote; hex data cut after any
    // byte still looks whole, so it is never read from a line that may have been cut.
    for (const Case& c :
         {Case{"\"V\"=dword:0000002A", true}, Case{"\"V\"=\"text\"", true}, Case{"@=\"\"", true},
          Case{"  \"V\" = dword:0000002a \r", true}, Case{"\"V\"=dword:0000", false},
          Case{"\"V\"=\"tex", false}, Case{"\"V\"=\"a\\\"", false}, Case{"\"V\"=hex:01,02", false},
          Case{"\"V\"=hex:01,0", false}, Case{"\"V\"=hex:", false},
          Case{"\"V\"=hex(2):41,00,\\\n  42,00", false}, Case{"\"V", false},
          Case{"[HKEY_CURRENT_USER\\k\\s", false}}) {
        const std::string text = start + std::string(c.last);
        HiveKey root;
        HiveText::Layout layout;
        EXPECT_EQ(HiveText::Parse(text, kRoot, root, layout, true),
                  c.read ? HiveText::Outcome::Whole : HiveText::Outcome::Damaged)
            << c.last;
        const HiveKey* key = root.FindSubKey(L"k");
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->Values().size(), c.read ? 1u : 0u) << c.last;
        EXPECT_EQ(key->SubKeyCount(), 0u) << c.last;
        EXPECT_EQ(HiveText::Write(root, kRoot, layout), text + "\n") << "kept verbatim";
    }
}

TEST(HiveTextTest, ARewriteKeepsEveryLineItDoesNotUnderstandInPlace)
{
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "; written by hand\r\n"
        "\"Orphan\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\Tool]\n"
        "\"Count\"=dword:1\n"
        "\"Empty\"=dword:\n"
        "\"Wide\"=dword:000000001\n"
        "\"count\"=DWORD:2A\n"
        "\"Noise\"=what is this\n"
        "[HKEY_LOCAL_MACHINE\\Other]\n"
        "\"InOtherRoot\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\Tool]\n"
        "\"Name\"=\"x\"\n"
        "\n"
        "; the end\n";
    HiveKey root;
    HiveText::Layout layout;
    ASSERT_EQ(HiveText::Parse(text, kRoot, root, layout), HiveText::Outcome::Damaged);
    const HiveKey* tool = root.FindSubKey(L"tool");
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->FindValue(L"COUNT")->data, Bytes({0x2A, 0, 0, 0})) << "the later one wins";
    EXPECT_EQ(tool->FindValue(L"Empty"), nullptr) << "a dword is 1 to 8 hex digits";
    EXPECT_EQ(tool->FindValue(L"Wide"), nullptr);
    EXPECT_EQ(HiveText::Write(root, kRoot, layout), text) << "no change, no difference";

    HiveKey& changed = root.ObtainSubKey(L"Tool");
    changed.SetValue(L"COUNT", RegistryType::Dword, Bytes({7, 0, 0, 0}));
    changed.SetValue(L"Added", RegistryType::String, RegistryString::Encode(L"new"));
    root.ObtainSubKey(L"New").ObtainSubKey(L"Sub");
    const std::string written = HiveText::Write(root, kRoot, layout);
    EXPECT_EQ(written,
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
              "; written by hand\r\n"
              "\"Orphan\"=dword:00000001\n"
              "[HKEY_CURRENT_USER\\Tool]\n"
              "\"Count\"=dword:1\n"
              "\"Empty\"=dword:\n"
              "\"Wide\"=dword:000000001\n"
              "\"Count\"=dword:00000007\n"
              "\"Noise\"=what is this\n"
              "[HKEY_LOCAL_MACHINE\\Other]\n"
              "\"InOtherRoot\"=dword:00000001\n"
              "[HKEY_CURRENT_USER\\Tool]\n"
              "\"Name\"=\"x\"\n"
              "\"Added\"=\"new\"\n"
              "\n"
              "; the end\n"
              "\n[HKEY_CURRENT_USER\\New]\n"
              "\n[HKEY_CURRENT_USER\\New\\Sub]\n");
    changed.SetValue(L"Added", RegistryType::String, RegistryString::Encode(L"again"));
    std::string expected = written;
    expected.replace(expected.find("\"new\""), 5, "\"again\"");
    EXPECT_EQ(HiveText::Write(root, kRoot, layout), expected) << "the layout follows each write";
}

TEST(HiveTextTest, RefusesSizesBeyondTheRegistryLimits)
{
    std::string hugeHex = "\"Huge\"=hex:";
    for (std::size_t i = 0; i <= kMaxRegistryValueBytes; ++i)
        hugeHex += i == 0 ? "00" : ",00";
    std::string deep = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 513; ++i)
        deep += "\\d";
    const std::string text = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\k]\n" +
                             hugeHex + "\n\"" + std::string(16384, 'n') + "\"=dword:00000001\n\"" +
                             std::string(16383, 'n') + "\"=dword:00000001\n" + deep + "]\n";
    HiveKey root;
    EXPECT_EQ(Parse(text, root), HiveText::Outcome::Damaged);
    const HiveKey* key = root.FindSubKey(L"k");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(key->Values()[0].name.size(), 16383u) << "the longest allowed name is kept";
    EXPECT_EQ(key->FindSubKey(L"d"), nullptr);
}

}  // namespace
}  // namespace quorvex
