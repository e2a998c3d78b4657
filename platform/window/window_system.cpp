#include "platform/window/window_system.h"

#include <algorithm>
#include <array>

#include "platform/window/display.h"
#include "platform/window/input_router.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_records.h"

namespace quorvex {
namespace {

thread_local WindowSystem* current = nullptr;

// Pending paints kept without allocating; more than this many is not expected in a dialog.
constexpr std::size_t kInvalidReserve = 64;

}  // namespace

WindowSystem::WindowSystem(Display& display, Clock& clock)
    : display(display),
      clock(clock),
      screen(display.ScreenPixels()),
      cell(display.CellPixels()),
      router(std::make_unique<InputRouter>(*this)),
      previous(current)
{
    invalid.reserve(kInvalidReserve);
    current = this;
}

WindowSystem::~WindowSystem()
{
    // A window object that outlives its window system keeps nothing that points here.
    for (Window* window : windows)
        if (window)
            window->Orphan();
    current = previous;
}

WindowSystem* WindowSystem::Current()
{
    return current;
}

int WindowSystem::GetSystemMetrics(int index) const
{
    switch (index) {
        case SM_CXSCREEN:
            return screen.cx;
        case SM_CYSCREEN:
            return screen.cy;
        default:
            return 0;
    }
}

std::uint32_t WindowSystem::Register(Window& window)
{
    windows.push_back(&window);
    return static_cast<std::uint32_t>(windows.size());
}

void WindowSystem::Unregister(Window& window)
{
    const std::uint32_t handle = window.Handle();
    windows[handle - 1] = nullptr;
    timers.KillAll(handle);
    std::erase_if(posted, [&](const Posted& p) { return p.window == handle; });
    {
        std::lock_guard lock(invalidMutex);
        std::erase(invalid, handle);
    }
    if (focus == &window)
        focus = nullptr;
    router->Forget(window);
    // Windows it owned outlive it here, without an owner.
    for (Window* owned : topLevel)
        if (owned->parent == &window)
            owned->parent = nullptr;
    std::erase(topLevel, &window);
    std::erase(fullScreen, &window);
}

void WindowSystem::TopLevelChanged()
{
    // Newly created top-level windows come to the front.
    for (Window* window : windows)
        if (window && (window->GetStyle() & WS_CHILD) == 0 &&
            std::find(topLevel.begin(), topLevel.end(), window) == topLevel.end())
            topLevel.insert(topLevel.begin(), window);
    if (records)
        records->Publish(topLevel);
}

Window* WindowSystem::FromHandle(std::uint32_t handle) const
{
    return handle == 0 || handle > windows.size() ? nullptr : windows[handle - 1];
}

void WindowSystem::SetFocus(Window* window)
{
    if (focus != window) {
        focus = window;
        NoteChanged();
    }
}

void WindowSystem::FocusFirstTabStop(Window& window)
{
    router->FocusFirst(window);
}

Window* WindowSystem::GetForegroundWindow() const
{
    for (Window* window : topLevel)
        if (window->IsWindowVisible())
            return window;
    return nullptr;
}

bool WindowSystem::SetForegroundWindow(Window* window)
{
    if (!window || !window->IsCreated() || (window->GetStyle() & WS_CHILD))
        return false;
    std::erase(topLevel, window);
    topLevel.insert(topLevel.begin(), window);
    NoteChanged();
    return true;
}

Window* WindowSystem::OpenList() const
{
    return router->OpenList();
}

Window* WindowSystem::PressedControl() const
{
    return router->PressedControl();
}

bool WindowSystem::IsCaptionOkPressed(const Window& window) const
{
    return router->IsCaptionOkPressed(window);
}

int WindowSystem::PressedBoxButton(const MessageBox& box) const
{
    return router->PressedBoxButton(box);
}

void WindowSystem::InputStateChanged(Window& window)
{
    router->InputStateChanged(window);
}

void WindowSystem::SetRecords(WindowRecords* newRecords)
{
    records = newRecords;
    if (records)
        records->Publish(topLevel);
}

void WindowSystem::SetFullScreen(Window& window)
{
    if (std::find(fullScreen.begin(), fullScreen.end(), &window) == fullScreen.end())
        fullScreen.push_back(&window);
    window.SetWindowPos(HWND_TOP, 0, 0, screen.cx, screen.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowSystem::PushMessageBox(MessageBox& box)
{
    boxes.push_back(&box);
    router->DropPress();
    NoteChanged();
}

void WindowSystem::PopMessageBox(MessageBox& box)
{
    std::erase(boxes, &box);
    router->DropPress();
    NoteChanged();
    // What the box covered is uncovered.
    for (Window* window : topLevel)
        window->Expose();
}

void WindowSystem::ShowingMessageBox(MessageBox& box)
{
    if (messageBoxHook)
        messageBoxHook(box);
}

void WindowSystem::NoteChanged() const
{
    display.ModelChanged();
}

void WindowSystem::NoteChanged(const Rect& area) const
{
    display.AreaChanged(area);
}

void WindowSystem::Post(std::uint32_t window, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    posted.push_back({window, message, wParam, lParam});
}

void WindowSystem::Invalidate(std::uint32_t handle)
{
    bool first;
    {
        std::lock_guard lock(invalidMutex);
        if (std::find(invalid.begin(), invalid.end(), handle) != invalid.end())
            return;
        first = invalid.empty();
        invalid.push_back(handle);
    }
    // One wake-up per batch is enough: the loop takes every pending paint before it waits.
    if (first)
        poller.Wake();
}

bool WindowSystem::DispatchPaint()
{
    std::uint32_t handle;
    {
        std::lock_guard lock(invalidMutex);
        if (invalid.empty())
            return false;
        handle = invalid.front();
        invalid.erase(invalid.begin());
    }
    if (Window* window = FromHandle(handle))
        window->SendMessage(WM_PAINT);
    return true;
}

bool WindowSystem::DispatchOne()
{
    if (!posted.empty()) {
        const Posted message = posted.front();
        posted.pop_front();
        if (Window* window = FromHandle(message.window))
            window->SendMessage(message.message, message.wParam, message.lParam);
        return true;
    }
    if (DispatchPaint())
        return true;
    if (const auto timer = timers.TakeDue(clock.Now())) {
        if (Window* window = FromHandle(timer->window))
            window->SendMessage(WM_TIMER, timer->id);
        return true;
    }
    return false;
}

std::size_t WindowSystem::DispatchPending()
{
    std::size_t count = 0;
    while (DispatchOne())
        ++count;
    return count;
}

void WindowSystem::RunUntil(const bool& done)
{
    while (!done) {
        if (DispatchOne())
            continue;
        if (idleHook && idleHook())
            continue;
        WaitForWork();
    }
}

void WindowSystem::WaitForWork()
{
    display.Flush(*this);
    constexpr std::size_t kMaxSources = 8;
    std::array<int, kMaxSources> descriptors{};
    std::size_t count = 0;
    for (int descriptor : display.InputDescriptors())
        if (count + 1 < kMaxSources)
            descriptors[count++] = descriptor;
    const std::size_t recordsIndex = count;
    if (records && records->ListenDescriptor() >= 0)
        descriptors[count++] = records->ListenDescriptor();
    std::optional<std::chrono::milliseconds> timeout;
    if (const auto due = timers.NextDue()) {
        const auto left = *due - clock.Now();
        // Rounded up, so that the loop never wakes just before a timer and spins.
        timeout =
            std::chrono::ceil<std::chrono::milliseconds>(std::max(left, Clock::Duration::zero()));
    }
    std::array<bool, kMaxSources> ready{};
    if (poller.Wait({descriptors.data(), count}, {ready.data(), count}, timeout,
                    display.LoopWait()) == 0)
        return;
    if (records && recordsIndex < count && ready[recordsIndex] && records->TakeForwardRequests())
        Deliver(InputEvent::Forward());
    for (std::size_t i = 0; i < recordsIndex; ++i) {
        if (ready[i]) {
            display.ReadInput(*this);
            break;
        }
    }
}

void WindowSystem::Deliver(const InputEvent& event)
{
    if (event.kind == InputEvent::Kind::Resize) {
        ApplyResize(event.screen, event.cell);
        return;
    }
    router->Deliver(event);
}

void WindowSystem::ApplyResize(Size screenPixels, Size cellPixels)
{
    if (screenPixels.cx <= 0 || screenPixels.cy <= 0)
        return;
    screen = screenPixels;
    if (cellPixels.cx > 0 && cellPixels.cy > 0)
        cell = cellPixels;
    NoteChanged();
    // The full-screen windows turn with the screen; each hears of it by WM_SIZE.
    const std::vector<Window*> shown = topLevel;
    for (Window* window : shown)
        if (window->IsCreated() &&
            std::find(fullScreen.begin(), fullScreen.end(), window) != fullScreen.end())
            window->SetWindowPos(HWND_TOP, 0, 0, screen.cx, screen.cy,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quorvex
