#include "resources/program_resources.h"

#include <array>
#include <cstddef>

#include "resources/bitmap_ids.h"
#include "resources/dialog_ids.h"
#include "resources/frame_strip.h"
#include "resources/main_dialog_templates.h"
#include "resources/string_table.h"
#include "resources/version_record.h"

namespace quorvex {
namespace {

constexpr std::uint16_t kEnglishUs = 1033;
constexpr std::uint16_t kVersionRecordName = 1;  // the name the platform looks a version up by

alignas(4) constexpr std::array<std::byte, 2> kHighResolutionMarker{std::byte{1}, std::byte{0}};

}  // namespace

const ResourceModule& ProgramResources()
{
    // Built on first use, so that objects constructed before main may already load from it.
    static const std::array<ResourceEntry, 5> entries{{
        {ResourceType::Dialog, DialogId::Portrait, kEnglishUs, PortraitTemplate()},
        {ResourceType::Dialog, DialogId::Landscape, kEnglishUs, LandscapeTemplate()},
        {ResourceType::Bitmap, BitmapId::FrameStrip, kEnglishUs, FrameStrip()},
        {L"CEUX", L"HI_RES_AWARE", kEnglishUs, kHighResolutionMarker},
        {ResourceType::Version, kVersionRecordName, kEnglishUs, VersionRecord()},
    }};
    static const ResourceModule module(entries, ProgramStrings());
    return module;
}

}  // namespace quorvex
