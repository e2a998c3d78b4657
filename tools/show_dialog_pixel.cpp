// quorvex-show-dialog-pixel: opens the main dialog in a window, drawn as the handheld drew it
// (the pixel display), with sample entries in its lists, and does nothing else: a way to look
// at the pixel display and try its keys, mouse and taps. Resize the window, or start it
// turned, and the dialog takes the layout that fits. The caption's OK, the window's close
// button or a close request ends it.
//
//   quorvex-show-dialog-pixel [--landscape | --size WxH] [--connected] [--question]
//                             [--screenshot FILE]
//
// --connected shows the connected look (the lamp flashes once a second); --question opens
// the exit question over it; --screenshot writes the window to FILE as a PNG once the dialog
// has settled (after a lamp flash when connected, with the question open when asked) and
// ends.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "platform/framework/application.h"
#include "platform/gui/parsed_dialog_template.h"
#include "platform/pixel/pixel_display.h"
#include "platform/window/input_event.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system.h"
#include "resources/dialog_ids.h"
#include "resources/program_resources.h"
#include "resources/string_ids.h"
#include "tools/sample_dialog.h"

namespace quorvex {
namespace {

struct PreviewOptions {
    Size window{560, 600};
    bool connected = false;
    bool question = false;
    std::string screenshot;
};

const char* const kUsage =
    "usage: quorvex-show-dialog-pixel [--landscape | --size WxH] [--connected] [--question]\n"
    "                                 [--screenshot FILE]\n";

std::optional<PreviewOptions> Parse(int argc, char** argv)
{
    PreviewOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--landscape")
            options.window = {760, 420};
        else if (arg == "--connected")
            options.connected = true;
        else if (arg == "--question")
            options.question = true;
        else if (arg == "--screenshot" && i + 1 < argc)
            options.screenshot = argv[++i];
        else if (arg == "--size" && i + 1 < argc) {
            int width = 0;
            int height = 0;
            char rest = 0;
            if (std::sscanf(argv[++i], "%dx%d%c", &width, &height, &rest) != 2 || width <= 0 ||
                height <= 0 || width > 8192 || height > 8192)
                return std::nullopt;
            options.window = {width, height};
        } else
            return std::nullopt;
    }
    return options;
}

// The dialog's layouts, from the program's own templates.
ScreenScale::Layouts Layouts()
{
    ScreenScale::Layouts layouts;
    for (const auto& [id, size] : {std::pair{DialogId::Portrait, &layouts.portrait},
                                   std::pair{DialogId::Landscape, &layouts.landscape}}) {
        const auto bytes = ProgramResources().Find(ResourceType::Dialog, id);
        if (const auto parsed = bytes ? ParsedDialogTemplate::Parse(*bytes) : std::nullopt)
            *size = {parsed->cx, parsed->cy};
    }
    return layouts;
}

class PreviewApplication : public Application {
public:
    explicit PreviewApplication(PreviewOptions options) : options(std::move(options)) {}

    static std::unique_ptr<Display> CreateDisplay()
    {
        auto& self = static_cast<PreviewApplication&>(*Application::Instance());
        PixelDisplay::Options display;
        display.window = self.options.window;
        display.layouts = Layouts();
        std::string error;
        std::unique_ptr<PixelDisplay> opened = PixelDisplay::Open(display, error);
        if (!opened) {
            std::fprintf(stderr, "quorvex-show-dialog-pixel: %s\n", error.c_str());
            return nullptr;
        }
        self.display = opened.get();
        return opened;
    }

protected:
    bool StartUp() override
    {
        EnableOrientationRelayout();
        SampleDialog::Look look;
        look.connected = options.connected;
        look.turns = true;
        if (!options.screenshot.empty() || options.question)
            look.onTimer = [this](SampleDialog& dialog, std::uintptr_t id, int ticks) {
                OnTimer(dialog, id, ticks);
            };
        SampleDialog dialog(look);
        SetMainWindow(&dialog);
        const int result = dialog.DoModal();
        SetMainWindow(nullptr);
        return result != -1;
    }

private:
    static constexpr std::uintptr_t kTick = 1;
    static constexpr std::uintptr_t kShot = 2;

    void OnTimer(SampleDialog& dialog, std::uintptr_t id, int ticks)
    {
        // The question opens at the second tick; its loop keeps the timers coming.
        if (id == kTick && ticks == 2 && options.question) {
            (void)DoMessageBox(ProgramResources().LoadString(StringId::ConfirmExit).value_or(L""),
                               MB_OKCANCEL);
            return;
        }
        // The lamp flashes at every second tick and stays lit 250 ms: the picture is taken
        // 100 ms after the fourth tick's flash.
        if (id == kTick && ticks == 4 && !options.screenshot.empty())
            dialog.SetTimer(kShot, 100);
        if (id != kShot)
            return;
        dialog.KillTimer(kShot);
        if (!display->SaveScreenshot(options.screenshot)) {
            std::fprintf(stderr, "quorvex-show-dialog-pixel: cannot write %s\n",
                         options.screenshot.c_str());
            failed = true;
        }
        if (WindowSystem* system = WindowSystem::Current();
            system && !system->MessageBoxes().empty())
            system->Deliver(InputEvent::Press(Key::Escape));
        dialog.EndDialog(IDOK);
    }

    PreviewOptions options;
    PixelDisplay* display = nullptr;

public:
    bool failed = false;
};

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv)
{
    const auto options = quorvex::Parse(argc, argv);
    if (!options) {
        std::fputs(quorvex::kUsage, stderr);
        return 2;
    }
    quorvex::PreviewApplication application(*options);
    const int result = application.Run(&quorvex::PreviewApplication::CreateDisplay);
    return application.failed ? 1 : result;
}
