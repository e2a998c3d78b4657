#include <gtest/gtest.h>

#include <cstdint>

#include "resources/program_resources.h"

namespace quorvex {
namespace {

TEST(ProgramResourcesTest, FindsEveryResourceByTypeAndId)
{
    const ResourceModule& module = ProgramResources();
    const struct {
        ResourceId type;
        ResourceId name;
    } resources[] = {
        {ResourceType::Dialog, 102}, {ResourceType::Dialog, 103}, {ResourceType::Bitmap, 129},
        {L"CEUX", L"HI_RES_AWARE"},  {ResourceType::Version, 1},
    };
    for (const auto& resource : resources) {
        SCOPED_TRACE(resource.name.number);
        const auto bytes = module.Find(resource.type, resource.name);
        ASSERT_TRUE(bytes);
        ASSERT_FALSE(bytes->empty());
        // The platform's resources are 32-bit aligned; readers take their fields in place.
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes->data()) % 4, 0u);
    }
    for (std::uint16_t id = 130; id <= 147; ++id)
        EXPECT_TRUE(module.LoadString(id)) << id;

    EXPECT_FALSE(module.Find(ResourceType::Dialog, 104));
    EXPECT_FALSE(module.Find(ResourceType::Bitmap, 102));
    EXPECT_EQ(&module, &ProgramResources()) << "one module for the whole run";
}

TEST(ProgramResourcesTest, HighResolutionMarkerHoldsTheValueOne)
{
    const auto marker = ProgramResources().Find(L"CEUX", L"HI_RES_AWARE");
    ASSERT_TRUE(marker);
    ASSERT_EQ(marker->size(), 2u);
    EXPECT_EQ((*marker)[0], std::byte{1});
    EXPECT_EQ((*marker)[1], std::byte{0});
}

}  // namespace
}  // namespace quorvex
