#include "imaging/thumbnail_generator.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include "imaging/jpeg_io.h"
#include "imaging/resample.h"

namespace quorvane {

namespace {

constexpr std::size_t kCopyBlockSize = 102400;

// Sizes from a hand-edited settings file may be negative: treat them as 0.
std::uint32_t nonNegative(int value)
{
    return static_cast<std::uint32_t>(std::max(value, 0));
}

std::string temporaryName(const std::string& path)
{
    return path + ".tmp";
}

}  // namespace

ThumbnailGenerator::ThumbnailGenerator(const ProjectOptions& options, Progress progress)
    : options_(options), progress_(std::move(progress))
{
}

std::string ThumbnailGenerator::sourcePath(const AlbumPicture& picture) const
{
    return picture.directoryPath + "/" + picture.fileName;
}

std::string ThumbnailGenerator::intermediatePath(const AlbumPicture& picture) const
{
    if (options_.useDestPath)
        return options_.outputFolder + picture.relativeDirectory + "/inter_" + picture.fileName;
    return picture.directoryPath + "/inter_" + picture.fileName;
}

std::string ThumbnailGenerator::thumbnailPath(const AlbumPicture& picture) const
{
    if (options_.useDestPath)
        return options_.outputFolder + picture.relativeDirectory + "/thm_" + picture.fileName;
    return picture.directoryPath + "/thm_" + picture.fileName;
}

std::string ThumbnailGenerator::copiedSourcePath(const AlbumPicture& picture) const
{
    return options_.outputFolder + picture.relativeDirectory + "/" + picture.fileName;
}

std::string ThumbnailGenerator::directoryThumbnailPath(const AlbumDirectory& parent,
                                                       const AlbumDirectory& directory) const
{
    if (options_.useDestPath)
        return options_.outputFolder + parent.relativeDirectory + "/thm_dir_" + directory.name + ".jpg";
    return parent.fullPath + "/thm_dir_" + directory.name + ".jpg";
}

std::string ThumbnailGenerator::destinationDirectory(const AlbumDirectory& directory) const
{
    return options_.outputFolder + directory.relativeDirectory;
}

bool ThumbnailGenerator::fileMissing(const std::string& path)
{
    return !openFile(path, "rb");
}

int ThumbnailGenerator::cellCount() const
{
    return std::max(options_.nbDirThumbsX, 0) * std::max(options_.nbDirThumbsY, 0);
}

void ThumbnailGenerator::makeComposite(Image& composite) const
{
    // Cells sit at whole multiples of the cell size, so the canvas has one
    // spare black column per grid column and one spare row per grid row,
    // minus one of each.
    const auto side = [](int cells, int cell) {
        const std::int64_t size = std::int64_t(std::max(cells, 0)) * (std::int64_t(std::max(cell, 0)) + 1) - 1;
        return static_cast<std::uint32_t>(std::max<std::int64_t>(size, 0));
    };
    composite.allocate(side(options_.nbDirThumbsX, options_.thmDirImgWidth),
                       side(options_.nbDirThumbsY, options_.thmDirImgHeight), 3);
    composite.fill(0);
}

void ThumbnailGenerator::fitInto(Image& image, int boxWidth, int boxHeight) const
{
    fitAndResample(image, nonNegative(boxWidth), nonNegative(boxHeight), options_.reduceFilter,
                   options_.magFilter);
}

void ThumbnailGenerator::placeInCell(Image& picture, int cell, Image& composite) const
{
    fitInto(picture, options_.thmDirImgWidth, options_.thmDirImgHeight);
    const std::uint32_t cellWidth = nonNegative(options_.thmDirImgWidth);
    const std::uint32_t cellHeight = nonNegative(options_.thmDirImgHeight);
    const std::uint32_t columns = nonNegative(options_.nbDirThumbsX);
    const std::uint32_t n = static_cast<std::uint32_t>(cell);
    // A shrinking filter outside 0–3 leaves the picture at its own size: the
    // clip keeps it inside its cell.
    picture.pasteInto(composite, (n % columns) * cellWidth, (n / columns) * cellHeight, cellWidth,
                      cellHeight);
}

bool ThumbnailGenerator::writeJpeg(const Image& image, const std::string& path)
{
    const std::string temporary = temporaryName(path);
    if (saveJpeg(image, temporary) && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    std::remove(temporary.c_str());
    ++failedWrites_;
    return false;
}

void ThumbnailGenerator::generateAlbumImages(bool forced, const AlbumDirectory& root)
{
    generateDirectoryImages(forced, root, nullptr);
}

void ThumbnailGenerator::generateDirectoryImages(bool forced, const AlbumDirectory& directory,
                                                 Image* composite)
{
    if (options_.useDestPath) {
        // Parents come first on the way down; creating any missing parents
        // also covers a destination folder whose own parent does not exist.
        std::error_code ignored;
        std::filesystem::create_directories(destinationDirectory(directory), ignored);
    }

    int cell = 0;
    for (const AlbumPicture& entry : directory.files) {
        if (options_.useDestPath && options_.copySource)
            copySourcePicture(entry);
        if (entry.mediaKind == MediaPicture) {
            generatePictureImages(forced, entry, cell, composite);
            ++cell;
        }
    }

    for (const AlbumDirectory& subdirectory : directory.subdirectories) {
        Image own;
        makeComposite(own);
        generateDirectoryImages(forced, subdirectory, &own);
        writeJpeg(own, directoryThumbnailPath(directory, subdirectory));
        if (composite && cell < cellCount() && !own.empty())
            placeInCell(own, cell, *composite);
        ++cell;
    }
}

void ThumbnailGenerator::generatePictureImages(bool forced, const AlbumPicture& picture, int cell,
                                               Image* composite)
{
    const std::string source = sourcePath(picture);
    if (progress_)
        progress_(source);

    // One working picture, decoded at most once: the thumbnail is made from
    // the intermediate image and the cell from whatever is in memory.
    Image work;
    bool loaded = false;
    bool failed = false;
    const auto decode = [&](const std::string& path) {
        loaded = work.loadJpeg(path);
        failed = !loaded;
        return loaded;
    };

    if (options_.intermediateActive) {
        const std::string intermediate = intermediatePath(picture);
        if ((forced || fileMissing(intermediate)) && decode(source)) {
            fitInto(work, options_.intermediateWidth, options_.intermediateHeight);
            writeJpeg(work, intermediate);
        }
    }

    const std::string thumbnail = thumbnailPath(picture);
    if (!failed && (forced || fileMissing(thumbnail)) && (loaded || decode(source))) {
        fitInto(work, options_.thumbWidth, options_.thumbHeight);
        writeJpeg(work, thumbnail);
    }

    if (composite && cell < cellCount() && !failed && (loaded || decode(thumbnail)) && !work.empty())
        placeInCell(work, cell, *composite);

    if (failed)
        ++failedPictures_;
}

void ThumbnailGenerator::copySourcePicture(const AlbumPicture& picture)
{
    const std::string destination = copiedSourcePath(picture);
    if (!fileMissing(destination))
        return;  // an existing copy is never overwritten

    // Copied under a temporary name, so a copy that fails half-way (or
    // whose source cannot be read) never stands as a finished one.
    const std::string temporary = temporaryName(destination);
    FileHandle out = openFile(temporary, "wb");
    if (!out) {
        ++failedWrites_;
        return;
    }
    bool copied = false;
    if (FileHandle in = openFile(sourcePath(picture), "rb")) {
        const auto block = std::make_unique<char[]>(kCopyBlockSize);
        copied = true;
        for (;;) {
            const std::size_t count = std::fread(block.get(), 1, kCopyBlockSize, in.get());
            if (count == 0)
                break;
            if (std::fwrite(block.get(), 1, count, out.get()) != count) {
                copied = false;
                break;
            }
        }
        copied = copied && std::ferror(in.get()) == 0;
    }
    copied = closeFile(out) && copied;
    if (copied && std::rename(temporary.c_str(), destination.c_str()) == 0)
        return;
    std::remove(temporary.c_str());
    ++failedWrites_;
}

int generateAlbumImages(const AlbumDirectory& root, const ProjectOptions& options, bool forced,
                        ThumbnailGenerator::Progress progress)
{
    ThumbnailGenerator generator(options, std::move(progress));
    generator.generateAlbumImages(forced, root);
    return generator.failedPictures();
}

}  // namespace quorvane
