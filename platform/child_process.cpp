#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

extern char** environ;

namespace quorvex {

ChildProcess::~ChildProcess()
{
    Stop();
    if (output >= 0)
        ::close(output);
}

bool ChildProcess::Start(const std::vector<std::string>& arguments)
{
    return Spawn(arguments, false);
}

bool ChildProcess::StartReadingOutput(const std::vector<std::string>& arguments)
{
    return Spawn(arguments, true);
}

bool ChildProcess::Spawn(const std::vector<std::string>& arguments, bool readOutput)
{
    Stop();
    if (arguments.empty())
        return false;
    if (output >= 0)
        ::close(output);
    output = -1;
    pending.clear();
    int fds[2] = {-1, -1};
    if (readOutput && ::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (readOutput)
        ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    const int error = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (readOutput)
        ::close(fds[1]);
    if (error != 0) {
        if (readOutput)
            ::close(fds[0]);
        return false;
    }
    pid = child;
    output = readOutput ? fds[0] : -1;
    return true;
}

void ChildProcess::Stop()
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    Wait();
}

void ChildProcess::Kill()
{
    if (pid > 0)
        ::kill(pid, SIGKILL);
}

int ChildProcess::Wait()
{
    if (pid <= 0)
        return -1;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    pid = -1;
    if (done < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::optional<std::string> ChildProcess::ReadLine()
{
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return line;
        }
        if (output < 0)
            return std::nullopt;
        char buffer[256];
        const ssize_t got = ::read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ::close(output);
            output = -1;
            if (pending.empty())
                return std::nullopt;
            return std::exchange(pending, {});
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace quorvex
