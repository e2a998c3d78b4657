#include "platform/window/deferred_window_pos.h"

#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {

bool DeferredWindowPos::Begin(int count)
{
    if (count < 0)
        return false;
    moves.clear();
    moves.reserve(static_cast<std::size_t>(count));
    open = true;
    return true;
}

bool DeferredWindowPos::Defer(Window* window, const Window* insertAfter, int x, int y, int cx,
                              int cy, std::uint32_t flags)
{
    if (!open || !window || !window->IsCreated())
        return false;
    moves.push_back({window->Handle(), insertAfter, x, y, cx, cy, flags});
    return true;
}

bool DeferredWindowPos::End()
{
    if (!open)
        return false;
    open = false;
    bool ok = true;
    std::vector<std::uint32_t> resized;
    WindowSystem* system = WindowSystem::Current();
    for (const Move& move : moves) {
        // Found again by handle: a window destroyed since Defer is a failed move, not a crash.
        Window* window = system ? system->FromHandle(move.window) : nullptr;
        bool sized = false;
        if (!window ||
            !window->Place(move.insertAfter, move.x, move.y, move.cx, move.cy, move.flags, sized))
            ok = false;
        else if (sized)
            resized.push_back(move.window);
    }
    moves.clear();
    for (std::uint32_t handle : resized)
        if (Window* window = system->FromHandle(handle))
            window->SendSize();
    return ok;
}

}  // namespace quorvex
