#pragma once

#include <string>
#include <vector>

namespace quorvex {

// The names of users and groups and the groups a user belongs to, as the system's user
// database gives them (/etc/passwd and /etc/group, or whatever the system is set up to
// ask), and the groups this process runs with. The database is read by library lookups,
// not system calls: a group a user was added to shows there at once, but a process gets it
// only from a new login. Stateless; callable from any thread.
class Accounts {
public:
    // The name of user `uid`, or its number as text when the database knows none.
    static std::string UserName(unsigned uid);
    // The name of group `gid`, or its number as text.
    static std::string GroupName(unsigned gid);

    // The groups the database gives user `uid`: those a new login of that user gets. None
    // when the database does not know the user.
    static std::vector<unsigned> GroupsOfUser(unsigned uid);

    // The groups this process runs with: its effective group and its supplementary ones.
    static std::vector<unsigned> ProcessGroups();
};

}  // namespace quorvex
