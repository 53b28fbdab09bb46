#include "jobs/thumbnail_generator.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/jpeg_io.h"
#include "imaging/resample.h"

namespace quorvane {

namespace {

constexpr std::size_t kCopyBlockSize = 102400;
constexpr unsigned kMostThreads = 256;

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
// done. At most twice as many pictures as there are workers are under way,
// and as many directory thumbnails wait for theirs, so memory stays at one
// picture in the making per worker.
class ThumbnailGenerator::Walk {
public:
    Walk(ThumbnailGenerator& generator, bool forced, unsigned workers)
        : generator_(generator), forced_(forced), limit_(std::size_t(2) * workers)
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

    void directory(const AlbumDirectory& directory, Image* composite)
    {
        const ProjectOptions& options = generator_.options_;
        if (options.useDestPath) {
            // Parents come first on the way down; creating any missing
            // parents also covers a destination folder whose own parent does
            // not exist.
            std::error_code ignored;
            std::filesystem::create_directories(generator_.destinationDirectory(directory), ignored);
        }

        int cell = 0;
        for (const AlbumPicture& entry : directory.files) {
            if (options.useDestPath && options.copySource)
                generator_.copySourcePicture(entry);
            if (entry.mediaKind == MediaPicture) {
                picture(entry, cell, composite);
                ++cell;
            }
        }

        for (const AlbumDirectory& subdirectory : directory.subdirectories) {
            auto canvas = std::make_unique<Image>();
            generator_.makeComposite(*canvas);
            this->directory(subdirectory, canvas.get());
            Image* parent = composite && cell < generator_.cellCount() ? composite : nullptr;
            finishings_.push_back({scheduled_, std::move(canvas),
                                   generator_.directoryThumbnailPath(directory, subdirectory), parent, cell});
            finishReadyDirectories();
            while (finishings_.size() > limit_)
                collectOne();
            ++cell;
        }
    }

    void picture(const AlbumPicture& entry, int cell, Image* composite)
    {
        if (generator_.progress_)
            generator_.progress_(generator_.sourcePath(entry));
        const Task task{scheduled_++, &entry, composite && cell < generator_.cellCount(), composite, cell};
        if (workers_.empty()) {
            deliver(task, generator_.makePictureImages(forced_, entry, task.wantsCell));
            return;
        }
        while (underWay_ >= limit_)
            collectOne();
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
            collectOne();
        finishReadyDirectories();
    }

private:
    struct Task {
        std::uint64_t sequence;
        const AlbumPicture* picture;
        bool wantsCell;
        Image* composite;
        int cell;
    };

    struct Done {
        Task task;
        PictureOutcome outcome;
    };

    // A subdirectory's composite, complete once the first `after` pictures
    // in album order are done: then it is written, and pasted into its cell
    // of the parent's composite when it has one.
    struct Finishing {
        std::uint64_t after;
        std::unique_ptr<Image> canvas;
        std::string path;
        Image* parent;
        int cell;
    };

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
            PictureOutcome outcome = generator_.makePictureImages(forced_, *task.picture, task.wantsCell);
            {
                const std::lock_guard lock(mutex_);
                done_.push_back({task, std::move(outcome)});
            }
            doneReady_.notify_one();
        }
    }

    void collectOne()
    {
        std::unique_lock lock(mutex_);
        doneReady_.wait(lock, [this] { return !done_.empty(); });
        Done done = std::move(done_.front());
        done_.pop_front();
        lock.unlock();
        --underWay_;
        deliver(done.task, std::move(done.outcome));
    }

    void deliver(const Task& task, PictureOutcome outcome)
    {
        generator_.account(outcome);
        if (task.wantsCell)
            generator_.pasteCell(outcome.cell, task.cell, *task.composite);
        if (task.sequence == completed_) {
            ++completed_;
            while (!completedAhead_.empty() && *completedAhead_.begin() == completed_) {
                completedAhead_.erase(completedAhead_.begin());
                ++completed_;
            }
        } else {
            completedAhead_.insert(task.sequence);
        }
        finishReadyDirectories();
    }

    void finishReadyDirectories()
    {
        const ProjectOptions& options = generator_.options_;
        while (!finishings_.empty() && finishings_.front().after <= completed_) {
            Finishing finishing = std::move(finishings_.front());
            finishings_.pop_front();
            Image& canvas = *finishing.canvas;
            if (!writeJpeg(canvas, finishing.path))
                ++generator_.failedWrites_;
            if (finishing.parent && !canvas.empty()) {
                generator_.fitInto(canvas, options.thmDirImgWidth, options.thmDirImgHeight);
                generator_.pasteCell(canvas, finishing.cell, *finishing.parent);
            }
        }
    }

    ThumbnailGenerator& generator_;
    const bool forced_;
    const std::size_t limit_;

    // The walking thread's own records.
    std::uint64_t scheduled_ = 0;
    std::uint64_t completed_ = 0;  // pictures 0 to completed_ − 1 are done
    std::set<std::uint64_t> completedAhead_;
    std::size_t underWay_ = 0;
    std::deque<Finishing> finishings_;

    // Shared with the workers.
    std::mutex mutex_;
    std::condition_variable taskReady_;
    std::condition_variable doneReady_;
    std::deque<Task> tasks_;
    std::deque<Done> done_;
    bool closing_ = false;
    std::vector<std::thread> workers_;
};

ThumbnailGenerator::ThumbnailGenerator(const ProjectOptions& options, Progress progress, unsigned threads)
    : options_(options), progress_(std::move(progress)),
      threads_(threads == 0 ? defaultThumbnailThreads() : std::min(threads, kMostThreads))
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

void ThumbnailGenerator::pasteCell(const Image& picture, int cell, Image& composite) const
{
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
    return false;
}

void ThumbnailGenerator::account(const PictureOutcome& outcome)
{
    failedPictures_ += outcome.unreadable;
    failedWrites_ += outcome.failedWrites;
}

void ThumbnailGenerator::generateAlbumImages(bool forced, const AlbumDirectory& root)
{
    generateDirectoryImages(forced, root, nullptr);
}

void ThumbnailGenerator::generateDirectoryImages(bool forced, const AlbumDirectory& directory,
                                                 Image* composite)
{
    Walk walk(*this, forced, threads_ > 1 ? threads_ : 0);
    walk.directory(directory, composite);
    walk.finish();
}

void ThumbnailGenerator::generatePictureImages(bool forced, const AlbumPicture& picture, int cell,
                                               Image* composite)
{
    Walk walk(*this, forced, 0);
    walk.picture(picture, cell, composite);
    walk.finish();
}

bool ThumbnailGenerator::loadFitted(const std::string& path, int boxWidth, int boxHeight,
                                    Image& image) const
{
    JpegRowReader reader;
    if (!reader.open(path))
        return false;
    std::uint32_t width = nonNegative(boxWidth), height = nonNegative(boxHeight);
    const double ratio = fitSize(reader.width, reader.height, width, height);
    const int filter = chooseFilter(ratio, options_.reduceFilter, options_.magFilter);
    if (filter >= FilterPoint && filter <= FilterLanczos3 && width > 0 && height > 0) {
        // The filter takes the rows as they are decoded: the whole decoded
        // picture is never held.
        return resampleRows(reader, image, filter, width, height) && reader.finish();
    }
    // A picture kept at its own size, or an empty box.
    if (!reader.readInto(image))
        return false;
    resample(image, filter, width, height);
    return true;
}

ThumbnailGenerator::PictureOutcome ThumbnailGenerator::makePictureImages(bool forced, const AlbumPicture& picture,
                                                                         bool wantsCell) const
{
    // One working picture, decoded at most once: the thumbnail is made from
    // the intermediate image and the cell from whatever is in memory.
    PictureOutcome outcome;
    Image work;
    bool loaded = false;
    const std::string source = sourcePath(picture);

    if (options_.intermediateActive) {
        const std::string intermediate = intermediatePath(picture);
        if (forced || fileMissing(intermediate)) {
            if (!loadFitted(source, options_.intermediateWidth, options_.intermediateHeight, work)) {
                outcome.unreadable = true;
                return outcome;
            }
            loaded = true;
            outcome.failedWrites += !writeJpeg(work, intermediate);
        }
    }

    const std::string thumbnail = thumbnailPath(picture);
    if (forced || fileMissing(thumbnail)) {
        if (loaded) {
            fitInto(work, options_.thumbWidth, options_.thumbHeight);
        } else if (!loadFitted(source, options_.thumbWidth, options_.thumbHeight, work)) {
            outcome.unreadable = true;
            return outcome;
        }
        loaded = true;
        outcome.failedWrites += !writeJpeg(work, thumbnail);
    }

    if (wantsCell) {
        if (!loaded && !work.loadJpeg(thumbnail)) {
            outcome.unreadable = true;
            return outcome;
        }
        if (!work.empty()) {
            fitInto(work, options_.thmDirImgWidth, options_.thmDirImgHeight);
            outcome.cell = std::move(work);
        }
    }
    return outcome;
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
                        ThumbnailGenerator::Progress progress, unsigned threads)
{
    ThumbnailGenerator generator(options, std::move(progress), threads);
    generator.generateAlbumImages(forced, root);
    return generator.failedPictures();
}

}  // namespace quorvane
