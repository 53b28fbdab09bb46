#include "script/run_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

#include "foundation/safe_files.h"
#include "imaging/jpeg_io.h"

namespace quorvane {

namespace {

// Skins write into a handful of folders per run; a run that names more
// starts the list again rather than run out of descriptors.
constexpr std::size_t kMaxOpenFolders = 32;

}  // namespace

OutputFolder::~OutputFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

ScriptRunCache::FileFacts& ScriptRunCache::factsOf(const std::string& path)
{
    const auto [at, added] = files_.try_emplace(path);
    if (added) {
        std::error_code error;
        at->second.regular = std::filesystem::is_regular_file(path, error);
    }
    return at->second;
}

bool ScriptRunCache::isRegularFile(const std::string& path)
{
    return factsOf(path).regular;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> ScriptRunCache::jpegSize(const std::string& path)
{
    FileFacts& facts = factsOf(path);
    if (facts.regular && !facts.headerRead) {
        facts.headerRead = true;
        std::uint32_t width = 0, height = 0;
        if (readDecodableJpegSize(path, width, height))
            facts.size = std::make_pair(width, height);
    }
    return facts.size;
}

std::shared_ptr<const OutputFolder> ScriptRunCache::outputFolder(const std::filesystem::path& folder,
                                                                 const std::filesystem::path& root,
                                                                 bool& refused)
{
    refused = false;
    if (const auto known = folders_.find(folder.native()); known != folders_.end())
        return known->second;
    if (!folderStaysInside(folder, root)) {
        refused = true;
        return nullptr;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (folders_.size() >= kMaxOpenFolders)
        folders_.clear();
    auto opened = std::make_shared<const OutputFolder>(fd);
    folders_.emplace(folder.native(), opened);
    return opened;
}

void ScriptRunCache::clear()
{
    files_.clear();
    folders_.clear();
}

}  // namespace quorvane
