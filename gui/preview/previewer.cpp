#include "gui/preview/previewer.h"

#include "gui/preview/preview_logic.h"

#include <QScreen>
#include <QStyle>

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
    if (!window_) {
        window_ = std::make_unique<PreviewWindow>();
        placeNewWindow(*window_);
        QObject::connect(window_.get(), &PreviewWindow::refitWanted, window_.get(), [this] { refit(); });
    }
    window_->show();
    return *window_;
}

void Previewer::placeNewWindow(PreviewWindow& window)
{
    const GlobalOptions::WindowGeometry& stored = globalOptions_.preview;
    if (stored.stored()) {
        window.setGeometry(stored.x, stored.y, stored.width, stored.height);
        return;
    }
    if (!anchor_ || !anchor_->screen())
        return;
    // The frame is not known before the window is shown: allow for a title bar.
    const QSize frame = window.size() + QSize(0, window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    window.move(besidePosition(anchor_->frameGeometry(), frame, anchor_->screen()->availableGeometry()));
}

void Previewer::previewPicture(const AlbumPicture& picture, const ProjectOptions* project)
{
    log_.setBusy(true);
    log_.postStatus("Loading picture - %s", picture.fileName.c_str());
    PreviewWindow& window = showPreviewWindow();
    window.clearPicture();
    movie_.stopMovie();

    const std::string path = previewFilePath(picture, project, globalOptions_.loadThumbnails != 0);
    // The settings a refit needs are copied: the project may be replaced by
    // a scan while the picture is still on show.
    shownSettings_ = project ? *project : ProjectOptions();
    shownHasProject_ = project != nullptr;
    shownPath_.clear();
    const PreviewLoad load = showFitted(window, path);
    log_.setBusy(false);
    if (!load.ok) {
        log_.postText("Error reading file !");
        return;
    }
    log_.postStatus("Loading complete - %s (time decode:%.1fs - time resize:%.1fs)",
                    picture.fileName.c_str(), load.decodeSeconds, load.resizeSeconds);
    shownPath_ = path;
}

PreviewLoad Previewer::showFitted(PreviewWindow& window, const std::string& path)
{
    // Fitted in device pixels, so a high-density screen shows it sharp.
    Image image;
    const QSize device = window.deviceSize();
    const PreviewLoad load =
        loadPreviewPicture(image, path, device.width(), device.height(), globalOptions_.magFilter,
                           globalOptions_.reduceFilter, shownHasProject_ ? &shownSettings_ : nullptr);
    if (load.ok)
        window.setPicture(image, window.devicePixelRatioF());
    return load;
}

void Previewer::refit()
{
    if (window_ && !shownPath_.empty())
        showFitted(*window_, shownPath_);
}

void Previewer::previewMovie(const AlbumPicture& movie)
{
    log_.postStatus("Start movie replay (%s)", movie.fileName.c_str());
    PreviewWindow& window = showPreviewWindow();
    window.clearPicture();
    movie_.stopMovie();
    shownPath_.clear();
    movie_.playMovie(movie.fullPath(), &window);
    repaintCount_ = 2;
}

void Previewer::clear()
{
    movie_.stopMovie();
    shownPath_.clear();
    repaintCount_ = 0;
    if (window_)
        window_->clearPicture();
}

void Previewer::timerTick()
{
    if (window_ && repaintCount_ > 0) {
        --repaintCount_;
        window_->repaint();
    }
}

}  // namespace quorvane::gui
