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
            const auto& mouse = *static_cast<QMouseEvent*>(event);
            if (mouse.button() != Qt::LeftButton || RepeatsATouch(mouse))
                return true;
            held = event->type() == QEvent::MouseButtonPress;
            if (held)
                listener.PointerDown(mouse.position());
            else
                listener.PointerUp(mouse.position());
            return true;
        }
        case QEvent::FocusOut:
            // Another window took the input: the release may never come here.
            if (held) {
                held = false;
                touchId = -1;
                listener.PointerCancelled();
            }
            break;
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

bool PixelWindow::RepeatsATouch(const QMouseEvent& mouse) const
{
    if (!hadTouch)
        return false;
    switch (mouse.source()) {
        case Qt::MouseEventSynthesizedBySystem:
            return true;
        case Qt::MouseEventSynthesizedByQt: {
            // Made from a touch, or from a pen's events, which nothing else reports.
            const QPointingDevice* device = mouse.pointingDevice();
            return device && device->type() == QInputDevice::DeviceType::TouchScreen;
        }
        default:
            return false;
    }
}

bool PixelWindow::Touch(QEvent* event)
{
    // Accepted, so that Qt makes no mouse events of its own from the touch.
    event->accept();
    auto* touch = static_cast<QTouchEvent*>(event);
    const QPointingDevice* device = touch->pointingDevice();
    if (!device || device->type() != QInputDevice::DeviceType::TouchScreen)
        return true;
    hadTouch = true;
    for (const QEventPoint& point : touch->points()) {
        if (point.state() == QEventPoint::Pressed && touchId < 0) {
            touchId = point.id();
            held = true;
            listener.PointerDown(point.position());
        } else if (point.id() == touchId && point.state() == QEventPoint::Released) {
            touchId = -1;
            held = false;
            listener.PointerUp(point.position());
        }
    }
    if (event->type() == QEvent::TouchCancel && touchId >= 0) {
        touchId = -1;
        held = false;
        listener.PointerCancelled();
    }
    return true;
}

}  // namespace quorvex
