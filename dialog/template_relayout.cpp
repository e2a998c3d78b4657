#include "dialog/template_relayout.h"

#include <memory>

#include "platform/gui/dialog.h"
#include "platform/resource/bitmap.h"
#include "platform/resource/resource_module.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/deferred_window_pos.h"
#include "platform/window/list_box_window.h"
#include "platform/window/static_window.h"

namespace quorvex {
namespace {

constexpr std::uint16_t kUnnamedId = 0xFFFF;

}  // namespace

bool TemplateRelayout::RelayoutFromTemplate(const ResourceModule& module, Dialog& dialog,
                                            std::uint16_t templateId)
{
    const auto bytes = module.Find(ResourceType::Dialog, templateId);
    if (!bytes)
        return false;
    // Read whole, with every field bounds-checked: a template that runs past its end is
    // refused before anything moves.
    const auto parsed = ParsedDialogTemplate::Parse(*bytes);
    if (!parsed)
        return false;
    DeferredWindowPos batch;
    if (!batch.Begin(static_cast<int>(parsed->items.size())))
        return false;
    bool ok = true;
    int unnamed = 0;
    for (const ParsedDialogTemplate::Item& item : parsed->items) {
        Window* control = dialog.GetDlgItem(item.id);
        Rect place{item.x, item.y, item.x + item.cx, item.y + item.cy};
        if (!control || !dialog.MapDialogRect(place)) {
            ok = false;
            continue;
        }
        if (!batch.Defer(control, nullptr, place.left, place.top, place.Width(), place.Height(),
                         SWP_NOZORDER))
            ok = false;
        FixupControl(module, dialog, item, item.windowClass, item.title);
        if (item.id == kUnnamedId)
            ++unnamed;
    }
    if (!batch.End())
        ok = false;
    // Items without an id of their own all reached the same control.
    return unnamed < 2 && ok;
}

void TemplateRelayout::FixupControl(const ResourceModule& module, Dialog& dialog,
                                    const ParsedDialogTemplate::Item& item,
                                    const ParsedDialogTemplate::Field& windowClass,
                                    const ParsedDialogTemplate::Field& title)
{
    Window* control = dialog.GetDlgItem(item.id);
    if (!control || !windowClass.IsOrdinal())
        return;
    switch (*windowClass.ordinal) {
        case kButtonClassOrdinal:
        case kStaticClassOrdinal:
            FixupTextOrImage(module, *control, item.style, title);
            break;
        case kListBoxClassOrdinal:
        case kComboBoxClassOrdinal:
            ReselectList(*control);
            break;
        default:
            break;
    }
}

void TemplateRelayout::FixupTextOrImage(const ResourceModule& module, Window& control,
                                        std::uint32_t style,
                                        const ParsedDialogTemplate::Field& title)
{
    if (!title.IsOrdinal()) {
        control.SetWindowText(title.text);
        return;
    }
    // SS_ICON is tested first: its two low bits are also part of other styles' values.
    const bool icon = (style & SS_ICON) == SS_ICON;
    if (!icon && (style & SS_BITMAP) != SS_BITMAP)
        return;
    auto* picture = dynamic_cast<StaticWindow*>(&control);
    if (!picture)
        return;
    auto image = std::make_unique<Bitmap>();
    const bool loaded =
        icon ? image->LoadIcon(module, *title.ordinal) : image->LoadBitmap(module, *title.ordinal);
    if (!loaded)
        return;
    // The control hands back the image it held, which goes here.
    picture->SetImage(icon ? IMAGE_ICON : IMAGE_BITMAP, std::move(image));
}

void TemplateRelayout::ReselectList(Window& control)
{
    if (auto* combo = dynamic_cast<ComboBoxWindow*>(&control)) {
        if (const int selection = combo->GetCurSel(); selection != -1)
            combo->SetCurSel(selection);
    } else if (auto* list = dynamic_cast<ListBoxWindow*>(&control)) {
        if (const int selection = list->GetCurSel(); selection != -1)
            list->SetCurSel(selection);
    }
}

}  // namespace quorvex
