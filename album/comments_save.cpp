#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "album/album_tree.h"
#include "album/comments.h"
#include "album/directory_listing.h"
#include "foundation/directory_lock.h"
#include "foundation/safe_files.h"

namespace quorvane {

namespace {

using namespace comments_file;

// A comment edited here wins; any other takes what the file holds now, which
// may be another program's newer text.
void settle(AlbumNode& node, const XmlElement* element)
{
    if (!node.commentEdited())
        node.setStoredComment(element ? storedCommentText(*element) : std::string());
}

void addEntry(XmlElement& top, const char* elementName, const std::string* name, AlbumNode& node)
{
    if (node.commentText().empty())
        return;
    XmlElement* element = top.addChild(elementName);
    if (name)
        element->addAttribute(kNameAttribute, *name);
    element->addHexAttribute(kCommentAttribute, node.comment.data(), node.comment.length());
}

// Attributes only: comment elements have no children.
void copyElement(const XmlElement& from, XmlElement& parent)
{
    XmlElement* copy = parent.addChild(from.name);
    for (const XmlAttribute& attribute : from.attributes)
        copy->addAttribute(attribute.name, attribute.value);
}

enum class Outcome { Unchanged, Written, Removed, Failed, Refused };

struct DirectorySave {
    AlbumDirectory& directory;
    std::string path;
    const std::string& root;
    bool isRoot;
    OrphanedComments orphans;
    int orphansDropped = 0;
    std::string reason;  // why it failed or was refused

    Outcome run();

private:
    void merge(const CommentsMatch& match);
    XmlDocument build(const CommentsFile& file, const CommentsMatch& match);
    void markStored();
    bool anyEdited();
};

bool DirectorySave::anyEdited()
{
    for (AlbumPicture& picture : directory.files) {
        if (picture.commentEdited())
            return true;
    }
    for (AlbumDirectory& subdirectory : directory.subdirectories) {
        if (subdirectory.commentEdited())
            return true;
    }
    return isRoot && directory.commentEdited();
}

void DirectorySave::merge(const CommentsMatch& match)
{
    std::size_t i = 0;
    for (AlbumPicture& picture : directory.files)
        settle(picture, match.files[i++]);
    i = 0;
    for (AlbumDirectory& subdirectory : directory.subdirectories)
        settle(subdirectory, match.subdirectories[i++]);
    if (isRoot)
        settle(directory, match.folder);
}

XmlDocument DirectorySave::build(const CommentsFile& file, const CommentsMatch& match)
{
    XmlDocument document;
    XmlElement* top = document.addTopLevelElement(kTopElement);
    for (AlbumPicture& picture : directory.files)
        addEntry(*top, kPhotoElement, &picture.fileName, picture);
    for (AlbumDirectory& subdirectory : directory.subdirectories)
        addEntry(*top, kDirElement, &subdirectory.name, subdirectory);
    for (const XmlElement* element : match.unmatched) {
        if (orphans == OrphanedComments::Drop && isOrphanedComment(*element))
            ++orphansDropped;
        else
            copyElement(*element, *top);
    }
    if (isRoot)
        addEntry(*top, kFolderElement, nullptr, directory);
    // Whatever else a newer version keeps beside "FilesComments" stays too.
    if (file.document.root()) {
        for (const XmlElement& other : file.document.root()->children) {
            if (&other != file.top)
                copyElement(other, *document.root());
        }
    }
    return document;
}

void DirectorySave::markStored()
{
    for (AlbumPicture& picture : directory.files)
        picture.storedComment.assign(picture.commentText());
    for (AlbumDirectory& subdirectory : directory.subdirectories)
        subdirectory.storedComment.assign(subdirectory.commentText());
    if (isRoot)
        directory.storedComment.assign(directory.commentText());
}

Outcome DirectorySave::run()
{
    // Nothing edited here: the file on disk already says it all.
    if (orphans == OrphanedComments::Keep && !anyEdited())
        return Outcome::Unchanged;
    // A folder linked in from outside the album gets no file unless the
    // user allows it.
    if (!folderStaysInside(path, root)) {
        reason = linkedFolderRefusal(path);
        return Outcome::Failed;
    }
    const DirectoryLock lock(path);
    if (!lock.error().empty()) {
        reason = "cannot lock the folder: " + lock.error();
        return Outcome::Failed;
    }
    const std::string filePath = joinPath(path, kCommentsFileName);
    const CommentsFile file = readCommentsFile(path);
    if (file.state == CommentsFileState::Damaged) {
        reason = file.damage;
        return Outcome::Refused;
    }
    const CommentsMatch match = matchComments(file, directory, isRoot);
    merge(match);
    const XmlDocument document = build(file, match);

    std::string text;
    for (const XmlElement& element : document.root()->children)
        element.writeElement(text, 0);
    Outcome outcome = Outcome::Unchanged;
    const bool empty = document.root()->children.count() == 1 && document.root()->children.first()->children.empty();
    if (empty) {
        // A folder whose last comment was cleared loses its file, so the old
        // text cannot come back at the next scan.
        if (file.state == CommentsFileState::Read) {
            if (::unlink(filePath.c_str()) != 0 && errno != ENOENT) {
                reason = std::strerror(errno);
                return Outcome::Failed;
            }
            outcome = Outcome::Removed;
        }
    } else if (text != file.bytes) {
        if (document.save(filePath) != XmlOk) {
            reason = "cannot write the file";
            return Outcome::Failed;
        }
        outcome = Outcome::Written;
    }
    markStored();
    return outcome;
}

}  // namespace

CommentsSaveResult saveComments(AlbumDirectory& directory, const std::string& path, OrphanedComments orphans)
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
        DirectorySave save{*frame.directory, frame.path, path, stack.size() == 1, orphans, 0, {}};
        switch (save.run()) {
        case Outcome::Written: ++result.filesWritten; break;
        case Outcome::Removed: ++result.filesRemoved; break;
        case Outcome::Unchanged: break;
        case Outcome::Failed:
            if (result.failures++ == 0) {
                result.failedDirectory = frame.path;
                result.failureReason = save.reason;
            }
            break;
        case Outcome::Refused:
            if (result.refusals++ == 0) {
                result.refusedFile = joinPath(frame.path, kCommentsFileName);
                result.refusedReason = save.reason;
            }
            break;
        }
        result.orphansDropped += save.orphansDropped;
        stack.pop_back();
    }
    return result;
}

}  // namespace quorvane
