#include "platform/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <utility>

extern char** environ;

namespace quorvex {

ChildProcess::~ChildProcess()
{
    if (pid > 0) {
        Kill();
        Wait();
    }
    if (output >= 0)
        ::close(output);
}

bool ChildProcess::Start(const std::string& path, const std::vector<std::string>& arguments)
{
    if (pid > 0)
        return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    const int error = ::posix_spawn(&child, path.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        return false;
    }
    pid = child;
    output = fds[0];
    return true;
}

bool ChildProcess::Start(const std::vector<std::string>& arguments)
{
    if (pid > 0 || arguments.empty())
        return false;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    pid = child;
    return true;
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

void ChildProcess::Stop()
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    Wait();  // the exit status of a process asked to stop says nothing more
}

void ChildProcess::Kill()
{
    if (pid > 0)
        ::kill(pid, SIGKILL);
}

}  // namespace quorvex
