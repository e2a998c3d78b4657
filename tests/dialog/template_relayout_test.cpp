// The general relayout routine on hand-built templates: every kind of control it fixes up,
// and templates that lie about their size.
#include "dialog/template_relayout.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/gui/dialog.h"
#include "platform/gui/shell.h"
#include "platform/resource/bitmap.h"
#include "platform/resource/resource_module.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/headless_display.h"
#include "platform/window/list_box_window.h"
#include "platform/window/message_box.h"
#include "platform/window/static_window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/template_builder.h"

namespace quorvex {
namespace {

using testing::TemplateBuilder;

constexpr std::uint16_t kFrom = 200, kTo = 201, kMissingImages = 202, kExtraItem = 203,
                        kTwoUnnamed = 204, kTarget = 205;
constexpr std::uint16_t kUnnamed = 0xFFFF;

// A 1 x 1 bitmap of one colour, as the resources store it.
std::vector<std::byte> Dib(std::uint8_t red)
{
    std::vector<std::byte> bytes(44, std::byte{0});
    const auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
    };
    put(0, 40, 4);
    put(4, 1, 4);
    put(8, 1, 4);
    put(12, 1, 2);
    put(14, 24, 2);
    bytes[42] = std::byte{red};  // blue, green, red
    return bytes;
}

// The same controls in two places: text, icon and bitmap statics, a list box, a drop-down
// list, a button, an unnamed label, and a control of a class that is not predefined.
std::vector<std::byte> Template(int shift, std::wstring_view text, std::uint16_t icon,
                                std::uint16_t bitmap, int unnamed = 1, int extra = 0)
{
    const auto s = static_cast<std::int16_t>(shift);
    TemplateBuilder t(0x90C00040, 0, 160, 160, L"T",
                      static_cast<std::uint16_t>(7 + unnamed + extra));
    t.Item({0x50020000, static_cast<std::int16_t>(4 + s), 4, 40, 10, 1, kStaticClassOrdinal, text});
    t.Item({0x50020003,
            static_cast<std::int16_t>(50 + s),
            4,
            10,
            10,
            2,
            kStaticClassOrdinal,
            L"",
            0,
            {},
            icon});
    t.Item({0x5002000E,
            static_cast<std::int16_t>(70 + s),
            4,
            10,
            10,
            3,
            kStaticClassOrdinal,
            L"",
            0,
            {},
            bitmap});
    t.Item(
        {0x50010000, 4, static_cast<std::int16_t>(20 + s), 60, 40, 4, kListBoxClassOrdinal, L""});
    t.Item(
        {0x50210003, 70, static_cast<std::int16_t>(20 + s), 60, 40, 5, kComboBoxClassOrdinal, L""});
    t.Item(
        {0x50010000, 4, static_cast<std::int16_t>(70 + s), 50, 14, 6, kButtonClassOrdinal, text});
    t.Item({0x50000000, 60, static_cast<std::int16_t>(70 + s), 50, 14, 7, 0, text, 0, L"Custom"});
    for (int i = 0; i < unnamed; ++i)
        t.Item({0x50020000, 4, static_cast<std::int16_t>(90 + s), 40, 9, kUnnamed,
                kStaticClassOrdinal, L"Label:"});
    for (int i = 0; i < extra; ++i)
        t.Item({0x50020000, 4, 100, 40, 9, 77, kStaticClassOrdinal, L"Extra"});
    return t.bytes;
}

class TemplateRelayoutTest : public ::testing::Test {
protected:
    TemplateRelayoutTest()
        : from(Template(0, L"Old", 10, 20)),
          to(Template(8, L"New", 11, 21)),
          missingImages(Template(8, L"New", 99, 98)),
          extraItem(Template(8, L"New", 11, 21, 1, 1)),
          twoUnnamed(Template(8, L"New", 11, 21, 2)),
          red10(Dib(10)),
          red11(Dib(11)),
          red20(Dib(20)),
          red21(Dib(21)),
          entries{
              {ResourceType::Dialog, kFrom, 1033, from},
              {ResourceType::Dialog, kTo, 1033, to},
              {ResourceType::Dialog, kMissingImages, 1033, missingImages},
              {ResourceType::Dialog, kExtraItem, 1033, extraItem},
              {ResourceType::Dialog, kTwoUnnamed, 1033, twoUnnamed},
              {ResourceType::Icon, 10, 1033, red10},
              {ResourceType::Icon, 11, 1033, red11},
              {ResourceType::Bitmap, 20, 1033, red20},
              {ResourceType::Bitmap, 21, 1033, red21},
          }
    {
    }

    // Runs a dialog made from template 200; `script` runs once it is up.
    void Run(const std::function<void()>& script)
    {
        bool ran = false;
        WindowSystemTestHelper::SetIdleHook(system, [&] {
            if (!ran) {
                ran = true;
                script();
            }
            dialog.EndDialog(IDOK);
            return true;
        });
        dialog.DoModal();
    }

    bool Relayout(std::uint16_t id)
    {
        return TemplateRelayout::RelayoutFromTemplate(module, dialog, id);
    }

    bool RelayoutFrom(std::span<const std::byte> bytes)
    {
        const std::array<ResourceEntry, 1> only{{{ResourceType::Dialog, kTarget, 1033, bytes}}};
        const ResourceModule single(only, {});
        return TemplateRelayout::RelayoutFromTemplate(single, dialog, kTarget);
    }

    std::vector<Rect> Places() const
    {
        std::vector<Rect> places;
        for (const Window* child : dialog.Children())
            places.push_back(child->RectInParent());
        return places;
    }

    std::uint32_t ImageColour(int id, WPARAM kind) const
    {
        const auto* picture = dynamic_cast<const StaticWindow*>(dialog.GetDlgItem(id));
        const Bitmap* image = picture ? picture->GetImage(kind) : nullptr;
        return image && image->IsLoaded() ? image->Pixel(0, 0) >> 16 : 0;
    }

    std::vector<std::byte> from, to, missingImages, extraItem, twoUnnamed;
    std::vector<std::byte> red10, red11, red20, red21;
    std::vector<ResourceEntry> entries;
    ResourceModule module{entries, {}};
    HeadlessDisplay display{{480, 640}, {8, 16}};
    ManualClock clock;
    WindowSystem system{display, clock};
    Dialog dialog{module, kFrom};
};

TEST_F(TemplateRelayoutTest, MovesEveryControlAndFixesUpTextsImagesAndSelections)
{
    Run([&] {
        EXPECT_EQ(ImageColour(2, IMAGE_ICON), 10u) << "the template's icon, loaded at creation";
        EXPECT_EQ(ImageColour(3, IMAGE_BITMAP), 20u);
        auto* list = static_cast<ListBoxWindow*>(dialog.GetDlgItem(4));
        auto* combo = static_cast<ComboBoxWindow*>(dialog.GetDlgItem(5));
        for (const wchar_t* row : {L"a", L"b", L"c"}) {
            list->AddString(row);
            combo->AddString(row);
        }
        list->SetCurSel(2);
        combo->SetCurSel(1);
        dialog.GetDlgItem(1)->SetWindowText(L"the program's");

        EXPECT_TRUE(Relayout(kTo));
        Rect moved{12, 4, 52, 14};
        dialog.MapDialogRect(moved);
        EXPECT_EQ(dialog.GetDlgItem(1)->RectInParent(), moved);
        EXPECT_EQ(dialog.GetDlgItem(4)->RectInParent().top, 28 * 16 / 8);
        EXPECT_EQ(dialog.GetDlgItem(1)->GetWindowText(), L"New") << "the template's text wins";
        EXPECT_EQ(dialog.GetDlgItem(6)->GetWindowText(), L"New");
        EXPECT_EQ(dialog.GetDlgItem(7)->GetWindowText(), L"Old") << "not a predefined class";
        EXPECT_EQ(ImageColour(2, IMAGE_ICON), 11u);
        EXPECT_EQ(ImageColour(3, IMAGE_BITMAP), 21u);
        EXPECT_EQ(list->GetCurSel(), 2);
        EXPECT_EQ(combo->GetCurSel(), 1);

        list->SetCurSel(-1);
        EXPECT_TRUE(Relayout(kFrom));
        EXPECT_EQ(list->GetCurSel(), -1) << "no selection is not made one";
        EXPECT_EQ(dialog.GetDlgItem(4)->RectInParent().top, 20 * 16 / 8);
    });
}

TEST_F(TemplateRelayoutTest, AnImageThatCannotBeLoadedKeepsTheOldOne)
{
    Run([&] {
        EXPECT_TRUE(Relayout(kMissingImages));
        EXPECT_EQ(ImageColour(2, IMAGE_ICON), 10u);
        EXPECT_EQ(ImageColour(3, IMAGE_BITMAP), 20u);
    });
}

TEST_F(TemplateRelayoutTest, AMissingControlOrTwoUnnamedItemsFailButTheRestStillMoves)
{
    Run([&] {
        EXPECT_FALSE(Relayout(kExtraItem));
        EXPECT_EQ(dialog.GetDlgItem(4)->RectInParent().top, 28 * 16 / 8);
        EXPECT_TRUE(Relayout(kFrom));
        EXPECT_FALSE(Relayout(kTwoUnnamed)) << "both went to the one unnamed control";
        EXPECT_EQ(dialog.GetDlgItem(4)->RectInParent().top, 28 * 16 / 8);
        EXPECT_FALSE(Relayout(999)) << "no such template";
    });
}

TEST_F(TemplateRelayoutTest, MalformedTemplatesAreRefusedWholeAndNeverReadPastTheirEnd)
{
    Run([&] {
        const std::vector<Rect> before = Places();
        // Every truncation, each in a buffer of exactly its size, so that a read past the
        // end is caught by the address sanitizer.
        for (std::size_t size = 0; size < to.size(); ++size) {
            const std::vector<std::byte> cut(to.begin(), to.begin() + size);
            EXPECT_FALSE(RelayoutFrom(cut)) << size;
        }
        std::vector<std::byte> lying = to;
        lying[8] = static_cast<std::byte>(std::to_integer<int>(lying[8]) + 1);  // item count
        EXPECT_FALSE(RelayoutFrom(lying)) << "a count with more items than the bytes hold";
        lying[8] = std::byte{0xFF};
        lying[9] = std::byte{0xFF};
        EXPECT_FALSE(RelayoutFrom(lying));
        std::vector<std::byte> creation = to;
        creation[creation.size() - 2] = std::byte{0x00};  // the last item's creation data
        creation[creation.size() - 1] = std::byte{0x01};  // says 256 bytes
        EXPECT_FALSE(RelayoutFrom(creation));
        EXPECT_EQ(Places(), before) << "nothing moved";

        // At an odd address the template reads the same: alignment counts from its start.
        std::vector<std::byte> odd(to.size() + 1);
        std::copy(to.begin(), to.end(), odd.begin() + 1);
        EXPECT_TRUE(RelayoutFrom(std::span(odd).subspan(1)));
        EXPECT_EQ(dialog.GetDlgItem(1)->GetWindowText(), L"New");
    });
}

}  // namespace
}  // namespace quorvex
