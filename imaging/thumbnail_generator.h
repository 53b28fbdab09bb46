#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "album/album_tree.h"
#include "imaging/image.h"
#include "options/project_options.h"

namespace quorvane {

// Makes the thumbnails ("thm_"), intermediate images ("inter_") and directory
// thumbnails ("thm_dir_") of an album, in the source tree or below the
// destination folder, and copies the sources there when asked to. Sizes,
// filters and switches come from the project's options. It reports nothing
// itself: the job shows the progress and, at the end, how many pictures
// could not be decoded.
class ThumbnailGenerator {
public:
    // Called with each picture's source path before the picture is processed.
    using Progress = std::function<void(const std::string& sourcePath)>;

    explicit ThumbnailGenerator(const ProjectOptions& options, Progress progress = {});

    // The whole tree; forced remakes thumbnails and intermediate images that
    // already exist (directory thumbnails are always remade).
    void generateAlbumImages(bool forced, const AlbumDirectory& root);
    // One directory and everything below it; its pictures and subdirectories'
    // composites fill the cells of composite when one is given.
    void generateDirectoryImages(bool forced, const AlbumDirectory& directory, Image* composite);
    // One picture's intermediate image and thumbnail, and its cell.
    void generatePictureImages(bool forced, const AlbumPicture& picture, int cell, Image* composite);
    // Copies a picture or movie into the destination folder unless a copy is
    // there already.
    void copySourcePicture(const AlbumPicture& picture);
    // True when the file cannot be opened for reading; an existing file, even
    // an empty or damaged one, counts as present.
    static bool fileMissing(const std::string& path);

    std::string sourcePath(const AlbumPicture& picture) const;
    std::string intermediatePath(const AlbumPicture& picture) const;
    std::string thumbnailPath(const AlbumPicture& picture) const;
    // Only meaningful while the destination folder is used.
    std::string copiedSourcePath(const AlbumPicture& picture) const;
    // The thumbnail of directory, a subdirectory of parent, stored in the
    // parent's folder.
    std::string directoryThumbnailPath(const AlbumDirectory& parent,
                                       const AlbumDirectory& directory) const;
    // Where a directory's generated files go below the destination folder.
    std::string destinationDirectory(const AlbumDirectory& directory) const;

    // A black canvas of nbX × (cellW + 1) − 1 by nbY × (cellH + 1) − 1 pixels.
    void makeComposite(Image& composite) const;
    int cellCount() const;

    // Pictures that could not be decoded (no file was made from them and
    // their cell stayed black), counted once per picture.
    int failedPictures() const { return failedPictures_; }
    // Generated files or copies that could not be written.
    int failedWrites() const { return failedWrites_; }

private:
    // Writes under a temporary name and renames, so an interrupted or failed
    // write never leaves a partial file that later runs would take as made.
    bool writeJpeg(const Image& image, const std::string& path);
    void fitInto(Image& image, int boxWidth, int boxHeight) const;
    void placeInCell(Image& picture, int cell, Image& composite) const;

    const ProjectOptions& options_;
    Progress progress_;
    int failedPictures_ = 0;
    int failedWrites_ = 0;
};

// Runs a whole thumbnail job over the album and returns the number of
// pictures that could not be decoded.
int generateAlbumImages(const AlbumDirectory& root, const ProjectOptions& options, bool forced,
                        ThumbnailGenerator::Progress progress = {});

}  // namespace quorvane
