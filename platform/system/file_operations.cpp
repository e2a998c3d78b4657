#include "platform/system/file_operations.h"

namespace quorvex {

PosixFile::Result FileOperations::Create(const FolderHandle& folder, const std::string& name,
                                         PosixFile& file)
{
    return file.Open(folder, name, PosixFile::Mode::CreateNew);
}

bool FileOperations::Write(PosixFile& file, std::string_view text)
{
    return file.WriteAll(text);
}

bool FileOperations::Sync(PosixFile& file)
{
    return file.Sync();
}

bool FileOperations::Rename(const FolderHandle& folder, const std::string& from,
                            const std::string& to)
{
    return folder.Rename(from, to);
}

bool FileOperations::SyncFolder(const FolderHandle& folder)
{
    return folder.Sync();
}

bool FileOperations::Remove(const FolderHandle& folder, const std::string& name)
{
    return folder.Remove(name);
}

FileOperations& FileOperations::System()
{
    static FileOperations operations;
    return operations;
}

}  // namespace quorvex
