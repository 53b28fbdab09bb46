#include "gui/app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/app/album_tree_view.h"
#include "gui/dialogs/dialog_parts.h"
#include "gui/dialogs/dialog_units.h"
#include "gui/app/display_text.h"
#include "gui/app/icons.h"
#include "gui/app/processing_window.h"
#include "gui/app/prompts.h"
#include "gui/app/status_bar.h"
#include "gui/app/tree_thumbnails.h"
#include "jobs/upload_job.h"

namespace quorvane::gui {

namespace {

constexpr int kTimerPeriodMs = 50;
// Big enough to recognise a picture by its thumbnail in the tree.
constexpr int kTreeIconSize = 32;
// About one minute of timer ticks between two autosave checks.
constexpr int kAutosaveTicks = 1200;

QGroupBox* groupWith(const QString& title, QLayout* layout)
{
    auto* group = new QGroupBox(title);
    group->setLayout(layout);
    return group;
}

}  // namespace

MainWindow::MainWindow(Prompts& prompts, std::filesystem::path globalOptionsFile, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts), globalOptionsFile_(std::move(globalOptionsFile)), host_(*this)
{
    globalOptions_.load(globalOptionsFile_);

    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowIcon(drawnIcon(IconKind::Application));
    setAcceptDrops(true);
    createCommands();
    buildWindow();
    buildMenu();
    statusBar_ = new StatusBar(this);
    setStatusBar(statusBar_);
    log_.setSink(statusBar_);
    processingWindow_ = new ProcessingWindow(this);
    fillRootList();
    // The most recent album is the likeliest next one.
    if (!globalOptions_.recentRoots.empty())
        rootCombo_->setEditText(QString::fromStdString(globalOptions_.recentRoots.front()));
    connectTree();
    connect(this, &MainWindow::fileSelected, this,
            [this](AlbumPicture* file) { preview_.previewFile(*file, project_.options.get()); });

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &MainWindow::timerTick);
    timer_->start(kTimerPeriodMs);

    updateControls();
    placeWindow();
    preview_.setAnchor(this);
}

void MainWindow::placeWindow()
{
    // The described size is the least and the first; the tree and the
    // comment box take whatever room the user adds.
    const QSize client = dialogUnits(*this, 484, 231);
    const QSize least(client.width(),
                      client.height() + menuBar()->sizeHint().height() + statusBar_->sizeHint().height());
    setMinimumSize(least);
    const GlobalOptions::WindowGeometry& stored = globalOptions_.mainWindow;
    const QScreen* display = screen();
    if (stored.stored()) {
        const QRect wanted(stored.x, stored.y, std::max(stored.width, least.width()),
                           std::max(stored.height, least.height()));
        // A window remembered on a screen that is gone comes back centred.
        if (!display || display->virtualGeometry().intersects(wanted)) {
            setGeometry(wanted);
            return;
        }
    }
    resize(least);
    if (display)
        move(display->availableGeometry().center() - rect().center());
}

void MainWindow::rememberGeometry()
{
    const QRect frame = geometry();
    globalOptions_.mainWindow = {frame.x(), frame.y(), frame.width(), frame.height()};
    if (const PreviewWindow* window = preview_.window()) {
        const QRect shown = window->geometry();
        globalOptions_.preview = {shown.x(), shown.y(), shown.width(), shown.height()};
    }
}

MainWindow::~MainWindow()
{
    jobs_.waitForEnd();
    log_.setSink(nullptr);
}

template <typename Slot>
QAction* MainWindow::addCommand(const QString& text, const char* name, Needs needs, Slot slot)
{
    auto* action = named(new QAction(text, this), name);
    connect(action, &QAction::triggered, this, slot);
    commands_.push_back({action, needs});
    return action;
}

void MainWindow::createCommands()
{
    // The texts are the described menu entries; "&" only marks each one's Alt key.
    actions_.select = addCommand(QStringLiteral("&Select Directory"), "selectDirectoryAction", Needs::Nothing,
                                 &MainWindow::browseForRoot);
    actions_.scan = addCommand(QStringLiteral("S&can Directory"), "scanDirectoryAction", Needs::Nothing,
                               [this] { startJob(WorkerJob::Scan); });
    actions_.save = addCommand(QStringLiteral("Sa&ve Comments"), "saveCommentsAction", Needs::Project,
                               &MainWindow::saveComments);
    actions_.quit = addCommand(QStringLiteral("&Quit"), "quitAction", Needs::Nothing, &MainWindow::close);
    actions_.thumbnails = addCommand(QStringLiteral("Generate &Thumbnails"), "generateThumbnailsAction",
                                     Needs::ValidOptions, [this] { startJob(WorkerJob::Thumbnails); });
    actions_.force = addCommand(QStringLiteral("&Force Thumbnails generation"), "forceThumbnailsAction",
                                Needs::ValidOptions, &MainWindow::forceThumbnails);
    actions_.html = addCommand(QStringLiteral("Generate &HTML"), "generateHtmlAction", Needs::ValidOptions,
                               [this] { startJob(WorkerJob::Html); });
    actions_.clean = addCommand(QStringLiteral("&Clean Project"), "cleanProjectAction", Needs::Project,
                                &MainWindow::cleanProject);
    actions_.upload = addCommand(QStringLiteral("&Upload to FTP"), "uploadAction", Needs::ValidOptions,
                                 &MainWindow::uploadToFtp);
    actions_.projectOptions = addCommand(QStringLiteral("&Project Options"), "projectOptionsAction",
                                         Needs::Project, &MainWindow::projectOptionsCommand);
    actions_.globalOptions = addCommand(QStringLiteral("&Global Options"), "globalOptionsAction", Needs::Nothing,
                                        &MainWindow::globalOptionsCommand);
    actions_.about = addCommand(QStringLiteral("&About"), "aboutAction", Needs::Nothing, &MainWindow::aboutCommand);
    actions_.skinParameters = addCommand(QStringLiteral("Adjust skin parameters"), "skinParametersAction",
                                         Needs::ValidOptions, &MainWindow::skinParametersCommand);
    // Shortcuts reach an action only while it is part of the window.
    for (const Command& command : commands_)
        addAction(command.action);

    actions_.select->setShortcut(QKeySequence::Open);
    actions_.scan->setShortcut(QKeySequence(Qt::Key_F5));
    actions_.save->setShortcut(QKeySequence::Save);
    actions_.quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    actions_.thumbnails->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    actions_.html->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    actions_.upload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    actions_.projectOptions->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    actions_.about->setShortcut(QKeySequence::HelpContents);
}

// A button runs its command's action and is enabled with it.
QPushButton* MainWindow::addButton(const QString& text, const char* name, QAction* command)
{
    auto* button = named(new QPushButton(text), name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, command, &QAction::trigger);
    connect(command, &QAction::enabledChanged, button, &QWidget::setEnabled);
    button->setEnabled(command->isEnabled());
    return button;
}

void MainWindow::buildWindow()
{
    rootCombo_ = named(new QComboBox, "rootCombo");
    rootCombo_->setEditable(true);
    rootCombo_->setInsertPolicy(QComboBox::NoInsert);
    rootCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Folders dropped anywhere on the window land in the main window's handler.
    rootCombo_->lineEdit()->setAcceptDrops(false);
    // Enter after typing a path scans it, as the Scan button does.
    connect(rootCombo_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (!processing())
            startJob(WorkerJob::Scan);
    });
    auto* rootRow = new QHBoxLayout;
    rootRow->addWidget(rootCombo_, 1);
    QPushButton* browse = addButton(QStringLiteral("..."), "browseButton", actions_.select);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    rootRow->addWidget(browse);
    rootRow->addWidget(
        addButton(QStringLiteral("Scan"), "scanButton", actions_.scan));

    tree_ = named(new QTreeWidget, "albumTree");
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setUniformRowHeights(true);
    tree_->setIconSize(QSize(kTreeIconSize, kTreeIconSize));
    thumbnails_ = new TreeThumbnails(tree_->iconSize(), this);
    auto* treeBox = new QVBoxLayout;
    treeBox->addWidget(tree_);

    commentEdit_ = named(new QPlainTextEdit, "commentEdit");
    // Tab moves on to the next control, as in the other fields of the window.
    commentEdit_->setTabChangesFocus(true);
    commentEdit_->setAcceptDrops(false);
    commentEdit_->viewport()->setAcceptDrops(false);
    auto* commentBox = new QVBoxLayout;
    commentBox->addWidget(commentEdit_);

    auto* controls = new QGridLayout;
    QPushButton* thumbnails =
        addButton(QStringLiteral("Generate Thumbnails"), "generateThumbnailsButton", actions_.thumbnails);
    QPushButton* force =
        addButton(QStringLiteral("Force Thumbnails Generation"), "forceThumbnailsButton", actions_.force);
    QPushButton* pages = addButton(QStringLiteral("Generate Pages"), "generatePagesButton", actions_.html);
    QPushButton* save = addButton(QStringLiteral("Save Comments"), "saveCommentsButton", actions_.save);
    QPushButton* upload = addButton(QStringLiteral("Upload To FTP"), "uploadButton", actions_.upload);
    QPushButton* options =
        addButton(QStringLiteral("Project Options"), "projectOptionsButton", actions_.projectOptions);
    QPushButton* skin =
        addButton(QStringLiteral("Adjust skin parameters"), "skinParametersButton", actions_.skinParameters);
    // Saving sits right below the comment box; the rest pair up by subject.
    controls->addWidget(save, 0, 0, 1, 2);
    controls->addWidget(thumbnails, 1, 0);
    controls->addWidget(force, 1, 1);
    controls->addWidget(pages, 2, 0);
    controls->addWidget(upload, 2, 1);
    controls->addWidget(options, 3, 0);
    controls->addWidget(skin, 3, 1);

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(groupWith(QStringLiteral("Selected Picture Comments"), commentBox), 1);
    rightColumn->addWidget(groupWith(QStringLiteral("Controls"), controls));

    auto* body = new QHBoxLayout;
    body->addWidget(groupWith(QStringLiteral("Scanned Tree"), treeBox), 1);
    body->addLayout(rightColumn, 1);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(groupWith(QStringLiteral("Root web directory"), rootRow));
    layout->addLayout(body, 1);
    setCentralWidget(central);
}

void MainWindow::buildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({actions_.select, actions_.scan, actions_.save});
    file->addSeparator();
    file->addAction(actions_.quit);

    QMenu* process = menuBar()->addMenu(QStringLiteral("&Process"));
    process->addActions({actions_.thumbnails, actions_.force});
    process->addSeparator();
    process->addAction(actions_.html);
    process->addSeparator();
    process->addAction(actions_.clean);

    menuBar()->addMenu(QStringLiteral("F&TP"))->addAction(actions_.upload);
    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->addActions({actions_.projectOptions, actions_.globalOptions});
    menuBar()->addMenu(QStringLiteral("&?"))->addAction(actions_.about);
}

void MainWindow::connectTree()
{
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                onTreeSelectionChanged(albumNodeOf(previous), albumNodeOf(current));
                markCommented(previous);
            });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (project_.options)
            thumbnails_->loadFolder(item, *project_.options);
    });
}

void MainWindow::fillRootList()
{
    const QString typed = rootCombo_->currentText();
    rootCombo_->clear();
    for (const std::string& root : globalOptions_.recentRoots)
        rootCombo_->addItem(QString::fromStdString(root));
    rootCombo_->setEditText(typed);
}

void MainWindow::updateControls()
{
    const bool active = project_.projectActive;
    const bool valid = active && project_.optionsValid();
    for (const Command& command : commands_) {
        const bool available = command.needs == Needs::Nothing ||
                               (command.needs == Needs::Project && active) ||
                               (command.needs == Needs::ValidOptions && valid);
        // Shortcuts reach actions even through a disabled menu bar.
        command.action->setEnabled(!processing_ && available);
    }
    commentEdit_->setEnabled(project_.selectedNode != nullptr);
}

void MainWindow::rebuildTreeView()
{
    // The entry being edited keeps what was typed for it.
    if (project_.selectedNode)
        onTreeSelectionChanged(project_.selectedNode, nullptr);
    project_.selectedNode = nullptr;
    if (!project_.root)
        preview_.clear();
    {
        const QSignalBlocker blocker(tree_);
        thumbnails_->forgetItems();
        tree_->clear();
        if (project_.root)
            fillAlbumTree(*tree_, *project_.root);
    }
    commentEdit_->clear();
    commentEdit_->document()->setModified(false);
    if (project_.root && project_.options)
        thumbnails_->loadFolder(tree_->topLevelItem(0), *project_.options);
    // A re-scan keeps the entry that was selected, where it still exists,
    // without opening the preview again.
    if (QTreeWidgetItem* again = selectedKey_.isEmpty() ? nullptr : findAlbumItem(*tree_, selectedKey_)) {
        for (QTreeWidgetItem* parent = again->parent(); parent; parent = parent->parent())
            parent->setExpanded(true);
        {
            const QSignalBlocker blocker(tree_);
            tree_->setCurrentItem(again);
        }
        tree_->scrollToItem(again);
        project_.selectedNode = albumNodeOf(again);
        commentEdit_->setPlainText(displayText(project_.selectedNode->commentText()));
        commentEdit_->document()->setModified(false);
    }
    updateControls();
}

void MainWindow::albumChanged()
{
    rebuildTreeView();
    fillRootList();
}

void MainWindow::jobProgress(int done, int total)
{
    // A report queued just before the job ended arrives after the window closed.
    if (!processing_)
        return;
    progress_.report(done, total);
    const QString text = QString::fromStdString(progress_.text());
    processingWindow_->showProgress(done, total, text);
    statusBar_->showProgress(text);
}

void MainWindow::foldCommentModification()
{
    if (commentEdit_->document()->isModified())
        project_.commentsModified = true;
}

std::optional<std::string> MainWindow::pendingComment() const
{
    // Only typing changes a comment: text merely shown is never copied back,
    // so a long comment is not cut and its line ends stay as stored.
    if (!commentEdit_->document()->isModified())
        return std::nullopt;
    return commentEdit_->toPlainText().toStdString();
}

void MainWindow::showStoredComment()
{
    AlbumNode* node = project_.selectedNode;
    if (!node || commentEdit_->document()->isModified())
        return;
    const QString text = displayText(node->commentText());
    if (commentEdit_->toPlainText() != text) {
        commentEdit_->setPlainText(text);
        commentEdit_->document()->setModified(false);
    }
}

void MainWindow::onTreeSelectionChanged(AlbumNode* oldNode, AlbumNode* newNode)
{
    if (oldNode) {
        if (const std::optional<std::string> text = pendingComment())
            oldNode->setComment(cutUtf8(*text, kMaxCommentLength));
    }
    project_.selectedNode = newNode;
    if (newNode) {
        selectedKey_ = albumNodeKey(*newNode);
        foldCommentModification();
        commentEdit_->setPlainText(displayText(newNode->commentText()));
        commentEdit_->document()->setModified(false);
        if (newNode->isFile)
            emit fileSelected(static_cast<AlbumPicture*>(newNode));
    }
    updateControls();
}

bool MainWindow::confirmDiscardComments()
{
    foldCommentModification();
    if (!project_.commentsModified)
        return true;
    return prompts_.askYesNo(this, QStringLiteral("Comments unsaved"),
                             QStringLiteral("Comments have been modified but not saved\n"
                                            "Are you sure you want to continue ?"),
                             MessageIcon::Warning);
}

void MainWindow::timerTick()
{
    if (++tickCount_ > kAutosaveTicks) {
        // While a job owns the album tree the check waits for the next tick.
        if (!jobs_.running()) {
            foldCommentModification();
            if (globalOptions_.autoSave && project_.commentsModified)
                saveComments();
            tickCount_ = 0;
        }
    }
    preview_.timerTick();
}

bool MainWindow::processing() const
{
    return processing_;
}

void MainWindow::showProcessingWindow()
{
    processing_ = true;
    // Over the middle of the window it stands for.
    processingWindow_->move(frameGeometry().center() - processingWindow_->rect().center());
    processingWindow_->show();
    processingWindow_->raise();
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    updateControls();
    log_.setBusy(true);
}

void MainWindow::showTransferProgress(int filesDone, int filesTotal, std::uint64_t bytesDone,
                                      std::uint64_t bytesTotal)
{
    // A report queued just before the job ended arrives after the window closed.
    if (!processing_)
        return;
    const QString text = QStringLiteral("%1/%2 files, %3 of %4")
                             .arg(filesDone)
                             .arg(filesTotal)
                             .arg(QString::fromStdString(formatByteCount(bytesDone)),
                                  QString::fromStdString(formatByteCount(bytesTotal)));
    // The bar counts KiB, so that large albums fit its range.
    processingWindow_->showProgress(static_cast<int>(bytesDone >> 10),
                                    std::max(1, static_cast<int>((bytesTotal + 1023) >> 10)), text);
    statusBar_->showProgress(text);
}

void MainWindow::closeProcessingWindow()
{
    if (processing_) {
        processing_ = false;
        centralWidget()->setEnabled(true);
        menuBar()->setEnabled(true);
        updateControls();
        processingWindow_->hide();
        processingWindow_->clearProgress();
        statusBar_->showProgress(QString());
        progress_.reset();
        raise();
        activateWindow();
    }
    log_.setBusy(false);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (processing() || jobs_.running()) {
        event->ignore();
        return;
    }
    if (!confirmDiscardComments()) {
        log_.postStatus("Canceled, please save your comments");
        event->ignore();
        return;
    }
    rememberGeometry();
    globalOptions_.save(globalOptionsFile_);
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!processing() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    if (urls.size() > 1) {
        prompts_.message(this, QStringLiteral("Too many entries"),
                         QStringLiteral("Please drag only one directory at once."), MessageIcon::Information);
        return;
    }
    if (urls.isEmpty())
        return;
    const QString path = urls.front().toLocalFile();
    std::error_code error;
    const std::filesystem::path entry = path.toStdString();
    if (path.isEmpty() ||
        (std::filesystem::exists(entry, error) && !std::filesystem::is_directory(entry, error))) {
        prompts_.message(this, QStringLiteral("Wrong drag"), QStringLiteral("Please drag only directories."),
                         MessageIcon::Warning);
        return;
    }
    rootCombo_->setEditText(path);
}

}  // namespace quorvane::gui
