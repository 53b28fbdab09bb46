#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "imaging/image.h"
#include "imaging/mosaic_layout.h"
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

    using FileTime = std::filesystem::file_time_type;

    // The whole tree. A thumbnail or intermediate image is made when it is
    // missing, older than its source, unreadable or of another size than the
    // project's sizes give; forced remakes them all. Directory thumbnails are
    // remade too, unless keepCurrentDirectoryThumbnails was called. Nothing
    // is written into a folder that a symbolic link leads out of the album
    // (or the destination folder).
    void generateAlbumImages(bool forced, const AlbumDirectory& root);
    // Lets an unforced run keep a directory thumbnail (and its twice-size
    // file) that is of the composite size and at least as new as the
    // settings (saved at settingsTime), its folder, and every entry that
    // takes a cell: the picture or movie and its thumbnail files, or the
    // subdirectory's own thumbnail, itself kept. A cell picture made in
    // memory during the run, or one that cannot be read, always remakes it.
    void keepCurrentDirectoryThumbnails(FileTime settingsTime) { settingsTime_ = settingsTime; }
    // One directory and everything below it; its pictures and subdirectories'
    // composites fill the cells of composite when one is given.
    void generateDirectoryImages(bool forced, const AlbumDirectory& directory, Image* composite);
    // One picture's intermediate image and thumbnail, and its cell, on the
    // calling thread.
    void generatePictureImages(bool forced, const AlbumPicture& picture, int cell, Image* composite);
    // Copies a picture or movie into the destination folder unless a copy at
    // least as new as the source is there already.
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

    // Whether a subdirectory's thumbnail at path (beside it the twice-size
    // one when twice) may be kept, as keepCurrentDirectoryThumbnails says, as
    // far as can be told before its entries are made; made is set to the
    // older file's time.
    bool mayKeepDirectoryThumbnail(const std::string& path, const AlbumDirectory& directory, bool twice,
                                   FileTime& made) const;
    // The size makeComposite gives.
    void compositeSize(std::uint32_t scale, std::uint32_t& width, std::uint32_t& height) const;
    // A black canvas of nbX × (cellW + 1) − 1 by nbY × (cellH + 1) − 1 pixels
    // (cells of scale times the size).
    void makeComposite(Image& composite, std::uint32_t scale = 1) const;
    int cellCount() const;
    unsigned threads() const { return threads_; }

    // Something that went wrong, for the job's report: the file or folder
    // and the state line that tells it ("Cannot write PATH: REASON").
    struct Problem {
        std::string path;
        std::string line;
        bool operator==(const Problem&) const = default;
    };
    // Pictures that could not be decoded (no file was made from them and
    // their cell stayed black), once per picture, in album order.
    const std::vector<Problem>& unreadablePictures() const { return unreadable_; }
    int failedPictures() const { return static_cast<int>(unreadable_.size()); }
    // Generated files or copies that could not be written, and folders that
    // were refused, in album order.
    const std::vector<Problem>& writeProblems() const { return writeProblems_; }
    int failedWrites() const { return static_cast<int>(writeProblems_.size()); }
    // Movies that gave no poster, each as its path and the reason, in album
    // order.
    const std::vector<std::string>& failedMovies() const { return failedMovies_; }

    // A directory thumbnail in the making: its canvas and the box of each
    // entry, and the same at twice the size when the project makes those.
    struct Mosaic {
        Image* canvas = nullptr;
        std::vector<MosaicCell> cells;
        Image* canvas2x = nullptr;
        std::vector<MosaicCell> cells2x;
        // Entries cropped to fill their box rather than fitted into it.
        bool fill = false;
        // The entries (numbered as the cells) whose picture could not be
        // decoded.
        std::vector<int> unreadable;
        // A directory thumbnail that may be kept: its canvases are allocated
        // only once a cell arrives from memory, and the cells that did not
        // are read back from files if it is remade after all.
        bool deferred = false;
        bool changed = false;    // it must be remade
        FileTime made{};         // when its existing files were written
        std::vector<char> filled;  // cells pasted so far
    };
    // The cells of directory's thumbnail on canvas (and canvas2x, when given).
    Mosaic planMosaic(const AlbumDirectory& directory, Image& canvas, Image* canvas2x) const;
    // Once every entry of directory is made: when a picture that had a cell
    // could not be decoded, lays the mosaic out again without the
    // undecodable pictures and pastes the others from their thumbnail files,
    // so the next entry takes the cell instead of it staying black. A mosaic
    // whose pictures all decoded is left as it is.
    void skipUnreadable(const AlbumDirectory& directory, Mosaic& mosaic) const;
    // For a deferred mosaic that is remade: allocates its canvases when no
    // cell came from memory and fills the cells that are still empty from
    // the entries' thumbnail files and the subdirectories' composites, made
    // again from files the same way.
    void completeMosaic(const AlbumDirectory& directory, Mosaic& mosaic) const;
    // Fits (or fills) a subdirectory's composite into its cell of the
    // parent's mosaic; canvas2x, when given, feeds the twice-size cell.
    void pasteComposite(Image& canvas, const Image* canvas2x, Mosaic& parent, int cell) const;
    // The twice-size file beside a generated one ("thm_a@2x.jpg").
    static std::string highDensityPath(const std::string& path);

    // What one picture's cell pictures must be: wanted, the box, and
    // whether to fill it; box2x for the twice-size mosaic.
    struct CellRequest {
        bool wanted = false;
        bool fill = false;
        // Cells only when the picture is in memory anyway (made this run);
        // otherwise the times of what they would be read from.
        bool onlyFromMemory = false;
        std::uint32_t width = 0, height = 0;
        std::uint32_t width2x = 0, height2x = 0;  // 0: no twice-size cell
    };
    // What making one picture's files gives back: the picture fitted into
    // its cell (when asked for one) and what went wrong.
    struct PictureOutcome {
        Image cell;
        Image cell2x;
        bool unreadable = false;
        Problem unreadableReason;
        std::vector<Problem> writeProblems;
        std::string movieFailure;  // a movie without a poster: its path and why
        bool hasCells = false;
        // The newest of the source and the generated files judged current,
        // when nothing was made in memory and every time could be read.
        std::optional<FileTime> newestInput;
    };
    // Makes one picture's intermediate image and thumbnail, their
    // twice-size files when twiceSize, and the cell pictures asked for.
    // Touches nothing but the picture's own files, so several pictures may be
    // made at the same time.
    PictureOutcome makePictureImages(bool forced, const AlbumPicture& picture, const CellRequest& cell,
                                     bool twiceSize = false) const;

private:
    class Walk;

    struct SourceFacts;
    // Decodes a picture, fits its upright size into the box, turns the
    // small result upright; false, with the reason in outcome, when it
    // cannot be decoded.
    bool loadFitted(const std::string& path, std::uint32_t boxWidth, std::uint32_t boxHeight, Image& image,
                    PictureOutcome& outcome) const;
    PictureOutcome makePictureImagesUnguarded(bool forced, const AlbumPicture& picture, const CellRequest& cell,
                                              bool twiceSize) const;
    // The intermediate image and thumbnail at one size (scale 1 or 2); false
    // when the picture could not be decoded. work and loaded as in
    // makePictureImages.
    bool makeSize(bool forced, const AlbumPicture& picture, std::uint32_t scale, Image& work, bool& loaded,
                  SourceFacts& source, PictureOutcome& outcome) const;
    // Whether a generated file is still what this run would make of its
    // source: not older than it, readable, and of the size the boxes give
    // (the thumbnail's size as made from the source or, when
    // intermediateBox is given, from the intermediate image).
    bool stillCurrent(const std::string& generated, SourceFacts& source, std::uint32_t boxWidth,
                      std::uint32_t boxHeight, const std::uint32_t* intermediateBox) const;
    // The picture for one cell, from what is in memory or the thumbnail file.
    bool makeCell(Image& work, bool loaded, const std::string& thumbnail, bool fill, std::uint32_t width,
                  std::uint32_t height, Image& cell) const;
    // Writes under a short temporary name and renames, so an interrupted or
    // failed write never leaves a partial file that later runs would take as
    // made, and a long picture name still leaves room for the temporary's.
    // False, with the problem added to problems, when it fails.
    static bool writeJpeg(const Image& image, const std::string& path, std::vector<Problem>& problems);
    // Whether the folder that receives a directory's files may be written:
    // it must not lead out of the album (or the destination folder) through
    // a symbolic link, unless the user allows that folder. A refusal is
    // recorded as a write problem.
    bool outputFolderAllowed(const AlbumDirectory& directory);
    // Fits the picture into its cell, or fills the cell with it.
    void shapeCell(Image& image, bool fill, std::uint32_t width, std::uint32_t height) const;
    // The first count cells of the project's grid, cells scale times the size.
    std::vector<MosaicCell> gridCells(int count, std::uint32_t scale) const;
    // The cells of a mosaic of that many entries on canvas.
    std::vector<MosaicCell> cellsFor(int entries, std::uint32_t width, std::uint32_t height, std::uint32_t scale,
                                     bool fill) const;
    // Allocates a deferred mosaic's black canvases.
    void allocateCanvases(Mosaic& mosaic) const;
    // The cells of one picture or movie read back from its thumbnail files;
    // false when the thumbnail cannot be read.
    bool cellsFromFiles(const AlbumPicture& file, bool twiceSize, Mosaic& mosaic, std::size_t cell) const;
    // A subdirectory's composites made again from files and pasted into its
    // cell.
    void compositeFromFiles(const AlbumDirectory& directory, bool twice, Mosaic& mosaic, int cell) const;
    static void pasteCell(const Image& picture, const MosaicCell& box, Image& composite);
    void account(const PictureOutcome& outcome);
    // loadFitted for a picture, the poster frame fitted the same way for a
    // movie; a movie without one gets its reason in outcome.movieFailure.
    bool loadSource(const AlbumPicture& picture, std::uint32_t boxWidth, std::uint32_t boxHeight, Image& image,
                    PictureOutcome& outcome) const;
    // A size setting times scale (1 or 2).
    static std::uint32_t scaled(int value, std::uint32_t scale);

    const ProjectOptions& options_;
    Progress progress_;
    unsigned threads_;
    // The folder every generated file must stay in when the album is made in
    // place (set by generateAlbumImages).
    std::string writeRoot_;
    std::optional<FileTime> settingsTime_;
    std::vector<Problem> unreadable_;
    std::vector<Problem> writeProblems_;
    std::vector<std::string> failedMovies_;
};

// Runs a whole thumbnail job over the album and returns the number of
// pictures that could not be decoded. threads as for ThumbnailGenerator.
int generateAlbumImages(const AlbumDirectory& root, const ProjectOptions& options, bool forced,
                        ThumbnailGenerator::Progress progress = {}, unsigned threads = 0);

}  // namespace quorvane
