#include "platform/registry/registry_name.h"

#include "platform/system/text_fold.h"

namespace quorvex {
namespace {

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
    return TextFold::Equal(a, b);
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
