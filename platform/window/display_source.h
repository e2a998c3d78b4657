#pragma once

#include <memory>
#include <string>

#include "platform/window/display.h"
#include "platform/window/window_types.h"

namespace quorvex {

// What a program asks of the display it is to run on.
struct DisplayRequest {
    // The application's name: the window's title until a window of the model has one.
    std::wstring applicationName;
    // The program's two screen layouts in dialog units, caption bar not counted: a display
    // that draws the model at a scale fits the scale to them. Empty when the program has
    // none.
    Size portrait;
    Size landscape;
};

// Where a program's display comes from. The application framework asks it once per start,
// on the main thread: for the display to run on, or, when the start fails before there is
// one, for a display to say why on.
class DisplaySource {
public:
    virtual ~DisplaySource() = default;

    // The display to run on; none, with `error` saying why in words for a person.
    virtual std::unique_ptr<Display> Open(const DisplayRequest& request, std::string& error) = 0;

    // A display to show a start's failure on, for a program whose standard error may go
    // unseen (one started from a launcher, without a terminal): the model's message box
    // there says what standard error says. None where standard error is seen, and where
    // no display can be made. Such a display may draw in any font it finds.
    virtual std::unique_ptr<Display> OpenForMessage(const DisplayRequest& request)
    {
        (void)request;
        return nullptr;
    }

    // The source a program runs with. Defined by exactly one display library that the
    // program links (quorvex_display_program: the terminal, or the window loaded from its
    // module; quorvex_display_terminal: the terminal alone; quorvex_display_headless in
    // test programs): linking none is a missing symbol, linking two a duplicate one.
    static std::unique_ptr<DisplaySource> CreateDefault();
};

}  // namespace quorvex
