#include "platform/registry/registry_hives.h"

#include <memory>
#include <mutex>

#include "platform/system/prefix.h"

namespace quorvex {

bool RegistryHives::Use(RegistryRoot root, const std::function<void(HiveFile&)>& use)
{
    static std::mutex mutex;
    static std::unique_ptr<HiveFile> hives[2];

    const std::lock_guard guard(mutex);
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

}  // namespace quorvex
