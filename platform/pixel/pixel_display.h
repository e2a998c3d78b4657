#pragma once

#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/pixel/dialog_font.h"
#include "platform/pixel/pixel_window.h"
#include "platform/pixel/qt_loop_wait.h"
#include "platform/pixel/screen_scale.h"
#include "platform/system/signal_pipe.h"
#include "platform/window/display.h"
#include "platform/window/input_event.h"

class QBackingStore;
class QGuiApplication;
class QImage;
class QRegion;

namespace quorvex {

// The dialog in pixels: a window of the desktop or phone (Qt 6, QtGui alone) that draws the
// window-system model as the handheld drew it (pixel_painter.h), at the whole-number scale
// that fits the window (screen_scale.h), in the one shipped font (dialog_font.h). The model
// runs on the window's thread and blocks in Qt's event loop (qt_loop_wait.h); the window's
// handlers only queue what the user does, and ReadInput hands it to the model: keys, a
// button or finger going down and up, a resize (a turn of the screen), and close requests
// (the window's close button, SIGTERM, SIGHUP, SIGINT). Only what changed is drawn again: a
// window that painted itself (the lamp) costs its own rectangle.
//
// Makes the Qt application when there is none and keeps it for its life. At most one exists
// at a time; UI thread only.
class PixelDisplay : public Display, private PixelWindow::Listener {
public:
    struct Options {
        // The window's first size, in the desktop's (logical) pixels.
        Size window{480, 640};
        // The dialog's two layouts in dialog units, which decide the scale.
        ScreenScale::Layouts layouts;
        std::string fontFolder = DialogFont::kDefaultFolder;
        // When the font files cannot be had, the machine's default font: for a window that
        // only says why the program cannot start.
        bool anyFont = false;
        // The application's name: Qt's, and the window's title until the model names one.
        std::wstring applicationName = L"quorvex";
        // The platforms whose server answered a caller that asked already, as
        // DisplayServer::Find gives them; empty: asked here.
        std::string platforms;
    };

    // Opens the window; none, with `error` saying why, when no display server answers
    // (display_server.h; Qt is handed the platforms that answer), the font files are
    // missing or unreadable, or another pixel display exists. Should Qt fail to start a
    // platform all the same (a server that refuses the connection), the process ends with
    // exit code 255 and Qt's reason on standard error, where Qt would abort it.
    static std::unique_ptr<PixelDisplay> Open(const Options& options, std::string& error);
    ~PixelDisplay() override;

    Size ScreenPixels() const override { return scale.Screen(); }
    Size CellPixels() const override { return font.BaseUnits(); }
    void ModelChanged() override { wholeScreen = true; }
    void AreaChanged(const Rect& area) override;
    void Flush(const WindowSystem& model) override;
    std::span<const int> InputDescriptors() const override;
    void ReadInput(WindowSystem& model) override;
    void BringToFront() override;
    // "a window on the X display :0", on the Wayland display, or on Qt's platform.
    std::wstring ShownOn() const override;
    BlockingWait* LoopWait() override { return loopWait.get(); }

    // Writes what the window shows now to a PNG file; false when it cannot.
    bool SaveScreenshot(const std::string& path) const;

private:
    friend class PixelDisplayTestHelper;

    explicit PixelDisplay(const Options& options);
    bool Start(std::string& error);
    void Refit();
    void Queue(const InputEvent& event);
    // The device pixels the damage covers, in the frame.
    QRegion DamagedRegion() const;

    // PixelWindow::Listener: what the window's handlers report.
    void Exposed() override;
    void Resized() override;
    void KeyPressed(Key key) override;
    void PointerDown(QPointF at) override;
    void PointerUp(QPointF at) override;
    void PointerCancelled() override;
    // The model pixel under a point of the window.
    Point ToModel(QPointF at) const;
    void CloseAsked() override;

    Options options;
    // The Qt application's arguments, alive as long as it is.
    int argc = 1;
    std::string programName;
    std::string platformFlag = "-platform";
    std::string platforms;
    std::vector<char*> argv;
    std::unique_ptr<QGuiApplication> ownApplication;
    DialogFont font;
    std::unique_ptr<QtLoopWait> loopWait;
    std::unique_ptr<PixelWindow> window;
    // Not owned by its window: it goes before the window does.
    std::unique_ptr<QBackingStore> backingStore;
    // The window's pixels as drawn, at device resolution and 96 dots per inch, for the font.
    std::unique_ptr<QImage> frame;
    ScreenScale scale;
    double pixelRatio = 1;

    // What needs drawing again: everything, or these areas of the model's screen.
    bool wholeScreen = true;
    std::vector<Rect> areas;

    std::deque<InputEvent> queue;
    int queueSignal = -1;  // readable while `queue` may hold events
    SignalPipe signals;
    std::vector<int> descriptors;
    std::wstring title;
    // Passes of the loop that ask again to activate the window brought forward.
    static constexpr int kActivateRetries = 10;
    int activateRetries = 0;

    // The device pixels the last Flush drew, for tests (pixel_display_test_helper.h).
    std::vector<Rect> lastDrawn;
};

}  // namespace quorvex
