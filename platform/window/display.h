#pragma once

#include <memory>
#include <span>
#include <string>

#include "platform/window/window_types.h"

namespace quorvex {

class BlockingWait;
class WindowSystem;

// The seam between the window-system model and what shows it. The model keeps every rule
// (focus, keys, lists, message boxes); a display only draws the model and turns what the
// user does into InputEvents. A terminal front end implements it for the program, tests
// fake it. Every call comes from the UI thread that runs the window system.
class Display {
public:
    virtual ~Display() = default;

    // The screen's size in pixels, and the pixel size of one character cell, which is
    // also one base unit of the dialog font (four horizontal and eight vertical dialog units).
    virtual Size ScreenPixels() const = 0;
    virtual Size CellPixels() const = 0;

    // Something visible in the model changed. Cheap: the display notes it and draws in Flush.
    virtual void ModelChanged() = 0;
    // Only what a window painted itself changed, inside `area` (screen pixels): a display
    // that can, draws that alone again. By default, as any other change.
    virtual void AreaChanged(const Rect& area)
    {
        (void)area;
        ModelChanged();
    }

    // The message loop is about to wait: draw what changed since the last Flush.
    virtual void Flush(const WindowSystem& model) = 0;

    // Descriptors the message loop polls for input on the display's behalf; when one is
    // readable, the loop calls ReadInput, which passes each event to `model.Deliver`.
    virtual std::span<const int> InputDescriptors() const = 0;
    virtual void ReadInput(WindowSystem& model) = 0;

    // Where every message loop of the model blocks, nested ones included: none, and the loop
    // polls the descriptors itself; a display whose toolkit has an event loop of its own
    // gives a wait that runs that loop while it watches the model's descriptors.
    virtual BlockingWait* LoopWait() { return nullptr; }

    // Another start of the program asked this one to come forward: show it, for example
    // redraw and flash the caption or ring the bell.
    virtual void BringToFront() = 0;

    // Where the program shows itself, for a person who starts it a second time and is told
    // which instance runs: "the terminal /dev/pts/3", or the window's place. Empty when the
    // display cannot tell.
    virtual std::wstring ShownOn() const { return {}; }

    // The display a program runs on. Defined by exactly one display library that the
    // program links (quorvex_display_terminal, or quorvex_display_headless in test
    // programs): linking none is a missing symbol, linking two a duplicate one.
    static std::unique_ptr<Display> CreateDefault();
};

}  // namespace quorvex
