#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/chunk_buffer.h"
#include "foundation/object_list.h"

namespace quorvane {

class ScriptVariable;

enum MediaKind : int {
    MediaNone = 0,
    MediaPicture = 1,
    MediaMovie = 2,
};

class AlbumNode : public ListObject {
public:
    explicit AlbumNode(int isFile) : isFile(isFile) {}

    // Stores the text literally, followed by one NUL byte.
    void setComment(std::string_view text) { comment.setText(text); }
    std::string_view commentText() { return comment.text(); }

    // Whether the comment differs from what its comments file held when it
    // was last read or written; only such comments override the file's own.
    bool commentEdited() { return commentText() != storedComment; }
    // Sets the comment as the file holds it.
    void setStoredComment(std::string_view text)
    {
        setComment(text);
        storedComment.assign(text);
    }

    int isFile;
    ChunkBuffer comment{1024};
    std::string storedComment;
};

class AlbumPicture : public AlbumNode {
public:
    AlbumPicture(std::string_view fileName, std::string_view directoryPath,
                 std::string_view relativeDirectory);
    ~AlbumPicture() override;

    std::string fullPath() const { return directoryPath + "/" + fileName; }

    int mediaKind = MediaNone;
    std::string directoryPath;
    std::string relativeDirectory;
    std::string fileName;
    std::optional<std::string> shotTime;  // Exif DateTimeOriginal, read on first need
    List<ScriptVariable> exifVariables;
};

class AlbumDirectory : public AlbumNode {
public:
    explicit AlbumDirectory(std::string_view name);
    ~AlbumDirectory() override;

    AlbumDirectory* appendSubdirectory(std::unique_ptr<AlbumDirectory> directory)
    {
        return subdirectories.append(std::move(directory));
    }
    AlbumPicture* appendFile(std::unique_ptr<AlbumPicture> file)
    {
        return files.append(std::move(file));
    }
    // Unlinks and destroys the child.
    void removeSubdirectory(AlbumDirectory* child);

    // The last component of name; "" for a name that is only a separator.
    std::string displayName() const;

    // Media walks used by the script loops: movies are skipped when looking
    // for pictures and the other way round.
    AlbumPicture* firstMedia(int kind) const;
    static AlbumPicture* nextMedia(const AlbumPicture& after, int kind);
    AlbumPicture* firstPicture() const { return firstMedia(MediaPicture); }
    AlbumPicture* firstMovie() const { return firstMedia(MediaMovie); }
    static AlbumPicture* nextPicture(const AlbumPicture& after) { return nextMedia(after, MediaPicture); }
    static AlbumPicture* nextMovie(const AlbumPicture& after) { return nextMedia(after, MediaMovie); }

    List<AlbumDirectory> subdirectories;
    List<AlbumPicture> files;
    int mediaCount = 0;
    // Its own "Comments.xml" could not be read completely: the comments shown
    // are those read before the damage, and the file is never overwritten.
    bool commentsDamaged = false;
    std::string name;
    std::string fullPath;
    std::string relativeDirectory;
};

}  // namespace quorvane
