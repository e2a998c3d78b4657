#include "platform/registry/hive_file.h"

#include <algorithm>
#include <string>

#include "platform/system/file_operations.h"
#include "platform/system/link_target.h"
#include "platform/system/posix.h"
#include "platform/threads/waiter.h"

namespace quorvex {
namespace {

// How long a bounded wait sleeps between two looks: short against kWaitBound, long
// enough not to spin.
constexpr std::chrono::milliseconds kRetryPause{5};

std::string AsideName(const std::string& name, int number)
{
    return name + (number == 0 ? ".bad" : ".bad." + std::to_string(number));
}

}  // namespace

HiveFile::HiveFile(const FolderHandle& folder, std::string name, std::wstring rootName, Kind kind,
                   Clock& clock)
    : folder(folder),
      name(std::move(name)),
      path(folder.Path() / this->name),
      rootName(std::move(rootName)),
      kind(kind),
      clock(clock),
      root(std::make_unique<HiveKey>(this->rootName)),
      operations(&FileOperations::System())
{
}

HiveFile::~HiveFile() = default;

const HiveKey* HiveFile::Current()
{
    return Refresh(false) == State::Refused ? nullptr : root.get();
}

bool HiveFile::Modify(const std::function<bool(HiveKey&)>& change)
{
    const auto deadline = clock.Now() + kWaitBound;
    PosixFile lock;
    if (!Lock(lock, deadline))
        return false;
    std::optional<Clock::TimePoint> settledBy;
    for (;;) {
        const State state = Refresh(true);
        if (state == State::NotReady) {
            // Someone is writing the file without the lock; nothing is written from what
            // was read before. Left alone, the file settles within kWaitBound.
            const auto now = clock.Now();
            if (!settledBy)
                settledBy = now + kWaitBound;
            if (now >= *settledBy)
                return false;
            Pause(*settledBy);
            continue;
        }
        if (state != State::Ready || unreadable)
            return false;
        if (!change(*root))
            return true;
        const std::string read = layout.text;
        const std::string text = HiveText::Write(*root, rootName, layout);
        // From here on memory may hold what the disk lacks: read it again next time.
        valid = false;
        const FileReplacement::Result result = Replace(text, read);
        if (result == FileReplacement::Result::Declined) {
            if (clock.Now() >= deadline)
                return false;
            continue;
        }
        if (result != FileReplacement::Result::Replaced)
            return false;
        // Under the lock the file is still the one just written.
        FileIdentity now;
        if (held.Open(folder, name, PosixFile::Mode::Read) != PosixFile::Result::Ok ||
            held.Identity(now) != PosixFile::Result::Ok)
            return true;
        loaded = now;
        valid = true;
        return true;
    }
}

HiveFile::State HiveFile::Refresh(bool locked)
{
    FileIdentity now;
    switch (PosixFile::IdentityOf(folder, name, now)) {
        case PosixFile::Result::Ok:
            return valid && loaded == now ? (unreadable ? State::Unreadable : State::Ready)
                                          : Load(locked);
        case PosixFile::Result::NotFound:
            if (!valid || loaded)
                Empty();
            return State::Ready;
        default:
            return State::Refused;
    }
}

bool HiveFile::Settled(const FileIdentity& identity)
{
    // A file whose time lies well in the past has been left as it is, and one found so at
    // start is read at once.
    const auto age = std::chrono::system_clock::now().time_since_epoch() -
                     std::chrono::nanoseconds(identity.modifiedNs);
    if (age >= kWaitBound)
        return true;
    // A time in the future says nothing (the wall clock may have stepped back since), and
    // a recent one only that the file may still change: watch it on the monotonic clock.
    const Clock::TimePoint now = clock.Now();
    if (!watched || watched->identity != identity)
        watched = Watch{identity, now};
    return now - watched->since >= kWaitBound;
}

void HiveFile::Empty()
{
    root = std::make_unique<HiveKey>(rootName);
    layout = {};
    held.Close();
    loaded.reset();
    unreadable = false;
    valid = true;
}

HiveFile::State HiveFile::Load(bool locked)
{
    PosixFile file;
    const PosixFile::Result opened = file.Open(folder, name, PosixFile::Mode::Read);
    if (opened == PosixFile::Result::NotFound) {
        Empty();
        return State::Ready;
    }
    FileIdentity identity;
    if (opened != PosixFile::Result::Ok || file.Identity(identity) != PosixFile::Result::Ok)
        return State::Refused;
    std::string text;
    const PosixFile::Result read = file.ReadAll(text, kMaxFileBytes);
    // An error while reading says nothing about the hive, which may be fine next time.
    if (read == PosixFile::Result::Failed)
        return State::Refused;
    ++parses;
    auto fresh = std::make_unique<HiveKey>(rootName);
    HiveText::Layout freshLayout;
    const HiveText::Outcome outcome =
        read == PosixFile::Result::TooLarge
            ? HiveText::Outcome::Unreadable
            : HiveText::Parse(std::move(text), rootName, *fresh, freshLayout, Settled(identity));
    if (outcome == HiveText::Outcome::NotReady)
        return State::NotReady;
    root = std::move(fresh);
    layout = std::move(freshLayout);
    held = std::move(file);
    loaded = identity;
    valid = true;
    unreadable = outcome == HiveText::Outcome::Unreadable;
    if (!unreadable)
        return State::Ready;
    if (kind == Kind::Settings && SetAside(identity, locked))
        Empty();
    return State::Unreadable;
}

bool HiveFile::SetAside(const FileIdentity& identity, bool locked)
{
    PosixFile lock;
    if (!locked && !Lock(lock, clock.Now() + kWaitBound))
        return false;
    // Another process may have replaced the file since it was read; then this is not the
    // file that was judged, and the next read looks at the new one.
    FileIdentity now;
    if (PosixFile::IdentityOf(folder, name, now) != PosixFile::Result::Ok || now != identity)
        return false;
    // The newest copy is always ".bad"; the oldest of a full set is renamed over.
    for (int number = kMaxAsideCopies - 2; number >= 0; --number)
        operations->Rename(folder, AsideName(name, number), AsideName(name, number + 1));
    return operations->Rename(folder, name, AsideName(name, 0)) && operations->SyncFolder(folder);
}

bool HiveFile::StillAsRead(const std::string& text) const
{
    FileIdentity now;
    const PosixFile::Result found = PosixFile::IdentityOf(folder, name, now);
    if (!loaded)
        return found == PosixFile::Result::NotFound;
    if (found != PosixFile::Result::Ok || now != *loaded)
        return false;
    // Times may not tell a rewrite of the same size within one clock tick: the bytes do.
    PosixFile file;
    std::string current;
    return file.Open(folder, name, PosixFile::Mode::Read) == PosixFile::Result::Ok &&
           file.ReadAll(current, kMaxFileBytes) == PosixFile::Result::Ok && current == text;
}

FileReplacement::Result HiveFile::Replace(const std::string& text, const std::string& read) const
{
    const FileReplacement replacement(*operations);
    const auto confirm = [&] { return StillAsRead(read); };
    if (!folder.IsLink(name))
        return replacement.Replace(folder, name, text, confirm);
    // A write through a link replaces its target and the link stays. The target's folder
    // may be shared; the replacement makes its temporary safely there.
    const auto target = LinkTarget::Owned(path);
    FolderHandle targetFolder;
    if (!target || !targetFolder.Open(target->parent_path()).Ok())
        return FileReplacement::Result::Failed;
    return replacement.Replace(targetFolder, target->filename().string(), text, confirm);
}

bool HiveFile::Lock(PosixFile& lock, Clock::TimePoint deadline) const
{
    if (lock.Open(folder, name + ".lock", PosixFile::Mode::LockCompanion) != PosixFile::Result::Ok)
        return false;
    while (!lock.TryLockExclusive()) {
        if (clock.Now() >= deadline)
            return false;
        Pause(deadline);
    }
    return true;
}

void HiveFile::Pause(Clock::TimePoint deadline) const
{
    Waiter waiter;
    // Nothing wakes this waiter: only the clock ends the sleep.
    (void)clock.Sleep(waiter, std::min(clock.Now() + kRetryPause, deadline));
}

}  // namespace quorvex
