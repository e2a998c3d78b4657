#pragma once

#include <memory>
#include <string_view>

#include "platform/window/window.h"
#include "platform/window/window_types.h"

namespace quorvex {

class Bitmap;

// A static control: a text, or with SS_ICON or SS_BITMAP an image that the window owns
// (STM_GETIMAGE, STM_SETIMAGE; icons are bitmaps in this model). UI thread only.
class StaticWindow : public Window {
public:
    static constexpr std::wstring_view kClass = L"static";

    StaticWindow();
    ~StaticWindow() override;

    // The image of that kind (IMAGE_ICON or IMAGE_BITMAP), or none.
    const Bitmap* GetImage(WPARAM kind) const;
    // Takes `image` as the image of that kind and hands back the one held before.
    std::unique_ptr<Bitmap> SetImage(WPARAM kind, std::unique_ptr<Bitmap> image);

protected:
    LRESULT WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<Bitmap> icon;
    std::unique_ptr<Bitmap> bitmap;
};

}  // namespace quorvex
