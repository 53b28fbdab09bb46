#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "album/album_tree.h"
#include "imaging/image.h"
#include "options/project_options.h"

namespace quorvane {

// The number of pictures a thumbnail job makes at the same time unless told
// otherwise: one per hardware thread, or the count in the environment
// variable QUORVANE_THREADS (a whole number from 1 to 256).
unsigned defaultThumbnailThreads();

// Makes the thumbnails ("thm_"), intermediate images ("inter_") and directory
// thumbnails ("thm_dir_") of an album, in the source tree or below the
// destination folder, and copies the sources there when asked to. Sizes,
// filters and switches come from the project's options. It reports nothing
// itself: the job shows the progress and, at the end, how many pictures
// could not be decoded.
//
// Pictures are decoded, resampled and written on several threads. Everything
// else happens on the calling thread in album order: the progress calls,
// copies, directory creation and the directory thumbnails, each of which is
// written only once every picture before it in album order is done. So the
// files are the same bytes as those of a run on one thread, and a picture
// whose thumbnail name equals a directory thumbnail's ("dir_X.jpg" beside a
// folder X) is still overwritten by it, as in that run.
class ThumbnailGenerator {
public:
    // Called with each picture's source path before the picture is processed.
    using Progress = std::function<void(const std::string& sourcePath)>;

    // threads: pictures made at the same time, 0 for
    // defaultThumbnailThreads(); 1 makes everything on the calling thread.
    explicit ThumbnailGenerator(const ProjectOptions& options, Progress progress = {},
                                unsigned threads = 0);

    // The whole tree; forced remakes thumbnails and intermediate images that
    // already exist (directory thumbnails are always remade).
    void generateAlbumImages(bool forced, const AlbumDirectory& root);
    // One directory and everything below it; its pictures and subdirectories'
    // composites fill the cells of composite when one is given.
    void generateDirectoryImages(bool forced, const AlbumDirectory& directory, Image* composite);
    // One picture's intermediate image and thumbnail, and its cell, on the
    // calling thread.
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
    unsigned threads() const { return threads_; }

    // Pictures that could not be decoded (no file was made from them and
    // their cell stayed black), counted once per picture.
    int failedPictures() const { return failedPictures_; }
    // Generated files or copies that could not be written.
    int failedWrites() const { return failedWrites_; }

    // What making one picture's files gives back: the picture fitted into
    // its cell (when asked for one) and what went wrong.
    struct PictureOutcome {
        Image cell;
        bool unreadable = false;
        int failedWrites = 0;
    };
    // Makes one picture's intermediate image and thumbnail and, when
    // wantsCell, its cell picture. Touches nothing but the picture's own
    // files, so several pictures may be made at the same time.
    PictureOutcome makePictureImages(bool forced, const AlbumPicture& picture, bool wantsCell) const;

private:
    class Walk;

    // Decodes a picture and fits it into the box; false when it cannot be
    // decoded.
    bool loadFitted(const std::string& path, int boxWidth, int boxHeight, Image& image) const;
    // Writes under a temporary name and renames, so an interrupted or failed
    // write never leaves a partial file that later runs would take as made.
    static bool writeJpeg(const Image& image, const std::string& path);
    void fitInto(Image& image, int boxWidth, int boxHeight) const;
    void pasteCell(const Image& picture, int cell, Image& composite) const;
    void account(const PictureOutcome& outcome);

    const ProjectOptions& options_;
    Progress progress_;
    unsigned threads_;
    int failedPictures_ = 0;
    int failedWrites_ = 0;
};

// Runs a whole thumbnail job over the album and returns the number of
// pictures that could not be decoded. threads as for ThumbnailGenerator.
int generateAlbumImages(const AlbumDirectory& root, const ProjectOptions& options, bool forced,
                        ThumbnailGenerator::Progress progress = {}, unsigned threads = 0);

}  // namespace quorvane
