#pragma once

#include <QTimer>
#include <memory>
#include <vector>

#include "platform/threads/blocking_wait.h"

class QSocketNotifier;

namespace quorvex {

// The model's wait run inside Qt's event loop, so that one thread and one wait serve the
// model and the window: socket notifiers on the model's descriptors (the poller's wake-up
// among them), a single-shot precise timer for the next timer deadline, and one pass of
// Qt's loop that sleeps until something comes. Qt's own events (input, exposure, resizes)
// are handled in that pass; their handlers only queue. Nothing polls at an interval and no
// second thread waits. UI thread only, with the Qt application alive.
class QtLoopWait : public BlockingWait {
public:
    QtLoopWait();
    ~QtLoopWait() override;

    void Block(std::span<const int> descriptors,
               std::optional<std::chrono::milliseconds> timeout) override;

private:
    QSocketNotifier& NotifierFor(int descriptor);

    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    QTimer deadline;
};

}  // namespace quorvex
