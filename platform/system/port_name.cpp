#include "platform/system/port_name.h"

#include <string>
#include <system_error>

#include "platform/system/text_fold.h"
#include "platform/system/utf8.h"

namespace quorvex {

std::optional<unsigned> PortName::Number(std::wstring_view name)
{
    if (name.ends_with(L':'))
        name.remove_suffix(1);
    if (name.size() < 4 || name.size() > 6 || !TextFold::Equal(name.substr(0, 3), L"COM"))
        return std::nullopt;
    unsigned number = 0;
    for (wchar_t digit : name.substr(3)) {
        if (digit < L'0' || digit > L'9')
            return std::nullopt;
        number = number * 10 + static_cast<unsigned>(digit - L'0');
    }
    if (number == 0)
        return std::nullopt;
    return number;
}

std::optional<std::filesystem::path> PortName::Resolve(
    std::wstring_view name, const std::optional<std::filesystem::path>& prefix)
{
    if (name.starts_with(L'/'))
        return std::filesystem::path(ToUtf8(name));
    const std::optional<unsigned> number = Number(name);
    if (!number)
        return std::nullopt;
    if (prefix) {
        const std::filesystem::path link = *prefix / "devices" / ("com" + std::to_string(*number));
        std::error_code error;
        if (std::filesystem::is_symlink(link, error) || std::filesystem::exists(link, error))
            return link;
    }
    return std::filesystem::path("/dev/ttyS" + std::to_string(*number - 1));
}

}  // namespace quorvex
