#pragma once

#include <array>
#include <cstddef>
#include <filesystem>

namespace quorvex {

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

    // The next name, "." and ".." left out; valid until the next call. Nothing at the end
    // of the folder, or when it can no longer be read.
    const char* Next();

    // The open folder's descriptor, for calls that name an entry relative to it.
    int Descriptor() const { return descriptor; }

private:
    void Close();

    int descriptor = -1;
    alignas(8) std::array<std::byte, 16384> buffer{};
    std::size_t filled = 0;
    std::size_t at = 0;
};

}  // namespace quorvex
