#pragma once

#include <QImage>
#include <span>

#include "platform/pixel/pixel_display.h"

namespace quorvex {

// What only tests look at in a pixel display: the window, the pixels it shows, the scale, and
// what the last Flush drew. Included by tests only. UI thread only.
class PixelDisplayTestHelper {
public:
    static QWindow& Window(PixelDisplay& display) { return *display.window; }
    // The window's pixels as last drawn, in device pixels.
    static const QImage& Frame(const PixelDisplay& display) { return *display.frame; }
    static const ScreenScale& Scale(const PixelDisplay& display) { return display.scale; }
    // The device rectangles the last Flush drew again; empty when it drew nothing.
    static std::span<const Rect> LastDrawn(const PixelDisplay& display)
    {
        return display.lastDrawn;
    }
    // Covers the window's pixels with `colour`, so that a test sees what the next Flush
    // draws and what it leaves.
    static void Scribble(PixelDisplay& display, QRgb colour) { display.frame->fill(colour); }
};

}  // namespace quorvex
