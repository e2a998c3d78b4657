#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/system/utf8.h"
#include "platform/testing/child_process.h"
#include "tests/platform/terminal/tmux_session.h"
#include "tests/support/temp_prefix.h"

namespace quorvex::testing {
namespace {

// A text of the template and where the template puts it, in dialog units.
struct Placed {
    const char* text;
    int x;
    int y;
};

// With 8 x 16 pixel cells a column is four dialog units and a row eight; the caption takes
// the first row.
int Column(int x)
{
    return static_cast<int>(std::lround(x / 4.0));
}

int Row(int y)
{
    return 1 + static_cast<int>(std::lround(y / 8.0));
}

// The text at (row, column) of a captured screen, counted in characters, not bytes.
std::string TextAt(const std::vector<std::string>& screen, int row, int column, std::size_t length)
{
    if (row < 0 || row >= static_cast<int>(screen.size()))
        return {};
    const std::wstring line = FromUtf8(screen[static_cast<std::size_t>(row)]);
    if (column < 0 || static_cast<std::size_t>(column) >= line.size())
        return {};
    return ToUtf8(line.substr(static_cast<std::size_t>(column), length));
}

bool OnScreen(const std::vector<std::string>& screen, const std::string& text)
{
    for (const std::string& row : screen)
        if (row.find(text) != std::string::npos)
            return true;
    return false;
}

// A click of the left button as an xterm-compatible terminal reports it: ESC [ M, then the
// button (0 pressed, 3 released) and the 1-based column and row, each plus 32.
std::string MouseClick(int column, int row)
{
    std::string bytes;
    for (int button : {0, 3})
        bytes += std::string("\x1b[M") + static_cast<char>(32 + button) +
                 static_cast<char>(32 + column + 1) + static_cast<char>(32 + row + 1);
    return bytes;
}

// A report of a button in the SGR form (mode 1006) that xterm and its kind send: ESC [ <, the
// button (0 the left one, 2 the right), the 1-based column and row, then M for a press and m
// for a release.
std::string SgrReport(int column, int row, bool press, int button = 0)
{
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(column + 1) + ";" +
           std::to_string(row + 1) + (press ? "M" : "m");
}

class TerminalFrontEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TmuxSession::Tmux().empty())
            GTEST_SKIP() << "tmux is not installed (tools/install-deps.sh installs it)";
    }

    // Starts the probe with `templateId` and waits until its dialog stands on the screen.
    bool Launch(int columns, int rows, int templateId)
    {
        return session.Start(columns, rows,
                             {FRONTEND_PROBE, std::to_string(templateId), log.string()}) &&
               session.WaitForText("Parity:");
    }

    // The same as an xterm-compatible terminal, which reports the mouse in the SGR form.
    bool LaunchXterm(int columns, int rows, int templateId)
    {
        return session.Start(columns, rows,
                             {"env", "TERM=xterm-256color", FRONTEND_PROBE,
                              std::to_string(templateId), log.string()}) &&
               session.WaitForText("Parity:");
    }

    // Whether the message loop runs: a resize of the terminal reaches the dialog.
    bool LoopRuns()
    {
        const auto sizes = [&] {
            const auto lines = LogLines();
            return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                return line.rfind("size ", 0) == 0;
            });
        };
        const auto before = sizes();
        wider = !wider;
        return session.Resize(wider ? 41 : 40, 30) &&
               PollUntil([&] { return sizes() > before; }, std::chrono::seconds(5));
    }

    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    bool Logged(const std::string& line) const
    {
        const std::vector<std::string> lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    bool WaitForLog(const std::string& line) const
    {
        return PollUntil([&] { return Logged(line); });
    }

    TempPrefix prefix;
    std::filesystem::path log = prefix.Path() / "probe.log";
    TmuxSession session{prefix.Path() / "tmux"};
    bool wider = false;
};

void ExpectTexts(const std::vector<std::string>& screen, const std::vector<Placed>& texts)
{
    for (const Placed& placed : texts) {
        const std::string text = placed.text;
        EXPECT_EQ(TextAt(screen, Row(placed.y), Column(placed.x), FromUtf8(text).size()), text)
            << "expected at row " << Row(placed.y) << ", column " << Column(placed.x);
    }
}

TEST_F(TerminalFrontEnd, PortraitTemplateStandsWhereItsDialogUnitsPutIt)
{
    ASSERT_TRUE(Launch(40, 30, 102));
    const std::vector<std::string> screen = session.Capture();
    ASSERT_EQ(screen.size(), 30u);
    EXPECT_EQ(TextAt(screen, 0, 1, 7), "Quorvex");
    EXPECT_EQ(TextAt(screen, 0, 36, 4), "[OK]");
    ExpectTexts(screen, {{"Quorvex settings:", 9, 10},
                         {"NMEA out:", 20, 22},
                         {"None", 65, 33},
                         {"External port settings:", 9, 92},
                         {"Baud rate:", 20, 107},
                         {"Data bits:", 20, 120},
                         {"Stop bits:", 20, 134},
                         {"Parity:", 20, 147}});
    // The two frames, the upper one ending where the lower one starts.
    EXPECT_EQ(TextAt(screen, Row(1), Column(4), 1), "┌");
    EXPECT_EQ(TextAt(screen, Row(1), Column(156) - 1, 1), "┐");
    EXPECT_EQ(TextAt(screen, Row(83) - 1, Column(4), 1), "└");
    EXPECT_EQ(TextAt(screen, Row(83), Column(4), 1), "┌");
    // The button's label within the button's cells.
    const std::string row =
        TextAt(screen, Row(53) + 0, Column(30), static_cast<std::size_t>(Column(129) - Column(30)));
    const std::string next =
        TextAt(screen, Row(53) + 1, Column(30), static_cast<std::size_t>(Column(129) - Column(30)));
    EXPECT_TRUE(row.find("Connect") != std::string::npos ||
                next.find("Connect") != std::string::npos)
        << row << "|" << next;
}

TEST_F(TerminalFrontEnd, LandscapeTemplateStandsWhereItsDialogUnitsPutIt)
{
    ASSERT_TRUE(Launch(80, 24, 103));
    const std::vector<std::string> screen = session.Capture();
    ASSERT_EQ(screen.size(), 24u);
    EXPECT_EQ(TextAt(screen, 0, 76, 4), "[OK]");
    ExpectTexts(screen, {{"Quorvex settings:", 7, 9},
                         {"External port settings:", 111, 9},
                         {"NMEA out:", 11, 38},
                         {"None", 11, 63},
                         {"Baud rate:", 111, 38},
                         {"Data bits:", 111, 56},
                         {"Stop bits:", 111, 74},
                         // On its list's row (90), which is a row above its own.
                         {"Parity:", 111, 90}});
    // The side-by-side frames meet no other frame: each has its own corners.
    EXPECT_EQ(TextAt(screen, Row(0), Column(3), 1), "┌");
    EXPECT_EQ(TextAt(screen, Row(0), Column(106), 1), "┌");
}

// Whether an escape-coded screen row sets a colour in which green leads: one of the eight
// basic colours (32 or 42) or a colour of the 256-colour cube (38;5;N or 48;5;N).
bool HasGreen(const std::string& row)
{
    if (row.find("[32m") != std::string::npos || row.find("[42m") != std::string::npos ||
        row.find(";32m") != std::string::npos || row.find(";42m") != std::string::npos)
        return true;
    for (const char* lead : {"38;5;", "48;5;"}) {
        for (std::size_t at = row.find(lead); at != std::string::npos;
             at = row.find(lead, at + 1)) {
            const int index = std::atoi(row.c_str() + at + 5) - 16;
            if (index < 0 || index >= 216)
                continue;
            const int r = index / 36, g = index / 6 % 6, b = index % 6;
            if (g > r && g > b)
                return true;
        }
    }
    return false;
}

TEST_F(TerminalFrontEnd, LampPixelsShowInColourWhereTheLampIs)
{
    ASSERT_TRUE(Launch(80, 24, 103));
    // The lamp's green frame, 15 x 14 pixels at the placeholder (86, 65): whatever the cell's
    // size in pixels, it starts in column 21 of row 9.
    const int row = 1 + 65 / 8;
    ASSERT_TRUE(PollUntil([&] {
        const std::vector<std::string> screen = session.Capture(true);
        return screen.size() > static_cast<std::size_t>(row) &&
               HasGreen(screen[static_cast<std::size_t>(row)]);
    })) << session.Capture(true)[static_cast<std::size_t>(row)];
    const std::string lamp = TextAt(session.Capture(), row, 86 / 4, 1);
    EXPECT_TRUE(lamp == "▀" || lamp == "▄") << lamp;
}

TEST_F(TerminalFrontEnd, KeysReachTheirHandlers)
{
    ASSERT_TRUE(Launch(40, 30, 102));
    // A click gives the port list the focus (and opens it); Esc closes it, Enter opens it again.
    ASSERT_TRUE(session.SendBytes(MouseClick(Column(65) + 2, Row(33))));
    ASSERT_TRUE(session.WaitForText("Second port"));
    ASSERT_TRUE(session.SendKeys({"Escape"}));
    ASSERT_TRUE(
        session.WaitForScreen([](const auto& screen) { return !OnScreen(screen, "Second port"); }));
    ASSERT_TRUE(session.SendKeys({"Enter"}));
    ASSERT_TRUE(session.WaitForText("Second port"));
    ASSERT_TRUE(session.SendKeys({"Down", "Enter"}));
    ASSERT_TRUE(WaitForLog("command 1005 1 sel 1"));
    ASSERT_TRUE(
        session.WaitForScreen([](const auto& screen) { return !OnScreen(screen, "Second port"); }));
    EXPECT_TRUE(OnScreen(session.Capture(), "First port"));
    // Esc closes an open list without a choice.
    ASSERT_TRUE(session.SendKeys({"Space"}));
    ASSERT_TRUE(session.WaitForText("Second port"));
    ASSERT_TRUE(session.SendKeys({"Down", "Escape"}));
    ASSERT_TRUE(
        session.WaitForScreen([](const auto& screen) { return !OnScreen(screen, "Second port"); }));
    // Tab to the button, Space presses it; Shift-Tab and Tab come back to it.
    ASSERT_TRUE(session.SendKeys({"Tab", "Space"}));
    ASSERT_TRUE(WaitForLog("command 1006 0"));
    ASSERT_TRUE(session.SendKeys({"BTab", "Tab", "Enter"}));
    ASSERT_TRUE(PollUntil([&] {
        const auto lines = LogLines();
        return std::count(lines.begin(), lines.end(), "command 1006 0") == 2;
    }));
    EXPECT_FALSE(Logged("command 1005 1 sel 2"));
    // Esc with no list open does nothing: the cancel command has no key.
    ASSERT_TRUE(session.SendKeys({"Escape", "F10"}));
    EXPECT_EQ(session.WaitForExit(), 0);
    EXPECT_FALSE(Logged("cancel"));
    EXPECT_TRUE(Logged("result 1"));
}

TEST_F(TerminalFrontEnd, CaptionOkKeysEndTheDialogWithOk)
{
    for (const char* key : {"F10", "C-o"}) {
        SCOPED_TRACE(key);
        TempPrefix own;
        log = own.Path() / "probe.log";
        TmuxSession keySession(own.Path() / "tmux");
        ASSERT_TRUE(keySession.Start(40, 30, {FRONTEND_PROBE, "102", log.string()}));
        ASSERT_TRUE(keySession.WaitForText("Parity:"));
        ASSERT_TRUE(keySession.SendKeys({key}));
        EXPECT_EQ(keySession.WaitForExit(), 0);
        EXPECT_TRUE(Logged("ok"));
        EXPECT_TRUE(Logged("result 1"));
    }
}

TEST_F(TerminalFrontEnd, ClicksReachTheirHandlers)
{
    ASSERT_TRUE(Launch(40, 30, 102));
    // The button, in the middle of its cells; then the list: it opens, and a click on an item chooses it.
    ASSERT_TRUE(session.SendBytes(MouseClick(Column(30 + 99 / 2), Row(53 + 10) - 1)));
    ASSERT_TRUE(WaitForLog("command 1006 0"));
    ASSERT_TRUE(session.SendBytes(MouseClick(Column(65) + 2, Row(33))));
    ASSERT_TRUE(session.WaitForText("Second port"));
    ASSERT_TRUE(session.SendBytes(MouseClick(Column(65) + 2, Row(33) + 3)));
    ASSERT_TRUE(WaitForLog("command 1005 1 sel 2"));
    // The OK button in the caption.
    ASSERT_TRUE(session.SendBytes(MouseClick(38, 0)));
    EXPECT_EQ(session.WaitForExit(), 0);
    EXPECT_TRUE(Logged("ok"));
}

// A press and its release reach the model as they come, and the model pairs them; nothing
// the mouse sends, or leaves unsent, holds the message loop up.
TEST_F(TerminalFrontEnd, PressesAndReleasesPairInTheModelAndNeverHoldTheLoopUp)
{
    ASSERT_TRUE(LaunchXterm(40, 30, 102));
    const int column = Column(30 + 99 / 2), row = Row(53 + 10) - 1;  // the button
    const int besideColumn = Column(9) + 2, besideRow = Row(10);     // the heading
    const auto pressed = [&] {
        const auto lines = LogLines();
        return std::count(lines.begin(), lines.end(), "command 1006 0");
    };

    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, true)));
    ASSERT_TRUE(LoopRuns()) << "held while the button is down";
    EXPECT_EQ(pressed(), 0) << "a press alone is no click";
    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, false)));
    ASSERT_TRUE(PollUntil([&] { return pressed() == 1; }));

    // Released beside it, pressed beside it, a release alone, the right button.
    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, true)));
    ASSERT_TRUE(session.SendBytes(SgrReport(besideColumn, besideRow, false)));
    ASSERT_TRUE(session.SendBytes(SgrReport(besideColumn, besideRow, true)));
    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, false)));
    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, false)));
    ASSERT_TRUE(LoopRuns()) << "held after a release alone";
    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, true, 2)));
    ASSERT_TRUE(LoopRuns()) << "held while the right button is down";
    ASSERT_TRUE(session.SendBytes(SgrReport(column, row, false, 2)));
    ASSERT_TRUE(LoopRuns()) << "held after the right button's release";

    // A report that a slow link cut in two.
    const std::string report = SgrReport(column, row, true);
    ASSERT_TRUE(session.SendBytes(report.substr(0, 7)));
    ASSERT_TRUE(LoopRuns()) << "held while the rest of a report is missing";
    ASSERT_TRUE(session.SendBytes(report.substr(7)));
    ASSERT_TRUE(LoopRuns());

    ASSERT_TRUE(session.SendKeys({"F10"}));
    EXPECT_EQ(session.WaitForExit(), 0);
    EXPECT_EQ(pressed(), 1) << "only the one click pressed the button";
}

TEST_F(TerminalFrontEnd, TerminalResizeReachesWmSizeAndTheScreen)
{
    ASSERT_TRUE(Launch(40, 30, 102));
    // The full-screen dialog's client area is the screen less the caption row. A terminal
    // that tells its size in pixels sets the cell's size, so the cell is read from there.
    auto sizes = [&] {
        std::vector<std::pair<int, int>> found;
        for (const std::string& line : LogLines()) {
            int cx = 0, cy = 0;
            if (std::sscanf(line.c_str(), "size %d %d", &cx, &cy) == 2)
                found.emplace_back(cx, cy);
        }
        return found;
    };
    ASSERT_TRUE(PollUntil([&] { return !sizes().empty(); }));
    const auto [cx, cy] = sizes().back();
    // Less the hint row, too.
    ASSERT_EQ(cx % 40, 0);
    ASSERT_EQ(cy % 28, 0);
    const int cellWidth = cx / 40;
    const int cellHeight = cy / 28;

    ASSERT_TRUE(session.Resize(80, 24));
    ASSERT_TRUE(WaitForLog("size " + std::to_string(80 * cellWidth) + " " +
                           std::to_string(22 * cellHeight)));
    ASSERT_TRUE(session.WaitForScreen([](const auto& screen) {
        return screen.size() == 24 && TextAt(screen, 0, 76, 4) == "[OK]";
    }));
    const std::size_t before = sizes().size();
    ASSERT_TRUE(session.Resize(40, 30));
    ASSERT_TRUE(PollUntil([&] { return sizes().size() > before; }));
    EXPECT_EQ(sizes().back(), std::make_pair(cx, cy));
    EXPECT_TRUE(session.WaitForScreen(
        [](const auto& screen) { return TextAt(screen, 0, 36, 4) == "[OK]"; }));
}

// The whole screen, colours included, that a fresh start at a size shows once it is idle.
std::vector<std::string> FreshScreen(int columns, int rows, int templateId)
{
    TempPrefix own;
    TmuxSession fresh(own.Path() / "tmux");
    if (!fresh.Start(columns, rows,
                     {FRONTEND_PROBE, std::to_string(templateId), (own.Path() / "log").string()}) ||
        !fresh.WaitForText("F10: OK"))
        return {};
    return fresh.Capture(true);
}

TEST_F(TerminalFrontEnd, AfterAResizeTheScreenIsWhatAFreshStartDraws)
{
    struct Step {
        int columns;
        int rows;
        const char* hint;
    };
    // Shrink below the template's size, then grow past the first size.
    const std::vector<Step> steps{{50, 16, "Terminal too small"}, {100, 30, "F10: OK"}};
    std::vector<std::vector<std::string>> fresh;
    for (const Step& step : steps) {
        fresh.push_back(FreshScreen(step.columns, step.rows, 103));
        ASSERT_EQ(fresh.back().size(), static_cast<std::size_t>(step.rows));
        EXPECT_NE(fresh.back().back().find(step.hint), std::string::npos) << fresh.back().back();
    }
    ASSERT_TRUE(Launch(80, 24, 103));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        ASSERT_TRUE(session.Resize(steps[i].columns, steps[i].rows));
        EXPECT_TRUE(PollUntil([&] { return session.Capture(true) == fresh[i]; }))
            << "at " << steps[i].columns << " x " << steps[i].rows;
    }
}

TEST_F(TerminalFrontEnd, ATerminalTooSmallForAnythingStillRuns)
{
    ASSERT_TRUE(session.Start(12, 3, {FRONTEND_PROBE, "103", log.string()}));
    // Too narrow for the reason, whole: only the way out.
    ASSERT_TRUE(session.WaitForText(" F10: OK"));
    ASSERT_TRUE(session.Resize(1, 1));
    ASSERT_TRUE(session.Resize(30, 2));
    ASSERT_TRUE(session.WaitForText(" Terminal too small."));
    ASSERT_TRUE(session.SendKeys({"F10"}));
    EXPECT_EQ(session.WaitForExit(), 0);
    EXPECT_TRUE(Logged("result 1"));
}

TEST_F(TerminalFrontEnd, NeitherALoneEscNorThePiecesOfASplitSequenceEndOrPress)
{
    ASSERT_TRUE(Launch(40, 30, 102));
    // The port list has the focus; Enter opens it, and a lone Esc closes it.
    ASSERT_TRUE(session.SendKeys({"Enter"}));
    ASSERT_TRUE(session.WaitForText("Second port"));
    ASSERT_TRUE(session.SendKeys({"Escape"}));
    ASSERT_TRUE(
        session.WaitForScreen([](const auto& screen) { return !OnScreen(screen, "Second port"); }));
    // The rest of a mouse report whose Esc came alone: its button byte is a space, which
    // would open the focused list again; then the rest of an arrow key.
    const std::string report = MouseClick(Column(30 + 99 / 2), Row(53 + 10) - 1);
    ASSERT_TRUE(session.SendBytes(report.substr(1, 5)));
    ASSERT_TRUE(session.SendBytes("[B"));
    // F10 ends the dialog only while no list is open.
    ASSERT_TRUE(session.SendKeys({"F10"}));
    EXPECT_EQ(session.WaitForExit(std::chrono::seconds(5)), 0);
    EXPECT_TRUE(Logged("result 1"));
    EXPECT_FALSE(Logged("cancel"));
    for (const std::string& line : LogLines())
        EXPECT_NE(line.rfind("command 10", 0), 0u) << "a control heard " << line;
}

TEST_F(TerminalFrontEnd, SecondStartFindsTheFirstAndEnds)
{
    ASSERT_TRUE(Launch(40, 30, 102));
    const std::filesystem::path secondLog = prefix.Path() / "second.log";
    ChildProcess second;
    ASSERT_TRUE(second.Start(FRONTEND_PROBE, {"102", secondLog.string()}));
    EXPECT_EQ(second.Wait(), 255);  // -1
    EXPECT_TRUE(WaitForLog("forward"));
    std::ifstream secondLines(secondLog);
    std::string line;
    EXPECT_FALSE(std::getline(secondLines, line)) << "the second start ran: " << line;
    // The first goes on as before.
    ASSERT_TRUE(session.SendKeys({"F10"}));
    EXPECT_EQ(session.WaitForExit(), 0);
}

TEST_F(TerminalFrontEnd, SignalsAndCtrlCCloseAndGiveTheTerminalBack)
{
    for (const char* how : {"TERM", "HUP", "INT", "C-c"}) {
        SCOPED_TRACE(how);
        TempPrefix own;
        log = own.Path() / "probe.log";
        TmuxSession signalSession(own.Path() / "tmux");
        ASSERT_TRUE(signalSession.Start(40, 30, {FRONTEND_PROBE, "102", log.string()}));
        ASSERT_TRUE(signalSession.WaitForText("Parity:"));
        if (std::string(how) == "C-c") {
            ASSERT_TRUE(signalSession.SendKeys({how}));
        } else {
            ChildProcess kill;
            ASSERT_TRUE(kill.Start("kill", {"-s", how, signalSession.Query("#{pane_pid}")}));
            ASSERT_EQ(kill.Wait(), 0);
        }
        EXPECT_EQ(signalSession.WaitForExit(), 0);
        EXPECT_TRUE(Logged("close"));
        EXPECT_TRUE(Logged("result 2"));
        // The terminal left its alternate screen: the dialog is gone from it.
        EXPECT_FALSE(OnScreen(signalSession.Capture(), "Parity:"));
    }
}

}  // namespace
}  // namespace quorvex::testing
