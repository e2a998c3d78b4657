#pragma once

#include "relay/relay_engine.h"

namespace quorvex {

// What tests need of a RelayEngine beyond its contract. Called on the engine's own thread.
class RelayEngineTestHelper {
public:
    // Returns once the connection attempt that Connect started has written its status (at
    // once when none was started): its worker has ended.
    static void WaitForAttempt(RelayEngine& engine) { engine.connectWorker.Join(); }

    // What the last Connect was given.
    static const std::wstring& ReceiverPortName(const RelayEngine& engine)
    {
        return engine.receiverPortName;
    }
    static const std::wstring& OutputPortName(const RelayEngine& engine)
    {
        return engine.outputPortName;
    }
    static LineSettings Settings(const RelayEngine& engine) { return engine.lineSettings; }
};

}  // namespace quorvex
