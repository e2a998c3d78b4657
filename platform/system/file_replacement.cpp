#include "platform/system/file_replacement.h"

#include <array>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kRandomCharacters = 6;
// As mkstemp: a name taken by chance is followed by another; one taken every time means
// something else is wrong.
constexpr int kNameTries = 100;

// "<name>.tmp-" and random letters and digits; empty when the kernel gives no randomness.
std::string TemporaryName(const std::string& name)
{
    constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::array<unsigned char, kRandomCharacters> bytes{};
    if (!Posix::Random(bytes.data(), bytes.size()).Ok())
        return {};
    std::string temporary = name + std::string(kTemporaryMark);
    for (const unsigned char byte : bytes)
        temporary += kLetters[byte % kLetters.size()];
    return temporary;
}

}  // namespace

FileReplacement::FileReplacement(FileOperations& operations) : operations(operations)
{
}

FileReplacement::Result FileReplacement::Replace(const FolderHandle& folder,
                                                 const std::string& name, std::string_view text,
                                                 const std::function<bool()>& confirm) const
{
    std::string temporary;
    PosixFile out;
    PosixFile::Result created = PosixFile::Result::AlreadyExists;
    for (int attempt = 0; attempt < kNameTries && created == PosixFile::Result::AlreadyExists;
         ++attempt) {
        temporary = TemporaryName(name);
        if (temporary.empty())
            return Result::Failed;
        created = operations.Create(folder, temporary, out);
    }
    if (created != PosixFile::Result::Ok)
        return Result::Failed;
    const bool written = operations.Write(out, text) && operations.Sync(out);
    out.Close();
    if (!written) {
        // Only the temporary is at stake, and it is ours alone.
        operations.Remove(folder, temporary);
        return Result::Failed;
    }
    if (confirm && !confirm()) {
        operations.Remove(folder, temporary);
        return Result::Declined;
    }
    if (!operations.Rename(folder, temporary, name)) {
        operations.Remove(folder, temporary);
        return Result::Failed;
    }
    return operations.SyncFolder(folder) ? Result::Replaced : Result::Failed;
}

}  // namespace quorvex
