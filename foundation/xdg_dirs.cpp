#include "foundation/xdg_dirs.h"

#include <cstdlib>

namespace quorvane {

namespace {

std::filesystem::path absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return value;
}

std::filesystem::path baseFolder(const char* variable, const char* belowHome)
{
    if (std::filesystem::path folder = absoluteFromEnvironment(variable); !folder.empty())
        return folder;
    if (const std::filesystem::path home = absoluteFromEnvironment("HOME"); !home.empty())
        return home / belowHome;
    return {};
}

}  // namespace

std::filesystem::path xdgConfigHome()
{
    return baseFolder("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path xdgDataHome()
{
    return baseFolder("XDG_DATA_HOME", ".local/share");
}

}  // namespace quorvane
