#include "platform/pixel/dialog_font.h"

#include <sys/stat.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <cmath>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

// A DejaVu Sans face is under 1 MiB; anything far larger is not the font we ship.
constexpr long long kMaxFontBytes = 16LL << 20;
constexpr double kPointSize = 8.0;
constexpr double kInchesPerMetre = 1 / 0.0254;

QFont MakeFont(const QString& family, bool isBold)
{
    QFont font(family);
    font.setPointSizeF(kPointSize);
    font.setBold(isBold);
    font.setStretch(QFont::Unstretched);
    font.setStyle(QFont::StyleNormal);
    // A glyph the font lacks shows as missing rather than from another font of the machine.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

}  // namespace

DialogFont::~DialogFont()
{
    for (int id : {regularId, boldId})
        if (id >= 0)
            QFontDatabase::removeApplicationFont(id);
}

int DialogFont::Add(const std::string& path, QString& family, std::string& error)
{
    struct stat status {};
    const SystemResult found = Posix::Status(path.c_str(), status);
    if (!found.Ok()) {
        error = path + " is missing";
        return -1;
    }
    if (!S_ISREG(status.st_mode) || status.st_size <= 0 || status.st_size > kMaxFontBytes) {
        error = path + " is not a font file";
        return -1;
    }
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(path));
    const QStringList families =
        id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList{};
    if (families.isEmpty()) {
        if (id >= 0)
            QFontDatabase::removeApplicationFont(id);
        error = path + " cannot be read as a font";
        return -1;
    }
    family = families.front();
    return id;
}

bool DialogFont::Load(const std::string& folder, std::string& error)
{
    if (regularId >= 0)
        return true;
    QString regularFamily;
    QString boldFamily;
    regularId = Add(folder + "/" + kRegularFile, regularFamily, error);
    if (regularId < 0)
        return false;
    boldId = Add(folder + "/" + kBoldFile, boldFamily, error);
    if (boldId < 0)
        return false;
    regular = MakeFont(regularFamily, false);
    bold = MakeFont(boldFamily, true);
    Measure();
    return true;
}

bool DialogFont::LoadAny()
{
    if (baseUnits.cx > 0)
        return true;
    const QString family = QGuiApplication::font().family();
    if (QFontDatabase::families().isEmpty() || family.isEmpty())
        return false;
    regular = MakeFont(family, false);
    bold = MakeFont(family, true);
    Measure();
    return true;
}

void DialogFont::Measure()
{
    // Measured on a surface of 96 dots per inch, whatever the screen's own density.
    QImage surface(1, 1, QImage::Format_RGB32);
    const int dotsPerMetre = static_cast<int>(std::lround(kDotsPerInch * kInchesPerMetre));
    surface.setDotsPerMeterX(dotsPerMetre);
    surface.setDotsPerMeterY(dotsPerMetre);
    const QFontMetricsF widths(regular, &surface);
    double letters = 0;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters += widths.horizontalAdvance(QChar(c)) + widths.horizontalAdvance(QChar(c + 32));
    const QFontMetrics lines(regular, &surface);
    baseUnits = {static_cast<int>(std::lround(letters / 52)), lines.ascent() + lines.descent()};
}

}  // namespace quorvex
