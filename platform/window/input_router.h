#pragma once

#include "platform/window/input_event.h"
#include "platform/window/window_types.h"

namespace quorvex {

class ComboBoxWindow;
class MessageBox;
class Window;
class WindowSystem;

// The rules by which keys and the mouse act on the model (the keys are listed in
// input_event.h). An open message box takes all input; then an open drop-down list; then
// the foreground window and its controls. Focus moves in template order over the enabled,
// visible tab stops of the foreground window. A disabled or hidden control takes nothing.
//
// The mouse: a press is held on what lies under it (a control, the caption's OK, a button of
// the message box, the open list) until the release, however long that takes; the release
// acts only on the same thing. A click on a button presses it; a click on a drop-down list
// opens it; with the list open, a release over one of its rows after a press on them chooses
// that row, and any other release closes it without a choice. A press released elsewhere,
// and a release whose press went to something that has since gone or changed (a box
// answered, a list opened or closed), do nothing. Holding a press holds nothing else back.
//
// The focus: when the focused control can no longer take input, the focus moves to the
// next tab stop that can, in template order, or to none; while no control has it, the first
// tab stop of the foreground window that becomes able to take input takes it.
//
// UI thread only; the window system owns the router.
class InputRouter {
public:
    explicit InputRouter(WindowSystem& system) : system(system) {}

    void Deliver(const InputEvent& event);

    Window* OpenList() const;

    // Focus on the first enabled, visible tab stop of `window`, if any.
    void FocusFirst(Window& window);

    // `control` was enabled, disabled, shown or hidden: the focus follows the rule above.
    void InputStateChanged(Window& control);

    // What a press holds now, for a display that draws it pressed: a control, the caption's
    // OK of `window`, the index of a button of `box` (-1 for none).
    Window* PressedControl() const;
    bool IsCaptionOkPressed(const Window& window) const;
    int PressedBoxButton(const MessageBox& box) const;

    // A message box came or went: a press held before belongs to what is no longer on top.
    void DropPress();

    // The caption's OK button of a window with WS_EX_CAPTIONOKBTN: the last four character
    // columns of its caption row, on the screen. Empty for other windows.
    static Rect CaptionOkRect(const Window& window, Size cell);

    // A window that goes away leaves the router.
    void Forget(Window& window);

private:
    // What a press or a release at a point lands on.
    struct Target {
        enum class Kind { Nothing, Control, CaptionOk, BoxButton, ListRow, BesideList };
        Kind kind = Kind::Nothing;
        Window* window = nullptr;         // the control, the captioned window or the open list
        const MessageBox* box = nullptr;  // the box whose button it is
        int index = -1;                   // the box's button, or the list's row
        bool operator==(const Target&) const = default;
    };

    void Key(Window* foreground, quorvex::Key key);
    void KeyToBox(MessageBox& box, quorvex::Key key);
    void KeyToList(quorvex::Key key);
    Target TargetAt(Window* foreground, Point point) const;
    void ButtonDown(Window* foreground, Point point);
    void ButtonUp(Window* foreground, Point point);
    void MoveFocus(Window& window, bool forward);
    void Activate(Window& control);
    void SetOpen(ComboBoxWindow* list);
    void Close(Window* foreground);

    WindowSystem& system;
    ComboBoxWindow* open = nullptr;
    Target pressed;
};

}  // namespace quorvex
