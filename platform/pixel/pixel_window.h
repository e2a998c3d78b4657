#pragma once

#include <QPointF>
#include <QWindow>

#include "platform/window/input_event.h"

namespace quorvex {

// The window the pixel display draws into. Its event handlers only tell the listener what
// happened, in the window's own logical pixels, and never reach the model: the display
// queues it for the model's loop. A close request (the window's close button) leaves the
// window open; the model decides. UI thread only.
class PixelWindow : public QWindow {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void Exposed() = 0;
        virtual void Resized() = 0;
        virtual void KeyPressed(Key key) = 0;
        // A button or a finger went down (`down`) or up at `at`.
        virtual void Pointer(bool down, QPointF at) = 0;
        virtual void CloseAsked() = 0;
    };

    // The listener outlives the window.
    explicit PixelWindow(Listener& listener);

protected:
    bool event(QEvent* event) override;

private:
    bool Touch(QEvent* event);

    Listener& listener;
    int touchId = -1;  // the one finger that acts, from its touch to its lift
};

}  // namespace quorvex
