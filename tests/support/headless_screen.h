#pragma once

#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/window_system.h"

namespace quorvex::testing {

// The window system as tests run it: on a display that shows nothing (`screen` pixels, cells
// of `cell` pixels) and a clock that only the test moves. The constructing thread is its UI
// thread. A fixture derives from it, or a test binds its members:
//
//   testing::HeadlessScreen screen;
//   auto& [display, clock, system] = screen;
struct HeadlessScreen {
    explicit HeadlessScreen(Size screen = {480, 640}, Size cell = {8, 16})
        : display(screen, cell), system(display, clock)
    {
    }

    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system;
};

}  // namespace quorvex::testing
