#include "album/comments.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "album/album_tree.h"
#include "album/directory_listing.h"
#include "album/tree_walk.h"
#include "foundation/ascii.h"

namespace quorvane {

namespace {

using namespace comments_file;


class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads the file into bytes; answers "" or why it could not be read.
std::string readBytes(const std::string& path, std::string& bytes, bool& missing)
{
    missing = false;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        missing = errno == ENOENT;
        return std::strerror(errno);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "not a regular file";
    if (static_cast<unsigned long long>(info.st_size) > kMaxCommentsFileSize)
        return "larger than " + std::to_string(kMaxCommentsFileSize >> 20) + " MiB";
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::strerror(errno);
        if (got == 0)
            return {};
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxCommentsFileSize)
            return "larger than " + std::to_string(kMaxCommentsFileSize >> 20) + " MiB";
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

bool isBlank(std::string_view bytes)
{
    return bytes.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool isHex(std::string_view text)
{
    for (const char c : text) {
        if (hexDigitValue(c) < 0)
            return false;
    }
    return true;
}

// A comment element's "Comment" that is not hexadecimal was not written by us.
std::string findBadComment(const XmlElement& top)
{
    for (const XmlElement& element : top.children) {
        if (const XmlAttribute* comment = element.findAttribute(kCommentAttribute);
            comment && !isHex(comment->value))
            return "the comment of \"" + element.name + "\" is not hexadecimal";
    }
    return {};
}

bool named(const XmlElement& element, const char* name)
{
    return equalsIgnoringAsciiCase(element.name, name);
}

std::string_view entryName(const XmlElement& element)
{
    const XmlAttribute* name = element.findAttribute(kNameAttribute);
    return name ? std::string_view(name->value) : std::string_view();
}

std::string lowerAsciiKey(std::string_view text)
{
    std::string key(text);
    for (char& c : key)
        c = lowerAscii(c);
    return key;
}

// Pairs the elements of one kind ("Photo" or "Dir") with the listed names.
class NameMatcher {
public:
    void add(const XmlElement& element)
    {
        const std::size_t index = elements_.size();
        elements_.push_back(&element);
        used_.push_back(false);
        exact_[std::string(entryName(element))].push_back(index);
        folded_[lowerAsciiKey(entryName(element))].push_back(index);
    }

    // Exact names first, then the names only a case-insensitive match finds.
    std::vector<const XmlElement*> match(const std::vector<std::string_view>& names)
    {
        std::vector<const XmlElement*> found(names.size(), nullptr);
        for (std::size_t i = 0; i < names.size(); ++i)
            found[i] = take(exact_, std::string(names[i]));
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!found[i])
                found[i] = take(folded_, lowerAsciiKey(names[i]));
        }
        return found;
    }

    bool used(const XmlElement& element) const { return claimed_.count(&element) != 0; }

private:
    struct Bucket {
        std::vector<std::size_t> indices;
        std::size_t cursor = 0;
        void push_back(std::size_t index) { indices.push_back(index); }
    };

    // The first element of the bucket not yet claimed; claimed ones are passed
    // for good, so a bucket is walked once however many names ask.
    const XmlElement* take(std::unordered_map<std::string, Bucket>& buckets, const std::string& key)
    {
        const auto found = buckets.find(key);
        if (found == buckets.end())
            return nullptr;
        Bucket& bucket = found->second;
        while (bucket.cursor < bucket.indices.size() && used_[bucket.indices[bucket.cursor]])
            ++bucket.cursor;
        if (bucket.cursor == bucket.indices.size())
            return nullptr;
        const std::size_t index = bucket.indices[bucket.cursor++];
        used_[index] = true;
        claimed_.insert(elements_[index]);
        return elements_[index];
    }

    std::vector<const XmlElement*> elements_;
    std::vector<bool> used_;
    std::unordered_set<const XmlElement*> claimed_;
    std::unordered_map<std::string, Bucket> exact_;
    std::unordered_map<std::string, Bucket> folded_;
};

}  // namespace

CommentsFile readCommentsFile(const std::string& directoryPath)
{
    CommentsFile file;
    bool missing = false;
    const std::string problem = readBytes(joinPath(directoryPath, kCommentsFileName), file.bytes, missing);
    if (missing)
        return file;
    file.state = CommentsFileState::Damaged;
    if (!problem.empty()) {
        file.damage = problem;
        return file;
    }
    if (file.document.parse(file.bytes.data(), file.bytes.size()) != XmlOk) {
        file.damage = "syntax error";
    } else if (!file.document.complete()) {
        file.damage = "the file ends before its elements do";
    }
    file.top = file.document.findElement(kTopElement, false);
    if (file.damage.empty() && !file.top && !isBlank(file.bytes))
        file.damage = std::string("no \"") + kTopElement + "\" element";
    if (file.damage.empty() && file.top)
        file.damage = findBadComment(*file.top);
    if (file.damage.empty())
        file.state = CommentsFileState::Read;
    return file;
}

CommentsMatch matchComments(const CommentsFile& file, AlbumDirectory& directory, bool isRoot)
{
    CommentsMatch result;
    std::vector<std::string_view> fileNames;
    for (AlbumPicture& picture : directory.files)
        fileNames.push_back(picture.fileName);
    std::vector<std::string_view> directoryNames;
    for (AlbumDirectory& subdirectory : directory.subdirectories)
        directoryNames.push_back(subdirectory.name);
    result.files.assign(fileNames.size(), nullptr);
    result.subdirectories.assign(directoryNames.size(), nullptr);
    if (!file.top)
        return result;

    NameMatcher photos;
    NameMatcher directories;
    for (const XmlElement& element : file.top->children) {
        if (named(element, kPhotoElement))
            photos.add(element);
        else if (named(element, kDirElement))
            directories.add(element);
        else if (isRoot && !result.folder && named(element, kFolderElement))
            result.folder = &element;
    }
    result.files = photos.match(fileNames);
    result.subdirectories = directories.match(directoryNames);
    for (const XmlElement& element : file.top->children) {
        const bool claimed = named(element, kPhotoElement) ? photos.used(element)
                             : named(element, kDirElement) ? directories.used(element)
                                                           : &element == result.folder;
        if (!claimed)
            result.unmatched.push_back(&element);
    }
    return result;
}

bool isOrphanedComment(const XmlElement& element)
{
    return named(element, kPhotoElement) || named(element, kDirElement) || named(element, kFolderElement);
}

std::string storedCommentText(const XmlElement& element)
{
    ChunkBuffer decoded(1024);
    element.getHexAttribute(kCommentAttribute, decoded);
    decoded.append("", 1);
    return std::string(decoded.text());
}

void applyStoredComments(const CommentsFile& file, AlbumDirectory& directory, bool isRoot)
{
    directory.commentsDamaged = file.state == CommentsFileState::Damaged;
    const CommentsMatch match = matchComments(file, directory, isRoot);
    std::size_t i = 0;
    for (AlbumPicture& picture : directory.files) {
        if (const XmlElement* element = match.files[i++])
            picture.setStoredComment(storedCommentText(*element));
    }
    i = 0;
    for (AlbumDirectory& subdirectory : directory.subdirectories) {
        if (const XmlElement* element = match.subdirectories[i++])
            subdirectory.setStoredComment(storedCommentText(*element));
    }
    if (match.folder)
        directory.setStoredComment(storedCommentText(*match.folder));
}

}  // namespace quorvane

namespace quorvane {

std::vector<OrphanedComment> findOrphanedComments(AlbumDirectory& root)
{
    using comments_file::kNameAttribute;
    std::vector<OrphanedComment> found;
    forEachDirectory(root, [&](AlbumDirectory& directory) {
        const CommentsFile file = readCommentsFile(directory.fullPath);
        if (file.state != CommentsFileState::Read)
            return;
        const CommentsMatch match = matchComments(file, directory, &directory == &root);
        for (const XmlElement* element : match.unmatched) {
            if (!isOrphanedComment(*element))
                continue;
            const XmlAttribute* name = element->findAttribute(kNameAttribute);
            found.push_back({directory.relativeDirectory, element->name, name ? name->value : std::string(),
                             storedCommentText(*element)});
        }
    });
    return found;
}

}  // namespace quorvane
