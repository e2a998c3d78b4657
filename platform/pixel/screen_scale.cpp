#include "platform/pixel/screen_scale.h"

#include <algorithm>

namespace quorvex {
namespace {

// What a layout takes on the model's screen, as the dialog maps its units, with the caption.
Size LayoutPixels(Size units, Size baseUnits)
{
    return {units.cx * baseUnits.cx / 4, units.cy * baseUnits.cy / 8 + baseUnits.cy};
}

bool Fits(Size layout, Size screen)
{
    return layout.cx <= screen.cx && layout.cy <= screen.cy;
}

// Division that rounds towards minus infinity, for points left of or above the screen.
int FloorDiv(int value, int by)
{
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

}  // namespace

ScreenScale ScreenScale::Fit(Size device, Size baseUnits, const Layouts& layouts)
{
    ScreenScale fitted;
    device = {std::max(device.cx, 1), std::max(device.cy, 1)};
    const Size portrait = LayoutPixels(layouts.portrait, baseUnits);
    const Size landscape = LayoutPixels(layouts.landscape, baseUnits);
    // No scale above this lets either layout fit, so the search starts there.
    int largest = 1;
    for (const Size layout : {portrait, landscape})
        if (layout.cx > 0 && layout.cy > 0)
            largest = std::max(largest, std::min(device.cx / layout.cx, device.cy / layout.cy));
    for (int n = largest; n >= 1; --n) {
        const Size screen{device.cx / n, device.cy / n};
        // The layout the dialog will take for this screen's shape decides whether n fits.
        const Size layout = screen.cy <= screen.cx ? landscape : portrait;
        if (n == 1 || Fits(layout, screen)) {
            fitted.scale = n;
            fitted.screen = screen;
            break;
        }
    }
    fitted.origin = {(device.cx - fitted.screen.cx * fitted.scale) / 2,
                     (device.cy - fitted.screen.cy * fitted.scale) / 2};
    return fitted;
}

Point ScreenScale::ToModel(Point device) const
{
    return {FloorDiv(device.x - origin.x, scale), FloorDiv(device.y - origin.y, scale)};
}

Rect ScreenScale::ToDevice(const Rect& model) const
{
    return {origin.x + model.left * scale, origin.y + model.top * scale,
            origin.x + model.right * scale, origin.y + model.bottom * scale};
}

}  // namespace quorvex
