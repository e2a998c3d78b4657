#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvex {

class FolderHandle;

// What identifies one version of a file: a replaced file has another inode, a file changed
// in place another size or time.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// One open file descriptor, owned and closed by this object, with the few file system
// calls the registry hives need. Each call is wrapped here once: interrupted calls are
// retried and errno becomes a small result. Not shared between threads.
class PosixFile {
public:
    enum class Result { Ok, NotFound, AlreadyExists, TooLarge, NotRegular, Failed };

    enum class Mode {
        Read,           // an existing regular file, read only, a link followed; anything
                        // else (a FIFO, a device, a folder) is NotRegular, and opening never
                        // blocks
        ReadUnlinked,   // the same, but a link is refused (NotRegular) rather than followed:
                        // for files only this program writes
        CreateNew,      // made afresh, write only, mode 0600; a name already taken, even
                        // by a link, is AlreadyExists and stays as it was
        LockCompanion,  // made when missing, mode 0600, held only to be locked; a link
                        // is refused (NotRegular), never followed
    };

    PosixFile() = default;
    ~PosixFile();
    PosixFile(PosixFile&& other) noexcept;
    PosixFile& operator=(PosixFile&& other) noexcept;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    Result Open(const std::filesystem::path& path, Mode mode);
    // The file `name` inside `folder`.
    Result Open(const FolderHandle& folder, std::string_view name, Mode mode);
    bool IsOpen() const { return descriptor >= 0; }
    void Close();

    // Waits until this process holds the exclusive lock of the file. The lock ends with
    // Close, or with the process.
    bool LockExclusive();
    // Takes the exclusive lock when nobody else holds it; false at once otherwise.
    bool TryLockExclusive();

    Result Identity(FileIdentity& identity) const;

    // Reads the whole file into `text`; TooLarge, with nothing read, past `limit` bytes.
    Result ReadAll(std::string& text, std::uint64_t limit);
    bool WriteAll(std::string_view text);
    bool Sync();

    // The identity of the file a path names, or `name` in `folder` names, links followed;
    // NotRegular for anything but a regular file.
    static Result IdentityOf(const std::filesystem::path& path, FileIdentity& identity);
    static Result IdentityOf(const FolderHandle& folder, std::string_view name,
                             FileIdentity& identity);
    // A second name for a file; AlreadyExists when `to` is taken.
    static Result Link(const std::filesystem::path& from, const std::filesystem::path& to);

private:
    Result OpenAt(int folder, const char* name, Mode mode);
    static Result IdentityAt(int folder, const char* name, FileIdentity& identity);

    int descriptor = -1;
};

}  // namespace quorvex
