#include "platform/window/input_router.h"

#include <algorithm>
#include <vector>

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
    for (Window* child : window.Children()) {
        if (IsTabStop(*child)) {
            system.SetFocus(child);
            return;
        }
    }
}

void InputRouter::Deliver(const InputEvent& event)
{
    Window* foreground = system.GetForegroundWindow();
    switch (event.kind) {
        case InputEvent::Kind::KeyPress:
            Key(foreground, event.key);
            break;
        case InputEvent::Kind::Click:
            Click(foreground, event.point);
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
    open = nullptr;
    if (foreground)
        foreground->PostMessage(WM_CLOSE);
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
    std::vector<Window*> stops;
    for (Window* child : window.Children())
        if (IsTabStop(*child))
            stops.push_back(child);
    if (stops.empty())
        return;
    const auto at = std::find(stops.begin(), stops.end(), system.GetFocus());
    std::size_t next;
    if (at == stops.end())
        next = forward ? 0 : stops.size() - 1;
    else {
        const std::size_t index = static_cast<std::size_t>(at - stops.begin());
        next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
    }
    system.SetFocus(stops[next]);
}

void InputRouter::Activate(Window& control)
{
    if (ComboBoxWindow* list = AsList(control)) {
        open = list;
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
            open = nullptr;
            system.NoteChanged();
            list.ChooseByUser();
            break;
        case Key::Escape:
        case Key::Tab:
        case Key::BackTab:
            open = nullptr;
            system.NoteChanged();
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

void InputRouter::Click(Window* foreground, Point point)
{
    if (!system.MessageBoxes().empty()) {
        ClickToBox(*system.MessageBoxes().back(), point);
        return;
    }
    if (open) {
        ClickToList(point);
        return;
    }
    if (!foreground)
        return;
    if (InputRouter::CaptionOkRect(*foreground, system.CellPixels()).Contains(point)) {
        SendCommand(*foreground, IDOK, BN_CLICKED, nullptr);
        return;
    }
    Window* target = HitTest(*foreground, point);
    if (!target || !TakesInput(*target))
        return;
    if (target->GetStyle() & WS_TABSTOP)
        system.SetFocus(target);
    Activate(*target);
}

void InputRouter::ClickToList(Point point)
{
    ComboBoxWindow& list = *open;
    const Rect rows = list.ListRect();
    open = nullptr;
    system.NoteChanged();
    // A click beside the list closes it without a choice.
    if (!rows.Contains(point))
        return;
    list.MoveHighlight(list.FirstVisible() +
                       (point.y - rows.top) / std::max(system.CellPixels().cy, 1));
    list.ChooseByUser();
}

void InputRouter::ClickToBox(MessageBox& box, Point point)
{
    const auto layout = box.Arrange(system.ScreenPixels(), system.CellPixels());
    for (std::size_t i = 0; i < layout.buttons.size(); ++i)
        if (layout.buttons[i].Contains(point))
            box.Answer(box.Buttons()[i]);
}

}  // namespace quorvex
