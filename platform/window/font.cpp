#include "platform/window/font.h"

namespace quorvex {

bool Font::CreateFontIndirect(const LogFont& description)
{
    if (description.face.empty() || description.height == 0)
        return false;
    logFont = description;
    created = true;
    return true;
}

bool Font::GetLogFont(LogFont& description) const
{
    if (!created)
        return false;
    description = logFont;
    return true;
}

}  // namespace quorvex
