#pragma once

#include "platform/window/window_types.h"

namespace quorvex {

// Where the model's screen lies in a window of device pixels. The model keeps the
// handheld's pixel sizes; the window draws it at a whole-number scale, the largest (at least
// 1) at which the dialog's layout for the screen's shape, with its caption bar, fits the
// window, and centres it. The model's screen is the window divided by the scale, so a
// window that is resized or turned reaches the model as a turn of its screen.
class ScreenScale {
public:
    // The dialog's two layouts in dialog units, caption bar not counted: the portrait one
    // for a screen taller than wide, the landscape one otherwise (a square takes it too).
    struct Layouts {
        Size portrait;
        Size landscape;
    };

    // One pixel to one pixel, on an empty screen.
    ScreenScale() = default;

    // The scale for a window of `device` pixels and a font of `baseUnits` pixels (one
    // horizontal base unit is four dialog units, one vertical base unit eight; the caption
    // bar is one vertical base unit high).
    static ScreenScale Fit(Size device, Size baseUnits, const Layouts& layouts);

    int Scale() const { return scale; }
    // The model's screen, in its own pixels.
    Size Screen() const { return screen; }
    // Where the model's (0, 0) lies in the window, in device pixels.
    Point Origin() const { return origin; }

    // The model pixel under a device pixel (outside the screen too).
    Point ToModel(Point device) const;
    // The device pixels a rectangle of model pixels covers.
    Rect ToDevice(const Rect& model) const;

private:
    int scale = 1;
    Size screen;
    Point origin;
};

}  // namespace quorvex
