#include "platform/window/static_window.h"

#include <utility>

#include "platform/resource/bitmap.h"

namespace quorvex {

StaticWindow::StaticWindow() = default;
StaticWindow::~StaticWindow() = default;

const Bitmap* StaticWindow::GetImage(WPARAM kind) const
{
    return kind == IMAGE_ICON ? icon.get() : kind == IMAGE_BITMAP ? bitmap.get() : nullptr;
}

std::unique_ptr<Bitmap> StaticWindow::SetImage(WPARAM kind, std::unique_ptr<Bitmap> image)
{
    if (kind != IMAGE_ICON && kind != IMAGE_BITMAP)
        return image;
    std::unique_ptr<Bitmap> old =
        std::exchange(kind == IMAGE_ICON ? icon : bitmap, std::move(image));
    NoteChanged();
    return old;
}

LRESULT StaticWindow::WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    // By message the image is only looked at; it changes hands through SetImage, which
    // says who owns what.
    if (message == STM_GETIMAGE)
        return reinterpret_cast<LRESULT>(GetImage(wParam));
    return Window::WindowProc(message, wParam, lParam);
}

}  // namespace quorvex
