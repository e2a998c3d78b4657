#pragma once

namespace quorvex {

class Bitmap;
class Window;

// An off-screen drawing surface compatible with a window, holding one selected bitmap.
// It refers to the bitmap without owning it; the owner keeps the bitmap alive while it is
// selected and puts the previous one back before deleting either. UI thread only.
class Surface {
public:
    Surface() = default;
    virtual ~Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // False when the window does not exist.
    bool CreateCompatibleDC(const Window& window);
    void DeleteDC();
    bool IsCreated() const { return created; }

    // Selects `bitmap` (may be none) and returns the one selected before.
    const Bitmap* SelectObject(const Bitmap* bitmap);
    const Bitmap* Selected() const { return selected; }

private:
    const Bitmap* selected = nullptr;
    bool created = false;
};

}  // namespace quorvex
