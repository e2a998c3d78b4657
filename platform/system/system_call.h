#pragma once

#include <cerrno>

namespace quorvex {

// Makes a system call again for as long as a signal interrupts it (-1 with EINTR), and
// returns its first other result. The one place the platform retries interrupted calls.
template <typename Call>
auto RetryInterrupted(Call call)
{
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

}  // namespace quorvex
