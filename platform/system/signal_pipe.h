#pragma once

namespace quorvex {

// Turns the signals a display must answer into bytes on a pipe that the message loop polls,
// so that no work runs inside a signal handler: SIGTERM, SIGHUP and SIGINT ask the program
// to close, SIGWINCH says the terminal changed its size. The handlers only
// write the signal's number. At most one is open at a time; closing it puts back the
// handlers that were there before. Owner's thread only.
class SignalPipe {
public:
    SignalPipe() = default;
    virtual ~SignalPipe();  // closes
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // False when another is open or the pipe cannot be made.
    bool Open();
    void Close();

    // Readable while signals wait to be taken; -1 when closed.
    int Descriptor() const { return readEnd; }

    // What arrived since the last call, and empties the pipe.
    struct Arrived {
        bool close = false;
        bool resize = false;
    };
    Arrived Take();

private:
    int readEnd = -1;
    bool installed = false;
};

}  // namespace quorvex
