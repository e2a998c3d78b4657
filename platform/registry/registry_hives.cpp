#include "platform/registry/registry_hives.h"

#include <memory>
#include <mutex>
#include <utility>

#include "platform/system/folder_handle.h"
#include "platform/system/prefix.h"
#include "platform/system/prefix_check.h"

namespace quorvex {

// The open prefix and the hives in it, which refer to it.
struct RegistryHives::Place {
    Place(std::filesystem::path location, FolderHandle opened)
        : location(std::move(location)), folder(std::move(opened))
    {
    }

    const std::filesystem::path location;  // as the environment names it
    const FolderHandle folder;
    HiveFile user{folder, "user.reg", L"HKEY_CURRENT_USER", HiveFile::Kind::Settings};
    HiveFile system{folder, "system.reg", L"HKEY_LOCAL_MACHINE", HiveFile::Kind::Records};
};

RegistryHives::Place* RegistryHives::Current()
{
    static std::unique_ptr<Place> place;

    const auto location = Prefix::Locate();
    if (!location) {
        place.reset();
        return nullptr;
    }
    if (place && place->location == *location && place->folder.IsAt(*location))
        return place.get();
    place.reset();
    FolderHandle folder;
    if (PrefixCheck::Open(*location, folder))
        return nullptr;
    place = std::make_unique<Place>(*location, std::move(folder));
    return place.get();
}

bool RegistryHives::Use(RegistryRoot root, const std::function<void(HiveFile&)>& use)
{
    const std::lock_guard guard(Mutex());
    Place* place = Current();
    if (!place)
        return false;
    use(root == RegistryRoot::CurrentUser ? place->user : place->system);
    return true;
}

bool RegistryHives::UseLive(
    const std::function<void(LiveRecords&, const std::filesystem::path& prefix)>& use)
{
    const std::lock_guard guard(Mutex());
    const Place* place = Current();
    if (!place)
        return false;
    use(Live(), place->folder.Path());
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
