#include "jobs/thumbnail_generator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "album/generated_names.h"
#include "foundation/safe_files.h"
#include "imaging/jpeg_io.h"
#include "imaging/movie_frame.h"
#include "imaging/orientation.h"
#include "imaging/picture_reader.h"
#include "imaging/resample.h"

// One picture's files: whether those that exist are still current, making
// them, and the copy of the source.

namespace quorvane {

namespace {

constexpr std::size_t kCopyBlockSize = 102400;
// What is read of a generated file to judge it: this program's own JPEG
// headers end within the first kilobyte.
constexpr std::size_t kGeneratedHead = 4096;
// What is read of a source picture: enough for the Exif block of most
// cameras ahead of the picture data, and all of a small picture.
constexpr std::size_t kSourceHead = 65536;

std::optional<std::filesystem::file_time_type> modified(const std::string& path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return time;
}

// A file's time and first bytes, through one open: a staleness check of a
// big album is mostly system calls. False when it cannot be opened or is
// not a regular file.
struct FileHead {
    std::filesystem::file_time_type time;
    std::vector<unsigned char> bytes;
    bool whole = false;  // bytes holds the whole file
};

bool readHead(const std::string& path, std::size_t most, FileHead& head)
{
    // Never waits on a named pipe planted under a generated file's name.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status {};
    bool read = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (read) {
        using namespace std::chrono;
        head.time = file_clock::from_sys(sys_time<nanoseconds>(seconds(status.st_mtim.tv_sec) +
                                                              nanoseconds(status.st_mtim.tv_nsec)));
        const std::size_t wanted = std::min<std::uint64_t>(most, std::uint64_t(std::max<off_t>(status.st_size, 0)));
        head.bytes.resize(wanted);
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t count = ::read(fd, head.bytes.data() + got, wanted - got);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            got += std::size_t(count);
        }
        head.bytes.resize(got);
        head.whole = got == std::uint64_t(status.st_size);
    }
    ::close(fd);
    return read;
}

// The system's words for errno (safe on the worker threads), or what is
// left to say when it holds none.
std::string reasonFromErrno(const char* otherwise)
{
    return errno != 0 ? std::generic_category().message(errno) : otherwise;
}

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const Size&) const = default;
};

// The size a picture of `source` comes out at when fitted into the box: the
// fitted size, or its own when the chosen filter keeps it (a code outside 0
// to 3).
Size fittedSize(Size source, std::uint32_t boxWidth, std::uint32_t boxHeight, const ProjectOptions& options)
{
    Size fitted{boxWidth, boxHeight};
    const double ratio = fitSize(source.width, source.height, fitted.width, fitted.height);
    const int filter = chooseFilter(ratio, options.reduceFilter, options.magFilter);
    return filter >= FilterPoint && filter <= FilterLanczos3 ? fitted : source;
}

}  // namespace

// What a source picture is, learnt at most once per picture and only when a
// generated file has to be judged.
struct ThumbnailGenerator::SourceFacts {
    std::string path;
    bool exifOrientation = false;
    bool timeRead = false;
    std::optional<std::filesystem::file_time_type> time;
    bool sizeRead = false;
    bool sizeKnown = false;
    std::uint32_t width = 0, height = 0;  // as stored, before any turn
    int orientation = 1;

    // The time and the first bytes through one open, the size and the Exif
    // turn read from those bytes when they tell.
    const std::optional<std::filesystem::file_time_type>& modifiedTime()
    {
        if (!timeRead) {
            timeRead = true;
            if (readHead(path, kSourceHead, head))
                time = head.time;
            else
                time = modified(path);
        }
        return time;
    }

    // The newest of the source and the generated files judged current; none
    // when the source's time could not be read.
    std::optional<std::filesystem::file_time_type> newestInput()
    {
        if (!modifiedTime())
            return std::nullopt;
        return std::max(*time, newestGenerated);
    }
    void noteCurrent(std::filesystem::file_time_type made) { newestGenerated = std::max(newestGenerated, made); }
    std::filesystem::file_time_type newestGenerated = std::filesystem::file_time_type::min();

    bool readSize()
    {
        if (!sizeRead) {
            sizeRead = true;
            modifiedTime();
            const PictureFacts facts =
                pictureFactsFromHead(path, head.bytes.data(), head.bytes.size(), head.whole, exifOrientation);
            if (facts.known) {
                sizeKnown = facts.sized;
                width = facts.width;
                height = facts.height;
                orientation = facts.orientation;
            } else {
                sizeKnown = readPictureSize(path, width, height);
                orientation = sizeKnown && exifOrientation ? pictureOrientation(path) : 1;
            }
            head = {};
        }
        return sizeKnown;
    }

private:
    FileHead head;
};

bool ThumbnailGenerator::stillCurrent(const std::string& generated, SourceFacts& source, std::uint32_t boxWidth,
                                      std::uint32_t boxHeight, const std::uint32_t* intermediateBox) const
{
    FileHead head;
    if (!readHead(generated, kGeneratedHead, head))
        return false;
    const auto& sourceTime = source.modifiedTime();
    if (sourceTime && *sourceTime > head.time)
        return false;
    source.noteCurrent(head.time);
    Size existing;
    if (!readJpegSizeFromBytes(head.bytes.data(), head.bytes.size(), existing.width, existing.height) &&
        (head.whole || !readJpegSize(generated, existing.width, existing.height)))
        return false;
    // A source whose size cannot be read without decoding is judged by its
    // date alone.
    if (!source.readSize())
        return true;
    // The picture is fitted by its stored size into the box turned as it
    // will be, and turned afterwards.
    const auto upright = [&source, this](std::uint32_t width, std::uint32_t height) {
        storedBox(source.orientation, width, height);
        Size size = fittedSize({source.width, source.height}, width, height, options_);
        if (orientationSwapsAxes(source.orientation))
            std::swap(size.width, size.height);
        return size;
    };
    if (existing == upright(boxWidth, boxHeight))
        return true;
    return intermediateBox &&
           existing == fittedSize(upright(intermediateBox[0], intermediateBox[1]), boxWidth, boxHeight, options_);
}

bool ThumbnailGenerator::loadFitted(const std::string& path, std::uint32_t boxWidth, std::uint32_t boxHeight,
                                    Image& image, PictureOutcome& outcome) const
{
    const auto fail = [&outcome, &path](const std::string& reason) {
        outcome.unreadableReason = {path, "Cannot read " + path + ": " + reason};
        return false;
    };
    // Fitted by its upright size; the small result is turned afterwards.
    const int orientation = options_.exifOrientation ? pictureOrientation(path) : 1;
    std::uint32_t width = boxWidth, height = boxHeight;
    storedBox(orientation, width, height);
    DecodeSettings settings{static_cast<std::uint32_t>(options_.pictureBackground) & 0xFFFFFFu};
    settings.maxPixels = std::min(settings.maxPixels, decodePixelLimit());
    if (options_.fastDecoding && options_.reduceFilter >= FilterPoint && options_.reduceFilter <= FilterLanczos3) {
        // The decoder may shrink by powers of two as long as the filter still
        // has at least twice the final size to work from.
        settings.fitBoxWidth = width;
        settings.fitBoxHeight = height;
    }
    PictureReader reader;
    if (!reader.open(path, settings)) {
        std::uint32_t width = 0, height = 0;
        if (readPictureSize(path, width, height) && std::uint64_t(width) * height > settings.maxPixels)
            return fail("its header claims " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels, more than " + std::to_string(settings.maxPixels) + " (" +
                        kDecodePixelLimitVariable + ")");
        return fail("not a picture this program can read, or damaged");
    }
    // The picture's own size decides the output size, so a reduced decoding
    // gives files of the same size as a full one.
    const double ratio = fitSize(reader.fullWidth, reader.fullHeight, width, height);
    const int filter = chooseFilter(ratio, options_.reduceFilter, options_.magFilter);
    if (filter >= FilterPoint && filter <= FilterLanczos3 && width > 0 && height > 0) {
        // The filter takes the rows as they are decoded: a whole decoded
        // JPEG picture is never held.
        if (!resampleRows(reader, image, filter, width, height) || !reader.finish())
            return fail("damaged");
    } else {
        // A picture kept at its own size, or an empty box.
        if (!reader.readInto(image))
            return fail("damaged");
        resample(image, filter, width, height);
    }
    applyOrientation(image, orientation);
    return true;
}

bool ThumbnailGenerator::loadSource(const AlbumPicture& picture, std::uint32_t boxWidth, std::uint32_t boxHeight,
                                    Image& image, PictureOutcome& outcome) const
{
    const std::string source = sourcePath(picture);
    if (picture.mediaKind != MediaMovie)
        return loadFitted(source, boxWidth, boxHeight, image, outcome);
    MovieFacts facts;
    const MovieStatus status = readMovieFrame(source, image, facts);
    if (status != MovieStatus::Ok) {
        outcome.movieFailure = source + " " + movieStatusText(status);
        return false;
    }
    fitAndResample(image, boxWidth, boxHeight, options_.reduceFilter, options_.magFilter);
    return true;
}

bool ThumbnailGenerator::makeSize(bool forced, const AlbumPicture& picture, std::uint32_t scale, Image& work,
                                  bool& loaded, SourceFacts& source, PictureOutcome& outcome) const
{
    const auto name = [scale](const std::string& path) { return scale == 1 ? path : highDensityPath(path); };
    const std::uint32_t intermediateBox[2] = {scaled(options_.intermediateWidth, scale),
                                              scaled(options_.intermediateHeight, scale)};
    if (options_.intermediateActive) {
        const std::string intermediate = name(intermediatePath(picture));
        if (forced || !stillCurrent(intermediate, source, intermediateBox[0], intermediateBox[1], nullptr)) {
            if (!loadSource(picture, intermediateBox[0], intermediateBox[1], work, outcome))
                return false;
            loaded = true;
            writeJpeg(work, intermediate, outcome.writeProblems);
        }
    }
    const std::uint32_t width = scaled(options_.thumbWidth, scale), height = scaled(options_.thumbHeight, scale);
    const std::string thumbnail = name(thumbnailPath(picture));
    if (forced ||
        !stillCurrent(thumbnail, source, width, height, options_.intermediateActive ? intermediateBox : nullptr)) {
        if (loaded)
            fitAndResample(work, width, height, options_.reduceFilter, options_.magFilter);
        else if (!loadSource(picture, width, height, work, outcome))
            return false;
        loaded = true;
        writeJpeg(work, thumbnail, outcome.writeProblems);
    }
    return true;
}

bool ThumbnailGenerator::makeCell(Image& work, bool loaded, const std::string& thumbnail, bool fill,
                                  std::uint32_t width, std::uint32_t height, Image& cell) const
{
    if (!loaded && !work.loadJpeg(thumbnail))
        return false;
    if (!work.empty()) {
        shapeCell(work, fill, width, height);
        cell = std::move(work);
    }
    return true;
}

ThumbnailGenerator::PictureOutcome ThumbnailGenerator::makePictureImages(bool forced, const AlbumPicture& picture,
                                                                         const CellRequest& cell,
                                                                         bool twiceSize) const
{
    // Runs on the worker threads: a picture that needs more memory than
    // there is fails alone instead of ending the program.
    try {
        return makePictureImagesUnguarded(forced, picture, cell, twiceSize);
    } catch (const std::bad_alloc&) {
        PictureOutcome outcome;
        outcome.unreadable = true;
        const std::string source = sourcePath(picture);
        outcome.unreadableReason = {source, "Cannot read " + source + ": not enough memory"};
        return outcome;
    }
}

ThumbnailGenerator::PictureOutcome ThumbnailGenerator::makePictureImagesUnguarded(bool forced,
                                                                                  const AlbumPicture& picture,
                                                                                  const CellRequest& cell,
                                                                                  bool twiceSize) const
{
    // One working picture per size, decoded at most once: the thumbnail is
    // made from the intermediate image and the cell from whatever is in
    // memory, else from the thumbnail file.
    PictureOutcome outcome;
    SourceFacts source;
    source.path = sourcePath(picture);
    source.exifOrientation = options_.exifOrientation != 0;
    Image work;
    bool loaded = false;
    const std::string thumbnail = thumbnailPath(picture);
    const auto unreadableThumbnail = [&outcome, &thumbnail] {
        outcome.unreadableReason = {thumbnail, "Cannot read " + thumbnail + ": damaged"};
    };
    if (!makeSize(forced, picture, 1, work, loaded, source, outcome)) {
        outcome.unreadable = true;
        return outcome;
    }
    // Cells asked only from memory are made once either size was made.
    const auto ordinaryCell = [&] {
        outcome.hasCells = true;
        if (makeCell(work, loaded, thumbnail, cell.fill, cell.width, cell.height, outcome.cell))
            return true;
        unreadableThumbnail();
        outcome.unreadable = true;
        return false;
    };
    if (cell.wanted && (!cell.onlyFromMemory || loaded) && !ordinaryCell())
        return outcome;
    Image twice;
    bool twiceLoaded = false;
    if (twiceSize && !makeSize(forced, picture, 2, twice, twiceLoaded, source, outcome)) {
        outcome.unreadable = true;
        return outcome;
    }
    if (cell.wanted && !outcome.hasCells && twiceLoaded && !ordinaryCell())
        return outcome;
    if (outcome.hasCells && cell.width2x > 0) {
        // The twice-size thumbnail where there is one, else the ordinary one
        // enlarged.
        const bool fromTwice = twiceSize && makeCell(twice, twiceLoaded, highDensityPath(thumbnail), cell.fill,
                                                     cell.width2x, cell.height2x, outcome.cell2x);
        if (!fromTwice) {
            Image again;
            makeCell(again, false, thumbnail, cell.fill, cell.width2x, cell.height2x, outcome.cell2x);
        }
    }
    if (!loaded && !twiceLoaded)
        outcome.newestInput = source.newestInput();
    return outcome;
}

void ThumbnailGenerator::copySourcePicture(const AlbumPicture& picture)
{
    const std::string destination = copiedSourcePath(picture);
    const std::string source = sourcePath(picture);
    // An existing copy is kept unless its source was replaced since.
    const auto copiedAt = modified(destination);
    const auto sourceAt = modified(source);
    if (copiedAt && !(sourceAt && *sourceAt > *copiedAt))
        return;

    // Copied under a short temporary name, so a copy that fails half-way (or
    // whose source cannot be read) never stands as a finished one.
    const std::string temporary = temporaryBeside(destination).string();
    const auto fail = [&](const std::string& reason) {
        writeProblems_.push_back({destination, "Cannot write " + destination + ": " + reason});
    };
    StdioFile out = createFreshFile(temporary);
    if (!out) {
        fail(reasonFromErrno("cannot be created"));
        return;
    }
    FileHandle in = openFile(source, "rb");
    if (!in) {
        fail("cannot read " + source + ": " + reasonFromErrno("cannot be opened"));
        closeChecked(out);
        std::remove(temporary.c_str());
        return;
    }
    const auto block = std::make_unique<char[]>(kCopyBlockSize);
    std::string reason;
    errno = 0;
    for (;;) {
        const std::size_t count = std::fread(block.get(), 1, kCopyBlockSize, in.get());
        if (count == 0)
            break;
        if (std::fwrite(block.get(), 1, count, out.get()) != count) {
            reason = reasonFromErrno("write error");
            break;
        }
    }
    if (reason.empty() && std::ferror(in.get()) != 0)
        reason = "cannot read " + source + ": " + reasonFromErrno("read error");
    if (!closeChecked(out) && reason.empty())
        reason = reasonFromErrno("write error");
    if (reason.empty() && std::rename(temporary.c_str(), destination.c_str()) != 0)
        reason = reasonFromErrno("cannot be renamed");
    if (reason.empty())
        return;
    std::remove(temporary.c_str());
    fail(reason);
}

bool ThumbnailGenerator::writeJpeg(const Image& image, const std::string& path, std::vector<Problem>& problems)
{
    const std::string temporary = temporaryBeside(path).string();
    errno = 0;
    if (saveJpeg(image, temporary) && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    const std::string reason = reasonFromErrno("the picture could not be encoded");
    std::remove(temporary.c_str());
    problems.push_back({path, "Cannot write " + path + ": " + reason});
    return false;
}

}  // namespace quorvane
