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
        // Loaded by its path (the loader knows an object by the name it was loaded under, so
        // a descriptor's name would alias whatever was loaded through that number before),
        // and taken only when the path still names the file just checked.
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        struct stat now {};
        if (!handle) {
            const char* said = ::dlerror();
            refused = " cannot be loaded: " + std::string(said ? said : "unknown error");
        } else if (!Posix::Status(path.c_str(), now).Ok() || now.st_dev != status.st_dev ||
                   now.st_ino != status.st_ino) {
            (void)::dlclose(handle);  // nothing of it has run but its constructors
            handle = nullptr;
            refused = " changed while it was being loaded";
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
