// Directory thumbnails whose pictures did not all decode.
#include <algorithm>
#include <cstring>
#include <set>

#include "album/generated_names.h"
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

}  // namespace

std::vector<MosaicCell> ThumbnailGenerator::cellsFor(int entries, const Image& canvas, std::uint32_t scale,
                                                     bool fill) const
{
    if (fill)
        return mosaicLayout(entries, options_.nbDirThumbsX, options_.nbDirThumbsY, canvas.width, canvas.height);
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
    mosaic.cells = cellsFor(count, *mosaic.canvas, 1, mosaic.fill);
    if (twice) {
        mosaic.canvas2x->fill(0);
        mosaic.cells2x = cellsFor(count, *mosaic.canvas2x, 2, mosaic.fill);
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

}  // namespace quorvane
