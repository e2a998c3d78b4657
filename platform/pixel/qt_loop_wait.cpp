#include "platform/pixel/qt_loop_wait.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <limits>

namespace quorvex {

QtLoopWait::QtLoopWait()
{
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
}

QtLoopWait::~QtLoopWait() = default;

QSocketNotifier& QtLoopWait::NotifierFor(int descriptor)
{
    for (const auto& notifier : notifiers)
        if (notifier->socket() == descriptor)
            return *notifier;
    notifiers.push_back(std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read));
    notifiers.back()->setEnabled(false);
    return *notifiers.back();
}

void QtLoopWait::Block(std::span<const int> descriptors,
                       std::optional<std::chrono::milliseconds> timeout)
{
    for (int descriptor : descriptors)
        NotifierFor(descriptor).setEnabled(true);
    QEventLoop::ProcessEventsFlags flags = QEventLoop::WaitForMoreEvents;
    if (timeout) {
        if (timeout->count() <= 0)
            flags = QEventLoop::AllEvents;  // due now: take Qt's events, but do not sleep
        else
            deadline.start(static_cast<int>(std::min<std::chrono::milliseconds::rep>(
                timeout->count(), std::numeric_limits<int>::max())));
    }
    // One pass: it returns once a descriptor is ready, the deadline passed, or Qt handled
    // events of its own; the poller then looks at the descriptors.
    QCoreApplication::processEvents(flags);
    deadline.stop();
    // Outside a QEventLoop nobody else delivers deferred deletions of Qt's own objects.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Disarmed between waits, so that a descriptor left readable cannot keep Qt busy.
    for (const auto& notifier : notifiers)
        notifier->setEnabled(false);
}

}  // namespace quorvex
