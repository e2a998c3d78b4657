#pragma once

#include "platform/window/input_event.h"
#include "platform/window/window_types.h"

namespace quorvex {

class ComboBoxWindow;
class MessageBox;
class Window;
class WindowSystem;

// The rules by which keys and clicks act on the model (the keys are listed in
// input_event.h). An open message box takes all input; then an open drop-down list; then
// the foreground window and its controls. Focus moves in template order over the enabled,
// visible tab stops of the foreground window. A disabled or hidden control takes nothing.
// UI thread only; the window system owns the router.
class InputRouter {
public:
    explicit InputRouter(WindowSystem& system) : system(system) {}

    void Deliver(const InputEvent& event);

    Window* OpenList() const;

    // Focus on the first enabled, visible tab stop of `window`, if any.
    void FocusFirst(Window& window);

    // The caption's OK button of a window with WS_EX_CAPTIONOKBTN: the last four character
    // columns of its caption row, on the screen. Empty for other windows.
    static Rect CaptionOkRect(const Window& window, Size cell);

    // A window that goes away leaves the router.
    void Forget(Window& window);

private:
    void Key(Window* foreground, quorvex::Key key);
    void Click(Window* foreground, Point point);
    void KeyToBox(MessageBox& box, quorvex::Key key);
    void ClickToBox(MessageBox& box, Point point);
    void KeyToList(quorvex::Key key);
    void ClickToList(Point point);
    void MoveFocus(Window& window, bool forward);
    void Activate(Window& control);
    void Close(Window* foreground);

    WindowSystem& system;
    ComboBoxWindow* open = nullptr;
};

}  // namespace quorvex
