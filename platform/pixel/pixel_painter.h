#pragma once

#include <QColor>
#include <QRect>

#include "platform/window/paint_order.h"
#include "platform/window/window_types.h"

class QPainter;
class QString;

namespace quorvex {

class ComboBoxWindow;
class DialogFont;
class MessageBox;
class Window;
class WindowSystem;

// Paints the window-system model, as it is, in the model's own pixels, as the handheld drew
// it, in the order paint_order.h gives: a top-level window with its caption bar (title and
// OK button). Static texts in the dialog font (bold where the model says), group boxes,
// flat push buttons with their focus mark and, while the model holds them pressed, their
// pressed look (the caption's OK and a message box's buttons too), drop-down lists,
// disabled controls greyed; what a window painted itself (the lamp) is copied pixel for
// pixel. The caller's painter carries the scale and the clip. The painter reads the model
// and never changes it. UI thread only.
class PixelPainter : private PaintOrder::Painter {
public:
    // Everything outlives the painter.
    PixelPainter(const WindowSystem& model, const DialogFont& font, QPainter& painter)
        : model(model), font(font), painter(painter)
    {
    }
    ~PixelPainter() override = default;

    void Paint();

    // The handheld's colours.
    static inline const QColor kPaper{255, 255, 255};
    static inline const QColor kInk{0, 0, 0};
    static inline const QColor kGreyed{128, 128, 128};
    static inline const QColor kFrame{128, 128, 128};
    static inline const QColor kCaption{16, 64, 160};
    static inline const QColor kCaptionText{255, 255, 255};
    static inline const QColor kHighlight{0, 0, 128};
    static inline const QColor kHighlightText{255, 255, 255};
    static inline const QColor kButtonFace{236, 236, 236};
    static inline const QColor kWarning{255, 204, 0};

private:
    // PaintOrder::Painter: the model's parts, in the order they are drawn.
    void TopLevel(const Window& window) override;
    void Control(const Window& window) override;
    void OpenList(const ComboBoxWindow& list) override;
    void Box(const MessageBox& box) override;

    void PaintCaption(const Window& window);
    void PaintText(const Window& window);
    void PaintGroupBox(const Window& window);
    void PaintButton(const QRect& at, const QString& text, bool enabled, bool focused, bool down);
    void PaintField(const ComboBoxWindow& list);
    void PaintPixels(const Window& window);
    void PaintIcon(const QRect& at, std::uint32_t icon);
    void PaintDownArrow(const QRect& at, const QColor& colour);
    // A rectangle's outline, one model pixel wide, inside it.
    void Outline(const QRect& at, const QColor& colour);
    void FocusMark(const QRect& at, const QColor& colour);

    const WindowSystem& model;
    const DialogFont& font;
    QPainter& painter;
    Size cell;
};

}  // namespace quorvex
