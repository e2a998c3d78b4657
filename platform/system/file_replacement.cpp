#include "platform/system/file_replacement.h"

namespace quorvex {

FileReplacement::FileReplacement(FileOperations& operations) : operations(operations)
{
}

FileReplacement::Result FileReplacement::Replace(const std::filesystem::path& file,
                                                 std::string_view text,
                                                 const std::function<bool()>& confirm) const
{
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    PosixFile out;
    if (!operations.Create(temporary, out))
        return Result::Failed;
    const bool written = operations.Write(out, text) && operations.Sync(out);
    out.Close();
    if (!written) {
        // Only the temporary is at stake; one left behind is emptied by the next write.
        operations.Remove(temporary);
        return Result::Failed;
    }
    if (confirm && !confirm()) {
        operations.Remove(temporary);
        return Result::Declined;
    }
    if (!operations.Rename(temporary, file)) {
        operations.Remove(temporary);
        return Result::Failed;
    }
    return operations.SyncFolder(file.parent_path()) ? Result::Replaced : Result::Failed;
}

}  // namespace quorvex
