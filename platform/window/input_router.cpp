#include "platform/window/input_router.h"

#include <algorithm>

#include "platform/window/combo_box_window.h"
#include "platform/window/display.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

bool TakesInput(const Window& window)
{
    return window.IsCreated() && window.IsWindowVisible() && window.IsWindowEnabled();
}

bool IsTabStop(const Window& window)
{
    return (window.GetStyle() & WS_TABSTOP) && TakesInput(window);
}

bool IsPushButton(const Window& window)
{
    return window.GetClassName() == L"button" && (window.GetStyle() & BS_TYPEMASK) != BS_GROUPBOX;
}

ComboBoxWindow* AsList(Window& window)
{
    return window.GetClassName() == ComboBoxWindow::kClass ? static_cast<ComboBoxWindow*>(&window)
                                                           : nullptr;
}

void SendCommand(Window& to, int id, std::uint16_t code, Window* from)
{
    to.SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<std::uint16_t>(id), code),
                   reinterpret_cast<LPARAM>(from));
}

// The tab stop among `window`'s controls that comes after `from` in template order (before
// it, backwards), wrapping round; from the first (the last) when `from` is none of them.
// Never `from` itself; none when no other tab stop can take input.
Window* NextTabStop(const Window& window, const Window* from, bool forward)
{
    const auto children = window.Children();
    const std::size_t count = children.size();
    const auto at = std::find(children.begin(), children.end(), from);
    // Where the walk starts, so that its first step lands on the first (the last) control.
    std::size_t start = forward ? count - 1 : 0;
    if (at != children.end())
        start = static_cast<std::size_t>(at - children.begin());
    for (std::size_t step = 1; step <= count; ++step) {
        Window* candidate =
            children[forward ? (start + step) % count : (start + count - step) % count];
        if (candidate != from && IsTabStop(*candidate))
            return candidate;
    }
    return nullptr;
}

// The control under `point`, topmost first, searched depth first; statics and group
// boxes let clicks through, as on the handheld.
Window* HitTest(Window& parent, Point point)
{
    for (Window* child : parent.Children()) {
        if (!child->IsWindowVisible() || !child->GetWindowRect().Contains(point))
            continue;
        if (Window* inner = HitTest(*child, point))
            return inner;
        if (IsPushButton(*child) || AsList(*child))
            return child;
    }
    return nullptr;
}

}  // namespace

Window* InputRouter::OpenList() const
{
    return open;
}

void InputRouter::Forget(Window& window)
{
    if (open == &window)
        open = nullptr;
    if (pressed.window == &window)
        pressed = {};
}

Rect InputRouter::CaptionOkRect(const Window& window, Size cell)
{
    if (!(window.GetExStyle() & WS_EX_CAPTIONOKBTN) || window.CaptionHeight() == 0)
        return {};
    const Rect frame = window.GetWindowRect();
    return {std::max(frame.right - 4 * cell.cx, frame.left), frame.top, frame.right,
            frame.top + window.CaptionHeight()};
}

void InputRouter::FocusFirst(Window& window)
{
    if (Window* first = NextTabStop(window, nullptr, true))
        system.SetFocus(first);
}

void InputRouter::InputStateChanged(Window& control)
{
    Window* focus = system.GetFocus();
    Window* parent = control.GetParent();
    if (focus == &control && !TakesInput(control)) {
        system.SetFocus(parent ? NextTabStop(*parent, &control, true) : nullptr);
        return;
    }
    if (!focus && parent && parent == system.GetForegroundWindow() && IsTabStop(control))
        system.SetFocus(&control);
}

Window* InputRouter::PressedControl() const
{
    return pressed.kind == Target::Kind::Control ? pressed.window : nullptr;
}

bool InputRouter::IsCaptionOkPressed(const Window& window) const
{
    return pressed.kind == Target::Kind::CaptionOk && pressed.window == &window;
}

int InputRouter::PressedBoxButton(const MessageBox& box) const
{
    return pressed.kind == Target::Kind::BoxButton && pressed.box == &box ? pressed.index : -1;
}

void InputRouter::DropPress()
{
    if (pressed.kind != Target::Kind::Nothing)
        system.NoteChanged();
    pressed = {};
}

void InputRouter::Deliver(const InputEvent& event)
{
    Window* foreground = system.GetForegroundWindow();
    switch (event.kind) {
        case InputEvent::Kind::KeyPress:
            Key(foreground, event.key);
            break;
        case InputEvent::Kind::ButtonDown:
            ButtonDown(foreground, event.point);
            break;
        case InputEvent::Kind::ButtonUp:
            ButtonUp(foreground, event.point);
            break;
        case InputEvent::Kind::Close:
            Close(foreground);
            break;
        case InputEvent::Kind::BringToFront:
            if (foreground)
                system.SetForegroundWindow(foreground);
            system.GetDisplay().BringToFront();
            system.NoteChanged();
            break;
        case InputEvent::Kind::Resize:
            break;  // the window system applies resizes itself
    }
}

void InputRouter::Close(Window* foreground)
{
    // The system's request wins over an open question: the box is cancelled, and the close
    // reaches the window once its handler has returned from the box.
    if (!system.MessageBoxes().empty()) {
        MessageBox& box = *system.MessageBoxes().back();
        if (!box.Answer(IDCANCEL))
            box.Answer(box.Buttons().back());
    }
    SetOpen(nullptr);
    if (foreground)
        foreground->PostMessage(WM_CLOSE);
}

void InputRouter::SetOpen(ComboBoxWindow* list)
{
    // A press held on the list, or under it, meant what was there before.
    open = list;
    DropPress();
    system.NoteChanged();
}

void InputRouter::Key(Window* foreground, quorvex::Key key)
{
    if (!system.MessageBoxes().empty()) {
        KeyToBox(*system.MessageBoxes().back(), key);
        return;
    }
    if (open) {
        KeyToList(key);
        return;
    }
    if (!foreground)
        return;
    Window* focus = system.GetFocus();
    if (focus && !TakesInput(*focus))
        focus = nullptr;
    switch (key) {
        case Key::Tab:
        case Key::BackTab:
            MoveFocus(*foreground, key == Key::Tab);
            break;
        case Key::Enter:
        case Key::Space:
            if (focus)
                Activate(*focus);
            break;
        case Key::CaptionOk:
            if (foreground->GetExStyle() & WS_EX_CAPTIONOKBTN)
                SendCommand(*foreground, IDOK, BN_CLICKED, nullptr);
            break;
        case Key::Up:
        case Key::Down:
            if (ComboBoxWindow* list = focus ? AsList(*focus) : nullptr) {
                const int from = list->GetCurSel();
                list->MoveHighlight(from < 0 ? 0 : from + (key == Key::Down ? 1 : -1));
                list->ChooseByUser();
            }
            break;
        default:
            break;
    }
}

void InputRouter::MoveFocus(Window& window, bool forward)
{
    // The only tab stop keeps the focus.
    if (Window* next = NextTabStop(window, system.GetFocus(), forward))
        system.SetFocus(next);
}

void InputRouter::Activate(Window& control)
{
    if (ComboBoxWindow* list = AsList(control)) {
        SetOpen(list);
        list->OpenByUser();
        return;
    }
    if (IsPushButton(control) && control.GetParent())
        SendCommand(*control.GetParent(), control.GetDlgCtrlID(), BN_CLICKED, &control);
}

void InputRouter::KeyToList(quorvex::Key key)
{
    ComboBoxWindow& list = *open;
    switch (key) {
        case Key::Up:
            list.MoveHighlight(list.Highlight() - 1);
            break;
        case Key::Down:
            list.MoveHighlight(list.Highlight() + 1);
            break;
        case Key::Home:
            list.MoveHighlight(0);
            break;
        case Key::End:
            list.MoveHighlight(list.GetCount() - 1);
            break;
        case Key::Enter:
        case Key::Space:
            SetOpen(nullptr);
            list.ChooseByUser();
            break;
        case Key::Escape:
        case Key::Tab:
        case Key::BackTab:
            SetOpen(nullptr);
            break;
        default:
            break;
    }
}

void InputRouter::KeyToBox(MessageBox& box, quorvex::Key key)
{
    const int count = static_cast<int>(box.Buttons().size());
    switch (key) {
        case Key::Left:
        case Key::BackTab:
            box.FocusButton((box.FocusedButton() + count - 1) % count);
            break;
        case Key::Right:
        case Key::Tab:
            box.FocusButton((box.FocusedButton() + 1) % count);
            break;
        case Key::Enter:
        case Key::Space:
            box.Answer(box.Buttons()[static_cast<std::size_t>(box.FocusedButton())]);
            break;
        case Key::Escape:
            // A box without Cancel is closed by Escape only when OK is its one answer.
            if (!box.Answer(IDCANCEL) && count == 1)
                box.Answer(box.Buttons().front());
            break;
        default:
            break;
    }
}

InputRouter::Target InputRouter::TargetAt(Window* foreground, Point point) const
{
    using Kind = Target::Kind;
    if (!system.MessageBoxes().empty()) {
        const MessageBox& box = *system.MessageBoxes().back();
        const auto layout = box.Arrange(system.ScreenPixels(), system.CellPixels());
        for (std::size_t i = 0; i < layout.buttons.size(); ++i)
            if (layout.buttons[i].Contains(point))
                return {Kind::BoxButton, nullptr, &box, static_cast<int>(i)};
        return {};
    }
    if (open) {
        const Rect rows = open->ListRect();
        if (!rows.Contains(point))
            return {Kind::BesideList, open};
        const int row =
            open->FirstVisible() + (point.y - rows.top) / std::max(system.CellPixels().cy, 1);
        return {Kind::ListRow, open, nullptr, row};
    }
    if (!foreground)
        return {};
    if (InputRouter::CaptionOkRect(*foreground, system.CellPixels()).Contains(point))
        return {Kind::CaptionOk, foreground};
    Window* control = HitTest(*foreground, point);
    if (!control || !TakesInput(*control))
        return {};
    return {Kind::Control, control};
}

void InputRouter::ButtonDown(Window* foreground, Point point)
{
    DropPress();
    pressed = TargetAt(foreground, point);
    if (pressed.kind == Target::Kind::Nothing)
        return;
    if (pressed.kind == Target::Kind::Control && (pressed.window->GetStyle() & WS_TABSTOP))
        system.SetFocus(pressed.window);
    system.NoteChanged();  // drawn pressed
}

void InputRouter::ButtonUp(Window* foreground, Point point)
{
    using Kind = Target::Kind;
    const Target down = pressed;
    DropPress();
    const Target up = TargetAt(foreground, point);
    switch (down.kind) {
        case Kind::Nothing:
            break;
        case Kind::Control:
            if (up == down)
                Activate(*down.window);
            break;
        case Kind::CaptionOk:
            if (up == down)
                SendCommand(*down.window, IDOK, BN_CLICKED, nullptr);
            break;
        case Kind::BoxButton:
            if (up == down)
                system.MessageBoxes().back()->Answer(
                    system.MessageBoxes().back()->Buttons()[static_cast<std::size_t>(up.index)]);
            break;
        case Kind::ListRow:
        case Kind::BesideList: {
            // The press was taken while this list was open (opening or closing a list drops
            // a press), so it is still the open one.
            ComboBoxWindow* list = open;
            SetOpen(nullptr);
            // A release over a row after a press on the rows chooses it; any other closes.
            if (list && down.kind == Kind::ListRow && up.kind == Kind::ListRow) {
                list->MoveHighlight(up.index);
                list->ChooseByUser();
            }
            break;
        }
    }
}

}  // namespace quorvex
