#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "album/album_tree.h"
#include "imaging/image.h"
#include "options/project_options.h"

namespace quorvane::gui {

// The preview's client area: 414 × 281 dialog units of the classic 8-point
// dialog font (base units 6 × 13), fixed for the window's life.
inline constexpr int kPreviewClientWidth = 621;
inline constexpr int kPreviewClientHeight = 456;

struct PictureFit {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int filter = 0;
};

// The size a width × height picture is resampled to for a client area of
// clientWidth × clientHeight: the smaller of the two single-precision
// quotients, the products truncated. Enlarging uses magFilter, anything else
// reduceFilter.
PictureFit fitPicture(std::uint32_t width, std::uint32_t height, int clientWidth, int clientHeight,
                      int magFilter, int reduceFilter);

struct Placement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A picture never larger than the client area, centred in it.
Placement centrePicture(int width, int height, int clientWidth, int clientHeight);

// The video keeps its aspect ratio, fills the client area in one direction
// and is centred in the other; a small video is enlarged. Nothing while the
// video's size is unknown.
std::optional<Placement> placeVideo(int videoWidth, int videoHeight, int clientWidth, int clientHeight);

// The file the preview decodes: the picture's thumbnail when thumbnails are
// preferred and it can be read (below the destination folder when the
// project uses one), otherwise the picture itself.
std::string previewFilePath(const AlbumPicture& picture, const ProjectOptions* project,
                            bool preferThumbnail);

struct PreviewLoad {
    bool ok = false;
    double decodeSeconds = 0;
    double resizeSeconds = 0;
};

// Decodes path (any picture format the album takes) into image, fits it to
// the client area with our own resampling and turns it upright unless the
// project says not to. A file that cannot be decoded leaves the image empty.
PreviewLoad loadPreviewPicture(Image& image, const std::string& path, int clientWidth,
                               int clientHeight, int magFilter, int reduceFilter,
                               const ProjectOptions* project = nullptr);

}  // namespace quorvane::gui
