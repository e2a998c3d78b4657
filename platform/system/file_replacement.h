#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/system/file_operations.h"
#include "platform/system/folder_handle.h"

namespace quorvex {

// Replaces a file whole, so that a crash or a kill at any moment leaves the old file or
// the new one, never a torn one: the text is written to a temporary file beside it,
// flushed to the disk, renamed over the file, and the folder is flushed so that the rename
// lasts too. The temporary gets a fresh name ("<file>.tmp-" and six random characters) and
// is made only where nothing stands, never through a link, so that whoever else may write
// in the folder can neither make the write land elsewhere nor see it before the rename. A
// link at the file's own name is replaced, not followed. The new file has mode 0600.
// Callable from any thread; two replacements of one file may run at once, and the last
// rename wins.
class FileReplacement {
public:
    enum class Result {
        Replaced,
        Declined,  // `confirm` said no; the file is as it was
        Failed,    // the file is as it was, or (only when the folder could not be
                   // flushed) replaced but perhaps not lastingly
    };

    explicit FileReplacement(FileOperations& operations = FileOperations::System());

    // `confirm`, when given, runs after the new text is on the disk and just before the
    // rename: the last moment to find that the file changed under the caller.
    Result Replace(const FolderHandle& folder, const std::string& name, std::string_view text,
                   const std::function<bool()>& confirm = {}) const;

private:
    FileOperations& operations;
};

}  // namespace quorvex
