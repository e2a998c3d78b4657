#include "platform/pixel/pixel_painter.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <algorithm>
#include <vector>

#include "platform/pixel/dialog_font.h"
#include "platform/window/combo_box_window.h"
#include "platform/window/font.h"
#include "platform/window/input_router.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

QRect ToQRect(const Rect& rect)
{
    return {rect.left, rect.top, rect.Width(), rect.Height()};
}

QString ToQString(std::wstring_view text)
{
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsClass(const Window& window, std::wstring_view name)
{
    return window.GetClassName() == name;
}

// Space between a text and the edge of the field or bar it stands in.
constexpr int kTextInset = 2;

}  // namespace

void PixelPainter::Paint()
{
    cell = model.CellPixels();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    PaintOrder::Walk(model, *this);
}

void PixelPainter::TopLevel(const Window& window)
{
    painter.fillRect(ToQRect(window.GetWindowRect()), kPaper);
    if (window.CaptionHeight() > 0)
        PaintCaption(window);
    PaintPixels(window);
}

void PixelPainter::PaintCaption(const Window& window)
{
    const Rect frame = window.GetWindowRect();
    const QRect bar(frame.left, frame.top, frame.Width(), window.CaptionHeight());
    painter.fillRect(bar, kCaption);
    const Rect ok = InputRouter::CaptionOkRect(window, cell);
    QRect title = bar.adjusted(2 * kTextInset, 0, -kTextInset, 0);
    if (ok.Width() > 0)
        title.setRight(ok.left - kTextInset - 1);
    painter.save();
    painter.setClipRect(title, Qt::IntersectClip);
    painter.setFont(font.Bold());
    painter.setPen(kCaptionText);
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ToQString(window.GetWindowText()));
    painter.restore();
    if (ok.Width() == 0)
        return;
    // The handheld's OK: a white ring around "ok", filled white while it is held down.
    const QRect button = ToQRect(ok).adjusted(1, 1, -1, -1);
    const bool down = model.IsCaptionOkPressed(window);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kCaptionText, 1));
    painter.setBrush(down ? QBrush(kCaptionText) : QBrush(Qt::NoBrush));
    const qreal radius = button.height() / 2.0;
    painter.drawRoundedRect(QRectF(button).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.setFont(font.Bold());
    painter.setPen(down ? kCaption : kCaptionText);
    painter.drawText(button, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("ok"));
    painter.restore();
}

void PixelPainter::Control(const Window& window)
{
    if (IsClass(window, L"static"))
        PaintText(window);
    else if (IsClass(window, L"button") && (window.GetStyle() & BS_TYPEMASK) == BS_GROUPBOX)
        PaintGroupBox(window);
    else if (IsClass(window, L"button"))
        PaintButton(ToQRect(window.GetWindowRect()), ToQString(window.GetWindowText()),
                    window.IsWindowEnabled(), model.GetFocus() == &window,
                    model.PressedControl() == &window);
    else if (IsClass(window, ComboBoxWindow::kClass))
        PaintField(static_cast<const ComboBoxWindow&>(window));
    else
        PaintPixels(window);
}

void PixelPainter::PaintText(const Window& window)
{
    const QRect at = ToQRect(window.GetWindowRect());
    const bool oneLine = (window.GetStyle() & SS_LEFTNOWORDWRAP) == SS_LEFTNOWORDWRAP;
    painter.save();
    painter.setClipRect(at, Qt::IntersectClip);
    painter.setFont(window.GetFont() && window.GetFont()->IsBold() ? font.Bold() : font.Regular());
    painter.setPen(window.IsWindowEnabled() ? kInk : kGreyed);
    // Lines beyond the rectangle are cut, as on the handheld.
    painter.drawText(
        at, Qt::AlignLeft | Qt::AlignTop | (oneLine ? Qt::TextSingleLine : Qt::TextWordWrap),
        ToQString(window.GetWindowText()));
    painter.restore();
}

void PixelPainter::PaintGroupBox(const Window& window)
{
    // The frame's top runs through the middle of the first text line, as on the handheld.
    const QRect at = ToQRect(window.GetWindowRect());
    Outline(at.adjusted(0, cell.cy / 2, 0, 0), window.IsWindowEnabled() ? kFrame : kGreyed);
    const QString text = ToQString(window.GetWindowText());
    if (text.isEmpty())
        return;
    painter.save();
    painter.setFont(font.Regular());
    const QRect label(at.left() + cell.cx, at.top(),
                      painter.fontMetrics().horizontalAdvance(text) + 2 * kTextInset, cell.cy);
    painter.fillRect(label, kPaper);
    painter.setPen(window.IsWindowEnabled() ? kInk : kGreyed);
    painter.drawText(label, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.restore();
}

void PixelPainter::PaintButton(const QRect& at, const QString& text, bool enabled, bool focused,
                               bool down)
{
    // A flat button: a face and a one-pixel border; held down, it shows inverted.
    const bool inverted = down && enabled;
    painter.fillRect(at, inverted ? kInk : kButtonFace);
    Outline(at, enabled ? kInk : kGreyed);
    painter.save();
    painter.setClipRect(at, Qt::IntersectClip);
    painter.setFont(font.Regular());
    painter.setPen(!enabled ? kGreyed : inverted ? kPaper : kInk);
    painter.drawText(at, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.restore();
    // Around the text where the button has room, else just inside its border.
    const int inset = at.height() >= 2 * cell.cy ? 2 : 1;
    if (focused && enabled)
        FocusMark(at.adjusted(inset, inset, -inset, -inset), inverted ? kPaper : kInk);
}

void PixelPainter::PaintField(const ComboBoxWindow& list)
{
    const QRect at = ToQRect(list.GetWindowRect());
    const bool enabled = list.IsWindowEnabled();
    const QColor ink = enabled ? kInk : kGreyed;
    painter.fillRect(at, kPaper);
    Outline(at, ink);
    // The drop button: a square at the right end, with its arrow.
    const QRect arrow(at.right() - at.height() + 1, at.top(), at.height(), at.height());
    painter.fillRect(arrow.adjusted(1, 1, -1, -1), kButtonFace);
    painter.fillRect(QRect(arrow.left(), arrow.top(), 1, arrow.height()), ink);
    PaintDownArrow(arrow, ink);
    const QRect field(at.left() + 1, at.top() + 1, arrow.left() - at.left() - 1, at.height() - 2);
    const bool focused = enabled && model.GetFocus() == &list && model.OpenList() != &list;
    if (focused)
        painter.fillRect(field.adjusted(1, 1, -1, -1), kHighlight);
    painter.save();
    painter.setClipRect(field, Qt::IntersectClip);
    painter.setFont(font.Regular());
    painter.setPen(focused ? kHighlightText : ink);
    painter.drawText(field.adjusted(kTextInset, 0, -kTextInset, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ToQString(list.GetItemText(list.GetCurSel())));
    painter.restore();
}

void PixelPainter::PaintDownArrow(const QRect& at, const QColor& colour)
{
    // A triangle of whole pixels, pointing down, in the middle of `at`.
    const int half = std::max(at.width() / 4, 1);
    const int centreX = at.left() + at.width() / 2;
    const int top = at.top() + (at.height() - half) / 2;
    for (int row = 0; row < half; ++row)
        painter.fillRect(QRect(centreX - half + row + 1, top + row, 2 * (half - row) - 1, 1),
                         colour);
}

void PixelPainter::PaintPixels(const Window& window)
{
    const auto pixels = window.PaintedPixels();
    const Size size = window.PaintedSize();
    if (pixels.empty() || size.cx <= 0 || size.cy <= 0)
        return;
    QImage image(size.cx, size.cy, QImage::Format_RGB32);
    for (int y = 0; y < size.cy; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.cx; ++x)
            row[x] = 0xFF000000u | pixels[static_cast<std::size_t>(y) * size.cx + x];
    }
    // Whole device pixels per image pixel, no smoothing: the handheld's bitmap, only larger.
    const Rect frame = window.GetWindowRect();
    painter.drawImage(QRect(frame.left, frame.top, size.cx, size.cy), image);
}

void PixelPainter::OpenList(const ComboBoxWindow& list)
{
    const QRect at = ToQRect(list.ListRect());
    painter.fillRect(at, kPaper);
    const int rows = list.VisibleRows();
    const int first = list.FirstVisible();
    const bool more = list.GetCount() > rows;
    // A scroll bar says that the list goes on above or below, and how far.
    const int bar = more ? std::max(cell.cx, 3) : 0;
    painter.save();
    painter.setFont(font.Regular());
    for (int i = 0; i < rows; ++i) {
        const int item = first + i;
        const QRect row(at.left(), at.top() + i * cell.cy, at.width() - bar, cell.cy);
        const bool highlighted = item == list.Highlight();
        if (highlighted)
            painter.fillRect(row, kHighlight);
        painter.save();
        painter.setClipRect(row, Qt::IntersectClip);
        painter.setPen(highlighted ? kHighlightText : kInk);
        painter.drawText(row.adjusted(kTextInset + 1, 0, -kTextInset, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         ToQString(list.GetItemText(item)));
        painter.restore();
    }
    painter.restore();
    if (more) {
        const QRect track(at.right() - bar + 1, at.top(), bar, at.height());
        painter.fillRect(track, kButtonFace);
        const int count = std::max(list.GetCount(), 1);
        const int thumbTop = track.top() + track.height() * first / count;
        const int thumbHeight = std::max(track.height() * rows / count, 3);
        painter.fillRect(QRect(track.left() + 1, thumbTop, bar - 2, thumbHeight), kFrame);
        painter.fillRect(QRect(track.left(), track.top(), 1, track.height()), kInk);
    }
    Outline(at, kInk);
}

void PixelPainter::Box(const MessageBox& box)
{
    const MessageBox::Layout layout = box.Arrange(model.ScreenPixels(), cell);
    const QRect at = ToQRect(layout.box);
    painter.fillRect(at, kPaper);
    const QRect caption(at.left(), at.top(), at.width(), cell.cy);
    painter.fillRect(caption, kCaption);
    Outline(at, kInk);
    painter.save();
    painter.setClipRect(caption.adjusted(1, 0, -1, 0), Qt::IntersectClip);
    painter.setFont(font.Bold());
    painter.setPen(kCaptionText);
    painter.drawText(caption.adjusted(2 * kTextInset, 0, -kTextInset, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ToQString(box.Caption()));
    painter.restore();
    if (layout.icon.Width() > 0)
        PaintIcon(ToQRect(layout.icon), box.Icon());
    painter.save();
    painter.setClipRect(at.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    painter.setFont(font.Regular());
    painter.setPen(kInk);
    const int textWidth = at.right() + 1 - cell.cx - layout.text.x;
    for (std::size_t i = 0; i < layout.lines.size(); ++i)
        painter.drawText(
            QRect(layout.text.x, layout.text.y + static_cast<int>(i) * cell.cy, textWidth, cell.cy),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ToQString(layout.lines[i]));
    painter.restore();
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        const int index = static_cast<int>(i);
        PaintButton(ToQRect(layout.buttons[i]), ToQString(MessageBox::ButtonText(box.Buttons()[i])),
                    true, index == box.FocusedButton(), index == model.PressedBoxButton(box));
    }
}

void PixelPainter::PaintIcon(const QRect& at, std::uint32_t icon)
{
    // There is no icon resource: the handheld's icons are drawn. Exclamation: a yellow
    // warning triangle with a black mark; question: a blue disc with a white one.
    const QRectF square(at);
    const qreal w = square.width();
    const qreal h = square.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QColor mark = kInk;
    if (icon == MB_ICONQUESTION) {
        painter.setPen(QPen(kInk, 1));
        painter.setBrush(kCaption);
        painter.drawEllipse(square.adjusted(0.5, 0.5, -0.5, -0.5));
        mark = kCaptionText;
        QFont bold = font.Bold();
        bold.setPixelSize(std::max(static_cast<int>(h * 0.7), 1));
        painter.setFont(bold);
        painter.setPen(mark);
        painter.drawText(at, Qt::AlignCenter, QStringLiteral("?"));
    } else {
        QPolygonF triangle;
        triangle << QPointF(square.left() + w / 2, square.top() + 0.5)
                 << QPointF(square.right() - 0.5, square.bottom() - 0.5)
                 << QPointF(square.left() + 0.5, square.bottom() - 0.5);
        painter.setPen(QPen(kInk, 1));
        painter.setBrush(kWarning);
        painter.drawPolygon(triangle);
        const qreal stroke = std::max(w / 8, 1.0);
        const qreal middle = square.left() + w / 2;
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark);
        painter.drawRect(QRectF(middle - stroke / 2, square.top() + h * 0.35, stroke, h * 0.35));
        painter.drawRect(QRectF(middle - stroke / 2, square.top() + h * 0.77, stroke, stroke));
    }
    painter.restore();
}

void PixelPainter::Outline(const QRect& at, const QColor& colour)
{
    if (at.width() <= 0 || at.height() <= 0)
        return;
    painter.fillRect(QRect(at.left(), at.top(), at.width(), 1), colour);
    painter.fillRect(QRect(at.left(), at.bottom(), at.width(), 1), colour);
    painter.fillRect(QRect(at.left(), at.top(), 1, at.height()), colour);
    painter.fillRect(QRect(at.right(), at.top(), 1, at.height()), colour);
}

void PixelPainter::FocusMark(const QRect& at, const QColor& colour)
{
    // The handheld's dotted focus rectangle: every other pixel of the outline.
    for (int x = at.left(); x <= at.right(); x += 2) {
        painter.fillRect(QRect(x, at.top(), 1, 1), colour);
        painter.fillRect(QRect(x, at.bottom(), 1, 1), colour);
    }
    for (int y = at.top(); y <= at.bottom(); y += 2) {
        painter.fillRect(QRect(at.left(), y, 1, 1), colour);
        painter.fillRect(QRect(at.right(), y, 1, 1), colour);
    }
}

}  // namespace quorvex
