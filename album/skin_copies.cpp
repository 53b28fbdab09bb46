#include "album/skin_copies.h"

#include <fstream>
#include <iterator>

#include "imaging/picture_format.h"

namespace quorvane {

namespace {

constexpr int kMostSkinFiles = 4096;
constexpr std::uintmax_t kMostComparedBytes = std::uintmax_t(64) << 20;

bool sameBytes(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(a, error);
    if (error || size > kMostComparedBytes || std::filesystem::file_size(b, error) != size || error)
        return false;
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    return first && second &&
           std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(second), std::istreambuf_iterator<char>());
}

}  // namespace

SkinCopies::SkinCopies(const std::filesystem::path& skinFolder)
{
    std::error_code error;
    std::filesystem::recursive_directory_iterator walk(skinFolder, error), end;
    for (int seen = 0; !error && walk != end && seen < kMostSkinFiles; walk.increment(error), ++seen) {
        const std::string name = walk->path().filename().string();
        if (walk->is_regular_file(error) && isTodaysFormat(pictureFormatOf(name)))
            byName_[name].push_back(walk->path());
    }
}

bool SkinCopies::isCopy(const std::string& path, std::string_view name) const
{
    const auto found = byName_.find(name);
    if (found == byName_.end())
        return false;
    for (const std::filesystem::path& original : found->second) {
        if (sameBytes(path, original))
            return true;
    }
    return false;
}

}  // namespace quorvane
