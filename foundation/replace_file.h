#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace quorvane {

// Writes bytes to a new file beside path, syncs it and renames it over path,
// so readers see the old file or the whole new one, never a part. The new
// file is created with mode (before the umask). False, with error naming the
// file and the reason, when any step fails; path is then unchanged.
bool replaceFile(const std::filesystem::path& path, std::string_view bytes, mode_t mode, std::string& error);

}  // namespace quorvane
