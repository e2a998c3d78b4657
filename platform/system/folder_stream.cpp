#include "platform/system/folder_stream.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>

#include "platform/system/folder_handle.h"
#include "platform/system/posix.h"

namespace quorvex {

FolderStream::~FolderStream()
{
    Close();
}

bool FolderStream::Open(const std::filesystem::path& folder)
{
    return OpenAt(AT_FDCWD, folder.c_str());
}

bool FolderStream::Open(const FolderHandle& folder)
{
    return OpenAt(folder.Descriptor(), ".");
}

bool FolderStream::OpenAt(int folder, const char* name)
{
    Close();
    failed = false;
    const SystemResult opened = Posix::OpenAt(folder, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!opened.Ok())
        return false;
    descriptor = static_cast<int>(opened.value);
    return true;
}

const char* FolderStream::Next()
{
    while (descriptor >= 0) {
        if (at >= filled) {
            const SystemResult read = Posix::ReadFolder(descriptor, buffer.data(), buffer.size());
            if (!read.Ok() || read.value <= 0) {
                failed = !read.Ok();
                Close();
                return nullptr;
            }
            filled = static_cast<std::size_t>(read.value);
            at = 0;
        }
        std::byte* const record = buffer.data() + at;
        std::uint16_t length = 0;
        std::memcpy(&length, record + offsetof(dirent64, d_reclen), sizeof length);
        if (length == 0 || at + length > filled) {
            failed = true;
            Close();
            return nullptr;
        }
        at += length;
        const char* name = reinterpret_cast<const char*>(record + offsetof(dirent64, d_name));
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
            return name;
    }
    return nullptr;
}

void FolderStream::Close()
{
    if (descriptor >= 0)
        (void)Posix::Close(descriptor);  // a read-only folder: nothing to lose on close
    descriptor = -1;
    filled = 0;
    at = 0;
}

}  // namespace quorvex
