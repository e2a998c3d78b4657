#pragma once

#include <span>

#include "platform/window/display.h"

namespace quorvex {

// A display that shows nothing and reads no input: the model runs alone, driven by the
// program or a test through WindowSystem::Deliver. It counts what it is told, so that
// tests see whether the model asked for a redraw or to come forward.
class HeadlessDisplay : public Display {
public:
    explicit HeadlessDisplay(Size screen = {480, 640}, Size cell = {8, 16})
        : screen(screen), cell(cell)
    {
    }

    Size ScreenPixels() const override { return screen; }
    Size CellPixels() const override { return cell; }
    void ModelChanged() override { ++changes; }
    void Flush(const WindowSystem&) override { ++flushes; }
    std::span<const int> InputDescriptors() const override { return {}; }
    void ReadInput(WindowSystem&) override {}
    void BringToFront() override { ++forwards; }

    int Changes() const { return changes; }
    int Flushes() const { return flushes; }
    int Forwards() const { return forwards; }

private:
    Size screen;
    Size cell;
    int changes = 0;
    int flushes = 0;
    int forwards = 0;
};

}  // namespace quorvex
