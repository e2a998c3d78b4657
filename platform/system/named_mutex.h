#pragma once

#include <string_view>

namespace quorvex {

class FolderHandle;

// A mutex known by name to every process of the user: a lock file in the prefix's locks/
// folder, held with an exclusive advisory lock for as long as the object keeps it. The kernel drops the
// lock when the process ends in any way, so a crashed holder never blocks the next one.
// Two objects in one process conflict just as two processes do. Owner's thread only.
class NamedMutex {
public:
    NamedMutex() = default;
    virtual ~NamedMutex();  // releases the lock
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    enum class Result { Created, AlreadyExists, Failed };

    // Creates the mutex in the checked `prefix`, or finds that another holder has it
    // (AlreadyExists: this object then holds nothing). Failed when the locks folder or the
    // lock file cannot be used: anything but the user's own folder there, or a link in the
    // lock file's place, which is never followed.
    Result Create(const FolderHandle& prefix, std::wstring_view name);
    void Close();
    bool IsHeld() const { return descriptor >= 0; }

private:
    int descriptor = -1;
};

}  // namespace quorvex
