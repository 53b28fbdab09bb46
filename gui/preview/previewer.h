#pragma once

#include <memory>

#include "album/album_tree.h"
#include "jobs/status_log.h"
#include "options/global_options.h"
#include "options/project_options.h"
#include "gui/preview/movie_player.h"
#include "gui/preview/preview_window.h"

namespace quorvane::gui {

// Shows the file selected in the album tree in the "Photo Preview" window:
// a picture fitted and centred, a movie played in a loop. The window is made
// on first use and lives until the previewer goes.
class Previewer {
public:
    Previewer(const GlobalOptions& globalOptions, StatusLog& log);
    ~Previewer();
    Previewer(const Previewer&) = delete;
    Previewer& operator=(const Previewer&) = delete;

    // A movie is played, any other file shown as a picture. project is the
    // open project's options, if any: its destination folder holds the
    // thumbnails.
    void previewFile(const AlbumPicture& file, const ProjectOptions* project);
    void previewPicture(const AlbumPicture& picture, const ProjectOptions* project);
    void previewMovie(const AlbumPicture& movie);

    // The project changed: nothing of the previous one stays on show.
    void clear();

    // One tick of the main window's 50 ms timer: the window is repainted on
    // the first two ticks after a movie starts.
    void timerTick();

    // The preview opens beside this window (the main window) the first time,
    // unless the settings remember where it was.
    void setAnchor(QWidget* anchor) { anchor_ = anchor; }

    // None until the first preview.
    PreviewWindow* window() const { return window_.get(); }
    MoviePlayer& moviePlayer() { return movie_; }
    int repaintCount() const { return repaintCount_; }

private:
    PreviewWindow& showPreviewWindow();
    void placeNewWindow(PreviewWindow& window);
    // Decodes path, fits it to the window in device pixels and shows it.
    PreviewLoad showFitted(PreviewWindow& window, const std::string& path);
    // Fits the picture on show again to the window's new size.
    void refit();

    const GlobalOptions& globalOptions_;
    StatusLog& log_;
    std::unique_ptr<PreviewWindow> window_;
    // Declared after the window so that it stops, taking its video widget
    // out of the window, before the window goes.
    MoviePlayer movie_;
    int repaintCount_ = 0;
    QWidget* anchor_ = nullptr;
    // The file the picture on show was decoded from; empty for a movie.
    std::string shownPath_;
    // The project settings the picture on show was decoded with.
    ProjectOptions shownSettings_;
    bool shownHasProject_ = false;
};

}  // namespace quorvane::gui
