#pragma once

#include <QPointF>
#include <QWindow>

#include "platform/window/input_event.h"

class QMouseEvent;

namespace quorvex {

// The window the pixel display draws into. Its event handlers only tell the listener what
// happened, in the window's own logical pixels, and never reach the model: the display
// queues it for the model's loop. A close request (the window's close button) leaves the
// window open; the model decides.
//
// The pointer: the left mouse button, and the first finger of a touch on the screen (others
// meanwhile do nothing), each reported down and up as it comes; a tap is one touch and one
// lift. A mouse event that the platform, or Qt, made from a touch repeats that touch, which
// has acted already, and is left out once the window has had touches; before that it is
// taken, so that a tap is not lost where the platform sends only those. Qt makes mouse events
// from a pen's events too: they count as a mouse. A touchpad's touches press nothing: the
// pointer it moves reports its clicks. A press held while another window takes the input
// (the window loses the focus) is taken away, as a touch the system cancels. UI thread only.
class PixelWindow : public QWindow {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void Exposed() = 0;
        virtual void Resized() = 0;
        virtual void KeyPressed(Key key) = 0;
        // The left button or the acting finger went down, or up, at `at`.
        virtual void PointerDown(QPointF at) = 0;
        virtual void PointerUp(QPointF at) = 0;
        // The system took the press away (the acting finger's touch, or the input while the
        // button was held): it is released nowhere.
        virtual void PointerCancelled() = 0;
        virtual void CloseAsked() = 0;
    };

    // The listener outlives the window.
    explicit PixelWindow(Listener& listener);

protected:
    bool event(QEvent* event) override;

private:
    bool Touch(QEvent* event);
    bool RepeatsATouch(const QMouseEvent& mouse) const;

    Listener& listener;
    int touchId = -1;       // the one finger that acts, from its touch to its lift
    bool held = false;      // the button or the finger is down
    bool hadTouch = false;  // the platform sends this window touches on the screen
};

}  // namespace quorvex
