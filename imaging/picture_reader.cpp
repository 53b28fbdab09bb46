#include "imaging/picture_reader.h"

#include "imaging/exif_reader.h"
#include "imaging/picture_format.h"
#include "imaging/resample.h"

namespace quorvane {

namespace {

constexpr std::size_t kMostExifBytes = std::size_t(1) << 20;
constexpr int kOrientationTag = 0x0112;

bool loadWhole(Image& image, const std::string& path, PictureFormat format, const DecodeSettings& settings,
               std::uint32_t* fullWidth = nullptr, std::uint32_t* fullHeight = nullptr)
{
    switch (format) {
    case PictureFormat::Heif:
        return loadHeif(image, path, settings);
    case PictureFormat::Png:
        return loadPng(image, path, settings);
    case PictureFormat::Webp:
        return loadWebp(image, path, settings, fullWidth, fullHeight);
    default:
        // Anything else is tried as JPEG, the album's one format of old.
        return loadJpeg(image, path, settings.maxPixels);
    }
}

PictureFormat formatOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return pictureFormatOf(slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace

void reducedDecodeFloor(std::uint32_t width, std::uint32_t height, const DecodeSettings& settings,
                        std::uint32_t& leastWidth, std::uint32_t& leastHeight)
{
    leastWidth = settings.fitBoxWidth;
    leastHeight = settings.fitBoxHeight;
    if (leastWidth == 0 || leastHeight == 0) {
        leastWidth = leastHeight = 0;
        return;
    }
    fitSize(width, height, leastWidth, leastHeight);
    leastWidth *= 2;
    leastHeight *= 2;
}

bool loadPicture(Image& image, const std::string& path, const DecodeSettings& settings)
{
    return loadWhole(image, path, formatOfPath(path), settings);
}

bool readPictureSize(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    switch (formatOfPath(path)) {
    case PictureFormat::Heif:
        return readHeifSize(path, width, height);
    case PictureFormat::Png:
        return readPngSize(path, width, height);
    case PictureFormat::Webp:
        return readWebpSize(path, width, height);
    default:
        return readJpegSize(path, width, height);
    }
}

namespace {

// The first Orientation found is the main picture's (IFD0), not its
// preview's.
ExifVisitor orientationVisitor(int& orientation)
{
    return [&orientation](const ExifValue& value) {
        if (value.tag == kOrientationTag && orientation == 0)
            orientation = static_cast<int>(value.integer);
    };
}

int normalised(int orientation)
{
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

}  // namespace

int pictureOrientation(const std::string& path)
{
    if (formatOfPath(path) == PictureFormat::Heif)
        return 1;
    int orientation = 0;
    readExif(path, orientationVisitor(orientation));
    return normalised(orientation);
}

PictureFacts pictureFactsFromHead(const std::string& path, const unsigned char* head, std::size_t size, bool whole,
                                  bool orientation)
{
    PictureFacts facts;
    if (isTodaysFormat(formatOfPath(path)))
        return facts;
    facts.sized = readJpegSizeFromBytes(head, size, facts.width, facts.height);
    // A header that ends within the bytes holds every marker the Exif scan
    // looks at (it stops at the first APP1 or the start of the picture data).
    facts.known = facts.sized || whole;
    if (facts.sized && orientation) {
        int found = 0;
        readExifFromBytes(head, size, orientationVisitor(found));
        facts.orientation = normalised(found);
    }
    return facts;
}

std::vector<unsigned char> readTodaysExifBlock(const std::string& path)
{
    switch (formatOfPath(path)) {
    case PictureFormat::Heif:
        return readHeifExif(path, kMostExifBytes);
    case PictureFormat::Png:
        return readPngExif(path, kMostExifBytes);
    case PictureFormat::Webp:
        return readWebpExif(path, kMostExifBytes);
    default:
        return {};
    }
}

bool PictureReader::open(const std::string& path, const DecodeSettings& settings)
{
    jpeg_.reset();
    decoded_.release();
    const PictureFormat format = formatOfPath(path);
    if (!isTodaysFormat(format)) {
        jpeg_ = std::make_unique<JpegRowReader>();
        if (!jpeg_->open(path, settings))
            return false;
        fullWidth = jpeg_->fullWidth;
        fullHeight = jpeg_->fullHeight;
        width = jpeg_->width;
        height = jpeg_->height;
        components = jpeg_->components;
        return true;
    }
    fullWidth = 0;
    fullHeight = 0;
    if (!loadWhole(decoded_, path, format, settings, &fullWidth, &fullHeight))
        return false;
    if (fullWidth == 0 || fullHeight == 0) {
        fullWidth = decoded_.width;
        fullHeight = decoded_.height;
    }
    width = decoded_.width;
    height = decoded_.height;
    components = decoded_.components;
    return true;
}

const std::uint8_t* PictureReader::row(std::uint32_t y)
{
    if (jpeg_)
        return jpeg_->row(y);
    return y < decoded_.height ? decoded_.row(y) : nullptr;
}

bool PictureReader::finish()
{
    return jpeg_ ? jpeg_->finish() : !decoded_.empty();
}

bool PictureReader::readInto(Image& image)
{
    if (jpeg_)
        return jpeg_->readInto(image);
    if (decoded_.empty()) {
        image.release();
        return false;
    }
    image = std::move(decoded_);
    return true;
}

}  // namespace quorvane
