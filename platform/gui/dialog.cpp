#include "platform/gui/dialog.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/gui/control.h"
#include "platform/gui/shell.h"
#include "platform/resource/bitmap.h"
#include "platform/resource/resource_module.h"
#include "platform/system/text_fold.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/list_box_window.h"
#include "platform/window/static_window.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

std::wstring ClassNameOf(const ParsedDialogTemplate::Field& field)
{
    static constexpr std::array<std::pair<std::uint16_t, std::wstring_view>, 6> kPredefined{{
        {kButtonClassOrdinal, L"button"},
        {0x0081, L"edit"},
        {kStaticClassOrdinal, L"static"},
        {kListBoxClassOrdinal, L"listbox"},
        {0x0084, L"scrollbar"},
        {kComboBoxClassOrdinal, ComboBoxWindow::kClass},
    }};
    for (const auto& [ordinal, name] : kPredefined) {
        // Class names match without regard to case, so a template may also spell them out.
        const bool named = !field.IsOrdinal() && TextFold::Equal(name, field.text);
        if ((field.IsOrdinal() && *field.ordinal == ordinal) || named)
            return std::wstring(name);
    }
    if (!field.IsOrdinal())
        return field.text;
    return std::wstring(Window::kDefaultClass);
}

std::unique_ptr<Window> MakeWindow(std::wstring_view className)
{
    if (className == ComboBoxWindow::kClass)
        return std::make_unique<ComboBoxWindow>();
    if (className == ListBoxWindow::kClass)
        return std::make_unique<ListBoxWindow>();
    if (className == StaticWindow::kClass)
        return std::make_unique<StaticWindow>();
    return std::make_unique<Window>();
}

}  // namespace

Dialog::Dialog(const ResourceModule& module, std::uint16_t templateId, Window* owner)
    : module(module), templateId(templateId), owner(owner)
{
}

Dialog::~Dialog()
{
    if (IsCreated())
        Dialog::Destroy();
}

bool Dialog::Destroy()
{
    const bool destroyed = Window::Destroy();
    controls.clear();
    // A dialog destroyed while it runs ends its modal run instead of leaving it waiting
    // for an EndDialog that can no longer come.
    if (destroyed && !ended)
        EndDialog(-1);
    return destroyed;
}

int Dialog::DoModal()
{
    const auto bytes = module.Find(ResourceType::Dialog, templateId);
    if (!bytes)
        return -1;
    const auto parsed = ParsedDialogTemplate::Parse(*bytes);
    if (!parsed || !CreateFromTemplate(*parsed))
        return -1;
    ended = false;
    result = 0;
    const bool focusFirst = SendMessage(WM_INITDIALOG) != 0;
    if ((parsed->style & WS_VISIBLE) && !ended)
        ShowWindow(SW_SHOW);
    if (focusFirst && !ended)
        System()->FocusFirstTabStop(*this);
    System()->RunUntil(ended);
    Destroy();
    return result;
}

bool Dialog::CreateFromTemplate(const ParsedDialogTemplate& dialogTemplate)
{
    if (!WindowSystem::Current())
        return false;
    Rect frame{dialogTemplate.x, dialogTemplate.y, dialogTemplate.x + dialogTemplate.cx,
               dialogTemplate.y + dialogTemplate.cy};
    MapDialogRect(frame);
    if ((dialogTemplate.style & WS_CAPTION) == WS_CAPTION)
        frame.bottom += WindowSystem::Current()->CellPixels().cy;
    // Hidden until initialised, as the handheld shows a dialog only once it is set up.
    const std::uint32_t style = dialogTemplate.style & ~WS_VISIBLE & ~WS_CHILD;
    if (!Create(L"Dialog", dialogTemplate.title.text, style, frame, owner, 0,
                dialogTemplate.exStyle))
        return false;
    if (dialogTemplate.style & DS_SETFONT) {
        // The dialog font's base units are one character cell, whatever its point size.
        font.CreateFontIndirect({dialogTemplate.typeface, System()->CellPixels().cy, FW_NORMAL});
        SetFont(&font, false);
    }
    for (const ParsedDialogTemplate::Item& item : dialogTemplate.items) {
        if (!CreateItem(item)) {
            Destroy();
            return false;
        }
    }
    return true;
}

bool Dialog::CreateItem(const ParsedDialogTemplate::Item& item)
{
    const std::wstring className = ClassNameOf(item.windowClass);
    std::unique_ptr<Window> control = MakeWindow(className);
    Rect place{item.x, item.y, item.x + item.cx, item.y + item.cy};
    MapDialogRect(place);
    if (!control->Create(className, item.title.IsOrdinal() ? L"" : item.title.text,
                         item.style | WS_CHILD, place, this, item.id, item.exStyle))
        return false;
    control->SetFont(GetFont(), false);
    if (item.title.IsOrdinal())
        LoadImage(*control, item.style, *item.title.ordinal);
    controls.push_back(std::move(control));
    return true;
}

void Dialog::LoadImage(Window& control, std::uint32_t style, std::uint16_t id) const
{
    auto* picture = dynamic_cast<StaticWindow*>(&control);
    if (!picture)
        return;
    const bool icon = (style & SS_ICON) == SS_ICON;
    if (!icon && (style & SS_BITMAP) != SS_BITMAP)
        return;
    auto image = std::make_unique<Bitmap>();
    // A static whose image is missing is made all the same, without its image.
    if (icon ? image->LoadIcon(module, id) : image->LoadBitmap(module, id))
        picture->SetImage(icon ? IMAGE_ICON : IMAGE_BITMAP, std::move(image));
}

void Dialog::EndDialog(int value)
{
    result = value;
    ended = true;
    // A modal run may be waiting; it must look at `ended` again.
    if (WindowSystem* system = WindowSystem::Current())
        system->Wake();
}

bool Dialog::MapDialogRect(Rect& rect) const
{
    const WindowSystem* system = System() ? System() : WindowSystem::Current();
    if (!system)
        return false;
    const Size cell = system->CellPixels();
    rect = {rect.left * cell.cx / 4, rect.top * cell.cy / 8, rect.right * cell.cx / 4,
            rect.bottom * cell.cy / 8};
    return true;
}

bool Dialog::BindControl(Control& control, int id)
{
    return control.Attach(GetDlgItem(id));
}

bool Dialog::OnInitDialog()
{
    Shell::InitDialog(*this, Shell::DialogFlags());
    DoDataExchange();
    return true;
}

void Dialog::OnOK()
{
    DoDataExchange();
    EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void Dialog::OnClose()
{
    EndDialog(IDCANCEL);
}

LRESULT Dialog::WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog() ? 1 : 0;
    if (message == WM_COMMAND) {
        const auto id = LOWORD(wParam);
        const auto code = HIWORD(wParam);
        if (OnCommand(id, code, reinterpret_cast<Window*>(lParam)))
            return 0;
        if (id == IDOK)
            OnOK();
        else if (id == IDCANCEL)
            OnCancel();
        return 0;
    }
    return Window::WindowProc(message, wParam, lParam);
}

}  // namespace quorvex
