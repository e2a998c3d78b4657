#include "platform/window/window.h"

#include <algorithm>
#include <chrono>

#include "platform/window/window_system.h"

namespace quorvex {

Window::~Window()
{
    if (IsCreated())
        DestroyWindowTree();
}

bool Window::Create(std::wstring_view className, std::wstring_view text, std::uint32_t style,
                    const Rect& rect, Window* parent, int id, std::uint32_t exStyle)
{
    WindowSystem* current = WindowSystem::Current();
    const bool child = (style & WS_CHILD) != 0;
    if (IsCreated() || !current || (child && (!parent || !parent->IsCreated())))
        return false;
    system = current;
    this->className = className.empty() ? std::wstring(kDefaultClass) : std::wstring(className);
    this->text = text;
    this->style = style;
    this->exStyle = exStyle;
    this->rect = AdjustRect(rect);
    controlId = id;
    // A top-level window's "parent" is its owner; it is not placed among its children.
    this->parent = parent;
    handle = system->Register(*this);
    if (child)
        parent->children.push_back(this);
    else
        system->TopLevelChanged();
    NoteChanged();
    Expose();
    return true;
}

bool Window::Destroy()
{
    if (!IsCreated())
        return false;
    DestroyWindowTree();
    return true;
}

void Window::DestroyWindowTree()
{
    SendMessage(WM_DESTROY);
    // Copied, because each child leaves the list as it goes.
    const std::vector<Window*> doomed = children;
    for (Window* child : doomed)
        if (child->IsCreated())
            child->Destroy();
    // An override of Destroy may have kept a child; it goes now without its override.
    while (!children.empty())
        children.front()->DestroyWindowTree();
    const bool child = (style & WS_CHILD) != 0;
    if (child && parent)
        std::erase(parent->children, this);
    system->Unregister(*this);
    if (!child)
        system->TopLevelChanged();
    ExposeBelow();
    NoteChanged();
    handle = 0;
    parent = nullptr;
    pixels.clear();
    pixelsSize = {};
}

void Window::Expose()
{
    if (!IsCreated() || !IsWindowVisible())
        return;
    system->Invalidate(handle);
    for (Window* child : children)
        child->Expose();
}

void Window::ExposeBelow()
{
    if ((style & WS_CHILD) != 0) {
        if (parent)
            parent->Expose();
        return;
    }
    for (Window* other : system->TopLevelWindows())
        if (other != this)
            other->Expose();
}

void Window::Orphan()
{
    system = nullptr;
    handle = 0;
    parent = nullptr;
    children.clear();
}

Window* Window::GetDlgItem(int id) const
{
    for (Window* child : children)
        if (child->controlId == id)
            return child;
    return nullptr;
}

void Window::ModifyStyleEx(std::uint32_t remove, std::uint32_t add)
{
    exStyle = (exStyle & ~remove) | add;
    NoteChanged();
}

void Window::SetWindowText(std::wstring_view newText)
{
    if (text == newText)
        return;
    text = newText;
    NoteChanged();
}

bool Window::EnableWindow(bool enable)
{
    const bool wasDisabled = !IsWindowEnabled();
    style = enable ? style & ~WS_DISABLED : style | WS_DISABLED;
    if (wasDisabled == enable) {
        NoteChanged();
        if (IsCreated())
            system->InputStateChanged(*this);
    }
    return wasDisabled;
}

bool Window::ShowWindow(int command)
{
    const bool wasVisible = (style & WS_VISIBLE) != 0;
    style = command == SW_HIDE ? style & ~WS_VISIBLE : style | WS_VISIBLE;
    if (wasVisible != ((style & WS_VISIBLE) != 0)) {
        NoteChanged();
        if (IsCreated() && (style & WS_CHILD) == 0)
            system->TopLevelChanged();
        Expose();
        if (IsCreated() && command == SW_HIDE)
            ExposeBelow();
        if (IsCreated())
            system->InputStateChanged(*this);
    }
    return wasVisible;
}

bool Window::IsWindowVisible() const
{
    for (const Window* w = this; w; w = (w->style & WS_CHILD) ? w->parent : nullptr)
        if ((w->style & WS_VISIBLE) == 0)
            return false;
    return IsCreated();
}

int Window::CaptionHeight() const
{
    if ((style & WS_CAPTION) != WS_CAPTION || !system)
        return 0;
    return system->CellPixels().cy;
}

Point Window::ClientOrigin() const
{
    const Rect screen = GetWindowRect();
    return {screen.left, screen.top + CaptionHeight()};
}

Rect Window::GetWindowRect() const
{
    if ((style & WS_CHILD) && parent) {
        const Point origin = parent->ClientOrigin();
        return rect.Offset(origin.x, origin.y);
    }
    return rect;
}

Rect Window::GetClientRect() const
{
    return {0, 0, rect.Width(), std::max(rect.Height() - CaptionHeight(), 0)};
}

bool Window::SetWindowPos(const Window* insertAfter, int x, int y, int cx, int cy,
                          std::uint32_t flags)
{
    bool resized = false;
    if (!Place(insertAfter, x, y, cx, cy, flags, resized))
        return false;
    if (resized)
        SendSize();
    return true;
}

bool Window::Place(const Window* insertAfter, int x, int y, int cx, int cy, std::uint32_t flags,
                   bool& resized)
{
    resized = false;
    if (!IsCreated())
        return false;
    Rect wanted = rect;
    if (!(flags & SWP_NOMOVE))
        wanted = wanted.Offset(x - rect.left, y - rect.top);
    if (!(flags & SWP_NOSIZE)) {
        if (cx < 0 || cy < 0)
            return false;
        wanted.right = wanted.left + cx;
        wanted.bottom = wanted.top + cy;
        wanted = AdjustRect(wanted);
    }
    resized = wanted.Width() != rect.Width() || wanted.Height() != rect.Height();
    rect = wanted;
    if (resized)
        Expose();
    if (!(flags & SWP_NOZORDER) && (style & WS_CHILD) && parent) {
        auto& siblings = parent->children;
        const bool known = insertAfter == HWND_TOP ||
                           (insertAfter != this && std::find(siblings.begin(), siblings.end(),
                                                             insertAfter) != siblings.end());
        // Without a sibling to restack against, the move itself still stands.
        if (known) {
            std::erase(siblings, this);
            const auto at = insertAfter == HWND_TOP
                                ? siblings.begin()
                                : std::find(siblings.begin(), siblings.end(), insertAfter) + 1;
            siblings.insert(at, this);
        }
    }
    NoteChanged();
    return true;
}

void Window::SendSize()
{
    const Rect client = GetClientRect();
    SendMessage(
        WM_SIZE, SIZE_RESTORED,
        static_cast<LPARAM>(MAKEWPARAM(static_cast<std::uint16_t>(std::max(client.Width(), 0)),
                                       static_cast<std::uint16_t>(std::max(client.Height(), 0)))));
}

LRESULT Window::SendMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (!IsCreated())
        return 0;
    return WindowProc(message, wParam, lParam);
}

bool Window::PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (!IsCreated())
        return false;
    system->Post(handle, message, wParam, lParam);
    return true;
}

void Window::InvalidateRect(bool /*erase*/)
{
    if (system && handle != 0)
        system->Invalidate(handle);
}

std::uintptr_t Window::SetTimer(std::uintptr_t id, std::uint32_t periodMs)
{
    if (!IsCreated() || id == 0)
        return 0;
    system->Timers().Set(handle, id, std::chrono::milliseconds(periodMs), system->GetClock().Now());
    system->Wake();
    return id;
}

bool Window::KillTimer(std::uintptr_t id)
{
    return IsCreated() && system->Timers().Kill(handle, id);
}

void Window::SetFont(const Font* newFont, bool redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(newFont), redraw ? 1 : 0);
}

LRESULT Window::WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_SIZE:
            OnSize(static_cast<std::uint32_t>(wParam), LOWORD(static_cast<WPARAM>(lParam)),
                   HIWORD(static_cast<WPARAM>(lParam)));
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<Window*>(lParam)) ? 0
                                                                                                : 1;
        default:
            return DefWindowProc(message, wParam, lParam);
    }
}

LRESULT Window::DefWindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case WM_SETFONT:
            font = reinterpret_cast<const Font*>(wParam);
            if (lParam != 0)
                NoteChanged();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font);
        case WM_CLOSE:
            Destroy();
            return 0;
        default:
            return 0;
    }
}

void Window::OnPaint()
{
}
void Window::OnTimer(std::uintptr_t)
{
}
void Window::OnSize(std::uint32_t, int, int)
{
}
void Window::OnClose()
{
    DefWindowProc(WM_CLOSE, 0, 0);
}
void Window::OnDestroy()
{
}
bool Window::OnCommand(std::uint16_t, std::uint16_t, Window*)
{
    return false;
}

void Window::NoteChanged() const
{
    if (system)
        system->NoteChanged();
}

void Window::NotePainted() const
{
    if (system)
        system->NoteChanged(GetWindowRect());
}

std::span<std::uint32_t> Window::PixelsForPaint()
{
    const Size size{rect.Width(), rect.Height()};
    if (size != pixelsSize) {
        pixelsSize = size;
        pixels.assign(static_cast<std::size_t>(std::max(size.cx, 0)) * std::max(size.cy, 0),
                      0x00FFFFFF);
    }
    return pixels;
}

}  // namespace quorvex
