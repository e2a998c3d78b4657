#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "platform/resource/bitmap.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"
#include "relay/pulse_notifier.h"

namespace quorvex {

// The 15 x 14 pixel lamp beside the output-port list. It shows one of four frames of the
// image strip (bitmap 129): a grey lamp, a blue one, a green one, or blank, chosen by the
// state the dialog sets and by whether a flash is lit. Each Pulse lights it; it goes dark
// 250 ms after the last pulse, timed by its own blink thread.
//
// Threads: the dialog's thread constructs it and calls Create, SetState, Destroy and
// paints it. Pulse may be called from any thread while the lamp is created; it only
// signals an event. The blink thread runs from Create until the teardown, which runs
// exactly once per created lamp, whether the lamp is destroyed alone, with its parent, or
// by its destructor, and joins the thread before anything it uses is released.
class StatusLamp : public Window, public PulseNotifier {
public:
    enum State : std::int32_t { LampBlank = 0, LampDark = 1, LampGreen = 2, LampBlue = 3 };

    static constexpr int kWidth = 15;
    static constexpr int kHeight = 14;
    // A flash lasts this long after the last pulse.
    static constexpr auto kFlash = std::chrono::milliseconds(250);

    StatusLamp();
    ~StatusLamp() override;

    // Where the lamp stands in `dialog` (the main dialog, or one made from its templates):
    // the top-left corner of the placeholder control, relative to the upper group box that
    // is the lamp's parent; (0, 0) when the dialog lacks either.
    static Point PlaceIn(const Window& dialog);

    // Makes the window (not shown) at the rectangle's top-left corner, 15 x 14 pixels
    // whatever the rectangle's size, loads the strip, and starts the blink thread. The
    // result is the window's creation alone.
    bool Create(std::uint32_t style, const Rect& rect, Window* parent, int id);
    // Stops the blink thread, releases the strip and the event, destroys the window.
    bool Destroy() override;

    // A new state shows its dark frame at the next paint; the same state changes nothing.
    void SetState(std::int32_t newState);
    std::int32_t GetState() const { return state; }
    bool IsLit() const { return lit.load(std::memory_order_relaxed) != 0; }

    void Pulse() override;

protected:
    void OnPaint() override;

private:
    void BlinkThread();
    int Frame() const;

    std::int32_t state = LampBlank;
    // Shared with the blink thread: single bytes, each access one load or one store.
    std::atomic<std::uint8_t> lit{1};
    std::atomic<std::uint8_t> running{0};
    std::optional<Event> pulseEvent;
    Thread blinkThread;
    Bitmap frameStrip;
    Surface offscreen;
    const Bitmap* previousImage = nullptr;
};

}  // namespace quorvex
