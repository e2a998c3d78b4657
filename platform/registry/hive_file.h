#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/registry/hive_key.h"
#include "platform/system/posix_file.h"

namespace quorvex {

// One hive file shared with other processes. Reads see the file as it is now: it is parsed
// again whenever its identity (inode, size, times) changed, and only then. A change is a
// read-modify-write under the exclusive lock of a companion file ("<hive>.lock"; the hive
// itself is replaced, so a lock on it would not hold), and reaches the disk before Modify
// returns: the whole hive is written to "<hive>.tmp", flushed, renamed over the hive, and
// the folder is flushed, so that a crash at any moment leaves the old hive or the new one.
//
// Nothing readable is lost. A file that is no hive at all (see HiveText) is renamed aside
// to "<hive>.bad" (or ".bad.1", ...), and the hive starts empty. A hive with some lines
// that do not parse keeps what parses, so that one bad line does not cost every setting;
// before such a file is first replaced, it is linked aside the same way, so the lines
// that did not parse survive in the copy.
//
// Not thread-safe: one thread at a time, which the registry ensures.
class HiveFile {
public:
    static constexpr std::uint64_t kMaxFileBytes = 64ull << 20;

    // `rootName` is the section root the hive holds, e.g. "HKEY_CURRENT_USER".
    HiveFile(std::filesystem::path path, std::wstring rootName);
    virtual ~HiveFile() = default;
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    const std::filesystem::path& Path() const { return path; }

    // The hive as the file holds it now; empty when there is no file. The reference stays
    // valid until the next call on this object.
    const HiveKey& Current();

    // Runs `change` on the current hive under the lock; when it reports a change, the hive
    // is written. False when the hive could not be locked, read safely or written; the
    // file is then as it was.
    bool Modify(const std::function<bool(HiveKey&)>& change);

    // How many times the file was parsed: an unchanged file is not parsed again.
    std::uint64_t ParseCount() const { return parses; }

private:
    bool Refresh(bool locked);
    bool Load(bool locked);
    bool SetAside(const FileIdentity& identity, bool keepOriginal, bool locked);
    bool Replace();
    bool Lock(PosixFile& lock) const;

    const std::filesystem::path path;
    const std::wstring rootName;
    HiveKey root;
    // What `root` was read from; nothing when it stands for a missing file.
    std::optional<FileIdentity> loaded;
    // That file, held open: while it is, no later version can get its inode number, so
    // an unchanged identity really means an unchanged file.
    PosixFile held;
    bool valid = false;     // `root` matches `loaded`
    bool mustKeep = false;  // the file on disk holds lines `root` lacks
    std::uint64_t parses = 0;
};

}  // namespace quorvex
