#include "platform/testing/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/system/posix.h"

extern char** environ;

namespace quorvex {
namespace {

void CloseDescriptor(int& descriptor)
{
    if (descriptor >= 0) {
        (void)Posix::Close(descriptor);  // a socket end: nothing to lose on a failed close
        descriptor = -1;
    }
}

}  // namespace

ChildProcess::~ChildProcess()
{
    if (pid > 0) {
        Kill();
        Wait();
    }
    CloseDescriptor(channel);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         bool readErrors)
{
    if (pid > 0)
        return false;
    // A socket rather than pipes: writing to a child that died then fails with EPIPE
    // (MSG_NOSIGNAL) instead of killing this process with SIGPIPE.
    int ends[2];
    if (!Posix::SocketPair(ends).Ok())
        return false;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    ::posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    if (readErrors)
        ::posix_spawn_file_actions_adddup2(&actions, ends[1], 2);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = -1;
    const int spawned =
        ::posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    CloseDescriptor(ends[1]);
    if (spawned != 0) {
        CloseDescriptor(ends[0]);
        return false;
    }
    pid = child;
    channel = ends[0];
    pending.clear();
    return true;
}

bool ChildProcess::ReadLine(std::string& line)
{
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        if (channel < 0)
            return false;
        char chunk[256];
        const SystemResult got = Posix::Read(channel, chunk, sizeof chunk);
        if (!got.Ok() || got.value == 0)
            return false;
        pending.append(chunk, static_cast<std::size_t>(got.value));
    }
}

bool ChildProcess::WriteLine(std::string_view line)
{
    if (channel < 0)
        return false;
    std::string text(line);
    text += '\n';
    std::string_view rest = text;
    while (!rest.empty()) {
        const SystemResult sent = Posix::Send(channel, rest.data(), rest.size());
        if (!sent.Ok() || sent.value == 0)
            return false;
        rest.remove_prefix(static_cast<std::size_t>(sent.value));
    }
    return true;
}

void ChildProcess::Kill()
{
    if (pid > 0)
        // A child that already ended is reaped by Wait all the same.
        (void)Posix::SendSignal(pid, SIGKILL);
}

int ChildProcess::Wait()
{
    if (pid <= 0)
        return -1000;
    int status = 0;
    const SystemResult reaped = Posix::WaitChild(pid, status);
    pid = -1;
    CloseDescriptor(channel);
    if (!reaped.Ok())
        return -1000;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1000;
}

}  // namespace quorvex
