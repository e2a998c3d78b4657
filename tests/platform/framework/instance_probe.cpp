// A tiny program for the single-instance tests: it runs a dialog with no display (which
// says it shows on "the probe's screen"), says "ready" once its window is shown, and
// "front" when a second start asks it to come forward, after which it ends.
#include <cstdio>
#include <memory>

#include "platform/framework/application.h"
#include "platform/gui/dialog.h"
#include "platform/resource/resource_module.h"
#include "platform/window/headless_display.h"
#include "platform/window/window_system.h"
#include "tests/support/template_builder.h"

namespace {

using namespace quorvex;

void Say(const char* line)
{
    std::fputs(line, stdout);
    std::fflush(stdout);
}

class ProbeDialog : public Dialog {
public:
    using Dialog::Dialog;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        // Dispatched once the dialog is shown, and so recorded where a second start looks.
        PostMessage(WM_APP);
        return true;
    }
    LRESULT WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP)
            Say("ready\n");
        return Dialog::WindowProc(message, wParam, lParam);
    }
};

class ProbeDisplay : public HeadlessDisplay {
public:
    std::wstring ShownOn() const override { return L"the probe's screen"; }

    void BringToFront() override
    {
        Say("front\n");
        if (Window* window = WindowSystem::Current()->GetForegroundWindow())
            window->PostMessage(WM_CLOSE);
    }
};

class ProbeApp : public Application {
protected:
    bool StartUp() override
    {
        testing::TemplateBuilder dialog(0x90C00040, 0x80040000, 100, 100, L"Probe", 1);
        dialog.Item({0x50010000, 10, 10, 50, 14, 1006, kButtonClassOrdinal, L"OK"});
        const std::array<ResourceEntry, 1> entries{
            {{ResourceType::Dialog, 102, 1033, dialog.bytes}}};
        const ResourceModule module(entries, {});
        ProbeDialog probe(module, 102);
        SetMainWindow(&probe);
        probe.DoModal();
        return false;
    }
};

ProbeApp app;

}  // namespace

// The probe's own display, in place of a display library.
std::unique_ptr<Display> Display::CreateDefault()
{
    return std::make_unique<ProbeDisplay>();
}
