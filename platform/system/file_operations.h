#pragma once

#include <string>
#include <string_view>

#include "platform/system/folder_handle.h"
#include "platform/system/posix_file.h"

namespace quorvex {

// The file system calls of a durable file replacement, each a virtual call, so that a
// test can record their order or make one of them fail. System() makes them for real;
// a test derives from this class and calls the base for what it lets through. Every call
// names a file inside an open folder. Stateless; callable from any thread.
class FileOperations {
public:
    virtual ~FileOperations() = default;

    // Makes the file `name` afresh, for writing only, mode 0600; AlreadyExists when the
    // name is taken, by a link as by anything else.
    virtual PosixFile::Result Create(const FolderHandle& folder, const std::string& name,
                                     PosixFile& file);
    virtual bool Write(PosixFile& file, std::string_view text);
    virtual bool Sync(PosixFile& file);
    virtual bool Rename(const FolderHandle& folder, const std::string& from, const std::string& to);
    virtual bool SyncFolder(const FolderHandle& folder);
    virtual bool Remove(const FolderHandle& folder, const std::string& name);

    static FileOperations& System();
};

}  // namespace quorvex
