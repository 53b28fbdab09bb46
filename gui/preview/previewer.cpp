#include "gui/preview/previewer.h"

#include "gui/preview/preview_logic.h"

namespace quorvane::gui {

Previewer::Previewer(const GlobalOptions& globalOptions, StatusLog& log)
    : globalOptions_(globalOptions), log_(log)
{
}

Previewer::~Previewer() = default;

void Previewer::previewFile(const AlbumPicture& file, const ProjectOptions* project)
{
    if (file.mediaKind == MediaMovie)
        previewMovie(file);
    else
        previewPicture(file, project);
}

PreviewWindow& Previewer::showPreviewWindow()
{
    if (!window_)
        window_ = std::make_unique<PreviewWindow>();
    window_->show();
    return *window_;
}

void Previewer::previewPicture(const AlbumPicture& picture, const ProjectOptions* project)
{
    log_.setBusy(true);
    log_.postStatus("Loading picture - %s", picture.fileName.c_str());
    PreviewWindow& window = showPreviewWindow();
    window.clearPicture();
    movie_.stopMovie();

    Image image;
    const std::string path = previewFilePath(picture, project, globalOptions_.loadThumbnails != 0);
    const PreviewLoad load = loadPreviewPicture(image, path, window.width(), window.height(),
                                                globalOptions_.magFilter, globalOptions_.reduceFilter);
    log_.setBusy(false);
    if (!load.ok) {
        log_.postText("Error reading file !");
        return;
    }
    log_.postStatus("Loading complete - %s (time decode:%.1fs - time resize:%.1fs)",
                    picture.fileName.c_str(), load.decodeSeconds, load.resizeSeconds);
    window.setPicture(image);
}

void Previewer::previewMovie(const AlbumPicture& movie)
{
    log_.postStatus("Start movie replay (%s)", movie.fileName.c_str());
    PreviewWindow& window = showPreviewWindow();
    window.clearPicture();
    movie_.stopMovie();
    movie_.playMovie(movie.fullPath(), &window);
    repaintCount_ = 2;
}

void Previewer::timerTick()
{
    if (window_ && repaintCount_ > 0) {
        --repaintCount_;
        window_->repaint();
    }
}

}  // namespace quorvane::gui
