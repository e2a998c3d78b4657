#pragma once

#include <array>
#include <cstddef>
#include <filesystem>

namespace quorvex {

class FolderHandle;

// The names in one folder, read in batches into a buffer of the object's own, so that
// listing a large folder (every process, every descriptor of a process) allocates nothing
// per entry. The object owns the folder's descriptor and closes it. Used by one thread.
class FolderStream {
public:
    FolderStream() = default;
    ~FolderStream();
    FolderStream(const FolderStream&) = delete;
    FolderStream& operator=(const FolderStream&) = delete;

    // Opens the folder; false when it cannot be read (gone, not a folder, not allowed).
    bool Open(const std::filesystem::path& folder);
    // The same for the open `folder`, read through a descriptor of its own, so that
    // `folder` stays as it is.
    bool Open(const FolderHandle& folder);

    // The next name, "." and ".." left out; valid until the next call. Nothing at the end
    // of the folder, or when it can no longer be read.
    const char* Next();
    // True when Next ended the listing on an error rather than at the folder's end.
    bool Failed() const { return failed; }

    // The open folder's descriptor, for calls that name an entry relative to it.
    int Descriptor() const { return descriptor; }

private:
    bool OpenAt(int folder, const char* name);
    void Close();

    int descriptor = -1;
    alignas(8) std::array<std::byte, 16384> buffer{};
    std::size_t filled = 0;
    std::size_t at = 0;
    bool failed = false;
};

}  // namespace quorvex
