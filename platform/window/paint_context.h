#pragma once

#include <cstdint>

#include "platform/window/window_types.h"

namespace quorvex {

class Surface;
class Window;

// Painting a window in answer to WM_PAINT: BeginPaint, block copies into the window, then
// EndPaint, which tells the display to show the new pixels. UI thread only.
class PaintContext {
public:
    PaintContext() = default;
    virtual ~PaintContext();  // ends a paint that is still open
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;

    bool BeginPaint(Window& window);
    void EndPaint();

    // Copies `cx` x `cy` pixels from (`sourceX`, `sourceY`) of the surface's bitmap to
    // (`x`, `y`) of the window. Only SRCCOPY is known; parts outside either side are left
    // out. False when no paint is open, nothing is selected, or the operation is unknown.
    bool BitBlt(int x, int y, int cx, int cy, const Surface& source, int sourceX, int sourceY,
                std::uint32_t operation);

private:
    Window* window = nullptr;
};

}  // namespace quorvex
