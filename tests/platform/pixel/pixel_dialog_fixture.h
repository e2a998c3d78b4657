#pragma once

#include <gtest/gtest.h>

#include <QImage>

#include "platform/resource/bitmap.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/dialog/dialog_harness.h"
#include "tests/platform/pixel/pixel_screen.h"

namespace quorvex::testing {

// The real main dialog (DialogHarness) shown by a pixel display in a window of `window`
// pixels, 240 x 320 unless a test says otherwise.
class PixelDialogTest : protected PixelScreen, public DialogHarness {
protected:
    explicit PixelDialogTest(Size window = {240, 320})
        : PixelScreen(window), DialogHarness(pixelDisplay.get())
    {
    }

    void Pump() { PixelScreen::Pump(system); }

    void Resize(Size window)
    {
        QtWindow().resize(window.cx, window.cy);
        Pump();
    }

    StatusLamp& Lamp() { return MainDialogTestHelper::Lamp(*dialog); }

    // Waits, as the loop does, until the lamp has painted frame `frame` of the strip; the
    // blink thread's repaints come when they come.
    void WaitUntilLampShows(const Bitmap& strip, int frame)
    {
        const auto shows = [&] {
            const auto pixels = Lamp().PaintedPixels();
            if (pixels.size() != static_cast<std::size_t>(StatusLamp::kWidth * StatusLamp::kHeight))
                return false;
            for (int y = 0; y < StatusLamp::kHeight; ++y)
                for (int x = 0; x < StatusLamp::kWidth; ++x)
                    if (pixels[static_cast<std::size_t>(y * StatusLamp::kWidth + x)] !=
                        strip.Pixel(StatusLamp::kWidth * frame + x, y))
                        return false;
            return true;
        };
        while (!shows())
            WindowSystemTestHelper::WaitAndDispatch(system);
    }

    const ScreenScale& Scale() const { return PixelDisplayTestHelper::Scale(*pixelDisplay); }

    // The colour of the frame's pixel at device (x, y), without alpha.
    static QRgb At(const QImage& frame, int x, int y) { return frame.pixel(x, y) & 0xFFFFFF; }
};

}  // namespace quorvex::testing
