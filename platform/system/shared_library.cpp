#include "platform/system/shared_library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/system/posix.h"

namespace quorvex {

bool SharedLibrary::Load(const std::string& path, std::string& error)
{
    if (handle)
        return true;
    if (path.empty() || path.front() != '/') {
        error = path + " is not an absolute path";
        return false;
    }
    const SystemResult opened = Posix::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (!opened.Ok()) {
        error = path + (opened.error == ENOENT ? " is missing"
                                               : ": " + std::string(std::strerror(opened.error)));
        return false;
    }
    const int fd = static_cast<int>(opened.value);
    struct stat status {};
    std::string refused;
    if (!Posix::Status(fd, status).Ok() || !S_ISREG(status.st_mode))
        refused = " is not a regular file";
    else if (status.st_uid != 0 && status.st_uid != Posix::EffectiveUser())
        refused = " belongs to neither root nor you";
    else if (status.st_mode & S_IWOTH)
        refused = " may be written by others";
    if (refused.empty()) {
        // The open file itself, through its descriptor: the one just checked.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        handle = ::dlopen(self.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* said = ::dlerror();
            std::string why = said ? said : "";
            // The loader names the descriptor's path; the person knows the file by its own.
            if (why.rfind(self + ": ", 0) == 0)
                why.erase(0, self.size() + 2);
            refused = " cannot be loaded: " + (why.empty() ? std::string("unknown error") : why);
        }
    }
    (void)Posix::Close(fd);  // read only; the loader keeps its own mapping
    if (!handle) {
        error = path + refused;
        return false;
    }
    return true;
}

void* SharedLibrary::Symbol(const char* name) const
{
    return handle ? ::dlsym(handle, name) : nullptr;
}

}  // namespace quorvex
