#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "dialog/status_lamp.h"
#include "platform/gui/dialog.h"
#include "platform/window/font.h"

namespace quorvex {

// The preview examples' dialog: the main dialog's template with sample entries in its lists,
// its bold headings and its lamp, looking idle (a port chosen, "Available", Connect) or
// connected ("Connected to", Disconnect, the lamp flashing blue once a second), and doing
// nothing else. With `turns`, it takes the template that fits the screen's shape on every
// resize, as the main dialog does. The caption's OK or a close request ends it. UI thread
// only.
class SampleDialog : public Dialog {
public:
    struct Look {
        bool connected = false;
        bool turns = false;
        // Called on every timer of the dialog: its own tick (id 1, every 500 ms, the tick's
        // number from 1 in `ticks`) and any the caller sets on it.
        std::function<void(SampleDialog&, std::uintptr_t id, int ticks)> onTimer;
    };

    explicit SampleDialog(Look look);
    ~SampleDialog() override;

    StatusLamp& Lamp() { return lamp; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(std::uint16_t id, std::uint16_t code, Window* from) override;
    void OnTimer(std::uintptr_t id) override;
    void OnSize(std::uint32_t kind, int cx, int cy) override;

private:
    void Fill(int id, std::initializer_list<std::uint16_t> strings, int selected);
    void FillNumbers(int id, std::initializer_list<int> numbers, int selected);
    void SetText(int id, std::uint16_t string);
    void ShowLook();

    // The row of "External (COM1)" in the port list.
    static constexpr int kWiredPort = 1;

    Look look;
    Font bold;
    StatusLamp lamp;
    int ticks = 0;
};

}  // namespace quorvex
