#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "xml/xml_document.h"

namespace quorvane {

class AlbumDirectory;
class AlbumPicture;

inline constexpr char kCommentsFileName[] = "Comments.xml";

// The stored comments of one directory, read from its "Comments.xml" and
// indexed by entry name so that a large directory is matched in linear time.
// Element names and "Name" values are matched ignoring ASCII case; the first
// matching element wins.
class StoredComments {
public:
    StoredComments() = default;
    StoredComments(const StoredComments&) = delete;
    StoredComments& operator=(const StoredComments&) = delete;
    StoredComments(StoredComments&&) noexcept = default;
    StoredComments& operator=(StoredComments&&) noexcept = default;

    // Sets the comment of a listed picture or movie, or of a kept
    // subdirectory, when the file has an element for it.
    void attach(AlbumPicture& picture) const;
    void attach(AlbumDirectory& subdirectory) const;

private:
    friend StoredComments loadComments(const std::string& directoryPath);

    XmlDocument document_;
    std::unordered_map<std::string, const XmlElement*> photos_;
    std::unordered_map<std::string, const XmlElement*> directories_;
};

// Reads "Comments.xml" of a directory. A missing file, or one without a
// top-level "FilesComments", gives no comments; a file cut short by a syntax
// error still supplies the elements read before it.
StoredComments loadComments(const std::string& directoryPath);

struct CommentsSaveResult {
    int filesWritten = 0;
    int failures = 0;
    // The first directory whose comments file could not be written.
    std::string failedDirectory;

    bool ok() const { return failures == 0; }
};

// Writes "Comments.xml" of the directory and of every directory below it,
// subdirectories before their parent. A directory without any non-empty
// comment gets no file, and an existing one is left as it is. Every directory
// is attempted even after a failure.
CommentsSaveResult saveComments(AlbumDirectory& directory, const std::string& path);

}  // namespace quorvane
