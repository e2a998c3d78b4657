#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/window_types.h"

namespace quorvex {

class Window;
class WindowSystem;

// A modal message box: text, caption, buttons (MB_OK, MB_OKCANCEL, MB_YESNO,
// MB_YESNOCANCEL) and an icon. Show runs a nested message loop until the box is answered,
// so the owner's timers and paints go on meanwhile; while it is open the box takes the keys
// (see input_event.h) and clicks on its buttons. UI thread only.
class MessageBox {
public:
    // Shows a box over `owner` (may be none) and returns the answer: IDOK, IDCANCEL, IDYES
    // or IDNO. Without a window system on the calling thread it returns IDCANCEL at once.
    static int Show(Window* owner, std::wstring_view text, std::wstring_view caption,
                    std::uint32_t type);

    const std::wstring& Text() const { return text; }
    const std::wstring& Caption() const { return caption; }
    std::uint32_t Type() const { return type; }
    std::uint32_t Icon() const { return type & MB_ICONMASK; }
    Window* Owner() const { return owner; }

    // What a button giving `answer` reads: "OK", "Cancel", "Yes", "No".
    static std::wstring_view ButtonText(int answer);

    // The answers its buttons give, left to right, and which one has the focus.
    const std::vector<int>& Buttons() const { return buttons; }
    int FocusedButton() const { return focused; }
    void FocusButton(int index);

    // Ends the box with `answer`; false when the box has no such button.
    bool Answer(int answer);
    bool IsAnswered() const { return answered; }

    // Where the box and its buttons sit on a screen of `screen` pixels with cells of `cell`
    // pixels: centred, at most 40 columns wide, the text word-wrapped into `lines` from
    // `text` (its first line's top-left corner) on, the buttons centred on the last row but
    // one. A box with an icon keeps a square of two rows' height left of the text for it
    // (`icon`, empty without one). The display draws it so; clicks hit it so.
    struct Layout {
        Rect box;
        Rect icon;
        Point text;
        std::vector<std::wstring> lines;
        std::vector<Rect> buttons;
    };
    Layout Arrange(Size screen, Size cell) const;

private:
    MessageBox(Window* owner, std::wstring_view text, std::wstring_view caption,
               std::uint32_t type);

    Window* owner;
    std::wstring text;
    std::wstring caption;
    std::uint32_t type;
    std::vector<int> buttons;
    int focused = 0;
    int answer = IDCANCEL;
    bool answered = false;
};

}  // namespace quorvex
