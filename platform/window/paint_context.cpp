#include "platform/window/paint_context.h"

#include "platform/resource/bitmap.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"

namespace quorvex {

PaintContext::~PaintContext()
{
    EndPaint();
}

bool PaintContext::BeginPaint(Window& target)
{
    if (window || !target.IsCreated())
        return false;
    window = &target;
    target.PixelsForPaint();
    return true;
}

void PaintContext::EndPaint()
{
    if (window)
        window->NotePainted();
    window = nullptr;
}

bool PaintContext::BitBlt(int x, int y, int cx, int cy, const Surface& source, int sourceX,
                          int sourceY, std::uint32_t operation)
{
    const Bitmap* bitmap = source.Selected();
    if (!window || !source.IsCreated() || !bitmap || !bitmap->IsLoaded() || operation != SRCCOPY)
        return false;
    const auto pixels = window->PixelsForPaint();
    const Size size = window->PaintedSize();
    for (int row = 0; row < cy; ++row) {
        const int ty = y + row;
        const int sy = sourceY + row;
        if (ty < 0 || ty >= size.cy || sy < 0 || sy >= bitmap->Height())
            continue;
        for (int column = 0; column < cx; ++column) {
            const int tx = x + column;
            const int sx = sourceX + column;
            if (tx < 0 || tx >= size.cx || sx < 0 || sx >= bitmap->Width())
                continue;
            pixels[static_cast<std::size_t>(ty) * size.cx + tx] = bitmap->Pixel(sx, sy);
        }
    }
    return true;
}

}  // namespace quorvex
