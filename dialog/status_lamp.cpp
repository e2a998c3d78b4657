#include "dialog/status_lamp.h"

#include "platform/window/paint_context.h"
#include "platform/window/window_system.h"
#include "resources/bitmap_ids.h"
#include "resources/control_ids.h"
#include "resources/program_resources.h"

namespace quorvex {

StatusLamp::StatusLamp() = default;

StatusLamp::~StatusLamp()
{
    if (IsCreated())
        StatusLamp::Destroy();
}

Point StatusLamp::PlaceIn(const Window& dialog)
{
    const Window* placeholder = dialog.GetDlgItem(ControlId::Placeholder);
    const Window* group = dialog.GetDlgItem(ControlId::UpperGroup);
    if (!placeholder || !group)
        return {};
    const Point mark = placeholder->GetWindowRect().TopLeft();
    const Point origin = group->GetWindowRect().TopLeft();
    return {mark.x - origin.x, mark.y - origin.y};
}

bool StatusLamp::Create(std::uint32_t style, const Rect& rect, Window* parent, int id)
{
    const Rect place{rect.left, rect.top, rect.left + kWidth, rect.top + kHeight};
    const bool created = Window::Create(kDefaultClass, L"", style, place, parent, id);
    if (!created)
        return false;
    offscreen.CreateCompatibleDC(*this);
    // A strip that cannot be loaded leaves the lamp painting nothing; the dialog goes on.
    (void)frameStrip.LoadBitmap(ProgramResources(), BitmapId::FrameStrip);
    previousImage = offscreen.SelectObject(&frameStrip);
    pulseEvent.emplace(Event::ResetMode::Automatic, System()->GetClock());
    running.store(1, std::memory_order_relaxed);
    // A blink thread that cannot start leaves the lamp showing its state without flashes.
    (void)blinkThread.Start([this] { BlinkThread(); });
    return true;
}

bool StatusLamp::Destroy()
{
    if (!IsCreated())
        return false;
    running.store(0, std::memory_order_relaxed);
    pulseEvent->Set();
    blinkThread.Join();
    offscreen.SelectObject(previousImage);
    offscreen.DeleteDC();
    frameStrip.DeleteObject();
    pulseEvent.reset();
    return Window::Destroy();
}

void StatusLamp::SetState(std::int32_t newState)
{
    if (newState == state)
        return;
    state = newState;
    lit.store(0, std::memory_order_relaxed);
    InvalidateRect(false);
}

void StatusLamp::Pulse()
{
    if (pulseEvent)
        pulseEvent->Set();
}

int StatusLamp::Frame() const
{
    constexpr int kGrey = 0, kBlue = 1, kGreen = 2, kBlank = 3;
    switch (state) {
        case LampDark:
            return kGrey;
        case LampGreen:
            return IsLit() ? kGreen : kGrey;
        case LampBlue:
            return IsLit() ? kBlue : kGrey;
        default:
            return kBlank;
    }
}

void StatusLamp::OnPaint()
{
    PaintContext paint;
    if (!paint.BeginPaint(*this))
        return;
    paint.BitBlt(0, 0, kWidth, kHeight, offscreen, kWidth * Frame(), 0, SRCCOPY);
    paint.EndPaint();
}

void StatusLamp::BlinkThread()
{
    while (running.load(std::memory_order_relaxed) != 0) {
        const bool wasLit = lit.load(std::memory_order_relaxed) != 0;
        const bool signalled = wasLit ? pulseEvent->WaitFor(kFlash) : (pulseEvent->Wait(), true);
        if (!signalled) {
            lit.store(0, std::memory_order_relaxed);
            InvalidateRect(false);
        } else if (lit.load(std::memory_order_relaxed) == 0) {
            lit.store(1, std::memory_order_relaxed);
            InvalidateRect(false);
        }
    }
}

}  // namespace quorvex
