#include "platform/system/file_operations.h"

namespace quorvex {

bool FileOperations::Create(const std::filesystem::path& path, PosixFile& file)
{
    return file.Open(path, PosixFile::Mode::Replace) == PosixFile::Result::Ok;
}

bool FileOperations::Write(PosixFile& file, std::string_view text)
{
    return file.WriteAll(text);
}

bool FileOperations::Sync(PosixFile& file)
{
    return file.Sync();
}

bool FileOperations::Rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return PosixFile::Rename(from, to);
}

bool FileOperations::SyncFolder(const std::filesystem::path& folder)
{
    PosixFile opened;
    return opened.Open(folder, PosixFile::Mode::Folder) == PosixFile::Result::Ok && opened.Sync();
}

bool FileOperations::Remove(const std::filesystem::path& path)
{
    return PosixFile::Remove(path);
}

FileOperations& FileOperations::System()
{
    static FileOperations operations;
    return operations;
}

}  // namespace quorvex
