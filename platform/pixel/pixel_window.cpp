#include "platform/pixel/pixel_window.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTouchEvent>

#include "platform/pixel/pixel_key_map.h"

namespace quorvex {

PixelWindow::PixelWindow(Listener& listener) : listener(listener)
{
    setSurfaceType(QSurface::RasterSurface);
}

bool PixelWindow::event(QEvent* event)
{
    switch (event->type()) {
        case QEvent::Expose:
            listener.Exposed();
            break;
        case QEvent::Resize:
            listener.Resized();
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (const auto mapped =
                    PixelKeyMap::For(key->key(), key->modifiers().testFlag(Qt::ControlModifier),
                                     key->modifiers().testFlag(Qt::ShiftModifier)))
                listener.KeyPressed(*mapped);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // A touch Qt turned into a mouse event has been handled as a touch already.
            if (mouse->button() == Qt::LeftButton &&
                mouse->source() == Qt::MouseEventNotSynthesized)
                listener.Pointer(event->type() == QEvent::MouseButtonPress, mouse->position());
            return true;
        }
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return Touch(event);
        case QEvent::Close:
            event->ignore();
            listener.CloseAsked();
            return true;
        default:
            break;
    }
    return QWindow::event(event);
}

bool PixelWindow::Touch(QEvent* event)
{
    // A tap is the first finger's touch and lift; other fingers meanwhile do nothing.
    auto* touch = static_cast<QTouchEvent*>(event);
    for (const QEventPoint& point : touch->points()) {
        if (point.state() == QEventPoint::Pressed && touchId < 0) {
            touchId = point.id();
            listener.Pointer(true, point.position());
        } else if (point.id() == touchId && point.state() == QEventPoint::Released) {
            touchId = -1;
            listener.Pointer(false, point.position());
        }
    }
    if (event->type() == QEvent::TouchCancel && touchId >= 0) {
        // The system took the touch away: the finger is lifted nowhere, and presses nothing.
        touchId = -1;
        listener.Pointer(false, QPointF(-1, -1));
    }
    event->accept();
    return true;
}

}  // namespace quorvex
