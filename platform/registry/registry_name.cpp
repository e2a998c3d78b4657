#include "platform/registry/registry_name.h"

#include <locale.h>
#include <wctype.h>

namespace quorvex {
namespace {

// A fixed locale rather than the process's own: names must match the same way whatever
// locale the user runs with, and a name must never match one way today and another
// tomorrow. Without C.UTF-8, only ASCII letters fold.
locale_t FoldingLocale()
{
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

wchar_t Upper(wchar_t c)
{
    if (c < 0x80)
        return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
    const locale_t locale = FoldingLocale();
    return locale ? static_cast<wchar_t>(::towupper_l(static_cast<wint_t>(c), locale)) : c;
}

bool IsStorable(wchar_t c)
{
    const auto code = static_cast<std::make_unsigned_t<wchar_t>>(c);
    return code >= 0x20 && code != 0x7F && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

bool AllStorable(std::wstring_view name)
{
    for (wchar_t c : name)
        if (!IsStorable(c))
            return false;
    return true;
}

}  // namespace

bool RegistryName::Equal(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

bool RegistryName::IsValidKeyName(std::wstring_view name)
{
    return !name.empty() && name.size() <= kMaxKeyName &&
           name.find(L'\\') == std::wstring_view::npos && AllStorable(name);
}

bool RegistryName::IsValidValueName(std::wstring_view name)
{
    return name.size() <= kMaxValueName && AllStorable(name);
}

}  // namespace quorvex
