#include "platform/resource/resource_module.h"

#include <gtest/gtest.h>

#include <array>

namespace quorvex {
namespace {

constexpr std::array<std::byte, 2> kMarker{std::byte{1}, std::byte{0}};
constexpr std::array<std::byte, 3> kDialog{std::byte{7}, std::byte{8}, std::byte{9}};
constexpr std::array<ResourceEntry, 2> kEntries{{
    {ResourceType::Dialog, 102, 1033, kDialog},
    {L"CEUX", L"HI_RES_AWARE", 1033, kMarker},
}};
constexpr std::array<StringEntry, 2> kStrings{{
    {130, {L"None", 5}},
    {141, {L"Quorvex", 8}},
}};

TEST(ResourceModuleTest, FindsResourcesByTypeAndName)
{
    const ResourceModule module(kEntries, kStrings);
    EXPECT_EQ(module.Find(ResourceType::Dialog, 102)->data(), kDialog.data());
    EXPECT_EQ(module.Find(L"ceux", L"hi_res_aware")->size(), 2u) << "names match in any case";
    EXPECT_FALSE(module.Find(ResourceType::Dialog, 103));
    EXPECT_FALSE(module.Find(ResourceType::Bitmap, 102)) << "the type is part of the key";
    EXPECT_FALSE(module.Find(5, L"102")) << "a number and a text never match";
}

TEST(ResourceModuleTest, LoadsStringsInPlace)
{
    const ResourceModule module(kEntries, kStrings);
    const auto none = module.LoadString(130);
    ASSERT_TRUE(none);
    EXPECT_EQ(*none, L"None");
    EXPECT_EQ(none->data(), kStrings[0].stored.data()) << "read in place, not copied";
    EXPECT_EQ(none->data()[none->size()], L'\0');
    EXPECT_FALSE(module.LoadString(57344));
}

}  // namespace
}  // namespace quorvex
