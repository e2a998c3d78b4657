#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/threads/clock.h"
#include "platform/window/window_types.h"

namespace quorvex {

class Display;
class DisplaySource;
class ProfileSettings;
class Window;
class WindowSystem;

// The one application object of a program. A program defines one global instance of a
// class derived from it; the constructor registers it before main() runs, and the
// framework's main() (the quorvex_app_main library) calls Run with the display source of the
// display library that the program links.
//
// The application name comes from the program file when the object is made. Run ends with
// -1 when the program file cannot be told, and when the prefix is not the user's own
// (PrefixCheck): then, before anything in it is read or written, one line on standard
// error names the folder, what is wrong and the command that mends it (and a message box
// says the same where the program has no terminal). Otherwise it keeps
// a second start of the program on a "PocketPC" or "Smartphone" class device from running
// (that start brings the first forward, names it on standard error by its process id and
// where it shows itself, and ends with -1), makes the display (none: -1, as for the
// prefix) and the window system, calls StartUp and returns 0 when StartUp ends. Every
// line goes to standard error; a message box says the same only where there is no
// terminal. Everything runs on the main thread.
class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The registered application, or none.
    static Application* Instance();

    // Runs the program on the display `source` opens, once, after the single-instance
    // check, so that a second start draws nothing. A start that fails before it has a
    // display (the prefix, the display itself) says why on standard error and, where the
    // source can make a display for it (a program started without a terminal), in a
    // message box too (OK alone, the application name as caption); a second start only
    // says so on standard error.
    int Run(DisplaySource& source);

    // The same with a display made by `createDisplay`, which has said why when it gives none.
    using DisplayFactory = std::unique_ptr<Display> (*)();
    int Run(DisplayFactory createDisplay);

    // The program file's name without directory and extension.
    const std::wstring& Name() const { return name; }

    // The window the application regards as its main one; it refers to it without owning.
    void SetMainWindow(Window* window) { mainWindow = window; }
    Window* MainWindow() const { return mainWindow; }

    // Shows a message box: caption = the application name, owner = the foreground window,
    // the exclamation icon added to OK and OK-Cancel boxes and the question icon to Yes-No
    // and Yes-No-Cancel boxes when `type` names none, brought to the foreground. Returns the
    // button pressed (IDOK 1, IDCANCEL 2, ...). The owner's timers keep running meanwhile.
    int DoMessageBox(std::wstring_view text, std::uint32_t type);

    // The integer settings, held by a store the application hands over (it outlives its
    // use here). Without one, reads give the default and writes fail.
    void SetProfileSettings(ProfileSettings* store) { settings = store; }
    ProfileSettings* GetProfileSettings() const { return settings; }
    void SetCompanyKey(std::wstring_view key);
    std::int32_t ReadInt(std::wstring_view section, std::wstring_view entry,
                         std::int32_t defaultValue);
    bool WriteInt(std::wstring_view section, std::wstring_view entry, std::int32_t value);

    // The process-wide switch for orientation-aware relayout; off until switched on.
    static void EnableOrientationRelayout(bool enable = true);
    static bool IsOrientationRelayoutEnabled();

protected:
    // The program's own start-up, run once by Run; its result ends the program either way.
    virtual bool StartUp() = 0;

    // The clock the program runs on: the system clock, or a test program's own.
    virtual Clock& GetClock() { return Clock::System(); }

    // The program's screen layouts in dialog units, for a display that scales the model to
    // fit them (display_source.h); none by default.
    virtual Size PortraitLayout() const { return {}; }
    virtual Size LandscapeLayout() const { return {}; }

private:
    // Says on standard error why this start ends, and in a message box too where `source`
    // (none: standard error alone) can make a display for it; returns the exit code, -1.
    int Refuse(const std::string& reason, DisplaySource* source);

    std::wstring name;
    Window* mainWindow = nullptr;
    ProfileSettings* settings = nullptr;
};

}  // namespace quorvex
