#pragma once

#include <string>

#include "dialog/main_dialog.h"
#include "tests/support/relay_engine_test_helper.h"

namespace quorvex {

// What tests look at inside a MainDialog. Dialog thread only.
class MainDialogTestHelper {
public:
    static std::int32_t CurrentState(const MainDialog& dialog) { return dialog.currentState; }
    static std::int32_t RequestedState(const MainDialog& dialog) { return dialog.requestedState; }
    static std::int32_t SelectedPort(const MainDialog& dialog) { return dialog.selectedPort; }
    static const std::wstring& LastOwner(const MainDialog& dialog) { return dialog.lastOwner; }
    static StatusLamp& Lamp(MainDialog& dialog) { return dialog.lamp; }
    static RelayEngine& Engine(MainDialog& dialog) { return dialog.engine; }
    // Returns once the connect worker has written the engine's status; the dialog itself
    // reads it only on its next tick.
    static void WaitForAttempt(MainDialog& dialog)
    {
        RelayEngineTestHelper::WaitForAttempt(dialog.engine);
    }
};

}  // namespace quorvex
