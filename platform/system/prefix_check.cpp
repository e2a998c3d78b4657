#include "platform/system/prefix_check.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/system/posix.h"
#include "platform/system/prefix.h"

namespace quorvex {
namespace {

using Finding = PrefixCheck::Finding;
using Problem = PrefixCheck::Problem;

// A path as a shell reads it back, whatever characters it holds.
std::string Quoted(const std::filesystem::path& path)
{
    std::string quoted = "'";
    for (const char c : path.string()) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ModeText(const struct stat& status)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    return text;
}

Finding Unusable(const std::filesystem::path& folder, int error)
{
    return {folder, Problem::Unusable, std::generic_category().message(error), {}};
}

Finding NotAFolder(const std::filesystem::path& folder)
{
    std::filesystem::path aside = folder;
    aside += ".aside";
    return {folder, Problem::NotAFolder, {}, "mv " + Quoted(folder) + " " + Quoted(aside)};
}

// What a failure to open a folder says: a link or a file in the way, or the system's reason.
Finding Failure(const std::filesystem::path& folder, int error)
{
    return error == ELOOP || error == ENOTDIR ? NotAFolder(folder) : Unusable(folder, error);
}

// The prefix and its folders: the user's own, writable by nobody else.
std::optional<Finding> JudgeOwn(const std::filesystem::path& folder, const struct stat& status)
{
    const unsigned user = Posix::EffectiveUser();
    if (!S_ISDIR(status.st_mode))
        return NotAFolder(folder);
    if (status.st_uid != user)
        return Finding{folder, Problem::NotOwned, "user " + std::to_string(status.st_uid),
                       "chown " + std::to_string(user) + " " + Quoted(folder)};
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return Finding{folder, Problem::WritableByOthers, "mode " + ModeText(status),
                       "chmod go-w " + Quoted(folder)};
    return std::nullopt;
}

// A folder above the prefix: root's or the user's, and sticky where others may write.
std::optional<Finding> JudgeAncestor(const std::filesystem::path& folder, const struct stat& status)
{
    const unsigned user = Posix::EffectiveUser();
    if (status.st_uid != 0 && status.st_uid != user)
        return Finding{folder, Problem::AncestorNotOwned, "user " + std::to_string(status.st_uid),
                       "chown " + std::to_string(user) + " " + Quoted(folder)};
    if ((status.st_mode & S_IWOTH) != 0 && (status.st_mode & S_ISVTX) == 0)
        return Finding{folder, Problem::AncestorWritable, "mode " + ModeText(status),
                       "chmod o-w " + Quoted(folder)};
    return std::nullopt;
}

// The open `folder`, judged by what its own descriptor says: as the prefix or one of its
// folders when `own`, else as a folder above it.
std::optional<Finding> Judge(const FolderHandle& folder, bool own)
{
    struct stat status {};
    if (const SystemResult got = Posix::Status(folder.Descriptor(), status); !got.Ok())
        return Unusable(folder.Path(), got.error);
    return own ? JudgeOwn(folder.Path(), status) : JudgeAncestor(folder.Path(), status);
}

// Where the prefix is once its links are followed: the folders that exist, resolved, and
// the names below them still to be made. A problem when it cannot be told.
std::optional<Finding> Resolve(const std::filesystem::path& location, std::string& existing,
                               std::vector<std::string>& missing)
{
    std::error_code error;
    std::filesystem::path look =
        location.is_absolute() ? location : std::filesystem::current_path(error) / location;
    if (error)
        return Unusable(location, error.value());
    while (!look.has_filename() && look.has_relative_path())
        look = look.parent_path();  // a trailing '/'
    for (;;) {
        const SystemResult resolved = Posix::RealPath(look.c_str(), existing);
        if (resolved.Ok())
            return std::nullopt;
        const std::string name = look.filename().string();
        // Only a missing folder is made, and only by a plain name.
        if (resolved.error != ENOENT || name.empty() || name == "." || name == "..")
            return Unusable(look, resolved.error);
        missing.insert(missing.begin(), name);
        look = look.parent_path();
    }
}

// Goes down from the root folder to the prefix, one descriptor after the other, judging
// each folder by what its own descriptor says; with `create`, makes what is missing.
class Walk {
public:
    Walk(bool create, bool firstOnly) : create(create), firstOnly(firstOnly) {}

    // Leaves the prefix in `prefix` when it was reached and opened.
    void Run(const std::filesystem::path& location, FolderHandle* prefix)
    {
        std::string existing;
        std::vector<std::string> missing;
        if (Note(Resolve(location, existing, missing)))
            return;
        std::vector<std::string> names;
        for (const auto& part : std::filesystem::path(existing).relative_path())
            names.push_back(part.string());
        const std::size_t present = names.size();
        names.insert(names.end(), missing.begin(), missing.end());

        FolderHandle current;
        if (const SystemResult root = current.Open("/", FolderHandle::Access::Search); !root.Ok()) {
            Note(Unusable("/", root.error));
            return;
        }
        for (std::size_t at = 0; at < names.size(); ++at) {
            if (Note(Judge(current, false)) && (firstOnly || at >= present))
                return;
            if (at >= present && !create)
                return;  // nothing of the prefix to look at yet
            FolderHandle below;
            if (!Step(current, names[at], at >= present, below))
                return;
            current = std::move(below);
        }
        if (Note(Judge(current, true)) && firstOnly)
            return;
        FolderHandle folder;
        if (const SystemResult opened = current.Subfolder(".", false, folder); !opened.Ok()) {
            Note(Unusable(current.Path(), opened.error));
            return;
        }
        // What is in the prefix may be trusted once it and the folders above it pass; the
        // problems of its own folders are each that folder's.
        const bool passed = findings.empty();
        for (const std::string_view name : PrefixCheck::kFolders) {
            struct stat status {};
            const std::string entry(name);
            const SystemResult got =
                Posix::StatusAt(folder.Descriptor(), entry.c_str(), status, false);
            if (!got.Ok() && got.error == ENOENT)
                continue;
            if (Note(got.Ok() ? JudgeOwn(folder.Path() / entry, status)
                              : Unusable(folder.Path() / entry, got.error)) &&
                firstOnly)
                return;
        }
        if (prefix && passed)
            *prefix = std::move(folder);
    }

    std::vector<Finding> findings;

private:
    bool Note(std::optional<Finding> finding)
    {
        if (!finding)
            return false;
        findings.push_back(std::move(*finding));
        return true;
    }

    // Opens `name` below `current` into `below`, made first when `make`.
    bool Step(const FolderHandle& current, const std::string& name, bool make, FolderHandle& below)
    {
        const SystemResult opened =
            current.Subfolder(name, make, below, FolderHandle::Access::Search);
        if (!opened.Ok())
            Note(Failure(current.Path() / name, opened.error));
        return opened.Ok();
    }

    const bool create;
    const bool firstOnly;
};

}  // namespace

std::string PrefixCheck::Finding::Text() const
{
    const std::string name = folder.string();
    std::string text;
    switch (problem) {
        case Problem::NoLocation:
            return "no prefix folder: set QUORVEX_PREFIX, XDG_CONFIG_HOME or HOME";
        case Problem::Unusable:
            text = "the folder " + name + " cannot be used: " + detail;
            break;
        case Problem::NotAFolder:
            text = name + " is not a folder";
            break;
        case Problem::NotOwned:
            text = "the folder " + name + " belongs to " + detail + ", not to you";
            break;
        case Problem::WritableByOthers:
            text = "the folder " + name + " may be written by others (" + detail + ")";
            break;
        case Problem::AncestorNotOwned:
            text = "the folder " + name + " above the prefix belongs to " + detail +
                   ", neither root nor you";
            break;
        case Problem::AncestorWritable:
            text = "the folder " + name + " above the prefix may be written by others (" + detail +
                   ") and is not sticky";
            break;
    }
    return mend.empty() ? text : text + "; to mend it: " + mend;
}

std::optional<PrefixCheck::Finding> PrefixCheck::Open(const std::filesystem::path& location,
                                                      FolderHandle& prefix)
{
    prefix.Close();
    Walk walk(true, true);
    walk.Run(location, &prefix);
    if (walk.findings.empty())
        return std::nullopt;
    return walk.findings.front();
}

std::optional<PrefixCheck::Finding> PrefixCheck::Open(FolderHandle& prefix)
{
    prefix.Close();
    const auto location = Prefix::Locate();
    if (!location)
        return Finding{{}, Problem::NoLocation, {}, {}};
    return Open(*location, prefix);
}

std::vector<PrefixCheck::Finding> PrefixCheck::Inspect(const std::filesystem::path& location)
{
    FolderHandle unused;
    return Inspect(location, unused);
}

std::vector<PrefixCheck::Finding> PrefixCheck::Inspect(const std::filesystem::path& location,
                                                       FolderHandle& prefix)
{
    prefix.Close();
    Walk walk(false, false);
    walk.Run(location, &prefix);
    return std::move(walk.findings);
}

std::optional<PrefixCheck::Finding> PrefixCheck::Subfolder(const FolderHandle& prefix,
                                                           std::string_view name,
                                                           FolderHandle& subfolder)
{
    if (const SystemResult opened = prefix.Subfolder(name, true, subfolder); !opened.Ok())
        return Failure(prefix.Path() / name, opened.error);
    auto finding = Judge(subfolder, true);
    if (finding)
        subfolder.Close();
    return finding;
}

}  // namespace quorvex
