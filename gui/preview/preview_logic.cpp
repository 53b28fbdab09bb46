#include "gui/preview/preview_logic.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "imaging/orientation.h"
#include "imaging/picture_reader.h"
#include "imaging/resample.h"
#include "jobs/thumbnail_generator.h"

namespace quorvane::gui {

PictureFit fitPicture(std::uint32_t width, std::uint32_t height, int clientWidth, int clientHeight,
                      int magFilter, int reduceFilter)
{
    const float fx = static_cast<float>(static_cast<double>(clientWidth) / width);
    const float fy = static_cast<float>(static_cast<double>(clientHeight) / height);
    const float scale = std::min(fx, fy);
    return {static_cast<std::uint32_t>(width * static_cast<double>(scale)),
            static_cast<std::uint32_t>(height * static_cast<double>(scale)),
            scale > 1.0f ? magFilter : reduceFilter};
}

Placement centrePicture(int width, int height, int clientWidth, int clientHeight)
{
    return {(clientWidth - width) / 2, (clientHeight - height) / 2, width, height};
}

std::optional<Placement> placeVideo(int videoWidth, int videoHeight, int clientWidth, int clientHeight)
{
    if (videoWidth <= 0 || videoHeight <= 0 || clientWidth <= 0 || clientHeight <= 0)
        return std::nullopt;
    const double ex = static_cast<float>(static_cast<double>(videoWidth) / clientWidth);
    const double ey = static_cast<double>(videoHeight) / clientHeight;
    const double scale = ex > ey ? 1.0 / ex : 1.0 / ey;
    const int width = static_cast<int>(scale * videoWidth);
    const int height = static_cast<int>(videoHeight * scale);
    return centrePicture(width, height, clientWidth, clientHeight);
}

std::string previewFilePath(const AlbumPicture& picture, const ProjectOptions* project,
                            bool preferThumbnail)
{
    if (preferThumbnail) {
        ProjectOptions inSourceTree;
        inSourceTree.useDestPath = 0;
        const ThumbnailGenerator paths(project ? *project : inSourceTree);
        std::string thumbnail = paths.thumbnailPath(picture);
        if (!ThumbnailGenerator::fileMissing(thumbnail))
            return thumbnail;
    }
    return picture.fullPath();
}

PreviewLoad loadPreviewPicture(Image& image, const std::string& path, int clientWidth,
                               int clientHeight, int magFilter, int reduceFilter, const ProjectOptions* project)
{
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::duration elapsed) {
        return std::chrono::duration<double>(elapsed).count();
    };
    const Clock::time_point start = Clock::now();
    DecodeSettings settings;
    if (project)
        settings.background = static_cast<std::uint32_t>(project->pictureBackground) & 0xFFFFFFu;
    if (!loadPicture(image, path, settings))
        return {};
    const Clock::time_point decoded = Clock::now();
    // Fitted by the upright size; the fitted picture is turned.
    const int orientation = !project || project->exifOrientation ? pictureOrientation(path) : 1;
    const bool swaps = orientationSwapsAxes(orientation);
    PictureFit fit = fitPicture(swaps ? image.height : image.width, swaps ? image.width : image.height,
                                clientWidth, clientHeight, magFilter, reduceFilter);
    if (swaps)
        std::swap(fit.width, fit.height);
    resample(image, fit.filter, fit.width, fit.height);
    applyOrientation(image, orientation);
    const Clock::time_point resized = Clock::now();
    return {true, seconds(decoded - start), seconds(resized - decoded)};
}

}  // namespace quorvane::gui
