#pragma once

#include <functional>
#include <utility>

namespace quorvex {

class SerialPort;

// Seams of SerialPort for tests only; a program never includes this header.
class SerialPortTestHelper {
public:
    // Called on every port's reader thread with its port just before the reader stores a
    // chunk in the ring, after it has checked that the port is still open. Applies to every
    // port of the process: set it while no port is open, and remove it (an empty function)
    // once every port that used it is closed.
    static void SetBeforeStore(std::function<void(SerialPort&)> hook);

    // The hook above for as long as this object lives, removed however the test ends.
    class BeforeStore {
    public:
        explicit BeforeStore(std::function<void(SerialPort&)> hook)
        {
            SetBeforeStore(std::move(hook));
        }
        ~BeforeStore() { SetBeforeStore(nullptr); }
        BeforeStore(const BeforeStore&) = delete;
        BeforeStore& operator=(const BeforeStore&) = delete;
    };
};

}  // namespace quorvex
