#include "album/scan.h"

#include <sys/stat.h>

#include <filesystem>
#include <unordered_set>
#include <vector>

#include "album/album_tree.h"
#include "album/comments.h"
#include "album/directory_listing.h"
#include "album/generated_names.h"
#include "album/skin_copies.h"
#include "album/sorting.h"
#include "imaging/picture_format.h"
#include "options/project_options.h"
#include "xml/xml_document.h"

namespace quorvane {

namespace {

// Identity of a directory on disk, so that one reached again through a
// symbolic link is not entered twice.
struct DirectoryIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const DirectoryIdentity&) const = default;
};

struct IdentityHash {
    std::size_t operator()(const DirectoryIdentity& id) const
    {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(id.inode) * 31u +
                                               static_cast<unsigned long long>(id.device));
    }
};

class TreeScanner {
public:
    TreeScanner(const ProjectOptions& options, std::vector<std::string>* leftOut, const SkinCopies& skinCopies)
        : options_(options), leftOut_(leftOut), skinCopies_(skinCopies)
    {
    }

    std::unique_ptr<AlbumDirectory> scan(const std::string& rootPath);

private:
    struct Frame {
        AlbumDirectory* directory;
        std::vector<DirectoryEntry> entries;
        std::size_t next = 0;
        CommentsFile comments;
    };

    // Only an absolute destination names a folder: a relative one (the
    // default of a project without options is "album") is refused by every
    // job, and compared as text it would match an album root typed so.
    bool excluded(const std::string& path) const
    {
        return options_.useDestPath && options_.outputFolder.starts_with('/') &&
               samePathIgnoringCase(path, options_.outputFolder);
    }
    // False when the directory has been entered before.
    bool markEntered(const std::string& path);
    void open(AlbumDirectory& directory);
    void addEntry(Frame& frame, const DirectoryEntry& entry);
    void close();

    const ProjectOptions& options_;
    std::vector<std::string>* leftOut_;
    const SkinCopies& skinCopies_;
    std::vector<Frame> stack_;
    std::unordered_set<DirectoryIdentity, IdentityHash> entered_;
};

bool TreeScanner::markEntered(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return true;  // cannot be listed either; it ends up empty
    return entered_.insert({info.st_dev, info.st_ino}).second;
}

void TreeScanner::open(AlbumDirectory& directory)
{
    Frame frame{&directory, {}, 0, readCommentsFile(directory.fullPath)};
    std::error_code error;
    if (!listDirectory(directory.fullPath, frame.entries, leftOut_) && leftOut_ && !stack_.empty()) {
        // Say why, rather than leave the folder out silently.
        std::filesystem::directory_iterator probe(directory.fullPath, error);
        leftOut_->push_back(directory.fullPath + ": " + (error ? error.message() : "cannot be listed"));
    }
    stack_.push_back(std::move(frame));
}

void TreeScanner::addEntry(Frame& frame, const DirectoryEntry& entry)
{
    AlbumDirectory& directory = *frame.directory;
    if (entry.kind == EntryKind::Directory) {
        std::string path = joinPath(directory.fullPath, entry.name);
        if (excluded(path) || !markEntered(path))
            return;
        auto child = std::make_unique<AlbumDirectory>(entry.name);
        child->fullPath = std::move(path);
        child->relativeDirectory = joinPath(directory.relativeDirectory, entry.name);
        open(*directory.appendSubdirectory(std::move(child)));
        return;
    }
    const int kind = classifyFile(entry.name, options_.todaysFormats != 0);
    if (kind == MediaNone)
        return;
    if (isTodaysFormat(pictureFormatOf(entry.name)) &&
        skinCopies_.isCopy(joinPath(directory.fullPath, entry.name), entry.name))
        return;
    auto picture = std::make_unique<AlbumPicture>(entry.name, directory.fullPath,
                                                  directory.relativeDirectory);
    picture->mediaKind = kind;
    directory.appendFile(std::move(picture));
    ++directory.mediaCount;
}

// Ends the directory on top of the stack and settles it with its parent.
void TreeScanner::close()
{
    AlbumDirectory* directory = stack_.back().directory;
    // Every kept subdirectory has been settled by now, so names are matched
    // against the complete listing.
    applyStoredComments(stack_.back().comments, *directory, stack_.size() == 1);
    sortFiles(*directory, options_.sortMethod, options_.todaysFormats != 0);
    stack_.pop_back();
    if (stack_.empty())
        return;
    Frame& parent = stack_.back();
    if (directory->mediaCount == 0)
        parent.directory->removeSubdirectory(directory);
    else
        parent.directory->mediaCount += directory->mediaCount;
}

std::unique_ptr<AlbumDirectory> TreeScanner::scan(const std::string& rootPath)
{
    if (excluded(rootPath))
        return nullptr;
    auto root = std::make_unique<AlbumDirectory>(rootPath);
    root->fullPath = rootPath;
    markEntered(rootPath);
    open(*root);
    // The walk keeps its own stack, so the depth of the tree costs no call stack.
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        if (frame.next == frame.entries.size()) {
            close();
            continue;
        }
        addEntry(frame, frame.entries[frame.next++]);
    }
    if (root->mediaCount == 0)
        return nullptr;
    return root;
}

}  // namespace

bool isWebCopyName(std::string_view fileName)
{
    constexpr std::string_view kExtension = ".mp4";
    if (!fileName.starts_with(kWebCopyPrefix) || fileName.size() < kWebCopyPrefix.size() + kExtension.size() ||
        !equalsIgnoringAsciiCase(fileName.substr(fileName.size() - kExtension.size()), kExtension))
        return false;
    const std::string_view movie =
        fileName.substr(kWebCopyPrefix.size(), fileName.size() - kWebCopyPrefix.size() - kExtension.size());
    return classifyFile(movie, true) == MediaMovie;
}

int classifyFile(std::string_view fileName, bool todaysFormats)
{
    const std::size_t dot = fileName.rfind('.');
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);

    if (isGeneratedName(fileName))
        return MediaNone;
    const PictureFormat format = pictureFormatOf(fileName);
    if (format == PictureFormat::Jpeg)
        return MediaPicture;
    if (isTodaysFormat(format))
        return todaysFormats ? MediaPicture : MediaNone;
    for (std::string_view movie : {".mpg", ".mpeg", ".avi", ".wmv"}) {
        if (startsWithIgnoringAsciiCase(extension, movie))
            return MediaMovie;
    }
    if (!todaysFormats)
        return MediaNone;
    if (isWebCopyName(fileName))
        return MediaNone;
    // Whole extensions only: ".mov" must not take in ".movie".
    for (std::string_view movie : {".mp4", ".m4v", ".mov", ".webm", ".mkv", ".3gp"}) {
        if (equalsIgnoringAsciiCase(extension, movie))
            return MediaMovie;
    }
    return MediaNone;
}

std::unique_ptr<AlbumDirectory> scanDirectory(const std::string& rootPath, const ProjectOptions& options,
                                              std::vector<std::string>* leftOut,
                                              const std::filesystem::path& skinFolder)
{
    const SkinCopies skinCopies =
        skinFolder.empty() || !options.todaysFormats ? SkinCopies() : SkinCopies(skinFolder);
    return TreeScanner(options, leftOut, skinCopies).scan(rootPath);
}

}  // namespace quorvane
