#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The pictures a skin brings along (its own PNG or WebP graphics). A skin
// may copy them into the album when pages are generated inside it; such a
// copy, the same name with the same bytes as a file of the skin, is no
// album picture.
class SkinCopies {
public:
    SkinCopies() = default;
    // Lists the skin folder's files in today's picture formats, at most a
    // few thousand, without following links out of it.
    explicit SkinCopies(const std::filesystem::path& skinFolder);

    // Whether the file at path, named name, is a copy of one of them.
    bool isCopy(const std::string& path, std::string_view name) const;

private:
    std::map<std::string, std::vector<std::filesystem::path>, std::less<>> byName_;
};

}  // namespace quorvane
