#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "gui/app/job_runner.h"
#include "gui/app/progress_text.h"
#include "gui/app/window_job_host.h"
#include "jobs/project.h"
#include "jobs/status_log.h"
#include "options/global_options.h"
#include "gui/preview/previewer.h"

class QAction;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvane::gui {

class Prompts;
class ProcessingWindow;
class StatusBar;
class TreeThumbnails;

// Why a scan of rootText found no album: an empty path, a missing or
// unreadable folder, or one without pictures or movies. A full state line.
std::string emptyScanReason(const std::string& rootText);

// The long operations, each run on the worker thread.
enum class WorkerJob {
    Scan,
    Thumbnails,
    ForcedThumbnails,
    Html,
    Upload,
};

// The one window of the program: the album root, the scanned tree, the
// comment of the selected entry, the command buttons, the menu and the status
// bar. It owns the project and the global settings and hands the long
// operations to the worker thread.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Prompts& prompts, std::filesystem::path globalOptionsFile = kGlobalOptionsFileName,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    const Project& project() const { return project_; }
    const GlobalOptions& globalOptions() const { return globalOptions_; }
    StatusLog& statusLog() { return log_; }
    const StatusBar& statusBarWidget() const { return *statusBar_; }
    TreeThumbnails& treeThumbnails() { return *thumbnails_; }
    Prompts& prompts() { return prompts_; }
    // The "Photo Preview" window of the selected picture or movie.
    Previewer& previewer() { return preview_; }
    // True while the Processing window covers the window.
    bool processing() const;
    // True until the worker thread of the last job has returned.
    bool jobRunning() const { return jobs_.running(); }

    void rebuildTreeView();
    void updateControls();
    // True to go on although comments were edited and not saved.
    bool confirmDiscardComments();
    // One tick of the 50 ms timer: autosave about once a minute, preview
    // repaints after a movie starts. A job's end arrives from its thread.
    void timerTick();

    // What the worker's host asks of the window, always on the window thread.
    std::optional<std::string> pendingComment() const;
    void albumChanged();
    // How far the running job is, shown in the Processing window and the status bar.
    void jobProgress(int done, int total);
    // Files and bytes of a running transfer, in the Processing window.
    void showTransferProgress(int filesDone, int filesTotal, std::uint64_t bytesDone, std::uint64_t bytesTotal);

    // The commands of the menu and the buttons.
    void browseForRoot();
    void startJob(WorkerJob job);
    void saveComments();
    void forceThumbnails();
    void cleanProject();
    void uploadToFtp();
    void projectOptionsCommand();
    void globalOptionsCommand();

public slots:
    // The Skin Parameters window and the About box open from here.
    void skinParametersCommand();
    void aboutCommand();

signals:
    // A picture or movie became the selected entry; the preview shows it.
    void fileSelected(AlbumPicture* file);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildWindow();
    void placeWindow();
    void rememberGeometry();
    // When a command can run (never while a job runs).
    enum class Needs {
        Nothing,
        Project,       // an active project
        ValidOptions,  // an active project whose options are valid
    };
    void createCommands();
    template <typename Slot>
    QAction* addCommand(const QString& text, const char* name, Needs needs, Slot slot);
    QPushButton* addButton(const QString& text, const char* name, QAction* command);
    void buildMenu();
    void connectTree();
    void fillRootList();
    void onTreeSelectionChanged(AlbumNode* oldNode, AlbumNode* newNode);
    void foldCommentModification();
    // Shows the selected node's comment again unless the user is typing.
    void showStoredComment();
    void showProcessingWindow();
    void closeProcessingWindow();
    void runJob(WorkerJob job, const std::string& rootText);
    void saveProjectOptions();

    Prompts& prompts_;
    std::filesystem::path globalOptionsFile_;
    GlobalOptions globalOptions_;
    Project project_;
    StatusLog log_;
    WindowJobHost host_;
    JobRunner jobs_;
    int tickCount_ = 0;
    ProgressEstimate progress_;
    Previewer preview_{globalOptions_, log_};

    QComboBox* rootCombo_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPlainTextEdit* commentEdit_ = nullptr;
    StatusBar* statusBar_ = nullptr;
    QTimer* timer_ = nullptr;
    ProcessingWindow* processingWindow_ = nullptr;
    TreeThumbnails* thumbnails_ = nullptr;
    // The entry last selected, found again after a re-scan.
    QString selectedKey_;
    bool processing_ = false;

    // One action per command, shared by its menu entry, its button and its
    // shortcut; updateControls enables each from its needs.
    struct Command {
        QAction* action;
        Needs needs;
    };
    std::vector<Command> commands_;
    struct Actions {
        QAction* select = nullptr;
        QAction* scan = nullptr;
        QAction* save = nullptr;
        QAction* quit = nullptr;
        QAction* thumbnails = nullptr;
        QAction* force = nullptr;
        QAction* html = nullptr;
        QAction* clean = nullptr;
        QAction* upload = nullptr;
        QAction* projectOptions = nullptr;
        QAction* globalOptions = nullptr;
        QAction* about = nullptr;
        QAction* skinParameters = nullptr;  // a button only
    } actions_;
};

}  // namespace quorvane::gui
