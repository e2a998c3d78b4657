#include "tests/platform/terminal/tmux_session.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/testing/child_process.h"

namespace quorvex::testing {

bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // The program under test runs in another process that tells nothing when it is done:
        // asking again shortly is the only way, and the deadline bounds it.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::filesystem::path TmuxSession::Tmux()
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / "tmux";
        std::error_code error;
        if (!folder.empty() && std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return {};
}

TmuxSession::~TmuxSession()
{
    if (started)
        Run({"kill-server"});  // a server already gone is as good
}

bool TmuxSession::Run(std::vector<std::string> arguments, std::vector<std::string>* output) const
{
    arguments.insert(arguments.begin(), {"-S", socket.string(), "-f", "/dev/null"});
    ChildProcess tmux;
    if (!tmux.Start(Tmux().string(), arguments))
        return false;
    std::string line;
    while (tmux.ReadLine(line))
        if (output)
            output->push_back(line);
    return tmux.Wait() == 0;
}

bool TmuxSession::Start(int columns, int rows, const std::vector<std::string>& command)
{
    std::string shellCommand = "exec";
    for (const std::string& word : command)
        shellCommand += " '" + word + "'";
    const char* prefix = std::getenv("QUORVEX_PREFIX");
    started = true;
    return Run({"new-session", "-d", "-x", std::to_string(columns), "-y", std::to_string(rows),
                "-e", std::string("QUORVEX_PREFIX=") + (prefix ? prefix : ""), shellCommand, ";",
                "set-option", "-g", "remain-on-exit", "on"});
}

std::vector<std::string> TmuxSession::Capture(bool escapes) const
{
    std::vector<std::string> screen;
    std::vector<std::string> arguments = {"capture-pane", "-p"};
    if (escapes)
        arguments.push_back("-e");
    if (!Run(arguments, &screen))
        screen.clear();
    return screen;
}

bool TmuxSession::WaitForScreen(
    const std::function<bool(const std::vector<std::string>&)>& condition,
    std::chrono::milliseconds timeout) const
{
    return PollUntil([&] { return condition(Capture()); }, timeout);
}

bool TmuxSession::WaitForText(const std::string& text) const
{
    return WaitForScreen([&](const std::vector<std::string>& screen) {
        for (const std::string& row : screen)
            if (row.find(text) != std::string::npos)
                return true;
        return false;
    });
}

bool TmuxSession::SendKeys(const std::vector<std::string>& keys) const
{
    std::vector<std::string> arguments = {"send-keys"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    return Run(arguments);
}

bool TmuxSession::SendBytes(const std::string& bytes) const
{
    std::vector<std::string> arguments = {"send-keys", "-H"};
    for (unsigned char byte : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        arguments.emplace_back(hex);
    }
    return Run(arguments);
}

bool TmuxSession::Resize(int columns, int rows) const
{
    return Run({"resize-window", "-x", std::to_string(columns), "-y", std::to_string(rows)});
}

std::string TmuxSession::Query(const std::string& format) const
{
    std::vector<std::string> output;
    if (!Run({"display-message", "-p", format}, &output) || output.empty())
        return {};
    return output.front();
}

int TmuxSession::WaitForExit(std::chrono::milliseconds timeout) const
{
    if (!PollUntil([&] { return Query("#{pane_dead}") == "1"; }, timeout))
        return -1;
    return std::atoi(Query("#{pane_dead_status}").c_str());
}

}  // namespace quorvex::testing
