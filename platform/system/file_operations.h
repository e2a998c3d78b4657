#pragma once

#include <filesystem>
#include <string_view>

#include "platform/system/posix_file.h"

namespace quorvex {

// The file system calls of a durable file replacement, each a virtual call, so that a
// test can record their order or make one of them fail. System() makes them for real;
// a test derives from this class and calls the base for what it lets through.
// Stateless; callable from any thread.
class FileOperations {
public:
    virtual ~FileOperations() = default;

    // Creates `path`, or empties it, for writing only, mode 0600.
    virtual bool Create(const std::filesystem::path& path, PosixFile& file);
    virtual bool Write(PosixFile& file, std::string_view text);
    virtual bool Sync(PosixFile& file);
    virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual bool SyncFolder(const std::filesystem::path& folder);
    virtual bool Remove(const std::filesystem::path& path);

    static FileOperations& System();
};

}  // namespace quorvex
