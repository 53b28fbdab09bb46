#include "album/comments.h"

#include <vector>

#include "album/album_tree.h"
#include "album/directory_listing.h"
#include "foundation/safe_files.h"

namespace quorvane {

namespace {

constexpr char kTopElement[] = "FilesComments";
constexpr char kPhotoElement[] = "Photo";
constexpr char kDirElement[] = "Dir";
constexpr char kNameAttribute[] = "Name";
constexpr char kCommentAttribute[] = "Comment";

std::string lowerAsciiKey(std::string_view text)
{
    std::string key(text);
    for (char& c : key)
        c = lowerAscii(c);
    return key;
}

const XmlElement* lookUp(const std::unordered_map<std::string, const XmlElement*>& index,
                         std::string_view name)
{
    if (index.empty())
        return nullptr;
    const auto found = index.find(lowerAsciiKey(name));
    return found == index.end() ? nullptr : found->second;
}

void setStoredComment(AlbumNode& node, const XmlElement& element)
{
    ChunkBuffer decoded(1024);
    element.getHexAttribute(kCommentAttribute, decoded);
    decoded.append("", 1);
    node.setComment(decoded.text());
}

bool addCommentElement(XmlElement& top, const char* elementName, std::string_view name,
                       AlbumNode& node)
{
    if (node.commentText().empty())
        return false;
    XmlElement* element = top.addChild(elementName);
    element->addAttribute(kNameAttribute, name);
    element->addHexAttribute(kCommentAttribute, node.comment.data(), node.comment.length());
    return true;
}

enum class FileWrite { Nothing, Written, Failed };

FileWrite writeCommentsFile(AlbumDirectory& directory, const std::string& path, const std::string& root)
{
    XmlDocument document;
    XmlElement* top = document.addTopLevelElement(kTopElement);
    int counted = 0;
    for (AlbumPicture& file : directory.files)
        counted += addCommentElement(*top, kPhotoElement, file.fileName, file);
    for (AlbumDirectory& subdirectory : directory.subdirectories)
        counted += addCommentElement(*top, kDirElement, subdirectory.name, subdirectory);
    if (counted == 0)
        return FileWrite::Nothing;
    // A folder linked in from outside the album gets no file unless the
    // user allows it.
    if (!folderStaysInside(path, root))
        return FileWrite::Failed;
    return document.save(joinPath(path, kCommentsFileName)) == XmlOk ? FileWrite::Written
                                                                       : FileWrite::Failed;
}

}  // namespace

void StoredComments::attach(AlbumPicture& picture) const
{
    if (const XmlElement* element = lookUp(photos_, picture.fileName))
        setStoredComment(picture, *element);
}

void StoredComments::attach(AlbumDirectory& subdirectory) const
{
    if (const XmlElement* element = lookUp(directories_, subdirectory.name))
        setStoredComment(subdirectory, *element);
}

StoredComments loadComments(const std::string& directoryPath)
{
    StoredComments comments;
    // Whatever the reader got before a syntax error still counts.
    comments.document_.load(joinPath(directoryPath, kCommentsFileName));
    const XmlElement* top = comments.document_.findElement(kTopElement, false);
    if (!top)
        return comments;
    for (const XmlElement& element : top->children) {
        auto* index = equalsIgnoringAsciiCase(element.name, kPhotoElement) ? &comments.photos_
                      : equalsIgnoringAsciiCase(element.name, kDirElement) ? &comments.directories_
                                                                          : nullptr;
        if (!index)
            continue;
        const XmlAttribute* name = element.findAttribute(kNameAttribute);
        index->emplace(lowerAsciiKey(name ? std::string_view(name->value) : std::string_view()),
                       &element);
    }
    return comments;
}

CommentsSaveResult saveComments(AlbumDirectory& directory, const std::string& path)
{
    CommentsSaveResult result;
    // Depth-first with an explicit stack: each directory's file is written
    // once all of its subdirectories have been written.
    struct Frame {
        AlbumDirectory* directory;
        std::string path;
        AlbumDirectory* nextChild;
    };
    std::vector<Frame> stack;
    stack.push_back({&directory, path, directory.subdirectories.first()});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (AlbumDirectory* child = frame.nextChild) {
            frame.nextChild = List<AlbumDirectory>::next(*child);
            std::string childPath = joinPath(frame.path, child->name);
            stack.push_back({child, std::move(childPath), child->subdirectories.first()});
            continue;
        }
        const FileWrite written = writeCommentsFile(*frame.directory, frame.path, path);
        if (written == FileWrite::Written) {
            ++result.filesWritten;
        } else if (written == FileWrite::Failed) {
            if (result.failures++ == 0)
                result.failedDirectory = frame.path;
        }
        stack.pop_back();
    }
    return result;
}

}  // namespace quorvane
