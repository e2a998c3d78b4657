#include "platform/system/prefix.h"

#include <cstdlib>
#include <string>

namespace quorvex {
namespace {

std::optional<std::string> NonEmptyVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

}  // namespace

std::optional<std::filesystem::path> Prefix::Locate()
{
    if (auto prefix = NonEmptyVariable("QUORVEX_PREFIX"))
        return std::filesystem::path(*prefix);
    if (auto config = NonEmptyVariable("XDG_CONFIG_HOME"))
        return std::filesystem::path(*config) / "quorvex";
    if (auto home = NonEmptyVariable("HOME"))
        return std::filesystem::path(*home) / ".config" / "quorvex";
    return std::nullopt;
}

}  // namespace quorvex
