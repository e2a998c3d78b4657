#include "platform/registry/hive_file.h"

#include <string>

#include "platform/registry/hive_text.h"

namespace quorvex {
namespace {

// Enough names for every bad hive a person would want to look at; beyond them the hive
// is left in place untouched rather than overwritten.
constexpr int kMaxAsideNames = 100;

std::filesystem::path WithSuffix(const std::filesystem::path& path, const std::string& suffix)
{
    std::filesystem::path result = path;
    result += suffix;
    return result;
}

bool SyncFolder(const std::filesystem::path& file)
{
    PosixFile folder;
    return folder.Open(file.parent_path(), PosixFile::Mode::Folder) == PosixFile::Result::Ok &&
           folder.Sync();
}

}  // namespace

HiveFile::HiveFile(std::filesystem::path path, std::wstring rootName)
    : path(std::move(path)), rootName(std::move(rootName)), root(this->rootName)
{
}

const HiveKey& HiveFile::Current()
{
    Refresh(false);
    return root;
}

bool HiveFile::Modify(const std::function<bool(HiveKey&)>& change)
{
    PosixFile lock;
    if (!Lock(lock) || !Refresh(true))
        return false;
    if (!change(root))
        return true;
    if (Replace())
        return true;
    // The hive in memory holds a change that the disk may lack: read it again next time.
    valid = false;
    return false;
}

bool HiveFile::Refresh(bool locked)
{
    FileIdentity now;
    switch (PosixFile::IdentityOf(path, now)) {
        case PosixFile::Result::Ok:
            return valid && loaded == now ? true : Load(locked);
        case PosixFile::Result::NotFound:
            if (!valid || loaded) {
                root.Clear();
                held.Close();
                loaded.reset();
                mustKeep = false;
                valid = true;
            }
            return true;
        default:
            root.Clear();
            valid = false;
            return false;
    }
}

bool HiveFile::Load(bool locked)
{
    root.Clear();
    valid = false;
    PosixFile file;
    const PosixFile::Result opened = file.Open(path, PosixFile::Mode::Read);
    if (opened == PosixFile::Result::NotFound) {
        held.Close();
        loaded.reset();
        mustKeep = false;
        valid = true;
        return true;
    }
    FileIdentity identity;
    if (opened != PosixFile::Result::Ok || file.Identity(identity) != PosixFile::Result::Ok)
        return false;
    std::string text;
    const PosixFile::Result read = file.ReadAll(text, kMaxFileBytes);
    // An error while reading says nothing about the hive, which may be fine next time.
    if (read == PosixFile::Result::Failed)
        return false;
    ++parses;
    held = std::move(file);
    const HiveText::Outcome outcome = read == PosixFile::Result::TooLarge
                                          ? HiveText::Outcome::Unreadable
                                          : HiveText::Parse(text, rootName, root);
    loaded = identity;
    valid = true;
    mustKeep = outcome != HiveText::Outcome::Whole;
    if (outcome == HiveText::Outcome::Unreadable) {
        root.Clear();
        if (SetAside(identity, false, locked)) {
            held.Close();
            loaded.reset();
            mustKeep = false;
        }
    }
    return true;
}

bool HiveFile::SetAside(const FileIdentity& identity, bool keepOriginal, bool locked)
{
    PosixFile lock;
    if (!locked && !Lock(lock))
        return false;
    // Another process may have replaced the file since it was read; then this is not the
    // file that was judged, and the next read looks at the new one.
    FileIdentity now;
    if (PosixFile::IdentityOf(path, now) != PosixFile::Result::Ok || now != identity)
        return false;
    for (int number = 0; number < kMaxAsideNames; ++number) {
        const auto aside =
            WithSuffix(path, number == 0 ? ".bad" : ".bad." + std::to_string(number));
        const PosixFile::Result linked = PosixFile::Link(path, aside);
        if (linked == PosixFile::Result::AlreadyExists)
            continue;
        if (linked != PosixFile::Result::Ok)
            return false;
        if (!keepOriginal && !PosixFile::Remove(path))
            return false;
        return SyncFolder(path);
    }
    return false;
}

bool HiveFile::Replace()
{
    if (mustKeep && loaded && !SetAside(*loaded, true, true))
        return false;
    const auto temporary = WithSuffix(path, ".tmp");
    PosixFile file;
    if (file.Open(temporary, PosixFile::Mode::Replace) != PosixFile::Result::Ok)
        return false;
    if (!file.WriteAll(HiveText::Write(root, rootName)) || !file.Sync()) {
        file.Close();
        // The hive itself is untouched; a temporary left behind is emptied by the next write.
        PosixFile::Remove(temporary);
        return false;
    }
    file.Close();
    if (!PosixFile::Rename(temporary, path)) {
        PosixFile::Remove(temporary);  // as above: only the temporary is at stake
        return false;
    }
    mustKeep = false;
    // Under the lock the file is still the one just written.
    FileIdentity now;
    if (held.Open(path, PosixFile::Mode::Read) != PosixFile::Result::Ok ||
        held.Identity(now) != PosixFile::Result::Ok)
        return false;
    loaded = now;
    return SyncFolder(path);
}

bool HiveFile::Lock(PosixFile& lock) const
{
    return lock.Open(WithSuffix(path, ".lock"), PosixFile::Mode::LockCompanion) ==
               PosixFile::Result::Ok &&
           lock.LockExclusive();
}

}  // namespace quorvex
