// A program for the terminal tests: the main dialog from template 102 or 103 with a few
// list items, an enabled button and a painted lamp, in the terminal, writing to a log file
// which handler ran.
//
//   frontend_probe <template id> <log file>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/framework/application.h"
#include "platform/gui/combo_box.h"
#include "platform/gui/dialog.h"
#include "platform/resource/bitmap.h"
#include "platform/window/display.h"
#include "platform/window/display_source.h"
#include "platform/window/paint_context.h"
#include "platform/window/surface.h"
#include "resources/bitmap_ids.h"
#include "resources/control_ids.h"
#include "resources/program_resources.h"

namespace quorvex {
namespace {

std::FILE* logFile = nullptr;
std::uint16_t probedTemplate = 102;

void Log(const std::string& line)
{
    if (!logFile)
        return;
    std::fprintf(logFile, "%s\n", line.c_str());
    std::fflush(logFile);
}

// The model's display with a note in the log when another start asks for this one.
class LoggingDisplay : public Display {
public:
    explicit LoggingDisplay(std::unique_ptr<Display> inner) : inner(std::move(inner)) {}
    Size ScreenPixels() const override { return inner->ScreenPixels(); }
    Size CellPixels() const override { return inner->CellPixels(); }
    void ModelChanged() override { inner->ModelChanged(); }
    void Flush(const WindowSystem& model) override { inner->Flush(model); }
    std::span<const int> InputDescriptors() const override { return inner->InputDescriptors(); }
    void ReadInput(WindowSystem& model) override { inner->ReadInput(model); }
    void BringToFront() override
    {
        Log("forward");
        inner->BringToFront();
    }

private:
    std::unique_ptr<Display> inner;
};

// Paints the green frame of the lamp's image strip.
class LampProbe : public Window {
public:
    bool Create(Window& group, const Rect& rect)
    {
        if (!bitmap.LoadBitmap(ProgramResources(), BitmapId::FrameStrip))
            return false;
        return Window::Create(L"lamp", L"", WS_CHILD | WS_VISIBLE, rect, &group, 0);
    }

protected:
    void OnPaint() override
    {
        PaintContext paint;
        Surface surface;
        if (!paint.BeginPaint(*this) || !surface.CreateCompatibleDC(*this))
            return;
        const Bitmap* previous = surface.SelectObject(&bitmap);
        paint.BitBlt(0, 0, 15, 14, surface, 2 * 15, 0, SRCCOPY);
        surface.SelectObject(previous);
        paint.EndPaint();
    }

private:
    Bitmap bitmap;
};

class ProbeDialog : public Dialog {
public:
    ProbeDialog() : Dialog(ProgramResources(), probedTemplate) {}

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        ComboBox ports;
        if (BindControl(ports, ControlId::PortList))
            for (const wchar_t* item : {L"None", L"First port", L"Second port"})
                ports.AddString(item);
        ports.SetCurSel(0);
        if (Window* button = GetDlgItem(ControlId::ConnectButton)) {
            button->SetWindowText(L"Connect");
            button->EnableWindow(true);
        }
        Window* group = GetDlgItem(ControlId::UpperGroup);
        Window* placeholder = GetDlgItem(ControlId::Placeholder);
        if (group && placeholder) {
            const Rect at = placeholder->RectInParent();
            const Point groupAt = group->RectInParent().TopLeft();
            lamp.Create(*group, Rect{at.left - groupAt.x, at.top - groupAt.y,
                                     at.left - groupAt.x + 15, at.top - groupAt.y + 14});
            lamp.InvalidateRect(false);
        }
        Log("init");
        return true;
    }

    bool OnCommand(std::uint16_t id, std::uint16_t code, Window* control) override
    {
        std::string line = "command " + std::to_string(id) + " " + std::to_string(code);
        if (id == ControlId::PortList) {
            ComboBox ports;
            if (BindControl(ports, id))
                line += " sel " + std::to_string(ports.GetCurSel());
        }
        Log(line);
        return Dialog::OnCommand(id, code, control);
    }

    void OnOK() override
    {
        Log("ok");
        Dialog::OnOK();
    }

    void OnCancel() override
    {
        Log("cancel");
        Dialog::OnCancel();
    }

    void OnClose() override
    {
        Log("close");
        Dialog::OnClose();
    }

    void OnSize(std::uint32_t kind, int cx, int cy) override
    {
        Log("size " + std::to_string(cx) + " " + std::to_string(cy));
        Dialog::OnSize(kind, cx, cy);
    }

private:
    LampProbe lamp;
};

class ProbeApplication : public Application {
protected:
    bool StartUp() override
    {
        ProbeDialog dialog;
        SetMainWindow(&dialog);
        Log("result " + std::to_string(dialog.DoModal()));
        return true;
    }
};

std::unique_ptr<Display> CreateLoggingDisplay()
{
    std::string error;
    std::unique_ptr<Display> terminal = DisplaySource::CreateDefault()->Open({}, error);
    if (!terminal) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return nullptr;
    }
    return std::make_unique<LoggingDisplay>(std::move(terminal));
}

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: frontend_probe <template id> <log file>\n", stderr);
        return 2;
    }
    quorvex::probedTemplate = static_cast<std::uint16_t>(std::atoi(argv[1]));
    quorvex::logFile = std::fopen(argv[2], "a");
    quorvex::ProbeApplication application;
    const int result = application.Run(&quorvex::CreateLoggingDisplay);
    if (quorvex::logFile)
        std::fclose(quorvex::logFile);
    return result;
}
