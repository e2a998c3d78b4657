#pragma once

#include <string>
#include <string_view>

#include "platform/window/window_types.h"

namespace quorvex {

class Window;

// A control object bound to one of a dialog's items by id (Dialog::BindControl). It refers
// to the item's window without owning it, and is used only while that window exists; every
// operation on an unbound control does nothing and reports failure. UI thread only.
class Control {
public:
    virtual ~Control() = default;

    // Binds to `window`; false (and unbound) when it is missing or of another class.
    bool Attach(Window* window);
    void Detach() { window = nullptr; }
    Window* GetWindow() const { return window; }

    bool EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    bool ShowWindow(int command);
    void SetWindowText(std::wstring_view text);
    std::wstring GetWindowText() const;

protected:
    virtual bool Accepts(const Window& window) const = 0;

private:
    Window* window = nullptr;
};

}  // namespace quorvex
