#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "platform/system/file_operations.h"

namespace quorvex {

// Replaces a file whole, so that a crash or a kill at any moment leaves the old file or
// the new one, never a torn one: the text is written to "<file>.tmp" beside it, flushed
// to the disk, renamed over the file, and the folder is flushed so that the rename lasts
// too. The new file has mode 0600. Two replacements of one file must not run at once
// (they share the temporary); the caller's lock sees to that. Callable from any thread.
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
    Result Replace(const std::filesystem::path& file, std::string_view text,
                   const std::function<bool()>& confirm = {}) const;

private:
    FileOperations& operations;
};

}  // namespace quorvex
