#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/window_types.h"

namespace quorvex {

class Font;
class WindowSystem;

// One window of the model: id, class, styles, text, font, enabled and visible state (the
// WS_DISABLED and WS_VISIBLE bits of its style), a rectangle in pixels within its parent's
// client area (a top-level window's is on the screen), and a place among its siblings: the
// order of Children() is the z-order, topmost first, which is also the tab order.
//
// User classes derive from it and handle messages by overriding the On... operations or
// WindowProc. Everything runs on the thread of the WindowSystem the window was created on,
// except InvalidateRect, which any thread may call while the window exists.
//
// Ownership: the object is owned by whoever made it; the window system only refers to it.
// Destroying a window destroys its children first through their own virtual Destroy, so a
// derived class's teardown runs whether the window goes alone or with its parent. A derived
// class that overrides Destroy calls it from its own destructor; ~Window then only removes a
// window that still exists, without calling the override.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The class name of windows created without one.
    static constexpr std::wstring_view kDefaultClass = L"Window";

    // Makes the window on the calling thread's WindowSystem. A child (WS_CHILD) needs a
    // created parent; its rectangle is in the parent's client area. False when there is no
    // window system, the parent is missing, or the window already exists.
    bool Create(std::wstring_view className, std::wstring_view text, std::uint32_t style,
                const Rect& rect, Window* parent, int id, std::uint32_t exStyle = 0);

    // Sends WM_DESTROY to the window, destroys its children, stops its timers and forgets
    // it. False when the window does not exist.
    virtual bool Destroy();
    bool IsCreated() const { return handle != 0; }

    // A number that stays unique for the window system's life; 0 while not created.
    std::uint32_t Handle() const { return handle; }

    Window* GetParent() const { return parent; }
    std::span<Window* const> Children() const { return children; }
    Window* GetDlgItem(int id) const;
    int GetDlgCtrlID() const { return controlId; }
    const std::wstring& GetClassName() const { return className; }
    std::uint32_t GetStyle() const { return style; }
    std::uint32_t GetExStyle() const { return exStyle; }
    void ModifyStyleEx(std::uint32_t remove, std::uint32_t add);

    void SetWindowText(std::wstring_view text);
    const std::wstring& GetWindowText() const { return text; }

    // Both return the previous state: EnableWindow whether the window was disabled,
    // ShowWindow whether it was visible. The focus follows (input_router.h): a focused
    // control that is disabled or hidden passes it on.
    bool EnableWindow(bool enable);
    bool IsWindowEnabled() const { return (style & WS_DISABLED) == 0; }
    bool ShowWindow(int command);
    bool IsWindowVisible() const;  // this window and all its ancestors

    // The window's rectangle on the screen, and its client area in its own coordinates.
    Rect GetWindowRect() const;
    Rect GetClientRect() const;
    // The rectangle within the parent's client area (on the screen for a top-level window).
    Rect RectInParent() const { return rect; }
    // Where the client area's origin is on the screen. A window with a caption keeps its
    // caption, one character row high, above its client area.
    Point ClientOrigin() const;
    int CaptionHeight() const;

    // Moves, sizes and restacks the window. `insertAfter` HWND_TOP puts it on top of its
    // siblings, another sibling places it just below that one. Flags: SWP_NOSIZE,
    // SWP_NOMOVE, SWP_NOZORDER, SWP_NOACTIVATE, SWP_NOOWNERZORDER.
    bool SetWindowPos(const Window* insertAfter, int x, int y, int cx, int cy, std::uint32_t flags);

    LRESULT SendMessage(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues a message for the window's thread; false when the window does not exist.
    bool PostMessage(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Asks for a WM_PAINT, which the UI thread dispatches once nothing else is queued. Any
    // thread may call it; it never waits for the UI thread. A window also paints, without
    // being asked, when it is first shown, when it is uncovered and when its size changes. Background erasing is not
    // done in this model, so `erase` only documents the caller's intent.
    void InvalidateRect(bool erase);

    // Starts or restarts timer `id` (nonzero); WM_TIMER arrives on the UI thread every
    // `periodMs`, also during modal dialogs and message boxes. Returns the id, 0 on failure.
    std::uintptr_t SetTimer(std::uintptr_t id, std::uint32_t periodMs);
    bool KillTimer(std::uintptr_t id);

    // WM_SETFONT and WM_GETFONT. The window refers to the font; the caller keeps it alive.
    void SetFont(const Font* font, bool redraw = true);
    const Font* GetFont() const { return font; }

    // What the window painted itself, one 0x00RRGGBB word per pixel, row by row over the
    // window's size, for the display to show. Empty until the window first paints.
    std::span<const std::uint32_t> PaintedPixels() const { return pixels; }
    Size PaintedSize() const { return pixelsSize; }

protected:
    // Message dispatch. The default calls the On... operations below and DefWindowProc.
    virtual LRESULT WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam);

    virtual void OnPaint();
    virtual void OnTimer(std::uintptr_t id);
    virtual void OnSize(std::uint32_t kind, int cx, int cy);
    virtual void OnClose();  // destroys the window
    virtual void OnDestroy();
    // WM_COMMAND from a child or a key; true when handled.
    virtual bool OnCommand(std::uint16_t id, std::uint16_t code, Window* control);

    // Lets a class keep a size of its own where a size is asked for (a drop-down list keeps
    // one row and remembers the asked height as its list's).
    virtual Rect AdjustRect(const Rect& asked) { return asked; }

    WindowSystem* System() const { return system; }
    void NoteChanged() const;  // tells the display that something visible changed

private:
    friend class DeferredWindowPos;
    friend class PaintContext;
    friend class WindowSystem;

    // SetWindowPos without the WM_SIZE, for moves that are applied together.
    bool Place(const Window* insertAfter, int x, int y, int cx, int cy, std::uint32_t flags,
               bool& resized);
    void SendSize();

    void DestroyWindowTree();
    // Asks the window and its descendants that can be seen to paint: they are shown,
    // uncovered or resized, and what they painted before is not there any more.
    void Expose();
    // The same for what the window stood on, once it is hidden or gone.
    void ExposeBelow();
    void Orphan();  // its window system goes away first: forget the window without messages
    std::span<std::uint32_t> PixelsForPaint();
    // Tells the display that the pixels the window painted itself changed, and nothing else.
    void NotePainted() const;

    WindowSystem* system = nullptr;
    std::uint32_t handle = 0;
    Window* parent = nullptr;
    std::vector<Window*> children;
    int controlId = 0;
    std::wstring className;
    std::wstring text;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Rect rect;
    const Font* font = nullptr;
    std::vector<std::uint32_t> pixels;
    Size pixelsSize;
};

}  // namespace quorvex
