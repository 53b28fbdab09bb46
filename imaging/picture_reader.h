#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "imaging/jpeg_io.h"
#include "imaging/row_source.h"
#include "imaging/todays_decoders.h"

namespace quorvane {

// Decodes a picture of any format the album takes, chosen by its name (see
// picture_format.h), without turning it upright.
bool loadPicture(Image& image, const std::string& path, const DecodeSettings& settings = {});

// The stored size a picture's header announces (before any Exif turn),
// without decoding it; false when it cannot be read.
bool readPictureSize(const std::string& path, std::uint32_t& width, std::uint32_t& height);

// The turn still to be applied to what loadPicture or PictureReader gives to
// show the picture upright: the Exif Orientation of a JPEG, PNG or WebP file,
// 1 for HEIF and AVIF (libheif has applied the file's own rotation and
// mirroring, which the Exif Orientation of such files repeats) and for files
// without one.
int pictureOrientation(const std::string& path);

// readPictureSize and pictureOrientation (when orientation is asked for)
// from the first bytes of the picture's file, whole when that is all of it,
// so the file is opened once. Known false when they cannot be told from
// those bytes: a format other than JPEG, or a header that does not end
// within them.
struct PictureFacts {
    bool known = false;
    bool sized = false;
    std::uint32_t width = 0, height = 0;
    int orientation = 1;
};
PictureFacts pictureFactsFromHead(const std::string& path, const unsigned char* head, std::size_t size, bool whole,
                                  bool orientation);

// The rows of a picture for a filter: a JPEG file is decoded a few rows at a
// time as the filter asks for them, other formats are decoded whole first.
class PictureReader final : public RowSource {
public:
    // False when the file cannot be opened or is no picture this system
    // decodes; afterwards width, height and components are known, and
    // fullWidth × fullHeight, the picture's own size, which is larger when
    // settings let the decoder reduce it.
    bool open(const std::string& path, const DecodeSettings& settings = {});
    std::uint32_t fullWidth = 0;
    std::uint32_t fullHeight = 0;
    const std::uint8_t* row(std::uint32_t y) override;
    // True when the whole picture decoded (see JpegRowReader::finish).
    bool finish();
    // Every row into image, replacing its block; false leaves it empty.
    bool readInto(Image& image);

private:
    std::unique_ptr<JpegRowReader> jpeg_;
    Image decoded_;
};

}  // namespace quorvane
