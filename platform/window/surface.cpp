#include "platform/window/surface.h"

#include <utility>

#include "platform/window/window.h"

namespace quorvex {

bool Surface::CreateCompatibleDC(const Window& window)
{
    created = window.IsCreated();
    return created;
}

void Surface::DeleteDC()
{
    created = false;
    selected = nullptr;
}

const Bitmap* Surface::SelectObject(const Bitmap* bitmap)
{
    return std::exchange(selected, bitmap);
}

}  // namespace quorvex
