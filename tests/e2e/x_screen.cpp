// quorvex-x-screen: what the end-to-end test and the figures need of an X screen (Xvfb) that
// xdotool does not give, with Qt alone, so that no other tool is needed:
//
//   grab FILE [X Y W H]          writes the screen (or that part of it) to FILE as a PNG
//   compare A B [X Y W H]        exit 0 when the PNGs A and B are alike pixel for pixel,
//                                the rectangle X Y W H (the lamp, which flashes) left out;
//                                else says how many pixels differ and where, exit 1
//   decoy TITLE                  shows a small window titled TITLE, writes its X window id,
//                                and waits to be killed: something else to have the focus
//   first-frame X Y W H S [MX MY MW MH]... -- PROGRAM
//                                starts PROGRAM (standard input /dev/null) and grabs the
//                                screen's part X Y W H as fast as it can for S seconds; the
//                                picture it ends on is the settled window, and the program's
//                                first whole frame is the first grab equal to it outside the
//                                rectangles MX MY MW MH (parts a later tick fills, relative to
//                                X Y): writes "first-frame-ms N" (from the start of PROGRAM),
//                                "settled-ms N" (the last change), the pid ("pid N") and the
//                                grabs' mean interval, the figure's resolution
//                                ("grab-interval-ms N"), and leaves PROGRAM running
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

std::optional<QRect> Region(char** argv, int argc, int first)
{
    if (argc < first + 4)
        return std::nullopt;
    return QRect(std::atoi(argv[first]), std::atoi(argv[first + 1]), std::atoi(argv[first + 2]),
                 std::atoi(argv[first + 3]));
}

QImage Grab(const QRect& region)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = region.isValid() ? screen->grabWindow(0, region.x(), region.y(),
                                                               region.width(), region.height())
                                          : screen->grabWindow(0);
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

// The pixels of two pictures of one size that differ outside the masked rectangles, and
// the rectangle around them.
long Differing(const QImage& a, const QImage& b, const std::vector<QRect>& masks, QRect& where)
{
    long differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QPoint point(x, y);
            if (a.pixel(point) != b.pixel(point) &&
                std::none_of(masks.begin(), masks.end(),
                             [&](const QRect& mask) { return mask.contains(point); })) {
                ++differing;
                where |= QRect(point, QSize(1, 1));
            }
        }
    return differing;
}

int Compare(const char* first, const char* second, const std::optional<QRect>& mask)
{
    const QImage a = QImage(first).convertToFormat(QImage::Format_RGB32);
    const QImage b = QImage(second).convertToFormat(QImage::Format_RGB32);
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        std::printf("the pictures differ in size: %dx%d and %dx%d\n", a.width(), a.height(),
                    b.width(), b.height());
        return 1;
    }
    QRect where;
    const long differing = Differing(a, b, mask ? std::vector{*mask} : std::vector<QRect>{}, where);
    if (differing == 0)
        return 0;
    std::printf("%ld pixels differ, within x %d..%d, y %d..%d\n", differing, where.left(),
                where.right(), where.top(), where.bottom());
    return 1;
}

int FirstFrame(const QRect& region, double seconds, const std::vector<QRect>& masks, char** program)
{
    struct Sample {
        qint64 at;
        QImage image;
    };
    std::vector<Sample> changes;
    QProcess child;
    child.setStandardInputFile(QProcess::nullDevice());
    QStringList arguments;
    for (char** each = program + 1; *each; ++each)
        arguments << QString::fromLocal8Bit(*each);
    child.setProgram(QString::fromLocal8Bit(program[0]));
    child.setArguments(arguments);
    QElapsedTimer clock;
    clock.start();
    // Detached: the program goes on after this tool ends, and the caller ends it.
    qint64 pid = 0;
    if (!child.startDetached(&pid)) {
        std::fprintf(stderr, "cannot start %s\n", program[0]);
        return 1;
    }
    long grabs = 0;
    while (clock.elapsed() < seconds * 1000) {
        const qint64 at = clock.elapsed();
        QImage image = Grab(region);
        ++grabs;
        if (changes.empty() || image != changes.back().image)
            changes.push_back({at, std::move(image)});
    }
    const QImage& settled = changes.back().image;
    for (const Sample& sample : changes) {
        QRect where;
        if (Differing(sample.image, settled, masks, where) == 0) {
            std::printf("first-frame-ms %lld\nsettled-ms %lld\npid %lld\ngrab-interval-ms %.1f\n",
                        static_cast<long long>(sample.at),
                        static_cast<long long>(changes.back().at), static_cast<long long>(pid),
                        static_cast<double>(clock.elapsed()) / static_cast<double>(grabs));
            break;
        }
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "compare") == 0) {
        // No display needed to compare two files.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return Compare(argv[2], argv[3], Region(argv, argc, 4));
    }
    QGuiApplication application(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "grab") == 0) {
        const QImage image = Grab(Region(argv, argc, 3).value_or(QRect()));
        return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "decoy") == 0) {
        QWindow window;
        window.setTitle(QString::fromLocal8Bit(argv[2]));
        window.setGeometry(600, 20, 120, 80);
        window.show();
        std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
        return application.exec();
    }
    if (argc >= 9 && std::strcmp(argv[1], "first-frame") == 0) {
        std::vector<QRect> masks;
        int at = 7;
        for (; at + 4 < argc && std::strcmp(argv[at], "--") != 0; at += 4)
            masks.push_back(*Region(argv, argc, at));
        if (at + 1 < argc && std::strcmp(argv[at], "--") == 0)
            return FirstFrame(*Region(argv, argc, 2), std::atof(argv[6]), masks, argv + at + 1);
    }
    std::fputs(
        "usage: quorvex-x-screen grab FILE [X Y W H] | compare A B [X Y W H] | decoy TITLE\n"
        "       | first-frame X Y W H SECONDS [MX MY MW MH]... -- PROGRAM [ARGS]\n",
        stderr);
    return 2;
}
