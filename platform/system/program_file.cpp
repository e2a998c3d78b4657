#include "platform/system/program_file.h"

#include <array>

#include "platform/system/posix.h"
#include "platform/system/utf8.h"

namespace quorvex {

std::wstring ProgramFile::Path()
{
    std::array<char, 4096> buffer;
    const SystemResult length = Posix::ReadLink("/proc/self/exe", buffer.data(), buffer.size());
    if (!length.Ok() || length.value == 0 ||
        static_cast<std::size_t>(length.value) >= buffer.size())
        return {};
    return FromUtf8({buffer.data(), static_cast<std::size_t>(length.value)});
}

std::wstring ProgramFile::ApplicationName(std::wstring_view path)
{
    const std::size_t slash = path.find_last_of(L"/:\\");
    std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    // A dot is an extension's only when no space follows it (the directory part is gone).
    if (dot != std::wstring_view::npos && name.find(L' ', dot) == std::wstring_view::npos)
        name = name.substr(0, dot);
    return std::wstring(name);
}

}  // namespace quorvex
