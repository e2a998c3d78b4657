#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/threads/clock.h"
#include "platform/threads/poller.h"
#include "platform/window/input_event.h"
#include "platform/window/timer_queue.h"
#include "platform/window/window_types.h"

namespace quorvex {

class Display;
class InputRouter;
class MessageBox;
class Window;
class WindowRecords;

// The window system of one UI thread: its windows, message queue, timers, pending paints,
// focus and foreground, and the message loop. Windows should go before it does; one that
// is left then is forgotten without WM_DESTROY. One exists per UI thread at a time; the
// thread that constructs it is its UI thread and the only one that may call it, except for
// Invalidate and Wake, which any thread may call while it exists.
//
// The loop (RunUntil) dispatches, in this order: posted messages, then WM_PAINT for the
// invalidated windows, then due timers; when nothing is left it flushes the display and
// waits on the display's input, the bring-forward channel and the wake-up, for at most
// the time to the next timer, in the display's own wait when it has one (Display::LoopWait).
// A modal dialog or a message box is a nested RunUntil, so
// timers and paints keep running under it. Time comes from the clock, so with a
// ManualClock a test moves time and calls DispatchPending, or scripts what happens whenever
// the loop would wait (window_system_test_helper.h).
class WindowSystem {
public:
    // The display and the clock outlive the window system.
    explicit WindowSystem(Display& display, Clock& clock = Clock::System());
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    // The calling thread's window system, or none.
    static WindowSystem* Current();

    Display& GetDisplay() const { return display; }
    Clock& GetClock() const { return clock; }

    // SM_CXSCREEN, SM_CYSCREEN: the screen in pixels; 0 for other indexes.
    int GetSystemMetrics(int index) const;
    Size ScreenPixels() const { return screen; }
    Size CellPixels() const { return cell; }

    // Runs the loop until `done` is true (checked after every dispatch).
    void RunUntil(const bool& done);
    // Dispatches everything that is due now and returns how many messages that was.
    std::size_t DispatchPending();

    // Any thread: asks for WM_PAINT to the window with this handle; never waits.
    void Invalidate(std::uint32_t handle);
    // Any thread: ends the loop's current or next wait.
    void Wake() { poller.Wake(); }

    // Input from the display (or a test): keys, button presses and releases, resize, close,
    // bring forward. The router (input_router.h) says what each does.
    void Deliver(const InputEvent& event);

    // The model as the display draws it.
    std::span<Window* const> TopLevelWindows() const { return topLevel; }
    Window* FromHandle(std::uint32_t handle) const;
    Window* GetFocus() const { return focus; }
    void SetFocus(Window* window);
    // Focus on the first enabled, visible tab stop among `window`'s controls, if any.
    void FocusFirstTabStop(Window& window);
    Window* GetForegroundWindow() const;
    bool SetForegroundWindow(Window* window);
    // The drop-down list that is open, if any; open boxes, the last one on top.
    Window* OpenList() const;
    std::span<MessageBox* const> MessageBoxes() const { return boxes; }
    // What a mouse button holds pressed until its release, for the display to draw so: a
    // control, the caption's OK button of `window`, the index of a button of `box` (-1: none).
    Window* PressedControl() const;
    bool IsCaptionOkPressed(const Window& window) const;
    int PressedBoxButton(const MessageBox& box) const;

    // Publishes the top-level windows to the records another start of the program reads,
    // and polls the records' bring-forward channel. The records outlive the window system.
    void SetRecords(WindowRecords* records);

    // Makes a top-level window fill the screen, now and after every resize.
    void SetFullScreen(Window& window);

    // Tells the display that something visible changed; or only pixels a window painted
    // itself, inside `area` on the screen.
    void NoteChanged() const;
    void NoteChanged(const Rect& area) const;

private:
    friend class MessageBox;
    friend class Window;
    friend class WindowSystemTestHelper;

    void PushMessageBox(MessageBox& box);
    void PopMessageBox(MessageBox& box);
    void ShowingMessageBox(MessageBox& box);

    struct Posted {
        std::uint32_t window;
        std::uint32_t message;
        WPARAM wParam;
        LPARAM lParam;
    };

    std::uint32_t Register(Window& window);
    void Unregister(Window& window);
    void TopLevelChanged();
    // A control was enabled, disabled, shown or hidden; the focus may move.
    void InputStateChanged(Window& window);
    void Post(std::uint32_t window, std::uint32_t message, WPARAM wParam, LPARAM lParam);
    TimerQueue& Timers() { return timers; }

    bool DispatchOne();
    bool DispatchPaint();
    void WaitForWork();
    void ApplyResize(Size screenPixels, Size cellPixels);

    Display& display;
    Clock& clock;
    Size screen;
    Size cell;
    Poller poller;
    TimerQueue timers;
    std::deque<Posted> posted;
    std::vector<Window*> windows;   // by handle - 1; null once destroyed
    std::vector<Window*> topLevel;  // topmost first
    std::vector<Window*> fullScreen;
    std::vector<MessageBox*> boxes;
    Window* focus = nullptr;
    std::unique_ptr<InputRouter> router;
    WindowRecords* records = nullptr;
    // Test scripts (window_system_test_helper.h): what runs when the loop would wait, and
    // when a message box shows.
    std::function<bool()> idleHook;
    std::function<void(MessageBox&)> messageBoxHook;
    WindowSystem* previous = nullptr;

    // Filled by any thread, emptied by the UI thread.
    std::mutex invalidMutex;
    std::vector<std::uint32_t> invalid;
};

}  // namespace quorvex
