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

std::shared_ptr<const OpenFolder> openFolder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? nullptr : std::make_shared<const OpenFolder>(fd);
}

// Calls add(name, plain) for the folder's entries: plain files as true,
// links and entries of a type the listing does not tell as false. False
// when the folder cannot be listed.
template <class Add>
bool listFolder(const OpenFolder& folder, Add add)
{
    const int fd = ::dup(folder.fd());
    DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!listing) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_type == DT_REG || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            add(entry->d_name, entry->d_type == DT_REG);
    }
    ::closedir(listing);
    return true;
}

// A name the listing of its folder can answer for.
bool plainName(std::string_view name)
{
    return !name.empty() && name != "." && name != "..";
}

bool regularByPath(std::string_view path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

}  // namespace

OpenFolder::~OpenFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

PendingPage::PendingPage(std::shared_ptr<const OpenFolder> in, std::string fileName, int storedFd,
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

bool ScriptRunCache::regularByListing(FolderFacts& folder, std::string_view folderPath, std::string_view name,
                                      std::string_view path)
{
    if (!folder.listed) {
        folder.listed = true;
        folder.open = openFolder(std::string(folderPath));
        if (folder.open && !listFolder(*folder.open, [&folder](const char* entry, bool plain) {
                folder.entries.emplace(entry, plain);
            }))
            folder.open.reset();
    }
    if (!folder.open)
        return regularByPath(path);
    const auto entry = folder.entries.find(name);
    if (entry == folder.entries.end())
        return false;
    return entry->second || regularByPath(path);
}

ScriptRunCache::FileFacts& ScriptRunCache::factsOf(std::string_view path, FolderFacts*& folder,
                                                   std::string_view& name)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view folderPath = slash == std::string_view::npos ? std::string_view(".")
                                        : slash == 0                    ? std::string_view("/")
                                                                        : path.substr(0, slash);
    name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto known = folderFacts_.find(folderPath);
    if (known == folderFacts_.end())
        known = folderFacts_.emplace(std::string(folderPath), FolderFacts{}).first;
    folder = &known->second;
    auto facts = folder->files.find(name);
    if (facts == folder->files.end()) {
        facts = folder->files.emplace(std::string(name), FileFacts{}).first;
        facts->second.regular =
            plainName(name) ? regularByListing(*folder, folderPath, name, path) : regularByPath(path);
    }
    return facts->second;
}

bool ScriptRunCache::isRegularFile(std::string_view path)
{
    FolderFacts* folder = nullptr;
    std::string_view name;
    return factsOf(path, folder, name).regular;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> ScriptRunCache::jpegSize(std::string_view path)
{
    FolderFacts* folder = nullptr;
    std::string_view name;
    FileFacts& facts = factsOf(path, folder, name);
    if (facts.regular && !facts.headerRead) {
        facts.headerRead = true;
        std::uint32_t width = 0, height = 0;
        const bool read = folder->open && plainName(name)
                              ? readDecodableJpegSizeAt(folder->open->fd(), std::string(name).c_str(), width, height)
                              : readDecodableJpegSize(std::string(path), width, height);
        if (read)
            facts.size = std::make_pair(width, height);
    }
    return facts.size;
}

void ScriptRunCache::forget(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (auto& [folderPath, folder] : folderFacts_) {
        if (const auto facts = folder.files.find(name); facts != folder.files.end())
            folder.files.erase(facts);
        if (folder.open)
            folder.entries.insert_or_assign(std::string(name), false);
    }
}

std::shared_ptr<const OpenFolder> ScriptRunCache::outputFolder(const std::filesystem::path& folder,
                                                               const std::filesystem::path& root, bool& refused)
{
    refused = false;
    if (const auto known = outputFolders_.find(folder.native()); known != outputFolders_.end())
        return known->second;
    if (!folderStaysInside(folder, root)) {
        refused = true;
        return nullptr;
    }
    std::shared_ptr<const OpenFolder> opened = openFolder(folder.native());
    if (!opened)
        return nullptr;
    if (outputFolders_.size() >= kMaxOpenFolders)
        outputFolders_.clear();
    outputFolders_.emplace(folder.native(), opened);
    return opened;
}

void ScriptRunCache::clear()
{
    folderFacts_.clear();
    outputFolders_.clear();
}

}  // namespace quorvane
