#include <unistd.h>

#include <filesystem>

#include <QComboBox>
#include <QPlainTextEdit>

#include "album/sorting.h"
#include "gui/dialogs/about_box.h"
#include "gui/app/main_window.h"
#include "gui/app/prompts.h"
#include "jobs/jobs.h"
#include "jobs/clean_project.h"
#include "jobs/upload_job.h"
#include "gui/dialogs/clean_project_dialog.h"
#include "gui/dialogs/global_options_dialog.h"
#include "gui/dialogs/project_options_dialog.h"
#include "jobs/html_generation.h"
#include "gui/dialogs/skin_parameters_window.h"

namespace quorvane::gui {

std::string emptyScanReason(const std::string& rootText)
{
    if (rootText.empty())
        return "No folder given: type the album's folder or choose it with \"...\"";
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(rootText, error);
    if (!std::filesystem::exists(status))
        return "Folder not found: " + rootText;
    if (!std::filesystem::is_directory(status))
        return "Not a folder: " + rootText;
    if (::access(rootText.c_str(), R_OK | X_OK) != 0)
        return "Folder cannot be read: " + rootText;
    return "No pictures or movies found in " + rootText;
}

void MainWindow::browseForRoot()
{
    log_.postStatus("Select a root for the album");
    const QString path = prompts_.chooseDirectory(this, QStringLiteral("Select directory to process"),
                                                  rootCombo_->currentText());
    if (path.isEmpty()) {
        log_.postStatus("No path specified");
        return;
    }
    rootCombo_->setEditText(path);
    log_.postStatus("Path selected");
}

void MainWindow::startJob(WorkerJob job)
{
    // A finished job's thread may still be returning from its last message.
    jobs_.waitForEnd();
    const std::string rootText = rootCombo_->currentText().toStdString();
    showProcessingWindow();
    jobs_.start([this, job, rootText] { runJob(job, rootText); }, this, [this] {
        log_.jobDone = false;
        closeProcessingWindow();
    });
}

void MainWindow::runJob(WorkerJob job, const std::string& rootText)
{
    switch (job) {
    case WorkerJob::Scan:
        runScanJob(project_, rootText, globalOptions_, log_, host_);
        // An empty tree says nothing by itself: name the reason.
        if (!project_.root)
            log_.postText(emptyScanReason(rootText));
        break;
    case WorkerJob::Thumbnails:
        runThumbnailJob(project_, false, log_, host_);
        break;
    case WorkerJob::ForcedThumbnails:
        runThumbnailJob(project_, true, log_, host_);
        break;
    case WorkerJob::Html:
        runHtmlJob(project_, log_, host_);
        break;
    case WorkerJob::Upload: {
        UploadRequest request;
        request.removal = RemovalMode::Ask;
        const UploadSummary summary = runUploadJob(project_, request, log_, host_);
        // The state line holds 255 characters; the server's answer may need more.
        if (!summary.ok && project_.optionsValid())
            host_.showMessage("Upload to FTP", "Upload FAILED: " + summary.error, MessageIcon::Error);
        break;
    }
    }
}

void MainWindow::saveComments()
{
    if (runSaveCommentsJob(project_, log_, host_))
        commentEdit_->document()->setModified(false);
    // The save may have brought in another program's newer text.
    showStoredComment();
}

void MainWindow::forceThumbnails()
{
    if (prompts_.askYesNo(this, QStringLiteral("Please confirm"),
                          QStringLiteral("You are about to force all thumbnails regeneration.\n"
                                         "This is only useful when you want to change thumbnails\n"
                                         "resolution for instance.\n"
                                         "Are you sure you want to continue ?"),
                          MessageIcon::Warning))
        startJob(WorkerJob::ForcedThumbnails);
}

void MainWindow::cleanProject()
{
    if (!project_.options || !project_.root)
        return;
    if (project_.options->useDestPath) {
        prompts_.message(this, QStringLiteral("Information"),
                         QString::fromUtf8(kDestinationFolderCleanRefusal), MessageIcon::Information);
        return;
    }
    CleanProjectDialog dialog(*project_.root, prompts_, this);
    dialog.exec();
}

void MainWindow::uploadToFtp()
{
    startJob(WorkerJob::Upload);
}

void MainWindow::projectOptionsCommand()
{
    if (project_.options && editProjectOptions(*project_.options, prompts_, this)) {
        saveProjectOptions();
        if (project_.options->sortMethodChanged && project_.root) {
            log_.postStatus("Sorting tree, please wait");
            resortTree(*project_.root, project_.options->sortMethod, project_.options->todaysFormats != 0);
            project_.options->sortMethodChanged = 0;
            rebuildTreeView();
            log_.postStatus("Sorting completed");
        }
    }
    updateControls();
}

void MainWindow::saveProjectOptions()
{
    const std::filesystem::path path = project_.optionsPath();
    if (project_.optionsDamaged) {
        const QString question =
            QStringLiteral("%1 could not be read completely (%2).\n"
                           "Replace it with these settings? A copy of it is kept beside it.")
                .arg(QString::fromStdString(path.string()), QString::fromStdString(project_.optionsDamage));
        if (!prompts_.askYesNo(this, QStringLiteral("Please confirm"), question, MessageIcon::Warning)) {
            log_.postStatus("Project options NOT saved: %s was left as it is", path.c_str());
            return;
        }
        const std::string copy = keepDamagedCopy(path);
        if (copy.empty()) {
            log_.postStatus("Project options NOT saved: cannot keep a copy of %s", path.c_str());
            return;
        }
        project_.optionsDamaged = false;
    }
    // Without the file the next scan would ask for the options again.
    if (!project_.options->save(path))
        log_.postStatus("Project options NOT saved: cannot write %s", path.c_str());
}

void MainWindow::globalOptionsCommand()
{
    editGlobalOptions(globalOptions_, this);
}

void MainWindow::skinParametersCommand()
{
    if (!project_.options)
        return;
    editSkinParameters(*project_.options, project_.options->skinName, this, messageFunction(prompts_),
                       askYesNoFunction(prompts_));
    // Saved whatever the user did in the window.
    saveProjectOptions();
}

void MainWindow::aboutCommand()
{
    showAboutBox(this);
}

}  // namespace quorvane::gui
