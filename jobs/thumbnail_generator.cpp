#include "jobs/thumbnail_generator.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "album/generated_names.h"
#include "album/tree_walk.h"
#include "foundation/safe_files.h"
#include "imaging/jpeg_io.h"
#include "imaging/orientation.h"
#include "imaging/picture_reader.h"
#include "imaging/resample.h"

namespace quorvane {

namespace {

constexpr unsigned kMostThreads = 256;
constexpr unsigned kQueuedPerWorker = 16;

// Sizes from a hand-edited settings file may be negative: treat them as 0.
std::uint32_t nonNegative(int value)
{
    return static_cast<std::uint32_t>(std::max(value, 0));
}

}  // namespace

std::string ThumbnailGenerator::highDensityPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/') + 1;  // npos + 1 = 0
    return path.substr(0, slash) + highDensityName(std::string_view(path).substr(slash));
}

unsigned defaultThumbnailThreads()
{
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    if (const char* text = std::getenv("QUORVANE_THREADS")) {
        char* end = nullptr;
        const long count = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && count >= 1 && count <= long(kMostThreads))
            threads = static_cast<unsigned>(count);
    }
    return threads;
}

// One run over a tree. The calling thread walks the album in order, hands
// the pictures to the workers, pastes the cells they send back and writes
// each directory thumbnail once every picture before it in album order is
// done. Each worker makes one picture at a time, a few dozen more wait in
// the queue (a picture whose files are current takes less time than handing
// it over, so they go and come back in batches), and twice as many directory
// thumbnails as there are workers wait for theirs, so memory stays at one
// picture in the making per worker.
class ThumbnailGenerator::Walk {
public:
    Walk(ThumbnailGenerator& generator, bool forced, unsigned workers)
        : generator_(generator), forced_(forced), limit_(std::size_t(2) * workers),
          queueLimit_(std::size_t(kQueuedPerWorker) * workers)
    {
        for (unsigned w = 0; w < workers; ++w)
            workers_.emplace_back([this] { work(); });
    }

    ~Walk()
    {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        taskReady_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
    }

    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    // The directory and every one below it, parents first. Each
    // subdirectory's composite is planned before its own pictures go out and
    // queued for writing once the last of them is scheduled.
    void directories(const AlbumDirectory& top, Mosaic* topMosaic)
    {
        std::vector<Level> levels;
        const auto enter = [&](const AlbumDirectory& directory, int depth) {
            Level level{&directory, topMosaic, HighDensityNames(directory), openFolder(directory), 0, {}};
            if (depth > 0) {
                level.finishing = startFinishing(levels.back(), directory, level.writable);
                level.mosaic = level.finishing.plan.get();
            }
            entries(level);
            levels.push_back(std::move(level));
            return WalkStep::Continue;
        };
        const auto leave = [&](const AlbumDirectory& directory, int depth) {
            Finishing finishing = std::move(levels.back().finishing);
            levels.pop_back();
            if (depth == 0)
                return;
            Level& parent = levels.back();
            finishing.after = scheduled_;
            finishing.directory = &directory;
            finishing.parent = parent.mosaic;
            finishing.cell = parent.cell++;
            finishings_.push_back(std::move(finishing));
            finishReadyDirectories();
            while (finishings_.size() > limit_)
                collect(1);
        };
        walkDirectories(top, {enter, leave});
    }

    void picture(const AlbumPicture& entry, int cell, Mosaic* mosaic, bool twiceSize)
    {
        if (generator_.progress_)
            generator_.progress_(generator_.sourcePath(entry));
        const Task task{scheduled_++, &entry, cellRequest(mosaic, cell), mosaic, cell, twiceSize};
        if (workers_.empty()) {
            deliver(task, generator_.makePictureImages(forced_, entry, task.request, twiceSize));
            return;
        }
        if (underWay_ >= queueLimit_)
            collect(queueLimit_ / 2);
        {
            const std::lock_guard lock(mutex_);
            tasks_.push_back(task);
        }
        ++underWay_;
        taskReady_.notify_one();
    }

    // Waits for every picture and writes the remaining directory thumbnails.
    void finish()
    {
        while (underWay_ > 0)
            collect(1);
        finishReadyDirectories();
    }

private:
    struct Task {
        std::uint64_t sequence;
        const AlbumPicture* picture;
        CellRequest request;
        Mosaic* mosaic;
        int cell;
        bool twiceSize;
    };

    struct Done {
        Task task;
        PictureOutcome outcome;
    };

    // A subdirectory's composite, complete once the first `after` pictures
    // in album order are done: then it is written, and pasted into its cell
    // of the parent's composite when it has one.
    struct Finishing {
        std::uint64_t after = 0;
        std::unique_ptr<Image> canvas;
        std::unique_ptr<Image> canvas2x;
        std::unique_ptr<Mosaic> plan;
        std::string path;
        const AlbumDirectory* directory = nullptr;
        Mosaic* parent = nullptr;
        int cell = 0;
    };

    // One directory of the walk: where its entries are pasted, which of
    // them get twice-size files, its next cell and its own composite.
    struct Level {
        const AlbumDirectory* directory;
        Mosaic* mosaic;
        HighDensityNames twiceSizeNames;
        bool writable = true;
        int cell = 0;
        Finishing finishing;  // below the walk's top only
    };

    // A subdirectory's composites and their plan: blank canvases, or none
    // yet when its thumbnail may be kept.
    Finishing startFinishing(const Level& parent, const AlbumDirectory& subdirectory, bool writable)
    {
        Finishing finishing;
        if (parent.writable)
            finishing.path = generator_.directoryThumbnailPath(*parent.directory, subdirectory);
        const bool twice = generator_.options_.highDensity && parent.twiceSizeNames.allowed(subdirectory);
        FileTime made{};
        const bool deferred =
            !forced_ && writable && generator_.mayKeepDirectoryThumbnail(finishing.path, subdirectory, twice, made);
        finishing.canvas = std::make_unique<Image>();
        if (!deferred)
            generator_.makeComposite(*finishing.canvas);
        if (twice) {
            finishing.canvas2x = std::make_unique<Image>();
            if (!deferred)
                generator_.makeComposite(*finishing.canvas2x, 2);
        }
        finishing.plan = std::make_unique<Mosaic>(
            generator_.planMosaic(subdirectory, *finishing.canvas, finishing.canvas2x.get()));
        if (deferred) {
            finishing.plan->deferred = true;
            finishing.plan->made = made;
            finishing.plan->filled.assign(finishing.plan->cells.size(), 0);
        }
        return finishing;
    }

    // Whether the directory's files may be written; its folder below the
    // destination is made first.
    bool openFolder(const AlbumDirectory& directory)
    {
        if (generator_.options_.useDestPath) {
            // Parents come first on the way down; creating any missing
            // parents also covers a destination folder whose own parent does
            // not exist.
            std::error_code ignored;
            std::filesystem::create_directories(generator_.destinationDirectory(directory), ignored);
        }
        // Nothing is written into a folder that leads out of the album: its
        // entries keep black cells, its subdirectories' thumbnails are not
        // made (they would go into it).
        return generator_.outputFolderAllowed(directory);
    }

    // One directory's own pictures and posters, each taking the next cell.
    void entries(Level& level)
    {
        const AlbumDirectory& directory = *level.directory;
        const ProjectOptions& options = generator_.options_;
        for (const AlbumPicture& entry : directory.files) {
            if (level.writable && options.useDestPath && options.copySource)
                generator_.copySourcePicture(entry);
            if (entry.mediaKind == MediaPicture) {
                if (level.writable)
                    picture(entry, level.cell, level.mosaic,
                            options.highDensity && level.twiceSizeNames.allowed(entry));
                ++level.cell;
            }
        }
        // Posters fill the cells after the pictures, so a folder of movies
        // gets a mosaic of them instead of a black one.
        if (options.todaysFormats) {
            for (const AlbumPicture& entry : directory.files) {
                if (entry.mediaKind == MediaMovie) {
                    if (level.writable)
                        picture(entry, level.cell, level.mosaic, false);
                    ++level.cell;
                }
            }
        }
    }

    CellRequest cellRequest(const Mosaic* mosaic, int cell) const
    {
        CellRequest request;
        if (!mosaic || std::size_t(cell) >= mosaic->cells.size())
            return request;
        request.wanted = true;
        request.onlyFromMemory = mosaic->deferred;
        request.fill = mosaic->fill;
        request.width = mosaic->cells[std::size_t(cell)].width;
        request.height = mosaic->cells[std::size_t(cell)].height;
        if (mosaic->canvas2x && std::size_t(cell) < mosaic->cells2x.size()) {
            request.width2x = mosaic->cells2x[std::size_t(cell)].width;
            request.height2x = mosaic->cells2x[std::size_t(cell)].height;
        }
        return request;
    }

    // Worker threads: make pictures until the walk closes.
    void work()
    {
        for (;;) {
            Task task;
            {
                std::unique_lock lock(mutex_);
                taskReady_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
                if (tasks_.empty())
                    return;
                task = tasks_.front();
                tasks_.pop_front();
            }
            PictureOutcome outcome =
                generator_.makePictureImages(forced_, *task.picture, task.request, task.twiceSize);
            bool enough = false;
            {
                const std::lock_guard lock(mutex_);
                done_.push_back({task, std::move(outcome)});
                enough = done_.size() >= wanted_;
            }
            if (enough)
                doneReady_.notify_one();
        }
    }

    // Waits for at least `least` pictures (or all under way) to be done and
    // delivers every one that is.
    void collect(std::size_t least)
    {
        std::deque<Done> ready;
        {
            std::unique_lock lock(mutex_);
            wanted_ = std::min(least, underWay_);
            doneReady_.wait(lock, [this] { return done_.size() >= wanted_; });
            wanted_ = SIZE_MAX;
            ready.swap(done_);
        }
        underWay_ -= ready.size();
        for (Done& done : ready)
            deliver(done.task, std::move(done.outcome));
    }

    void deliver(const Task& task, PictureOutcome outcome)
    {
        if (outcome.unreadable && task.mosaic)
            task.mosaic->unreadable.push_back(task.cell);
        if (task.request.wanted && task.mosaic->deferred) {
            // Anything made in memory, unreadable or newer than the kept
            // thumbnail remakes it.
            Mosaic& mosaic = *task.mosaic;
            if (outcome.hasCells || outcome.unreadable || !outcome.newestInput || *outcome.newestInput > mosaic.made)
                mosaic.changed = true;
            if (outcome.hasCells) {
                generator_.allocateCanvases(mosaic);
                mosaic.filled[std::size_t(task.cell)] = 1;
            }
        }
        if (task.request.wanted && (!task.mosaic->deferred || outcome.hasCells)) {
            const auto cell = std::size_t(task.cell);
            pasteCell(outcome.cell, task.mosaic->cells[cell], *task.mosaic->canvas);
            if (task.request.width2x > 0)
                pasteCell(outcome.cell2x, task.mosaic->cells2x[cell], *task.mosaic->canvas2x);
        }
        // Problems are counted in album order, whichever thread finished
        // first, so every run names them the same way.
        outcome.cell = Image();
        outcome.cell2x = Image();
        completedAhead_.emplace(task.sequence, std::move(outcome));
        while (!completedAhead_.empty() && completedAhead_.begin()->first == completed_) {
            generator_.account(completedAhead_.begin()->second);
            completedAhead_.erase(completedAhead_.begin());
            ++completed_;
        }
        finishReadyDirectories();
    }

    void finishReadyDirectories()
    {
        while (!finishings_.empty() && finishings_.front().after <= completed_) {
            Finishing finishing = std::move(finishings_.front());
            finishings_.pop_front();
            finishDirectory(finishing);
        }
    }

    // Writes a directory thumbnail unless it is kept, and hands its
    // composite to the parent's when that takes it now.
    void finishDirectory(Finishing& finishing)
    {
        Mosaic& plan = *finishing.plan;
        // Looked at again: in an album made in place this run's own files
        // went into its folder, and a picture's thumbnail may have taken its
        // name.
        FileTime again{};
        if (plan.deferred && !plan.changed &&
            (!generator_.mayKeepDirectoryThumbnail(finishing.path, *finishing.directory, finishing.canvas2x != nullptr,
                                                   again) ||
             again != plan.made))
            plan.changed = true;
        const bool kept = plan.deferred && !plan.changed;
        Mosaic* parent = finishing.parent;
        const bool cell = cellRequest(parent, finishing.cell).wanted;
        if (kept && (!cell || parent->deferred)) {
            // A parent that is remade after all reads it back from files.
            if (cell && plan.made > parent->made)
                parent->changed = true;
            return;
        }
        generator_.completeMosaic(*finishing.directory, plan);
        generator_.skipUnreadable(*finishing.directory, plan);
        if (!kept && !finishing.path.empty()) {
            writeJpeg(*finishing.canvas, finishing.path, generator_.writeProblems_);
            if (finishing.canvas2x)
                writeJpeg(*finishing.canvas2x, highDensityPath(finishing.path), generator_.writeProblems_);
        }
        if (cell)
            generator_.pasteComposite(*finishing.canvas, finishing.canvas2x.get(), *parent, finishing.cell);
    }

    ThumbnailGenerator& generator_;
    const bool forced_;
    const std::size_t limit_;
    const std::size_t queueLimit_;

    // The walking thread's own records.
    std::uint64_t scheduled_ = 0;
    std::uint64_t completed_ = 0;  // pictures 0 to completed_ − 1 are done
    std::map<std::uint64_t, PictureOutcome> completedAhead_;  // finished out of order
    std::size_t underWay_ = 0;
    std::deque<Finishing> finishings_;

    // Shared with the workers.
    std::mutex mutex_;
    std::condition_variable taskReady_;
    std::condition_variable doneReady_;
    std::deque<Task> tasks_;
    std::deque<Done> done_;
    std::size_t wanted_ = SIZE_MAX;  // done pictures that wake the walking thread
    bool closing_ = false;
    std::vector<std::thread> workers_;
};

ThumbnailGenerator::ThumbnailGenerator(const ProjectOptions& options, Progress progress, unsigned threads)
    : options_(options), progress_(std::move(progress)),
      threads_(threads == 0 ? defaultThumbnailThreads() : std::min(threads, kMostThreads))
{
}

std::uint32_t ThumbnailGenerator::scaled(int value, std::uint32_t scale)
{
    // Kept within what a picture can measure.
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t(nonNegative(value)) * scale, 65535));
}

std::string ThumbnailGenerator::sourcePath(const AlbumPicture& picture) const
{
    return picture.directoryPath + "/" + picture.fileName;
}

std::string ThumbnailGenerator::intermediatePath(const AlbumPicture& picture) const
{
    if (options_.useDestPath)
        return options_.outputFolder + picture.relativeDirectory + "/" + intermediateName(picture.fileName);
    return picture.directoryPath + "/" + intermediateName(picture.fileName);
}

std::string ThumbnailGenerator::thumbnailPath(const AlbumPicture& picture) const
{
    if (options_.useDestPath)
        return options_.outputFolder + picture.relativeDirectory + "/" + thumbnailName(picture.fileName);
    return picture.directoryPath + "/" + thumbnailName(picture.fileName);
}

std::string ThumbnailGenerator::copiedSourcePath(const AlbumPicture& picture) const
{
    return options_.outputFolder + picture.relativeDirectory + "/" + picture.fileName;
}

std::string ThumbnailGenerator::directoryThumbnailPath(const AlbumDirectory& parent,
                                                       const AlbumDirectory& directory) const
{
    if (options_.useDestPath)
        return options_.outputFolder + parent.relativeDirectory + "/" + directoryThumbnailName(directory.name);
    return parent.fullPath + "/" + directoryThumbnailName(directory.name);
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

void ThumbnailGenerator::compositeSize(std::uint32_t scale, std::uint32_t& width, std::uint32_t& height) const
{
    // Cells sit at whole multiples of the cell size, so the canvas has one
    // spare black column per grid column and one spare row per grid row,
    // minus one of each.
    const auto side = [scale](int cells, int cell) {
        const std::int64_t size = std::int64_t(std::max(cells, 0)) * (std::int64_t(scaled(cell, scale)) + 1) - 1;
        return static_cast<std::uint32_t>(std::max<std::int64_t>(size, 0));
    };
    width = side(options_.nbDirThumbsX, options_.thmDirImgWidth);
    height = side(options_.nbDirThumbsY, options_.thmDirImgHeight);
}

void ThumbnailGenerator::makeComposite(Image& composite, std::uint32_t scale) const
{
    std::uint32_t width = 0, height = 0;
    compositeSize(scale, width, height);
    composite.allocate(width, height, 3);
    composite.fill(0);
}

ThumbnailGenerator::Mosaic ThumbnailGenerator::planMosaic(const AlbumDirectory& directory, Image& canvas,
                                                          Image* canvas2x) const
{
    int entries = static_cast<int>(std::min<std::uint32_t>(directory.subdirectories.count(), INT32_MAX / 2));
    for (const AlbumPicture& file : directory.files)
        entries += file.mediaKind == MediaPicture || (options_.todaysFormats && file.mediaKind == MediaMovie);
    Mosaic mosaic;
    mosaic.canvas = &canvas;
    mosaic.canvas2x = canvas2x;
    mosaic.fill = options_.todaysFormats != 0;
    // A canvas not yet allocated will be of the composite size.
    const auto plan = [&](const Image& image, std::uint32_t scale) {
        std::uint32_t width = image.width, height = image.height;
        if (image.empty())
            compositeSize(scale, width, height);
        return cellsFor(entries, width, height, scale, mosaic.fill);
    };
    mosaic.cells = plan(canvas, 1);
    if (canvas2x)
        mosaic.cells2x = plan(*canvas2x, 2);
    return mosaic;
}

std::vector<MosaicCell> ThumbnailGenerator::gridCells(int count, std::uint32_t scale) const
{
    std::vector<MosaicCell> grid;
    const std::uint32_t width = scaled(options_.thmDirImgWidth, scale);
    const std::uint32_t height = scaled(options_.thmDirImgHeight, scale);
    const std::uint32_t columns = std::max(nonNegative(options_.nbDirThumbsX), 1u);
    for (int n = 0; n < count; ++n)
        grid.push_back({(std::uint32_t(n) % columns) * width, (std::uint32_t(n) / columns) * height, width, height});
    return grid;
}

void ThumbnailGenerator::shapeCell(Image& image, bool fill, std::uint32_t width, std::uint32_t height) const
{
    if (fill)
        fillBox(image, width, height, options_.reduceFilter, options_.magFilter);
    else
        fitAndResample(image, width, height, options_.reduceFilter, options_.magFilter);
}

void ThumbnailGenerator::pasteCell(const Image& picture, const MosaicCell& box, Image& composite)
{
    // A shrinking filter outside 0–3 leaves the picture at its own size: the
    // clip keeps it inside its cell.
    picture.pasteInto(composite, box.x, box.y, box.width, box.height);
}

void ThumbnailGenerator::account(const PictureOutcome& outcome)
{
    if (!outcome.movieFailure.empty())
        failedMovies_.push_back(outcome.movieFailure);
    else if (outcome.unreadable)
        unreadable_.push_back(outcome.unreadableReason);
    writeProblems_.insert(writeProblems_.end(), outcome.writeProblems.begin(), outcome.writeProblems.end());
}

bool ThumbnailGenerator::outputFolderAllowed(const AlbumDirectory& directory)
{
    const std::string folder = options_.useDestPath ? destinationDirectory(directory) : directory.fullPath;
    const std::string& root = options_.useDestPath ? options_.outputFolder : writeRoot_;
    if (root.empty() || folderStaysInside(folder, root))
        return true;
    writeProblems_.push_back({folder, linkedFolderRefusal(folder)});
    return false;
}

void ThumbnailGenerator::generateAlbumImages(bool forced, const AlbumDirectory& root)
{
    writeRoot_ = root.fullPath;
    generateDirectoryImages(forced, root, nullptr);
}

void ThumbnailGenerator::generateDirectoryImages(bool forced, const AlbumDirectory& directory,
                                                 Image* composite)
{
    Walk walk(*this, forced, threads_ > 1 ? threads_ : 0);
    Mosaic mosaic;
    if (composite)
        mosaic = planMosaic(directory, *composite, nullptr);
    walk.directories(directory, composite ? &mosaic : nullptr);
    walk.finish();
    if (composite)
        skipUnreadable(directory, mosaic);
}

void ThumbnailGenerator::generatePictureImages(bool forced, const AlbumPicture& picture, int cell,
                                               Image* composite)
{
    Walk walk(*this, forced, 0);
    Mosaic mosaic;
    if (composite) {
        mosaic.canvas = composite;
        mosaic.cells = gridCells(std::min(cell + 1, cellCount()), 1);
    }
    walk.picture(picture, cell, composite ? &mosaic : nullptr, false);
    walk.finish();
}

int generateAlbumImages(const AlbumDirectory& root, const ProjectOptions& options, bool forced,
                        ThumbnailGenerator::Progress progress, unsigned threads)
{
    ThumbnailGenerator generator(options, std::move(progress), threads);
    generator.generateAlbumImages(forced, root);
    return generator.failedPictures();
}

}  // namespace quorvane
