#include "resources/main_dialog_templates.h"

namespace quorvex {
namespace {

// Writes the main dialog with each control placed by `placement` (portrait or landscape).
template <DialogRect MainDialogControl::*placement>
constexpr void WriteMainDialog(ByteWriter& out, const DialogRect& dialogRect)
{
    std::array<DialogItem, kMainDialogControls.size()> items{};
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MainDialogControl& control = kMainDialogControls[i];
        items[i] = {control.id, control.classOrdinal, control.style,
                    0,          control.text,         control.*placement};
    }
    WriteDialogTemplate(out, {kMainDialogStyle, kMainDialogExStyle, dialogRect, kMainDialogTitle,
                              kMainDialogPointSize, kMainDialogTypeface, items});
}

constexpr void WritePortrait(ByteWriter& out)
{
    WriteMainDialog<&MainDialogControl::portrait>(out, kPortraitDialogRect);
}

constexpr void WriteLandscape(ByteWriter& out)
{
    WriteMainDialog<&MainDialogControl::landscape>(out, kLandscapeDialogRect);
}

// Aligned like the platform's resources, so that readers may take its 32-bit fields in place.
alignas(4) constexpr auto kPortrait = BuildResource<MeasureResource(WritePortrait)>(WritePortrait);
alignas(4) constexpr auto kLandscape =
    BuildResource<MeasureResource(WriteLandscape)>(WriteLandscape);

}  // namespace

std::span<const std::byte> PortraitTemplate()
{
    return kPortrait;
}

std::span<const std::byte> LandscapeTemplate()
{
    return kLandscape;
}

}  // namespace quorvex
