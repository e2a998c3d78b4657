#pragma once

#include <QFont>
#include <string>

#include "platform/window/window_types.h"

namespace quorvex {

// The one font the pixel display draws the dialog in: DejaVu Sans, regular and bold, from
// the font files themselves (not looked up among the machine's fonts), at the handheld's
// size, 8 points at 96 dots per inch. Its base units are the dialog's: horizontal, the
// average width of the 52 letters A-Z and a-z, rounded; vertical, the line height (ascent
// plus descent). Needs the Qt application; UI thread only.
class DialogFont {
public:
    // Where Debian's fonts-dejavu-core puts the files.
    static constexpr const char* kDefaultFolder = "/usr/share/fonts/truetype/dejavu";
    static constexpr const char* kRegularFile = "DejaVuSans.ttf";
    static constexpr const char* kBoldFile = "DejaVuSans-Bold.ttf";

    DialogFont() = default;
    virtual ~DialogFont();  // gives the font files back to Qt
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    // Both files must be regular files of a sane size that Qt can read as fonts; otherwise
    // false, and `error` names the file and what is wrong with it. Loads once.
    bool Load(const std::string& folder, std::string& error);
    // The machine's default font instead, when the files cannot be had and any readable
    // text will do (a message that the program cannot start); false when the machine has
    // no font at all, which Qt would draw as boxes.
    bool LoadAny();

    const QFont& Regular() const { return regular; }
    const QFont& Bold() const { return bold; }
    Size BaseUnits() const { return baseUnits; }

    // The dots per inch the font's points are taken at.
    static constexpr int kDotsPerInch = 96;

private:
    // The font's id in Qt's database, -1 (with `error` said) when it cannot be added.
    static int Add(const std::string& path, QString& family, std::string& error);
    // The base units of the regular face.
    void Measure();

    int regularId = -1;
    int boldId = -1;
    QFont regular;
    QFont bold;
    Size baseUnits;
};

}  // namespace quorvex
