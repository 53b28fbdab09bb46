#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_document.h"

namespace quorvane {

class AlbumDirectory;
class AlbumNode;

inline constexpr char kCommentsFileName[] = "Comments.xml";

// Element and attribute names of the file.
namespace comments_file {
inline constexpr char kTopElement[] = "FilesComments";
inline constexpr char kPhotoElement[] = "Photo";
inline constexpr char kDirElement[] = "Dir";
// The album root's own comment, which has no parent file to live in.
inline constexpr char kFolderElement[] = "Folder";
inline constexpr char kNameAttribute[] = "Name";
inline constexpr char kCommentAttribute[] = "Comment";
}  // namespace comments_file

// Larger comments files are taken as damaged rather than read into memory.
inline constexpr std::size_t kMaxCommentsFileSize = 64u << 20;

enum class CommentsFileState {
    Missing,
    Read,
    // Exists but could not be read completely (unreadable, cut short, a syntax
    // error, no "FilesComments", a comment that is not hexadecimal): it must
    // never be overwritten.
    Damaged,
};

// One directory's "Comments.xml" as it is on disk.
struct CommentsFile {
    CommentsFileState state = CommentsFileState::Missing;
    std::string damage;  // why a damaged file could not be read
    std::string bytes;
    XmlDocument document;
    const XmlElement* top = nullptr;  // "FilesComments", when there is one
};

CommentsFile readCommentsFile(const std::string& directoryPath);

// Which element of a comments file holds the comment of each listed entry. An
// exact name match wins; a match ignoring ASCII case (files written on
// Windows) is only a fallback, and one element never serves two entries.
struct CommentsMatch {
    std::vector<const XmlElement*> files;           // parallel to the directory's files
    std::vector<const XmlElement*> subdirectories;  // parallel to its subdirectories
    const XmlElement* folder = nullptr;             // the directory's own comment
    // Children of "FilesComments" that no entry claims, in file order.
    std::vector<const XmlElement*> unmatched;
};

// isRoot: the directory's own comment is kept in its own file only for the
// album root; every other directory's comment lives in its parent's file.
CommentsMatch matchComments(const CommentsFile& file, AlbumDirectory& directory, bool isRoot);

// "Photo", "Dir" or "Folder" elements that no listed entry claims: the
// comments of pictures moved away, folders that could not be read or names
// the scan skipped.
bool isOrphanedComment(const XmlElement& element);

// The decoded comment of an element, up to its first NUL.
std::string storedCommentText(const XmlElement& element);

// Sets the comments of a scanned directory's entries (and of the root itself)
// from its comments file, and marks the directory when the file is damaged.
void applyStoredComments(const CommentsFile& file, AlbumDirectory& directory, bool isRoot);

struct CommentsSaveResult {
    int filesWritten = 0;
    int filesRemoved = 0;
    int failures = 0;
    // The first directory whose comments file could not be written.
    std::string failedDirectory;
    std::string failureReason;
    int refusals = 0;
    // The first comments file left alone because it could not be read completely.
    std::string refusedFile;
    std::string refusedReason;
    int orphansDropped = 0;

    bool ok() const { return failures == 0 && refusals == 0; }
};

enum class OrphanedComments { Keep, Drop };

// Writes "Comments.xml" of the directory and of every directory below it,
// subdirectories before their parent. Only folders with an edited comment are
// touched (all of them with OrphanedComments::Drop). Each file is re-read under an advisory
// lock on its directory and merged: comments edited since the file was read
// replace the file's, the others take the file's current text, and entries
// the scan does not list are written back unchanged after the listed ones
// (or dropped with OrphanedComments::Drop). A file that ends up empty is
// removed; a damaged file is left alone and counted as refused. Every
// directory is attempted even after a failure.
CommentsSaveResult saveComments(AlbumDirectory& directory, const std::string& path,
                                OrphanedComments orphans = OrphanedComments::Keep);

}  // namespace quorvane

namespace quorvane {

// A comment kept in a comments file for an entry the scan does not list.
struct OrphanedComment {
    std::string relativeDirectory;  // of the folder whose file holds it ("" for the root)
    std::string kind;               // "Photo", "Dir" or "Folder"
    std::string name;               // empty for "Folder"
    std::string comment;
};

// Every orphaned comment of the album, folder by folder (parents first), in
// file order; damaged files are skipped.
std::vector<OrphanedComment> findOrphanedComments(AlbumDirectory& root);

}  // namespace quorvane
