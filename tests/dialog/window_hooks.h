#pragma once

#include <functional>
#include <utility>

#include "platform/window/message_box.h"
#include "platform/window/window_system.h"

namespace quorvex::testing {

// The one place where these tests reach the window system's test hooks.
struct WindowHooks {
    static void SetIdleHook(WindowSystem& system, std::function<bool()> hook)
    {
        system.SetIdleHook(std::move(hook));
    }
    static void SetMessageBoxHook(WindowSystem& system, std::function<void(MessageBox&)> hook)
    {
        system.SetMessageBoxHook(std::move(hook));
    }
    static void WaitAndDispatch(WindowSystem& system) { system.WaitAndDispatch(); }
};

}  // namespace quorvex::testing
