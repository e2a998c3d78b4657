#pragma once

#include <chrono>
#include <functional>
#include <utility>

#include "platform/window/window_system.h"

namespace quorvex {

class MessageBox;

// What only tests do to a window system: script the moments the loop would wait and the
// moments a message box shows, and wait once as the loop does. Included by tests only; the
// scripts live in the window system they are given to. UI thread of that system only.
class WindowSystemTestHelper {
public:
    // Called whenever the loop would wait. It may advance a ManualClock, deliver input or
    // end a dialog; returning false lets the loop wait as usual.
    static void SetIdleHook(WindowSystem& system, std::function<bool()> hook)
    {
        system.idleHook = std::move(hook);
    }

    // Called when a message box shows, with the box; may pump, advance a clock and answer
    // it (MessageBox::Answer). A box left unanswered waits for input.
    static void SetMessageBoxHook(WindowSystem& system, std::function<void(MessageBox&)> hook)
    {
        system.messageBoxHook = std::move(hook);
    }

    // Waits once as the loop does (display input, wake-up, next timer), then dispatches what
    // is due. For a test that waits for another thread's invalidation.
    static void WaitAndDispatch(WindowSystem& system)
    {
        system.WaitForWork();
        system.DispatchPending();
    }

    // The same, waiting at most `limit` of real time for a wake-up (an invalidation from
    // another thread); display input and timers are not waited for. False when nothing was
    // dispatched, so that a test can give up on a rule broken instead of waiting for ever.
    static bool WaitAndDispatchFor(WindowSystem& system, std::chrono::milliseconds limit)
    {
        (void)system.poller.Wait({}, {}, limit);  // the dispatch below says what came
        return system.DispatchPending() > 0;
    }

    // A click of the main button at `point`: its press and its release, back to back.
    static void Click(WindowSystem& system, Point point)
    {
        system.Deliver(InputEvent::ButtonDownAt(point));
        system.Deliver(InputEvent::ButtonUpAt(point));
    }
};

}  // namespace quorvex
