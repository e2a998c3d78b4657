#include "platform/system/program_file.h"

#include "platform/system/posix.h"
#include "platform/system/utf8.h"

namespace quorvex {
namespace {

std::wstring ProgramOf(const std::string& process)
{
    const std::string link = "/proc/" + process + "/exe";
    std::string path;
    if (!Posix::ReadLink(link.c_str(), path).Ok() || path.empty())
        return {};
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) {
        // Unless a file of that very name is the one running, the mark is the system's.
        NodeStatus running, named;
        if (!Posix::StatNode(link.c_str(), running).Ok() ||
            !Posix::StatNode(path.c_str(), named).Ok() || running.inode != named.inode ||
            running.fileSystemMajor != named.fileSystemMajor ||
            running.fileSystemMinor != named.fileSystemMinor)
            path.resize(path.size() - kDeleted.size());
    }
    return FromUtf8(path);
}

}  // namespace

std::wstring ProgramFile::Path()
{
    return ProgramOf("self");
}

std::wstring ProgramFile::OfProcess(int pid)
{
    return ProgramOf(std::to_string(pid));
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
