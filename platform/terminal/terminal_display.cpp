#include "platform/terminal/terminal_display.h"

#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/system/posix.h"
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

constexpr int kEscapeDelayMs = 25;
constexpr short kPairCaption = 1;  // white on blue: captions, focus, the highlighted item
constexpr short kPairLight = 2;    // black on white: fields, lists, message boxes
constexpr short kPairButton = 3;   // black on cyan: buttons
constexpr short kFirstPixelPair = 8;
constexpr int kCtrlC = 3;
constexpr int kCtrlO = 15;

struct Look {
    attr_t attributes;
    short pair;
};

Look ColourLook(CellRole role)
{
    switch (role) {
        case CellRole::Plain:
        case CellRole::Pixels:
            return {A_NORMAL, 0};
        case CellRole::Bold:
            return {A_BOLD, 0};
        case CellRole::Dim:
        case CellRole::ButtonDisabled:
            return {A_DIM, 0};
        case CellRole::Caption:
        case CellRole::BoxCaption:
        case CellRole::ButtonFocused:
        case CellRole::FieldFocused:
        case CellRole::ListHighlight:
        case CellRole::BoxButtonFocused:
            return {A_BOLD, kPairCaption};
        case CellRole::CaptionButton:
            return {A_BOLD, kPairLight};
        case CellRole::Field:
        case CellRole::List:
        case CellRole::Box:
            return {A_NORMAL, kPairLight};
        case CellRole::FieldDisabled:
            return {A_DIM, kPairLight};
        case CellRole::Button:
        case CellRole::BoxButton:
            return {A_NORMAL, kPairButton};
    }
    return {A_NORMAL, 0};
}

attr_t PlainLook(CellRole role)
{
    switch (role) {
        case CellRole::Plain:
        case CellRole::Pixels:
        case CellRole::Button:
        case CellRole::Box:
        case CellRole::BoxButton:
            return A_NORMAL;
        case CellRole::Bold:
        case CellRole::CaptionButton:
        case CellRole::ListHighlight:
            return A_BOLD;
        case CellRole::Dim:
        case CellRole::ButtonDisabled:
            return A_DIM;
        case CellRole::Caption:
        case CellRole::BoxCaption:
        case CellRole::ButtonFocused:
        case CellRole::BoxButtonFocused:
            return A_REVERSE | A_BOLD;
        case CellRole::Field:
            return A_UNDERLINE;
        case CellRole::FieldFocused:
        case CellRole::List:
            return A_REVERSE;
        case CellRole::FieldDisabled:
            return A_DIM | A_UNDERLINE;
    }
    return A_NORMAL;
}

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

std::optional<Key> KeyFor(wint_t ch, bool function)
{
    if (function) {
        switch (ch) {
            case KEY_BTAB:
                return Key::BackTab;
            case KEY_ENTER:
                return Key::Enter;
            case KEY_UP:
                return Key::Up;
            case KEY_DOWN:
                return Key::Down;
            case KEY_LEFT:
                return Key::Left;
            case KEY_RIGHT:
                return Key::Right;
            case KEY_HOME:
                return Key::Home;
            case KEY_END:
                return Key::End;
            case KEY_F(10):
                return Key::CaptionOk;
            default:
                return std::nullopt;
        }
    }
    switch (ch) {
        case L'\t':
            return Key::Tab;
        case L'\r':
        case L'\n':
            return Key::Enter;
        case L' ':
            return Key::Space;
        case 27:
            return Key::Escape;
        case kCtrlO:
            return Key::CaptionOk;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::unique_ptr<TerminalDisplay> TerminalDisplay::Open()
{
    if (active)
        return nullptr;
    std::unique_ptr<TerminalDisplay> display(new TerminalDisplay());
    if (!display->Start())
        return nullptr;
    return display;
}

bool TerminalDisplay::Start()
{
    if (!Posix::IsTerminal(STDIN_FILENO) || !Posix::IsTerminal(STDOUT_FILENO))
        return false;
    // Wide characters follow the user's locale; the program's numbers and texts do not
    // depend on it, so only the character type is taken.
    std::setlocale(LC_CTYPE, "");
    unicode = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    // A short Escape delay, so that Esc answers at once instead of waiting for a sequence.
    set_escdelay(kEscapeDelayMs);
    SCREEN* terminal = newterm(nullptr, stdout, stdin);
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
    mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED, nullptr);
    mouseinterval(0);  // report the press at once; clicks are not composed from press and release
    InitColours();
    // After curses, so that its own handlers for these signals are replaced while we run.
    if (!signals.Open())
        return false;
    descriptors = {signals.Descriptor(), STDIN_FILENO};
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
    if (active == this)
        active = nullptr;
}

void TerminalDisplay::InitColours()
{
    colour = has_colors() && start_color() == OK;
    if (!colour)
        return;
    // The terminal's own background stays where nothing else is asked for.
    if (use_default_colors() != OK)
        assume_default_colors(COLOR_WHITE, COLOR_BLACK);
    init_pair(kPairCaption, COLOR_WHITE, COLOR_BLUE);
    init_pair(kPairLight, COLOR_BLACK, COLOR_WHITE);
    init_pair(kPairButton, COLOR_BLACK, COLOR_CYAN);
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
    if (columns != COLS || rows != LINES)
        resize_term(rows, columns);
}

Size TerminalDisplay::ScreenPixels() const
{
    return {columns * cell.cx, rows * cell.cy};
}

std::span<const int> TerminalDisplay::InputDescriptors() const
{
    return {descriptors.data(), descriptorCount};
}

bool TerminalDisplay::HungUp() const
{
    short revents = 0;
    short unused = 0;
    const SystemResult ready = Posix::Poll(STDIN_FILENO, POLLIN, -1, 0, revents, unused);
    return ready.Ok() && (revents & (POLLHUP | POLLERR | POLLNVAL));
}

void TerminalDisplay::ReadInput(WindowSystem& model)
{
    // Signals first: a close request or a new size must not wait behind keys that open
    // a message box and its nested loop.
    const SignalPipe::Arrived arrived = signals.Take();
    if (arrived.resize) {
        MeasureTerminal();
        changed = true;
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
        const bool function = kind == KEY_CODE_YES;
        if (function && ch == KEY_RESIZE) {
            MeasureTerminal();
            changed = true;
            model.Deliver(InputEvent::Resized(ScreenPixels(), cell));
        } else if (function && ch == KEY_MOUSE) {
            MEVENT mouse{};
            if (getmouse(&mouse) == OK && (mouse.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)))
                model.Deliver(InputEvent::ClickAt(
                    {mouse.x * cell.cx + cell.cx / 2, mouse.y * cell.cy + cell.cy / 2}));
        } else if (!function && ch == kCtrlC) {
            model.Deliver(InputEvent::CloseRequest());
        } else if (const std::optional<Key> key = KeyFor(ch, function)) {
            model.Deliver(InputEvent::Press(*key));
        }
    }
}

void TerminalDisplay::BringToFront()
{
    // Another start asked for us: redraw the whole terminal from scratch and flash it.
    clearok(curscr, TRUE);
    changed = true;
    flash();
}

void TerminalDisplay::Flush(const WindowSystem& model)
{
    if (!changed)
        return;
    changed = false;
    ScreenPainter(model, grid).Paint();
    Show();
}

void TerminalDisplay::Show()
{
    erase();
    const int shownRows = std::min(grid.Rows(), rows);
    const int shownColumns = std::min(grid.Columns(), columns);
    for (int row = 0; row < shownRows; ++row)
        for (int column = 0; column < shownColumns; ++column)
            ShowCell(column, row, grid.At(column, row));
    attr_set(A_NORMAL, 0, nullptr);
    refresh();
}

void TerminalDisplay::ShowCell(int column, int row, const Cell& what)
{
    wchar_t text[2] = {what.ch, L'\0'};
    attr_t attributes = A_NORMAL;
    short pair = 0;
    if (what.role == CellRole::Pixels) {
        const bool hasUpper = what.upper != Cell::kNoPixel;
        const bool hasLower = what.lower != Cell::kNoPixel;
        if (!hasUpper && !hasLower) {
            text[0] = L' ';
        } else if (colour && unicode) {
            // A half block: its foreground paints one half of the cell, its background the other.
            text[0] = hasUpper ? L'\u2580' : L'\u2584';
            const short ink = NearestColour(hasUpper ? what.upper : what.lower);
            const short paper = hasUpper && hasLower ? NearestColour(what.lower) : -1;
            pair = PixelPair(ink, paper);
        } else if (colour) {
            text[0] = L' ';
            pair = PixelPair(-1, NearestColour(hasUpper ? what.upper : what.lower));
        } else {
            // Without colour, what is darker than mid-grey shows as a solid cell.
            const std::uint32_t rgb = hasUpper ? what.upper : what.lower;
            const unsigned light = ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF);
            text[0] = L' ';
            attributes = light < 3 * 128 ? A_REVERSE : A_NORMAL;
        }
    } else if (colour) {
        const Look look = ColourLook(what.role);
        attributes = look.attributes;
        pair = look.pair;
    } else {
        attributes = PlainLook(what.role);
    }
    attr_set(attributes, pair, nullptr);
    if (what.lines) {
        mvadd_wch(row, column, LineCharacter(what.lines));
        return;
    }
    if (!unicode)
        text[0] = AsciiFallback(text[0]);
    cchar_t shown{};
    setcchar(&shown, text, attributes, pair, nullptr);
    // The bottom-right cell reports an error because the cursor cannot move past it; the
    // character is shown all the same.
    mvadd_wch(row, column, &shown);
}

short TerminalDisplay::PixelPair(short foreground, short background)
{
    for (std::size_t i = 0; i < pixelPairs.size(); ++i)
        if (pixelPairs[i][0] == foreground && pixelPairs[i][1] == background)
            return static_cast<short>(kFirstPixelPair + i);
    const int limit = std::min(COLOR_PAIRS, static_cast<int>(std::numeric_limits<short>::max()));
    // When the terminal runs out of pairs, start over: only the lamp's few colours use them.
    if (kFirstPixelPair + static_cast<int>(pixelPairs.size()) >= limit)
        pixelPairs.clear();
    if (kFirstPixelPair >= limit)
        return 0;
    const short pair = static_cast<short>(kFirstPixelPair + pixelPairs.size());
    init_pair(pair, foreground, background);
    pixelPairs.push_back({foreground, background});
    return pair;
}

short TerminalDisplay::NearestColour(std::uint32_t rgb) const
{
    const int r = static_cast<int>((rgb >> 16) & 0xFF);
    const int g = static_cast<int>((rgb >> 8) & 0xFF);
    const int b = static_cast<int>(rgb & 0xFF);
    if (COLORS >= 256) {
        // The 6 x 6 x 6 cube of 256-colour terminals, levels 0, 95, 135, ..., 255.
        auto level = [](int v) { return v < 48 ? 0 : v < 115 ? 1 : (v - 35) / 40; };
        return static_cast<short>(16 + 36 * level(r) + 6 * level(g) + level(b));
    }
    struct Named {
        short number;
        int r, g, b;
    };
    static constexpr Named named[] = {
        {COLOR_BLACK, 0, 0, 0},      {COLOR_RED, 205, 0, 0},       {COLOR_GREEN, 0, 205, 0},
        {COLOR_YELLOW, 205, 205, 0}, {COLOR_BLUE, 0, 0, 238},      {COLOR_MAGENTA, 205, 0, 205},
        {COLOR_CYAN, 0, 205, 205},   {COLOR_WHITE, 229, 229, 229},
    };
    short best = COLOR_BLACK;
    int bestDistance = std::numeric_limits<int>::max();
    for (const Named& colourName : named) {
        const int distance = (r - colourName.r) * (r - colourName.r) +
                             (g - colourName.g) * (g - colourName.g) +
                             (b - colourName.b) * (b - colourName.b);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = colourName.number;
        }
    }
    return best;
}

}  // namespace quorvex
