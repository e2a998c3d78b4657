#pragma once

#include "platform/window/window_types.h"

namespace quorvex {

// The keys the window system acts on. A front end maps its own keys onto these:
//   Tab / BackTab     focus to the next / previous enabled, visible tab stop, in template order;
//                     an open list closes without a choice
//   Enter, Space      press the focused button; open the focused drop-down list; in an open
//                     list, choose the highlighted item; in a message box, press its focused button
//   Escape            close an open list without a choice; answer a message box with Cancel
//                     (with OK when that is its only button); nothing else, so that a stray
//                     Esc never ends a dialog: the cancel command (IDCANCEL) has no key
//   Up, Down          move within an open list; on a closed list, choose the neighbouring item
//   Home, End         first / last item of an open list
//   Left, Right       the previous / next button of a message box (Tab and BackTab too)
//   CaptionOk         the OK button in the caption of a dialog that has one (IDOK)
enum class Key { Tab, BackTab, Enter, Space, Escape, Up, Down, Home, End, Left, Right, CaptionOk };

// One thing that happened at the screen, as the front end reports it to the window system.
// Points are in screen pixels; a front end that counts in cells multiplies by the cell size.
// A click or a tap is a ButtonDown and then a ButtonUp, however far apart they arrive: the
// window system pairs them (input_router.h), so a display reports each as it comes.
struct InputEvent {
    enum class Kind {
        KeyPress,      // `key`
        ButtonDown,    // the main mouse button pressed, or a touch begun, at `point`
        ButtonUp,      // that button released, or the touch ended, at `point`
        Resize,        // `screen` in pixels and `cell`, the pixel size of one character cell
        Close,         // the system asks the foreground dialog to close
        BringToFront,  // a second start of the program asks this one to come forward
    };

    Kind kind = Kind::KeyPress;
    Key key = Key::Tab;
    Point point;
    Size screen;
    Size cell;

    static InputEvent Press(Key key) { return {Kind::KeyPress, key, {}, {}, {}}; }
    static InputEvent ButtonDownAt(Point point)
    {
        return {Kind::ButtonDown, Key::Tab, point, {}, {}};
    }
    static InputEvent ButtonUpAt(Point point) { return {Kind::ButtonUp, Key::Tab, point, {}, {}}; }
    static InputEvent Resized(Size screen, Size cell)
    {
        return {Kind::Resize, Key::Tab, {}, screen, cell};
    }
    static InputEvent CloseRequest() { return {Kind::Close, Key::Tab, {}, {}, {}}; }
    static InputEvent Forward() { return {Kind::BringToFront, Key::Tab, {}, {}, {}}; }
};

}  // namespace quorvex
