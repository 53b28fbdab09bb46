// Directory thumbnails whose pictures did not all decode, and those kept
// from an earlier run or made again from files.
#include <algorithm>
#include <cstring>
#include <set>
#include <system_error>

#include "album/generated_names.h"
#include "imaging/jpeg_io.h"
#include "jobs/thumbnail_generator.h"

namespace quorvane {

namespace {

// What one entry shows on a directory thumbnail, read back from its files:
// the ordinary thumbnail, and for the twice-size mosaic the twice-size one,
// or the ordinary one again where there is none (as when first made).
struct CellSource {
    Image picture;
    Image twice;
};

bool loadCellSource(const std::string& path, const std::string& twicePath, bool twiceWanted, CellSource& source)
{
    if (!source.picture.loadJpeg(path))
        return false;
    if (twiceWanted && (twicePath.empty() || !source.twice.loadJpeg(twicePath))) {
        source.twice.allocate(source.picture.width, source.picture.height, source.picture.components);
        std::memcpy(source.twice.pixels.get(), source.picture.pixels.get(), source.picture.byteSize());
    }
    return true;
}

std::optional<ThumbnailGenerator::FileTime> modifiedTime(const std::string& path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return time;
}

}  // namespace

std::vector<MosaicCell> ThumbnailGenerator::cellsFor(int entries, std::uint32_t width, std::uint32_t height,
                                                     std::uint32_t scale, bool fill) const
{
    if (fill)
        return mosaicLayout(entries, options_.nbDirThumbsX, options_.nbDirThumbsY, width, height);
    // The grid in reading order; entries beyond it get no cell.
    return gridCells(std::min(entries, cellCount()), scale);
}

void ThumbnailGenerator::skipUnreadable(const AlbumDirectory& directory, Mosaic& mosaic) const
{
    const bool cellLost = std::any_of(mosaic.unreadable.begin(), mosaic.unreadable.end(),
                                      [&mosaic](int entry) { return std::size_t(entry) < mosaic.cells.size(); });
    if (!cellLost || !mosaic.canvas)
        return;
    const std::set<int> skipped(mosaic.unreadable.begin(), mosaic.unreadable.end());
    const bool twice = mosaic.canvas2x != nullptr;
    const auto most = static_cast<std::size_t>(std::max(cellCount(), 0));
    const HighDensityNames twiceSizeNames(directory);

    // The entries in their order, as many as cells can show;
    // an entry whose file cannot be read back is passed over too.
    std::vector<CellSource> sources;
    const auto take = [&](const std::string& path, bool twiceFile) {
        CellSource source;
        if (sources.size() < most && loadCellSource(path, twiceFile ? highDensityPath(path) : std::string(), twice, source))
            sources.push_back(std::move(source));
    };
    // Numbered as the walk numbers them: pictures, posters, subdirectories.
    int entry = 0;
    for (const AlbumPicture& file : directory.files) {
        if (file.mediaKind == MediaPicture && !skipped.contains(entry++))
            take(thumbnailPath(file), options_.highDensity && twiceSizeNames.allowed(file));
    }
    for (const AlbumPicture& file : directory.files) {
        if (options_.todaysFormats && file.mediaKind == MediaMovie && !skipped.contains(entry++))
            take(thumbnailPath(file), false);
    }
    for (const AlbumDirectory& subdirectory : directory.subdirectories)
        take(directoryThumbnailPath(directory, subdirectory),
             options_.highDensity && twiceSizeNames.allowed(subdirectory));

    const int count = static_cast<int>(sources.size());
    mosaic.canvas->fill(0);
    mosaic.cells = cellsFor(count, mosaic.canvas->width, mosaic.canvas->height, 1, mosaic.fill);
    if (twice) {
        mosaic.canvas2x->fill(0);
        mosaic.cells2x = cellsFor(count, mosaic.canvas2x->width, mosaic.canvas2x->height, 2, mosaic.fill);
    }
    for (std::size_t n = 0; n < sources.size() && n < mosaic.cells.size(); ++n) {
        shapeCell(sources[n].picture, mosaic.fill, mosaic.cells[n].width, mosaic.cells[n].height);
        pasteCell(sources[n].picture, mosaic.cells[n], *mosaic.canvas);
        if (twice && n < mosaic.cells2x.size()) {
            shapeCell(sources[n].twice, mosaic.fill, mosaic.cells2x[n].width, mosaic.cells2x[n].height);
            pasteCell(sources[n].twice, mosaic.cells2x[n], *mosaic.canvas2x);
        }
    }
}

bool ThumbnailGenerator::mayKeepDirectoryThumbnail(const std::string& path, const AlbumDirectory& directory,
                                                   bool twice, FileTime& made) const
{
    if (!settingsTime_ || path.empty())
        return false;
    // Each file exists, is a readable JPEG of the composite's size and is at
    // least as new as the settings and the folder (whose time changes when
    // an entry is added, removed or renamed).
    const auto current = [&](const std::string& file, std::uint32_t scale) {
        const auto time = modifiedTime(file);
        std::uint32_t width = 0, height = 0, expectedWidth = 0, expectedHeight = 0;
        compositeSize(scale, expectedWidth, expectedHeight);
        if (!time || *settingsTime_ > *time || !readJpegSize(file, width, height) || width != expectedWidth ||
            height != expectedHeight)
            return false;
        made = scale == 1 ? *time : std::min(made, *time);
        return true;
    };
    if (!current(path, 1) || (twice && !current(highDensityPath(path), 2)))
        return false;
    const auto folderTime = modifiedTime(directory.fullPath);
    return folderTime && *folderTime <= made;
}

void ThumbnailGenerator::allocateCanvases(Mosaic& mosaic) const
{
    if (mosaic.canvas->empty())
        makeComposite(*mosaic.canvas, 1);
    if (mosaic.canvas2x && mosaic.canvas2x->empty())
        makeComposite(*mosaic.canvas2x, 2);
}

bool ThumbnailGenerator::cellsFromFiles(const AlbumPicture& file, bool twiceSize, Mosaic& mosaic,
                                        std::size_t cell) const
{
    // As a picture judged current gives its cells: the thumbnail file, and
    // for the twice-size cell its twice-size file or else the ordinary one.
    const std::string thumbnail = thumbnailPath(file);
    Image picture;
    if (!picture.loadJpeg(thumbnail))
        return false;
    if (mosaic.canvas2x && cell < mosaic.cells2x.size()) {
        Image twice;
        if (!(twiceSize && twice.loadJpeg(highDensityPath(thumbnail))))
            twice.loadJpeg(thumbnail);
        if (!twice.empty()) {
            shapeCell(twice, mosaic.fill, mosaic.cells2x[cell].width, mosaic.cells2x[cell].height);
            pasteCell(twice, mosaic.cells2x[cell], *mosaic.canvas2x);
        }
    }
    if (!picture.empty()) {
        shapeCell(picture, mosaic.fill, mosaic.cells[cell].width, mosaic.cells[cell].height);
        pasteCell(picture, mosaic.cells[cell], *mosaic.canvas);
    }
    return true;
}

void ThumbnailGenerator::compositeFromFiles(const AlbumDirectory& directory, bool twice, Mosaic& mosaic,
                                            int cell) const
{
    Image canvas;
    Image canvas2x;
    makeComposite(canvas, 1);
    if (twice)
        makeComposite(canvas2x, 2);
    Mosaic plan = planMosaic(directory, canvas, twice ? &canvas2x : nullptr);
    plan.deferred = true;
    plan.filled.assign(plan.cells.size(), 0);
    completeMosaic(directory, plan);
    skipUnreadable(directory, plan);
    pasteComposite(canvas, twice ? &canvas2x : nullptr, mosaic, cell);
}

void ThumbnailGenerator::completeMosaic(const AlbumDirectory& directory, Mosaic& mosaic) const
{
    if (!mosaic.deferred)
        return;
    allocateCanvases(mosaic);
    // A lost cell lays the whole mosaic out again from files.
    if (std::any_of(mosaic.unreadable.begin(), mosaic.unreadable.end(),
                    [&mosaic](int entry) { return std::size_t(entry) < mosaic.cells.size(); }))
        return;
    const HighDensityNames twiceSizeNames(directory);
    // Numbered as the walk numbers them: pictures, posters, subdirectories.
    std::size_t entry = 0;
    const auto empty = [&mosaic](std::size_t n) { return n < mosaic.cells.size() && !mosaic.filled[n]; };
    for (const AlbumPicture& file : directory.files) {
        if (file.mediaKind != MediaPicture)
            continue;
        const std::size_t n = entry++;
        if (empty(n) && !cellsFromFiles(file, options_.highDensity && twiceSizeNames.allowed(file), mosaic, n))
            mosaic.unreadable.push_back(int(n));
    }
    for (const AlbumPicture& file : directory.files) {
        if (!options_.todaysFormats || file.mediaKind != MediaMovie)
            continue;
        const std::size_t n = entry++;
        if (empty(n) && !cellsFromFiles(file, false, mosaic, n))
            mosaic.unreadable.push_back(int(n));
    }
    for (const AlbumDirectory& subdirectory : directory.subdirectories) {
        const std::size_t n = entry++;
        if (empty(n))
            compositeFromFiles(subdirectory, options_.highDensity && twiceSizeNames.allowed(subdirectory), mosaic,
                               int(n));
    }
}

void ThumbnailGenerator::pasteComposite(Image& canvas, const Image* canvas2x, Mosaic& parent, int cell) const
{
    const auto n = std::size_t(cell);
    if (n >= parent.cells.size() || canvas.empty())
        return;
    if (parent.deferred) {
        allocateCanvases(parent);
        parent.filled[n] = 1;
        parent.changed = true;
    }
    if (parent.canvas2x && n < parent.cells2x.size()) {
        // From the twice-size composite where there is one.
        Image picture;
        const Image& from = canvas2x ? *canvas2x : canvas;
        picture.allocate(from.width, from.height, from.components);
        std::memcpy(picture.pixels.get(), from.pixels.get(), from.byteSize());
        shapeCell(picture, parent.fill, parent.cells2x[n].width, parent.cells2x[n].height);
        pasteCell(picture, parent.cells2x[n], *parent.canvas2x);
    }
    shapeCell(canvas, parent.fill, parent.cells[n].width, parent.cells[n].height);
    pasteCell(canvas, parent.cells[n], *parent.canvas);
}

}  // namespace quorvane
