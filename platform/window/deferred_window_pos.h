#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/window_types.h"

namespace quorvex {

class Window;

// A batch of window moves applied together (BeginDeferWindowPos, DeferWindowPos,
// EndDeferWindowPos): nothing moves until End, which places every window first and only
// then sends WM_SIZE to those whose size changed, so no handler sees half a layout.
// A window destroyed before End makes its move fail. UI thread only.
class DeferredWindowPos {
public:
    // Opens a batch sized for `count` moves; false for a negative count.
    bool Begin(int count);
    // Adds a move with SetWindowPos's arguments; false (the batch stays usable) when the
    // batch is not open or the window does not exist.
    bool Defer(Window* window, const Window* insertAfter, int x, int y, int cx, int cy,
               std::uint32_t flags);
    // Applies the batch and closes it; false when it was not open or a move failed.
    bool End();

private:
    struct Move {
        std::uint32_t window;
        const Window* insertAfter;
        int x, y, cx, cy;
        std::uint32_t flags;
    };

    std::vector<Move> moves;
    bool open = false;
};

}  // namespace quorvex
