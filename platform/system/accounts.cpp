#include "platform/system/accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

// The database's reentrant lookups want a buffer for the strings of the entry and say
// ERANGE when it is too small; a group with many members needs a large one.
constexpr std::size_t kFirstBuffer = 1024;
constexpr std::size_t kLargestBuffer = 1 << 20;

// Runs `lookup` (one of the *_r calls, returning whether it found the entry, or ERANGE)
// with ever larger buffers; true when it found the entry.
template <typename Lookup>
bool Find(std::vector<char>& buffer, Lookup lookup)
{
    buffer.resize(kFirstBuffer);
    for (;;) {
        const int error = lookup(buffer.data(), buffer.size());
        if (error != ERANGE)
            return error == 0;
        if (buffer.size() >= kLargestBuffer)
            return false;
        buffer.resize(buffer.size() * 2);
    }
}

bool FindUser(unsigned uid, passwd& entry, std::vector<char>& buffer)
{
    return Find(buffer, [&](char* strings, std::size_t size) {
        passwd* found = nullptr;
        const int error = ::getpwuid_r(static_cast<uid_t>(uid), &entry, strings, size, &found);
        return error != 0 ? error : found != nullptr ? 0 : ENOENT;
    });
}

}  // namespace

std::string Accounts::UserName(unsigned uid)
{
    passwd entry{};
    std::vector<char> buffer;
    return FindUser(uid, entry, buffer) ? entry.pw_name : std::to_string(uid);
}

std::string Accounts::GroupName(unsigned gid)
{
    group entry{};
    std::vector<char> buffer;
    const bool found = Find(buffer, [&](char* strings, std::size_t size) {
        group* result = nullptr;
        const int error = ::getgrgid_r(static_cast<gid_t>(gid), &entry, strings, size, &result);
        return error != 0 ? error : result != nullptr ? 0 : ENOENT;
    });
    return found ? entry.gr_name : std::to_string(gid);
}

std::vector<unsigned> Accounts::GroupsOfUser(unsigned uid)
{
    passwd entry{};
    std::vector<char> buffer;
    if (!FindUser(uid, entry, buffer))
        return {};
    std::vector<gid_t> ids(32);
    for (;;) {
        int count = static_cast<int>(ids.size());
        if (::getgrouplist(entry.pw_name, entry.pw_gid, ids.data(), &count) >= 0)
            return {ids.begin(), ids.begin() + count};
        // The count now says how many there are.
        if (count <= static_cast<int>(ids.size()) || ids.size() >= kLargestBuffer)
            return {static_cast<unsigned>(entry.pw_gid)};
        ids.resize(static_cast<std::size_t>(count));
    }
}

std::vector<unsigned> Accounts::ProcessGroups()
{
    std::vector<unsigned> groups;
    // Without the supplementary groups the effective one still counts.
    (void)Posix::Groups(groups);
    const unsigned effective = Posix::EffectiveGroup();
    if (std::find(groups.begin(), groups.end(), effective) == groups.end())
        groups.insert(groups.begin(), effective);
    return groups;
}

}  // namespace quorvex
