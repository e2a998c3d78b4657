// quorvex-render-offscreen FILE: the quorvex program itself (its application object, its main
// dialog, the real ports of its prefix), drawn by the pixel display on Qt's offscreen
// platform in a 480 x 640 window, which writes the window to FILE as a PNG once the dialog
// has shown "Connected to" for a second and a half, and then leaves as a close request
// makes it leave. The end-to-end test starts it, under the name quorvex so that it finds the
// same settings, where a left connection makes it connect by itself, and compares its
// picture with the screen of the quorvex it drove under Xvfb.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/quorvex_app.h"
#include "platform/pixel/pixel_display.h"
#include "platform/threads/clock.h"
#include "platform/window/input_event.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "resources/control_ids.h"
#include "resources/program_resources.h"
#include "resources/string_ids.h"

namespace quorvex {
namespace {

class RenderApp : public QuorvexApp {
public:
    explicit RenderApp(std::string file) : file(std::move(file)) {}

    static std::unique_ptr<Display> CreateDisplay()
    {
        auto& self = static_cast<RenderApp&>(*Application::Instance());
        PixelDisplay::Options options;
        options.layouts = {self.PortraitLayout(), self.LandscapeLayout()};
        options.window = {480, 640};
        std::string error;
        std::unique_ptr<PixelDisplay> display = PixelDisplay::Open(options, error);
        if (!display)
            std::fprintf(stderr, "quorvex-render-offscreen: %s\n", error.c_str());
        self.display = display.get();
        return display;
    }

    bool saved = false;

protected:
    bool StartUp() override
    {
        if (WindowSystem* system = WindowSystem::Current())
            WindowSystemTestHelper::SetIdleHook(*system, [this, system] { return Look(*system); });
        return QuorvexApp::StartUp();
    }

private:
    // Called whenever the dialog's loop would wait: after each tick at least.
    bool Look(WindowSystem& system)
    {
        const Window* dialog = MainWindow();
        const Window* status = dialog ? dialog->GetDlgItem(ControlId::StatusLine) : nullptr;
        const std::wstring connected{
            ProgramResources().LoadString(StringId::ConnectedTo).value_or(L"?")};
        if (saved || !status || status->GetWindowText() != connected)
            return false;
        const auto now = Clock::System().Now();
        if (!since)
            since = now;
        // The lamp dark and the focus settled; what was drawn before this wait is on file.
        if (now - *since < std::chrono::milliseconds(1500))
            return false;
        saved = display->SaveScreenshot(file);
        system.Deliver(InputEvent::CloseRequest());
        return true;
    }

    std::string file;
    PixelDisplay* display = nullptr;
    std::optional<Clock::TimePoint> since;
};

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: quorvex-render-offscreen FILE\n", stderr);
        return 2;
    }
    quorvex::RenderApp application(argv[1]);
    const int result = application.Run(&quorvex::RenderApp::CreateDisplay);
    return result == 0 && application.saved ? 0 : 1;
}
