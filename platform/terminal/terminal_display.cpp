#include "platform/terminal/terminal_display.h"

#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fcntl.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/system/posix.h"
#include "platform/system/utf8.h"
#include "platform/terminal/hint_row.h"
#include "platform/terminal/screen_painter.h"
#include "platform/window/input_event.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

// The display that holds the terminal, for the exit hook: a program that ends without
// destroying it must still give the terminal back.
TerminalDisplay* active = nullptr;
bool exitHookSet = false;

void RestoreAtExit()
{
    if (active && !isendwin())
        endwin();
}

// How long curses waits for the rest of an escape sequence before it reads an Esc alone; a
// little longer than a keystroke's bytes take over a slow link.
constexpr int kEscapeDelayMs = 100;

// The mouse reports curses is asked for: every press and release of every button, each at
// once; pairing them into clicks is the window system's. After a report it was not asked for,
// curses reads on for the rest of a gesture: a lone release of the left button, with only its
// clicks asked for, had it wait in a read for the next key while the dialog stood still.
// Only the left button acts.
constexpr mmask_t kMouseReports =
    BUTTON1_PRESSED | BUTTON1_RELEASED | BUTTON2_PRESSED | BUTTON2_RELEASED | BUTTON3_PRESSED |
    BUTTON3_RELEASED | BUTTON4_PRESSED | BUTTON4_RELEASED | BUTTON5_PRESSED | BUTTON5_RELEASED;

// More reports than one read of the terminal can bring.
constexpr std::size_t kMouseRun = 16;

const cchar_t* LineCharacter(std::uint8_t lines)
{
    switch (lines & 0x0F) {
        case Cell::kUp | Cell::kLeft:
            return WACS_LRCORNER;
        case Cell::kDown | Cell::kLeft:
            return WACS_URCORNER;
        case Cell::kUp | Cell::kDown | Cell::kLeft:
            return WACS_RTEE;
        case Cell::kUp | Cell::kRight:
            return WACS_LLCORNER;
        case Cell::kDown | Cell::kRight:
            return WACS_ULCORNER;
        case Cell::kUp | Cell::kDown | Cell::kRight:
            return WACS_LTEE;
        case Cell::kUp | Cell::kLeft | Cell::kRight:
            return WACS_BTEE;
        case Cell::kDown | Cell::kLeft | Cell::kRight:
            return WACS_TTEE;
        case Cell::kUp | Cell::kDown | Cell::kLeft | Cell::kRight:
            return WACS_PLUS;
        case Cell::kLeft:
        case Cell::kRight:
        case Cell::kLeft | Cell::kRight:
            return WACS_HLINE;
        default:
            return WACS_VLINE;
    }
}

// What a terminal without Unicode shows for the few symbols the painter uses.
wchar_t AsciiFallback(wchar_t ch)
{
    if (ch < 0x7F)
        return ch;
    if (ch == L'\u2191')
        return L'^';
    return ch == L'\u25BE' || ch == L'\u2193' ? L'v' : L'?';
}

}  // namespace

std::unique_ptr<TerminalDisplay> TerminalDisplay::Open(std::string& error)
{
    if (!active) {
        std::unique_ptr<TerminalDisplay> display(new TerminalDisplay());
        if (display->Start())
            return display;
    }
    error = WhyNotOpened();
    return nullptr;
}

std::string TerminalDisplay::WhyNotOpened()
{
    if (!Posix::IsTerminal(STDIN_FILENO) || !Posix::IsTerminal(STDOUT_FILENO))
        return "this program runs in a terminal: its standard input and output must be one";
    const char* type = std::getenv("TERM");
    return "this terminal cannot be driven: TERM=" + std::string(type ? type : "") +
           " names no terminal type this system knows";
}

bool TerminalDisplay::Start()
{
    if (!Posix::IsTerminal(STDIN_FILENO) || !Posix::IsTerminal(STDOUT_FILENO))
        return false;
    // Wide characters follow the user's locale; the program's numbers and texts do not
    // depend on it, so only the character type is taken.
    std::setlocale(LC_CTYPE, "");
    unicode = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    set_escdelay(kEscapeDelayMs);
    OpenInput();
    SCREEN* terminal = newterm(nullptr, stdout, input ? input : stdin);
    if (!terminal)
        return false;
    screen = terminal;
    active = this;
    if (!exitHookSet)
        exitHookSet = std::atexit(RestoreAtExit) == 0;
    // Raw, so that Ctrl-C, Ctrl-O and the rest arrive as keys; Ctrl-C becomes a close request.
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    curs_set(0);  // a terminal that cannot hide its cursor still works
    mousemask(kMouseReports, nullptr);
    mouseinterval(0);  // each report at once: curses composes no clicks and waits for nothing
    palette.Start(unicode);
    // After curses, so that its own handlers for these signals are replaced while we run.
    if (!signals.Open())
        return false;
    descriptors = {signals.Descriptor(), InputDescriptor()};
    descriptorCount = descriptors.size();
    MeasureTerminal();
    return true;
}

TerminalDisplay::~TerminalDisplay()
{
    if (screen) {
        endwin();
        delscreen(static_cast<SCREEN*>(screen));
    }
    signals.Close();
    if (input)
        (void)std::fclose(input);  // only read from: nothing is lost when closing fails
    if (active == this)
        active = nullptr;
}

void TerminalDisplay::OpenInput()
{
    // A description of the terminal of our own, so that reads never block without the
    // terminal's shared description (the shell's, and standard output's) turning
    // non-blocking for everyone: curses reads on after a key or a mouse report, and a
    // byte that is late or never comes must not hold up the message loop.
    const SystemResult opened =
        Posix::Open("/proc/self/fd/0", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (!opened.Ok())
        return;  // curses reads standard input, which blocks where curses reads on
    const int descriptor = static_cast<int>(opened.value);
    if (Posix::IsTerminal(descriptor))
        input = fdopen(descriptor, "r");
    if (!input)
        (void)Posix::Close(descriptor);  // it was never used
}

int TerminalDisplay::InputDescriptor() const
{
    return input ? fileno(input) : STDIN_FILENO;
}

void TerminalDisplay::MeasureTerminal()
{
    struct winsize size {};
    if (Posix::Ioctl(STDOUT_FILENO, TIOCGWINSZ, &size).Ok() && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
        if (size.ws_xpixel >= size.ws_col && size.ws_ypixel >= size.ws_row)
            cell = {size.ws_xpixel / size.ws_col, size.ws_ypixel / size.ws_row};
        else
            cell = {8, 16};
    } else {
        columns = COLS;
        rows = LINES;
    }
    // A terminal of one row has no room for hints.
    modelRows = rows > 1 ? rows - 1 : rows;
    if (columns != COLS || rows != LINES)
        resize_term(rows, columns);
    // What curses remembers of the screen is no longer what the terminal shows: a terminal
    // that shrinks or grows keeps, cuts or moves the old cells as it likes. Draw every cell
    // anew at the next refresh.
    clearok(curscr, TRUE);
    changed = true;
}

Size TerminalDisplay::ScreenPixels() const
{
    return {columns * cell.cx, modelRows * cell.cy};
}

std::span<const int> TerminalDisplay::InputDescriptors() const
{
    return {descriptors.data(), descriptorCount};
}

bool TerminalDisplay::HungUp() const
{
    short revents = 0;
    short unused = 0;
    const SystemResult ready = Posix::Poll(InputDescriptor(), POLLIN, -1, 0, revents, unused);
    return ready.Ok() && (revents & (POLLHUP | POLLERR | POLLNVAL));
}

void TerminalDisplay::ReadInput(WindowSystem& model)
{
    // Signals first: a close request or a new size must not wait behind keys that open
    // a message box and its nested loop.
    const SignalPipe::Arrived arrived = signals.Take();
    if (arrived.resize) {
        MeasureTerminal();
        model.Deliver(InputEvent::Resized(ScreenPixels(), cell));
    }
    if (arrived.close)
        model.Deliver(InputEvent::CloseRequest());
    if (descriptorCount == descriptors.size() && HungUp()) {
        // A terminal that went away reads as ready for ever; stop watching it, and close.
        descriptorCount = 1;
        model.Deliver(InputEvent::CloseRequest());
        return;
    }
    wint_t ch = 0;
    for (int kind = get_wch(&ch); kind != ERR; kind = get_wch(&ch)) {
        // Not every change an input makes is announced by the model (an opened list
        // keeps its highlight), so the screen is drawn again after any input.
        changed = true;
        const TerminalKeyMap::Action action = keys.Take(
            static_cast<std::uint32_t>(ch), kind == KEY_CODE_YES, std::chrono::steady_clock::now());
        switch (action.kind) {
            case TerminalKeyMap::Action::Kind::None:
                break;
            case TerminalKeyMap::Action::Kind::Press:
                model.Deliver(InputEvent::Press(action.key));
                break;
            case TerminalKeyMap::Action::Kind::Close:
                model.Deliver(InputEvent::CloseRequest());
                break;
            case TerminalKeyMap::Action::Kind::Resize:
                MeasureTerminal();
                model.Deliver(InputEvent::Resized(ScreenPixels(), cell));
                break;
            case TerminalKeyMap::Action::Kind::Mouse:
                DeliverMouse(model);
                break;
        }
    }
}

void TerminalDisplay::DeliverMouse(WindowSystem& model)
{
    // Reports read together come out newest first; the model hears them in order. A report
    // on the hint row is a press or release beside everything, which ends a held press.
    std::array<MEVENT, kMouseRun> run{};
    std::size_t count = 0;
    while (count < run.size() && getmouse(&run[count]) == OK)
        ++count;
    while (count > 0) {
        const MEVENT& mouse = run[--count];
        // The middle of the cell, in pixels.
        const Point point{mouse.x * cell.cx + cell.cx / 2, mouse.y * cell.cy + cell.cy / 2};
        if (mouse.bstate & BUTTON1_PRESSED)
            model.Deliver(InputEvent::ButtonDownAt(point));
        if (mouse.bstate & BUTTON1_RELEASED)
            model.Deliver(InputEvent::ButtonUpAt(point));
    }
}

void TerminalDisplay::BringToFront()
{
    // Another start asked for us: redraw the whole terminal from scratch and flash it.
    clearok(curscr, TRUE);
    changed = true;
    flash();
}

std::wstring TerminalDisplay::ShownOn() const
{
    std::string name;
    if (!Posix::TerminalName(STDOUT_FILENO, name).Ok())
        return {};
    return L"the terminal " + FromUtf8(name);
}

void TerminalDisplay::Flush(const WindowSystem& model)
{
    if (!changed)
        return;
    changed = false;
    ScreenPainter painter(model, grid);
    painter.Paint();
    tooSmall = painter.Clipped();
    Show();
}

void TerminalDisplay::Show()
{
    erase();
    const int shownRows = std::min(grid.Rows(), modelRows);
    const int shownColumns = std::min(grid.Columns(), columns);
    for (int row = 0; row < shownRows; ++row)
        for (int column = 0; column < shownColumns; ++column)
            ShowCell(column, row, grid.At(column, row));
    ShowHint();
    attr_set(A_NORMAL, 0, nullptr);
    refresh();
}

void TerminalDisplay::ShowHint()
{
    if (modelRows == rows)
        return;
    const std::wstring text = HintRow::Compose(columns, tooSmall);
    for (int column = 0; column < columns; ++column) {
        const std::size_t at = static_cast<std::size_t>(column);
        Cell hint;
        hint.ch = at < text.size() ? text[at] : L' ';
        hint.role = CellRole::Hint;
        ShowCell(column, rows - 1, hint);
    }
}

void TerminalDisplay::ShowCell(int column, int row, const Cell& what)
{
    const TerminalPalette::Look look = palette.For(what);
    attr_set(look.attributes, look.pair, nullptr);
    if (what.lines) {
        mvadd_wch(row, column, LineCharacter(what.lines));
        return;
    }
    wchar_t text[2] = {unicode ? look.glyph : AsciiFallback(look.glyph), L'\0'};
    cchar_t shown{};
    setcchar(&shown, text, look.attributes, look.pair, nullptr);
    // The bottom-right cell reports an error because the cursor cannot move past it; the
    // character is shown all the same.
    mvadd_wch(row, column, &shown);
}

}  // namespace quorvex
