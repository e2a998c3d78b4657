#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvex::testing {

// One tmux server of its own (a socket at a path of the test's, no user configuration) running one program
// in a detached session of a given size, for tests that look at a terminal program from the
// outside: what stands on the screen, keys, resizes. The server is killed when the session
// goes. Panes stay after their program ends, so that its exit status can be read.
class TmuxSession {
public:
    // tmux's path from PATH; empty when it is not installed.
    static std::filesystem::path Tmux();

    // `socket` is where the server listens, best in the test's temporary prefix so that it
    // goes with it; QUORVEX_PREFIX is passed on to the program.
    explicit TmuxSession(std::filesystem::path socket) : socket(std::move(socket)) {}
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    bool Start(int columns, int rows, const std::vector<std::string>& command);

    // The screen, one string per row; with `escapes`, the colours and attributes as the
    // terminal's escape sequences.
    std::vector<std::string> Capture(bool escapes = false) const;
    // Polls the screen until `condition` holds or `timeout` ends; false on time-out.
    bool WaitForScreen(const std::function<bool(const std::vector<std::string>&)>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // Waits until `text` stands somewhere on the screen.
    bool WaitForText(const std::string& text) const;

    // tmux key names ("Tab", "Enter", "BTab", "F10", "C-c") or, with `literal`, text.
    bool SendKeys(const std::vector<std::string>& keys) const;
    // Raw bytes to the program, as a terminal would send them (mouse reports).
    bool SendBytes(const std::string& bytes) const;
    bool Resize(int columns, int rows) const;

    // A tmux format of the session's pane ("#{pane_pid}", "#{pane_dead_status}").
    std::string Query(const std::string& format) const;
    // Waits until the program has ended and returns its exit status; -1 on time-out.
    int WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

private:
    bool Run(std::vector<std::string> arguments, std::vector<std::string>* output = nullptr) const;

    std::filesystem::path socket;
    bool started = false;
};

// Polls `condition` every few milliseconds until it holds or `timeout` ends.
bool PollUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace quorvex::testing
