#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/registry/hive_key.h"
#include "platform/registry/hive_text.h"
#include "platform/system/file_replacement.h"
#include "platform/system/folder_handle.h"
#include "platform/system/posix_file.h"
#include "platform/threads/clock.h"

namespace quorvex {

// One hive file shared with other programs and with people who edit it by hand.
//
// Reads see the file as it is now: it is parsed again whenever its identity (inode, size,
// times) changed, and only then. A file being written by someone else (empty, cut inside
// its header, or ending in a line without its line feed) is not ready: a read keeps what
// it last read and looks again next time, and a change waits for it. A file that has
// settled is not being written, whatever it holds: it is taken as it stands (an empty file
// is an empty hive, a last line without its line feed is read when no cut can look like
// it, see HiveText). A file has settled when its modification time lies kWaitBound or more
// in the past; else, as the wall clock may have jumped, once its identity has stayed the
// same for kWaitBound by the monotonic clock, and then for as long as it stays so.
//
// A change is a read-modify-write under the exclusive flock of the companion file
// "<hive>.lock" (the hive itself is replaced, so a lock on it would not hold). The text
// keeps every line this layer does not understand, verbatim and in place, and replaces
// the hive durably (see FileReplacement). Writers that do not take the lock (editors) may
// still change the file meanwhile: just before its rename, a write checks under the lock
// that the file is still the one it read, and otherwise starts again from the new one.
// Every file is reached through the open folder the hive lives in; the lock file is never
// reached through a link. A hive that is a symbolic link is written through to the link's
// target, its temporary made beside the target (a folder others may write to), and only
// through links that belong to the user or root (see LinkTarget::Owned).
//
// Only regular files are hives: a FIFO, a device or a folder at the path is refused and
// never waited on. No wait is longer than kWaitBound: a lock held elsewhere for longer, or
// a file still changing after it, makes a change fail, and a read that needs the lock
// keeps what it had.
//
// A file that cannot be read at all (see HiveText, or larger than kMaxFileBytes) is never
// destroyed: a Settings hive is renamed aside to "<hive>.bad" (the older copies move on
// to ".bad.1" ... up to kMaxAsideCopies, the oldest go) and starts empty; a Records hive
// reads as empty, is never renamed, and is not written while it cannot be read.
//
// Not thread-safe: one thread at a time, which the registry ensures.
class HiveFile {
public:
    enum class Kind {
        Settings,  // user.reg: the program's own settings
        Records,   // system.reg: other programs' records, which Quorvex only adds to
    };

    // Large enough for any hive people keep (a 100,000-key hive is about 6 MB), small
    // enough that a stray file costs at most a few hundred MB while it is parsed.
    static constexpr std::uint64_t kMaxFileBytes = 16ull << 20;
    static constexpr std::chrono::milliseconds kWaitBound{200};
    static constexpr int kMaxAsideCopies = 5;

    // The hive `name` in `folder`, which outlives this object. `rootName` is the section
    // root the hive holds, e.g. "HKEY_CURRENT_USER". Every wait runs on `clock`, which must
    // outlive the hive.
    HiveFile(const FolderHandle& folder, std::string name, std::wstring rootName, Kind kind,
             Clock& clock = Clock::System());
    virtual ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    const std::filesystem::path& Path() const { return path; }

    // The hive as the file holds it now, or as it was last read while the file is being
    // written; empty when there is no file. Null when the path is not a regular file or
    // cannot be read. The pointer stays valid until the next call on this object.
    const HiveKey* Current();

    // Runs `change` on the current hive under the lock (again, on the new contents, when
    // the file changed before the write could land); when it reports a change, the hive
    // is written. False when the hive could not be locked, read safely or written within
    // the bounds; the file is then as it was.
    bool Modify(const std::function<bool(HiveKey&)>& change);

private:
    friend class HiveFileTestHelper;

    enum class State { Ready, NotReady, Unreadable, Refused };

    // The file last seen too recent to judge by its time, and since when it looks so.
    struct Watch {
        FileIdentity identity;
        Clock::TimePoint since;
    };

    State Refresh(bool locked);
    bool Settled(const FileIdentity& identity);
    State Load(bool locked);
    void Empty();
    bool SetAside(const FileIdentity& identity, bool locked);
    bool StillAsRead(const std::string& text) const;
    bool Lock(PosixFile& lock, Clock::TimePoint deadline) const;
    // Sleeps a little, never past `deadline`.
    void Pause(Clock::TimePoint deadline) const;
    FileReplacement::Result Replace(const std::string& text, const std::string& read) const;

    const FolderHandle& folder;
    const std::string name;
    const std::filesystem::path path;
    const std::wstring rootName;
    const Kind kind;
    Clock& clock;
    std::unique_ptr<HiveKey> root;
    HiveText::Layout layout;
    // What `root` was read from; nothing when it stands for a missing file.
    std::optional<FileIdentity> loaded;
    // That file, held open: while it is, no later version can get its inode number, so
    // an unchanged identity really means an unchanged file.
    PosixFile held;
    bool valid = false;       // `root` matches `loaded`
    bool unreadable = false;  // `loaded` is a file that is no hive: never written over
    std::optional<Watch> watched;
    FileOperations* operations;
    std::uint64_t parses = 0;
};

}  // namespace quorvex
