#include "platform/pixel/pixel_display.h"

#include <QBackingStore>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/pixel/pixel_painter.h"
#include "platform/system/display_server.h"
#include "platform/system/file_replacement.h"
#include "platform/system/folder_handle.h"
#include "platform/system/posix.h"
#include "platform/system/program_file.h"
#include "platform/system/utf8.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

// Areas kept apart before the damage counts as the whole screen: more would cost more to
// track than to draw.
constexpr std::size_t kMaxAreas = 16;
constexpr double kInchesPerMetre = 1 / 0.0254;

// Qt ends the process when none of the platforms it was given can start (a server that
// answered the question but refuses the connection); end it as the program ends a start
// that cannot go on instead: its reason on standard error and exit code 255. Installed
// only while the Qt application is made; other messages pass as Qt would write them.
void EndOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const std::string text = message.section(QLatin1Char('\n'), 0, 0).toStdString();
    std::string line;
    if (type == QtFatalMsg)
        line = ToUtf8(ProgramFile::ApplicationName(ProgramFile::Path())) +
               ": no window can be opened: " + text + "\n";
    else
        line = (context.category ? std::string(context.category) + ": " : "") + text + "\n";
    std::fputs(line.c_str(), stderr);
    if (type == QtFatalMsg) {
        std::fflush(stderr);
        Posix::ExitNow(255);
    }
}

QRect ToQRect(const Rect& rect)
{
    return {rect.left, rect.top, rect.Width(), rect.Height()};
}

}  // namespace

PixelDisplay::PixelDisplay(const Options& options)
    : options(options), programName(ToUtf8(options.applicationName))
{
    argv = {programName.data(), nullptr};
}

std::unique_ptr<PixelDisplay> PixelDisplay::Open(const Options& options, std::string& error)
{
    std::unique_ptr<PixelDisplay> display(new PixelDisplay(options));
    if (!display->Start(error))
        return nullptr;
    return display;
}

bool PixelDisplay::Start(std::string& error)
{
    if (!QCoreApplication::instance()) {
        platforms = options.platforms;
        if (platforms.empty()) {
            const DisplayServer::Found server = DisplayServer::Find();
            if (server.platforms.empty()) {
                error = server.why;
                return false;
            }
            platforms = server.platforms;
        }
        argv = {programName.data(), platformFlag.data(), platforms.data(), nullptr};
        argc = 3;
        const QtMessageHandler previous = qInstallMessageHandler(EndOnFatal);
        ownApplication = std::make_unique<QGuiApplication>(argc, argv.data());
        qInstallMessageHandler(previous);
    } else if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        error = "the Qt application of this process cannot show windows";
        return false;
    }
    std::string fontError;
    if (!font.Load(options.fontFolder, fontError) && !(options.anyFont && font.LoadAny())) {
        error = "the dialog's font is missing (the package fonts-dejavu-core has it): " + fontError;
        return false;
    }
    const SystemResult made = Posix::EventFd();
    if (!made.Ok()) {
        error = "cannot make the input queue's wake-up";
        return false;
    }
    queueSignal = static_cast<int>(made.value);
    if (!signals.Open()) {
        error = "another display of this process answers the signals already";
        return false;
    }
    descriptors = {queueSignal, signals.Descriptor()};
    loopWait = std::make_unique<QtLoopWait>();
    window = std::make_unique<PixelWindow>(static_cast<PixelWindow::Listener&>(*this));
    window->resize(options.window.cx, options.window.cy);
    window->setTitle(QString::fromStdWString(options.applicationName));
    backingStore = std::make_unique<QBackingStore>(window.get());
    Refit();
    window->show();
    return true;
}

PixelDisplay::~PixelDisplay()
{
    backingStore.reset();
    window.reset();
    loopWait.reset();
    signals.Close();
    if (queueSignal >= 0)
        (void)Posix::Close(queueSignal);  // an eventfd holds nothing to lose
}

void PixelDisplay::Refit()
{
    pixelRatio = window->devicePixelRatio();
    const QSize logical = window->size();
    const Size device{static_cast<int>(std::lround(logical.width() * pixelRatio)),
                      static_cast<int>(std::lround(logical.height() * pixelRatio))};
    scale = ScreenScale::Fit(device, font.BaseUnits(), options.layouts);
    frame = std::make_unique<QImage>(std::max(device.cx, 1), std::max(device.cy, 1),
                                     QImage::Format_RGB32);
    // The font's points are taken at 96 dots per inch, whatever the screen says.
    const int dotsPerMetre =
        static_cast<int>(std::lround(DialogFont::kDotsPerInch * kInchesPerMetre));
    frame->setDotsPerMeterX(dotsPerMetre);
    frame->setDotsPerMeterY(dotsPerMetre);
    frame->fill(PixelPainter::kPaper);
    backingStore->resize(logical);
    wholeScreen = true;
}

void PixelDisplay::AreaChanged(const Rect& area)
{
    if (wholeScreen)
        return;
    if (areas.size() >= kMaxAreas)
        wholeScreen = true;
    else
        areas.push_back(area);
}

QRegion PixelDisplay::DamagedRegion() const
{
    if (wholeScreen)
        return QRegion(frame->rect());
    QRegion region;
    for (const Rect& area : areas)
        region += ToQRect(scale.ToDevice(area)).intersected(frame->rect());
    return region;
}

void PixelDisplay::Flush(const WindowSystem& model)
{
    if (activateRetries > 0) {
        --activateRetries;
        window->requestActivate();
    }
    if (const Window* front = model.GetForegroundWindow();
        front && front->GetWindowText() != title) {
        title = front->GetWindowText();
        window->setTitle(QString::fromStdWString(title));
    }
    // Drawn once the window can be seen; until then the damage waits.
    if (!window->isExposed() || (!wholeScreen && areas.empty()))
        return;
    const QRegion region = DamagedRegion();
    {
        QPainter painter(frame.get());
        painter.setClipRegion(region);
        painter.fillRect(frame->rect(), PixelPainter::kPaper);
        painter.translate(scale.Origin().x, scale.Origin().y);
        painter.scale(scale.Scale(), scale.Scale());
        PixelPainter(model, font, painter).Paint();
    }
    // The backing store counts in the desktop's pixels; the frame in the device's.
    QRegion logical;
    for (const QRect& rect : region) {
        const QRectF scaled(rect.x() / pixelRatio, rect.y() / pixelRatio, rect.width() / pixelRatio,
                            rect.height() / pixelRatio);
        logical += scaled.toAlignedRect();
    }
    backingStore->beginPaint(logical);
    if (QPaintDevice* device = backingStore->paintDevice()) {
        QPainter painter(device);
        painter.setClipRegion(logical);
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(window->size())), *frame);
    }
    backingStore->endPaint();
    backingStore->flush(logical);
    lastDrawn.clear();
    for (const QRect& rect : region)
        lastDrawn.push_back({rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1});
    wholeScreen = false;
    areas.clear();
}

std::span<const int> PixelDisplay::InputDescriptors() const
{
    return descriptors;
}

void PixelDisplay::Queue(const InputEvent& event)
{
    queue.push_back(event);
    // A full counter already means a pending wake-up.
    (void)Posix::SignalEventFd(queueSignal);
}

void PixelDisplay::ReadInput(WindowSystem& model)
{
    // An empty counter means an earlier call took the wake-up; the queue says what is left.
    (void)Posix::DrainEventFd(queueSignal);
    if (signals.Take().close)
        model.Deliver(InputEvent::CloseRequest());
    // One at a time, each taken before it is delivered: an event that opens a message box
    // leaves the rest to the box's loop.
    while (!queue.empty()) {
        const InputEvent event = queue.front();
        queue.pop_front();
        // Not every change an input makes is announced by the model (an opened list keeps
        // its highlight), so everything is drawn again after any input.
        wholeScreen = true;
        model.Deliver(event);
    }
}

void PixelDisplay::BringToFront()
{
    window->show();
    window->raise();
    window->requestActivate();
    // An X server ignores a focus change stamped earlier than the last one, and Qt stamps
    // it with the last server time it saw, which may predate another program's taking the
    // focus (and Qt may not have heard of that yet, so it cannot tell whether the window is
    // still active). Each request makes the server send a fresh time, which wakes the loop:
    // the passes that follow ask again, a bounded number of times.
    activateRetries = kActivateRetries;
    wholeScreen = true;
}

std::wstring PixelDisplay::ShownOn() const
{
    const QString platform = QGuiApplication::platformName();
    QString where = QStringLiteral("the ") + platform + QStringLiteral(" platform");
    if (platform == QStringLiteral("xcb"))
        where = QStringLiteral("the X display ") + qEnvironmentVariable("DISPLAY");
    else if (platform.startsWith(QStringLiteral("wayland")))
        where = QStringLiteral("the Wayland display ") +
                qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    return (QStringLiteral("a window on ") + where).toStdWString();
}

bool PixelDisplay::SaveScreenshot(const std::string& path) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !frame->save(&buffer, "PNG"))
        return false;
    // Written beside and renamed into place, never through a link at the path; the folder
    // is the one the user named.
    const std::filesystem::path file(path);
    FolderHandle folder;
    if (!file.has_filename() ||
        !folder.Open(file.has_parent_path() ? file.parent_path() : std::filesystem::path(".")).Ok())
        return false;
    return FileReplacement().Replace(
               folder, file.filename().string(),
               std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) ==
           FileReplacement::Result::Replaced;
}

void PixelDisplay::Exposed()
{
    wholeScreen = true;
    (void)Posix::SignalEventFd(queueSignal);  // the loop draws before it waits again
}

void PixelDisplay::Resized()
{
    Refit();
    Queue(InputEvent::Resized(scale.Screen(), font.BaseUnits()));
}

void PixelDisplay::KeyPressed(Key key)
{
    Queue(InputEvent::Press(key));
}

Point PixelDisplay::ToModel(QPointF at) const
{
    return scale.ToModel({static_cast<int>(std::floor(at.x() * pixelRatio)),
                          static_cast<int>(std::floor(at.y() * pixelRatio))});
}

void PixelDisplay::PointerDown(QPointF at)
{
    Queue(InputEvent::ButtonDownAt(ToModel(at)));
}

void PixelDisplay::PointerUp(QPointF at)
{
    Queue(InputEvent::ButtonUpAt(ToModel(at)));
}

void PixelDisplay::PointerCancelled()
{
    // Released beside the screen, where it meets nothing: the press acts on nothing.
    Queue(InputEvent::ButtonUpAt({-1, -1}));
}

void PixelDisplay::CloseAsked()
{
    Queue(InputEvent::CloseRequest());
}

}  // namespace quorvex
