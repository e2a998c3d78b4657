#include "platform/registry/registry_hives.h"

#include <memory>
#include <mutex>

#include "platform/system/prefix.h"

namespace quorvex {

bool RegistryHives::Use(RegistryRoot root, const std::function<void(HiveFile&)>& use)
{
    static std::unique_ptr<HiveFile> hives[2];

    const std::lock_guard guard(Mutex());
    const auto folder = Prefix::Folder();
    if (!folder)
        return false;
    const bool user = root == RegistryRoot::CurrentUser;
    const auto path = *folder / (user ? "user.reg" : "system.reg");
    std::unique_ptr<HiveFile>& hive = hives[user ? 0 : 1];
    if (!hive || hive->Path() != path)
        hive =
            std::make_unique<HiveFile>(path, user ? L"HKEY_CURRENT_USER" : L"HKEY_LOCAL_MACHINE",
                                       user ? HiveFile::Kind::Settings : HiveFile::Kind::Records);
    use(*hive);
    return true;
}

bool RegistryHives::UseLive(
    const std::function<void(LiveRecords&, const std::filesystem::path& prefix)>& use)
{
    const std::lock_guard guard(Mutex());
    const auto folder = Prefix::Folder();
    if (!folder)
        return false;
    use(Live(), *folder);
    return true;
}

std::mutex& RegistryHives::Mutex()
{
    static std::mutex mutex;
    return mutex;
}

LiveRecords& RegistryHives::Live()
{
    static LiveRecords live;
    return live;
}

}  // namespace quorvex
