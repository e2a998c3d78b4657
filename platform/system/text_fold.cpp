#include "platform/system/text_fold.h"

#include <locale.h>
#include <wctype.h>

namespace quorvex {
namespace {

// A fixed locale rather than the process's own, which the terminal changes at run time.
// Without C.UTF-8, only ASCII letters fold.
locale_t FoldingLocale()
{
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

}  // namespace

wchar_t TextFold::Upper(wchar_t c)
{
    if (c < 0x80)
        return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
    const locale_t locale = FoldingLocale();
    return locale ? static_cast<wchar_t>(::towupper_l(static_cast<wint_t>(c), locale)) : c;
}

bool TextFold::Equal(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

std::wstring TextFold::Fold(std::wstring_view text)
{
    std::wstring folded(text);
    for (wchar_t& c : folded)
        c = Upper(c);
    return folded;
}

}  // namespace quorvex
