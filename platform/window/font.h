#pragma once

#include <string>

namespace quorvex {

// A font's logical description: face, height in pixels (the height of one text row),
// and weight (FW_NORMAL 400, FW_BOLD 700).
struct LogFont {
    std::wstring face;
    int height = 0;
    int weight = 0;
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// A font object made from a logical description. Windows refer to a font without owning
// it (WM_SETFONT), so its owner keeps it alive while any window uses it. UI thread only.
class Font {
public:
    Font() = default;
    virtual ~Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // False when the description names no face or no height; the font stays empty then.
    bool CreateFontIndirect(const LogFont& description);
    void DeleteObject() { created = false; }
    bool IsCreated() const { return created; }

    // The description the font was made from; false while the font is empty.
    bool GetLogFont(LogFont& description) const;
    bool IsBold() const { return created && logFont.weight >= FW_BOLD_THRESHOLD; }

private:
    static constexpr int FW_BOLD_THRESHOLD = 600;  // semi-bold and heavier show as bold
    LogFont logFont;
    bool created = false;
};

}  // namespace quorvex
