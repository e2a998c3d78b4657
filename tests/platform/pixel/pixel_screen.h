#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <memory>
#include <string>

#include "platform/pixel/pixel_display.h"
#include "platform/pixel/pixel_display_test_helper.h"
#include "platform/window/window_system.h"

namespace quorvex::testing {

// A pixel display in a window of `window` pixels on the offscreen platform, with the main
// dialog's two layouts (102: 160 x 166 dialog units, 103: 213 x 118), for a fixture to
// derive from before the window system it shows.
struct PixelScreen {
    explicit PixelScreen(Size window)
    {
        PixelDisplay::Options options;
        options.window = window;
        options.layouts = {{160, 166}, {213, 118}};
        std::string error;
        pixelDisplay = PixelDisplay::Open(options, error);
        if (!pixelDisplay)
            ADD_FAILURE() << error;
    }

    QWindow& QtWindow() const { return PixelDisplayTestHelper::Window(*pixelDisplay); }
    const QImage& Frame() const { return PixelDisplayTestHelper::Frame(*pixelDisplay); }

    // Lets Qt deliver what it queued (exposure, resizes, input), hands the display's input to
    // the model, dispatches what that made due, and draws.
    void Pump(WindowSystem& system) const
    {
        QCoreApplication::processEvents();
        pixelDisplay->ReadInput(system);
        system.DispatchPending();
        pixelDisplay->Flush(system);
    }

    std::unique_ptr<PixelDisplay> pixelDisplay;
};

}  // namespace quorvex::testing
