#pragma once

#include "platform/terminal/cell_grid.h"
#include "platform/window/paint_order.h"
#include "platform/window/window_types.h"

namespace quorvex {

class ComboBoxWindow;
class MessageBox;
class Window;
class WindowSystem;

// Paints the window-system model, as it is, into a grid of character cells, in the order
// paint_order.h gives; a top-level window with its caption. A pixel rectangle covers the
// cells its corners round to, so that a control stands where its dialog units put it; but a
// one-line text beside a drop-down list that it overlaps stands on the list's row, as a
// label by its field, even where rounding would set the two a row apart. What a window
// paints itself shows as coloured half cells (white, the handheld's paper, as the
// terminal's background), and never over a frame. The painter reads the model and never
// changes it. UI thread only.
class ScreenPainter : private PaintOrder::Painter {
public:
    // `model` and `grid` outlive the painter.
    ScreenPainter(const WindowSystem& model, CellGrid& grid) : model(model), grid(grid) {}
    ~ScreenPainter() override = default;

    // Resets the grid to the model's screen and paints everything visible.
    void Paint();
    // After Paint: whether a visible control reaches past the screen and is cut.
    bool Clipped() const { return clipped; }

    // The cells a pixel rectangle covers, at least one by one.
    struct Cells {
        int column = 0;
        int row = 0;
        int width = 0;
        int height = 0;
    };
    static Cells ToCells(const Rect& pixels, Size cell);

private:
    // PaintOrder::Painter: the model's parts, in the order they are painted.
    void TopLevel(const Window& window) override;
    void Control(const Window& window) override;
    void OpenList(const ComboBoxWindow& list) override;
    void Box(const MessageBox& box) override;

    void PaintText(const Window& window, Cells at);
    void NoteExtent(const Cells& at);
    void PaintButton(const Window& window, const Cells& at);
    void PaintField(const ComboBoxWindow& list, const Cells& at);
    void PaintPixels(const Window& window);

    const WindowSystem& model;
    CellGrid& grid;
    Size cell;
    bool clipped = false;
};

}  // namespace quorvex
