#include "platform/threads/thread.h"

#include <system_error>

namespace quorvex {

Thread::~Thread()
{
    Join();
}

bool Thread::Start(std::function<void()> body)
{
    if (thread.joinable())
        return false;
    // The standard library reports a thread it cannot create by throwing; the program
    // reports failures as results, so the exception stops here.
    try {
        thread = std::thread(std::move(body));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Thread::Join()
{
    if (thread.joinable())
        thread.join();
}

}  // namespace quorvex
