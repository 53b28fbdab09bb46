#include "script/run_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <system_error>
#include <utility>

#include "foundation/safe_files.h"
#include "imaging/jpeg_io.h"

namespace quorvane {

namespace {

// Skins write into a handful of folders per run; a run that names more
// starts the list again rather than run out of descriptors.
constexpr std::size_t kMaxOpenFolders = 32;

// The folder's entries: plain files as true, links and entries of a type
// the listing does not tell as false (to be looked at by name). False when
// the folder cannot be listed.
bool listFolder(const std::string& folderPath, std::unordered_map<std::string, bool>& entries)
{
    DIR* folder = ::opendir(folderPath.c_str());
    if (!folder)
        return false;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_type == DT_REG)
            entries.emplace(entry->d_name, true);
        else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            entries.emplace(entry->d_name, false);
    }
    ::closedir(folder);
    return true;
}

}  // namespace

OutputFolder::~OutputFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

PendingPage::PendingPage(std::shared_ptr<const OutputFolder> in, std::string fileName, int storedFd,
                         std::uint64_t size)
    : folder(std::move(in)), name(std::move(fileName)), stored(storedFd), storedSize(size)
{
}

PendingPage::PendingPage(PendingPage&& other) noexcept
    : folder(std::move(other.folder)), name(std::move(other.name)), stored(std::exchange(other.stored, -1)),
      storedSize(other.storedSize), bytes(std::move(other.bytes))
{
}

PendingPage::~PendingPage()
{
    if (stored >= 0)
        ::close(stored);
}

bool ScriptRunCache::listedAsRegular(FolderFacts& folder, const std::string& folderPath, const std::string& name,
                                     const std::string& path)
{
    if (!folder.listed) {
        folder.listed = true;
        folder.listable = listFolder(folderPath, folder.entries);
    }
    const auto entry = folder.entries.find(name);
    if (folder.listable && (entry == folder.entries.end() || entry->second))
        return entry != folder.entries.end();
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

ScriptRunCache::FileFacts& ScriptRunCache::factsOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folderPath = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    FolderFacts& folder = folderFacts_[folderPath];
    const auto [at, added] = folder.files.try_emplace(name);
    if (added) {
        if (name.empty() || name == "." || name == "..") {
            std::error_code error;
            at->second.regular = std::filesystem::is_regular_file(path, error);
        } else {
            at->second.regular = listedAsRegular(folder, folderPath, name, path);
        }
    }
    return at->second;
}

void ScriptRunCache::forget(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (auto& [folderPath, folder] : folderFacts_) {
        folder.files.erase(name);
        if (folder.listed)
            folder.entries[name] = false;
    }
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
    folderFacts_.clear();
    folders_.clear();
}

}  // namespace quorvane
