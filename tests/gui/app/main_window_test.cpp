#include <QColor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

#include "album/album_tree.h"
#include "gui/app/icons.h"
#include "gui/app/tree_thumbnails.h"
#include "imaging/image.h"
#include "main_window_test_support.h"
#include "gui/dialogs/clean_project_dialog.h"
#include "gui/dialogs/global_options_dialog.h"
#include "gui/dialogs/project_options_dialog.h"

namespace quorvane::gui {
namespace {

using test::child;
using test::click;

constexpr const char* kAlwaysEnabled[] = {
    "selectDirectoryAction", "scanDirectoryAction", "quitAction", "globalOptionsAction",
    "aboutAction",           "browseButton",        "scanButton"};
constexpr const char* kWithProject[] = {"saveCommentsButton", "projectOptionsButton", "saveCommentsAction",
                                        "cleanProjectAction", "projectOptionsAction"};
constexpr const char* kWithValidOptions[] = {
    "generateThumbnailsButton", "uploadButton",         "forceThumbnailsButton",
    "generatePagesButton",      "skinParametersButton", "generateThumbnailsAction",
    "forceThumbnailsAction",    "generateHtmlAction",   "uploadAction"};

class MainWindowTest : public test::MainWindowFixture {
protected:
    bool enabled(const char* name)
    {
        if (auto* action = window->findChild<QAction*>(QString::fromLatin1(name)))
            return action->isEnabled();
        return child<QWidget>(*window, name)->isEnabled();
    }

    void expectEnabling(bool active, bool valid)
    {
        for (const char* name : kAlwaysEnabled)
            EXPECT_TRUE(enabled(name)) << name;
        for (const char* name : kWithProject)
            EXPECT_EQ(enabled(name), active) << name;
        for (const char* name : kWithValidOptions)
            EXPECT_EQ(enabled(name), valid) << name;
    }

    void drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &event);
    }

    QString rootText() { return child<QComboBox>(*window, "rootCombo")->currentText(); }
};

TEST_F(MainWindowTest, StartsIdleWithTheJobCommandsGreyed)
{
    open();
    EXPECT_EQ(window->windowTitle(), "Quorvane");
    EXPECT_EQ(window->statusBarWidget().busyText(), "Idle");
    EXPECT_EQ(stateLine(), "Status: N/A");
    expectEnabling(false, false);
    EXPECT_FALSE(commentEdit().isEnabled());
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    // Resizable from the described size up.
    EXPECT_EQ(window->minimumSize(), window->size());
    EXPECT_GT(window->maximumWidth(), window->width());

    const std::pair<const char*, const char*> buttons[] = {
        {"browseButton", "..."},
        {"scanButton", "Scan"},
        {"generateThumbnailsButton", "Generate Thumbnails"},
        {"forceThumbnailsButton", "Force Thumbnails Generation"},
        {"generatePagesButton", "Generate Pages"},
        {"saveCommentsButton", "Save Comments"},
        {"uploadButton", "Upload To FTP"},
        {"projectOptionsButton", "Project Options"},
        {"skinParametersButton", "Adjust skin parameters"},
    };
    for (const auto& [name, text] : buttons)
        EXPECT_EQ(child<QPushButton>(*window, name)->text(), text);

    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) {
        QStringList items;
        for (QAction* item : menu->menu()->actions())
            items << (item->isSeparator() ? QStringLiteral("-") : QString(item->text()).remove('&'));
        menus << QString(menu->text()).remove('&') + ": " + items.join(QStringLiteral(", "));
    }
    EXPECT_EQ(
        menus,
        QStringList({
            "File: Select Directory, Scan Directory, Save Comments, -, Quit",
            "Process: Generate Thumbnails, Force Thumbnails generation, -, Generate HTML, -, Clean Project",
            "FTP: Upload to FTP",
            "Options: Project Options, Global Options",
            "?: About",
        }));
}

TEST_F(MainWindowTest, EveryMenuHasItsAltKeyAndTheCommonCommandsTheirShortcuts)
{
    open();
    QStringList keys;
    for (QAction* menu : window->menuBar()->actions()) {
        keys << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            if (!item->isSeparator())
                keys << "  " + item->text() + " " + item->shortcut().toString();
        }
    }
    EXPECT_EQ(keys, QStringList({"&File", "  &Select Directory Ctrl+O", "  S&can Directory F5",
                                 "  Sa&ve Comments Ctrl+S", "  &Quit Ctrl+Q", "&Process",
                                 "  Generate &Thumbnails Ctrl+T", "  &Force Thumbnails generation ",
                                 "  Generate &HTML Ctrl+G", "  &Clean Project ", "F&TP", "  &Upload to FTP Ctrl+U",
                                 "&Options", "  &Project Options Ctrl+,", "  &Global Options ", "&?",
                                 "  &About F1"}));

    // F5 scans what the root box holds; during the job no shortcut reaches a command.
    const std::filesystem::path root = makeAlbum({"a.jpg"});
    setRoot(root);
    child<QAction>(*window, "scanDirectoryAction")->trigger();
    EXPECT_FALSE(child<QAction>(*window, "scanDirectoryAction")->isEnabled());
    EXPECT_FALSE(child<QAction>(*window, "saveCommentsAction")->isEnabled());
    waitForJob();
    EXPECT_EQ(stateLine(), "State: Scan completed");
    EXPECT_TRUE(child<QAction>(*window, "scanDirectoryAction")->isEnabled());
    EXPECT_TRUE(child<QAction>(*window, "saveCommentsAction")->isEnabled());
}

TEST_F(MainWindowTest, RecentRootsOfTheSettingsFileFillTheRootList)
{
    GlobalOptions stored;
    stored.recentRoots = {"/photos/new", "/photos/old"};
    ASSERT_TRUE(stored.save(dir / "QuorvaneCfg.xml"));
    open();
    auto* combo = child<QComboBox>(*window, "rootCombo");
    EXPECT_EQ(test::itemTexts(*combo), QStringList({"/photos/new", "/photos/old"}));
    EXPECT_TRUE(combo->isEditable());
    // The most recent album is ready to scan, and Enter scans what is typed.
    EXPECT_EQ(combo->currentText(), QStringLiteral("/photos/new"));
    const std::filesystem::path root = makeAlbum({"a.jpg"});
    setRoot(root);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    waitForJob();
    EXPECT_EQ(tree().topLevelItemCount(), 1);
    EXPECT_EQ(stateLine(), "State: Scan completed");
}

TEST_F(MainWindowTest, WindowGrowsFromItsDescribedSizeAndOpensWhereItWasLeft)
{
    open();
    const QSize described = window->size();
    EXPECT_EQ(window->minimumSize(), described);
    EXPECT_GT(window->maximumWidth(), described.width() * 4);
    QCoreApplication::processEvents();
    const QSize treeBefore = tree().size();
    window->setGeometry(40, 30, described.width() + 300, described.height() + 200);
    QCoreApplication::processEvents();
    // The tree takes its share of the room.
    EXPECT_GE(tree().height(), treeBefore.height() + 150);
    EXPECT_GT(tree().width(), treeBefore.width());
    const QRect left = window->geometry();
    EXPECT_TRUE(window->close());
    window.reset();

    GlobalOptions stored;
    stored.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(QRect(stored.mainWindow.x, stored.mainWindow.y, stored.mainWindow.width, stored.mainWindow.height),
              left);
    open();
    EXPECT_EQ(window->geometry(), left);
}

TEST_F(MainWindowTest, EnablingFollowsTheScanAndTheProjectOptions)
{
    const std::filesystem::path root = makeAlbum({"a.jpg", "Trip/b.jpg"}, false);
    open();

    // A new project: the options dialog opens after the scan; cancel it.
    bool dialogOpened = false;
    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        dialogOpened = true;
        EXPECT_EQ(stateLine(), "State: Scan completed");
        prompts.answers = {true};
        click(dialog, "cancelButton");
    });
    scan(root);
    EXPECT_TRUE(dialogOpened);
    EXPECT_EQ(stateLine(), "State: Scan completed");
    EXPECT_EQ(window->statusBarWidget().busyText(), "Idle");
    expectEnabling(true, false);
    EXPECT_FALSE(std::filesystem::exists(root / kProjectOptionsFileName));
    ASSERT_EQ(child<QComboBox>(*window, "rootCombo")->count(), 1);
    EXPECT_EQ(child<QComboBox>(*window, "rootCombo")->itemText(0).toStdString(), root.string());
    EXPECT_EQ(rootText().toStdString(), root.string());

    // Confirming the options enables the generation commands and writes the file.
    const std::string destination = (dir / "web").string();
    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        child<QLineEdit>(dialog, "outputFolder")->setText(QString::fromStdString(destination));
        click(dialog, "okButton");
    });
    click(*window, "projectOptionsButton");
    expectEnabling(true, true);
    ProjectOptions stored;
    ASSERT_TRUE(stored.load(root / kProjectOptionsFileName));
    EXPECT_EQ(stored.outputFolder, destination);
}

TEST_F(MainWindowTest, ADamagedOptionsFileIsReplacedOnlyWhenTheUserAgrees)
{
    const std::filesystem::path root = makeAlbum({"a.jpg"}, false);
    const std::filesystem::path file = root / kProjectOptionsFileName;
    const std::string damaged =
        "<ProjectOptions Version=\"1\">\n\t<UseDestPath n=\"0\"/>\n\t<ThumbWidth n=\"320\"/>\n\t<ThumbHei";
    test::writeFile(file, damaged);
    open();

    // The dialog shows what could be read; replacing the file needs a Yes.
    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        EXPECT_EQ(stateLine().toStdString(), "State: " + file.string() +
                                                 " could not be read completely (the file ends before its "
                                                 "elements do); it was left as it is");
        EXPECT_EQ(child<QLineEdit>(dialog, "thumbWidth")->text(), "320");
        prompts.answers = {false};
        click(dialog, "okButton");
    });
    scan(root);
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().title, "Please confirm");
    EXPECT_TRUE(prompts.shown.back().text.contains(QStringLiteral("could not be read completely")));
    EXPECT_EQ(test::readFile(file), damaged);
    EXPECT_EQ(stateLine().toStdString(), "State: Project options NOT saved: " + file.string() + " was left as it is");

    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        prompts.answers = {true};
        click(dialog, "okButton");
    });
    click(*window, "projectOptionsButton");
    ProjectOptions stored;
    ASSERT_TRUE(stored.load(file));
    EXPECT_EQ(stored.thumbWidth, 320);
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.path().filename().string().starts_with("ProjectOptions.xml.damaged-")) {
            EXPECT_EQ(test::readFile(entry.path()), damaged);
            ++copies;
        }
    }
    EXPECT_EQ(copies, 1);
}

TEST_F(MainWindowTest, ScanOfARootWithoutMediaLeavesTheJobCommandsGreyed)
{
    const std::filesystem::path root = makeAlbum({"notes.txt", "Empty/readme.txt"});
    open();
    scan(root);
    EXPECT_EQ(stateLine().toStdString(), "State: No pictures or movies found in " + root.string());
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    EXPECT_TRUE(prompts.shown.empty());
    expectEnabling(false, false);
    EXPECT_EQ(child<QComboBox>(*window, "rootCombo")->count(), 0);

    // Each other reason for an empty tree is named.
    scan(dir / "missing");
    EXPECT_EQ(stateLine().toStdString(), "State: Folder not found: " + (dir / "missing").string());
    scan(root / "notes.txt");
    EXPECT_EQ(stateLine().toStdString(), "State: Not a folder: " + (root / "notes.txt").string());
    scan("");
    EXPECT_EQ(stateLine(), "State: No folder given: type the album's folder or choose it with \"...\"");
}

TEST_F(MainWindowTest, TreeShowsGeneratedThumbnailsAsIconsNeverThePictures)
{
    const std::filesystem::path root = makeAlbum({"a.jpg", "b.jpg"});
    // a.jpg has a thumbnail (a plain red 64 x 48 one); b.jpg has none and is
    // not a JPEG at all, so only its plain icon can show.
    Image thumbnail;
    ASSERT_TRUE(thumbnail.allocate(64, 48, 3));
    thumbnail.fill(0x0000FF);
    ASSERT_TRUE(thumbnail.saveJpeg((root / "thm_a.jpg").string()));
    open();
    scan(root);
    ASSERT_TRUE(test::waitUntil([this] { return window->treeThumbnails().pendingCount() == 0; }));
    QCoreApplication::processEvents();
    const QImage icon = item({"a.jpg"})->icon(0).pixmap(QSize(32, 32)).toImage();
    EXPECT_EQ(icon.size(), QSize(32, 24));
    EXPECT_GE(QColor(icon.pixel(16, 12)).red(), 250);
    EXPECT_LE(QColor(icon.pixel(16, 12)).green(), 5);
    EXPECT_EQ(item({"b.jpg"})->icon(0).pixmap(QSize(16, 16)).toImage(),
              drawnIcon(IconKind::Picture).pixmap(QSize(16, 16)).toImage());
}

TEST_F(MainWindowTest, RescanKeepsTheSelectionExpandsTheRootAndMarksCommentedEntries)
{
    const std::filesystem::path root = makeAlbum({"a.jpg", "Trip/b.jpg", "Trip/c.jpg"});
    test::writeFile(root / "Trip" / "Comments.xml",
                    "<FilesComments>\n<Photo Name=\"c.jpg\" Comment=\"486900\"/>\n</FilesComments>\n");
    open();
    scan(root);
    ASSERT_NE(item({}), nullptr);
    EXPECT_TRUE(item({})->isExpanded());
    EXPECT_FALSE(item({"Trip"})->isExpanded());
    EXPECT_TRUE(item({"Trip", "c.jpg"})->font(0).bold());
    EXPECT_FALSE(item({"Trip", "b.jpg"})->font(0).bold());

    // Typing a comment marks the entry once the selection moves on.
    tree().setCurrentItem(item({"Trip", "b.jpg"}));
    commentEdit().setPlainText(QStringLiteral("Bridge"));
    commentEdit().document()->setModified(true);  // as typing does
    tree().setCurrentItem(item({"a.jpg"}));
    EXPECT_TRUE(item({"Trip", "b.jpg"})->font(0).bold());

    tree().setCurrentItem(item({"Trip", "c.jpg"}));
    prompts.answers = {true};
    scan(root);
    ASSERT_NE(tree().currentItem(), nullptr);
    EXPECT_EQ(tree().currentItem(), item({"Trip", "c.jpg"}));
    EXPECT_TRUE(item({"Trip"})->isExpanded());
    EXPECT_EQ(commentEdit().toPlainText(), QStringLiteral("Hi"));
}

TEST_F(MainWindowTest, TreeShowsDirectoriesBeforeFilesUnderTheRootPath)
{
    const std::filesystem::path root = makeAlbum({"z.jpg", "a.mpg", "Sub/c.jpeg", "Sub/Deep/d.jpg"});
    open();
    scan(root);
    expectEnabling(true, true);

    ASSERT_EQ(tree().topLevelItemCount(), 1);
    QTreeWidgetItem* top = tree().topLevelItem(0);
    EXPECT_EQ(top->text(0).toStdString(), root.string());
    EXPECT_TRUE(top->isExpanded());
    ASSERT_EQ(top->childCount(), 3);
    EXPECT_EQ(top->child(0)->text(0), "Sub");
    EXPECT_EQ(top->child(1)->text(0), "a.mpg");
    EXPECT_EQ(top->child(2)->text(0), "z.jpg");
    ASSERT_EQ(top->child(0)->childCount(), 2);
    EXPECT_EQ(top->child(0)->child(0)->text(0), "Deep");
    EXPECT_EQ(top->child(0)->child(1)->text(0), "c.jpeg");
    EXPECT_EQ(item({"Sub", "Deep"})->child(0)->text(0), "d.jpg");
    // Folders, pictures and movies each have their own picture.
    const auto key = [](QTreeWidgetItem* entry) { return entry->icon(0).pixmap(16).toImage(); };
    EXPECT_EQ(key(top), key(top->child(0)));
    EXPECT_NE(key(top->child(0)), key(top->child(2)));
    EXPECT_NE(key(top->child(1)), key(top->child(2)));
    EXPECT_EQ(key(top->child(2)), key(top->child(0)->child(1)));

    // Selecting a file hands it to the preview; a folder shows none.
    QSignalSpy previews(window.get(), &gui::MainWindow::fileSelected);
    select({"Sub"});
    EXPECT_EQ(previews.count(), 0);
    EXPECT_TRUE(commentEdit().isEnabled());
    select({"a.mpg"});
    ASSERT_EQ(previews.count(), 1);
    const auto* movie = previews.at(0).at(0).value<AlbumPicture*>();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->fileName, "a.mpg");
    EXPECT_EQ(movie->mediaKind, MediaMovie);
}

TEST_F(MainWindowTest, SelectionWritesTheCommentBackIntoThePreviousEntry)
{
    test::writeFile(
        dir / "album" / "Comments.xml",
        "<FilesComments>\n\t<Photo Name=\"b.jpg\" Comment=\"73746f72656400\"/>\n</FilesComments>\n");
    makeAlbum({"a.jpg", "b.jpg"});
    open();
    scan(dir / "album");
    EXPECT_FALSE(commentEdit().isEnabled());

    select({"a.jpg"});
    EXPECT_TRUE(commentEdit().isEnabled());
    EXPECT_EQ(commentEdit().toPlainText(), "");
    typeComment("Hello");
    EXPECT_FALSE(window->project().commentsModified);
    select({"b.jpg"});
    EXPECT_EQ(commentEdit().toPlainText(), "stored");
    EXPECT_TRUE(window->project().commentsModified);  // sticky from here on
    AlbumPicture* a = window->project().root->files.first();
    ASSERT_EQ(a->fileName, "a.jpg");
    EXPECT_EQ(a->commentText(), "Hello");

    // A long comment only shown is kept whole, with its line ends as stored.
    select({"a.jpg"});
    auto* b = window->project().root->files.last();
    const std::string stored = std::string(10300, 's') + "\r\n";
    b->setStoredComment(stored);
    select({"b.jpg"});
    select({"a.jpg"});
    EXPECT_EQ(b->commentText(), stored);
    EXPECT_FALSE(b->commentEdited());

    // An edited one is cut to the edit box's limit.
    select({"b.jpg"});
    commentEdit().setPlainText(QString(10300, QLatin1Char('x')));
    commentEdit().document()->setModified(true);
    select({"a.jpg"});
    EXPECT_EQ(commentEdit().toPlainText(), "Hello");
    EXPECT_EQ(b->commentText(), std::string(kMaxCommentLength, 'x'));
    select({"b.jpg"});
    EXPECT_EQ(commentEdit().toPlainText().size(), 10239);
}

TEST_F(MainWindowTest, CommentsInASingleByteEncodingKeepTheirLetters)
{
    // "café" once as UTF-8 and once as a single Latin-1 byte.
    test::writeFile(dir / "album" / "Comments.xml",
                    "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"636166c3a900\"/>\n"
                    "\t<Photo Name=\"b.jpg\" Comment=\"636166e900\"/>\n</FilesComments>\n");
    makeAlbum({"a.jpg", "b.jpg"});
    open();
    scan(dir / "album");
    select({"a.jpg"});
    EXPECT_EQ(commentEdit().toPlainText(), QString::fromUtf8("caf\xc3\xa9"));
    select({"b.jpg"});
    EXPECT_EQ(commentEdit().toPlainText(), QString::fromUtf8("caf\xc3\xa9"));
    // Only shown, not typed: the stored bytes stay as they are.
    select({"a.jpg"});
    EXPECT_EQ(window->project().root->files.last()->commentText(), "caf\xe9");
}

TEST_F(MainWindowTest, DroppedEntriesFillTheRootOrAreRefused)
{
    open();
    test::writeFile(dir / "one" / "a.jpg", "x");
    std::filesystem::create_directories(dir / "two");
    const QUrl one = QUrl::fromLocalFile(QString::fromStdString((dir / "one").string()));
    const QUrl two = QUrl::fromLocalFile(QString::fromStdString((dir / "two").string()));
    const QUrl file = QUrl::fromLocalFile(QString::fromStdString((dir / "one" / "a.jpg").string()));

    drop({one, two});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], test::message("Too many entries", "Please drag only one directory at once.",
                                              MessageIcon::Information));
    EXPECT_EQ(rootText(), "");

    drop({file});
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1],
              test::message("Wrong drag", "Please drag only directories.", MessageIcon::Warning));
    EXPECT_EQ(rootText(), "");

    drop({one});
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(rootText().toStdString(), (dir / "one").string());
    // Nothing else happens: no scan starts.
    EXPECT_FALSE(window->processing());
    EXPECT_EQ(stateLine(), "Status: N/A");
    EXPECT_EQ(tree().topLevelItemCount(), 0);
}

TEST_F(MainWindowTest, QuitWithUnsavedCommentsAnsweredNoKeepsTheProgramRunning)
{
    const std::filesystem::path root = makeAlbum({"a.jpg"});
    open();
    scan(root);
    select({"a.jpg"});
    typeComment("unsaved");

    prompts.answers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0],
              test::question("Comments unsaved",
                             "Comments have been modified but not saved\nAre you sure you want to continue ?",
                             MessageIcon::Warning));
    EXPECT_EQ(stateLine(), "State: Canceled, please save your comments");
    EXPECT_FALSE(std::filesystem::exists(dir / "QuorvaneCfg.xml"));

    // Yes quits and keeps the settings with the scanned root.
    prompts.answers = {true};
    child<QAction>(*window, "quitAction")->trigger();
    EXPECT_FALSE(window->isVisible());
    GlobalOptions saved;
    saved.load(dir / "QuorvaneCfg.xml");
    EXPECT_EQ(saved.recentRoots, std::vector<std::string>{root.string()});
}

TEST_F(MainWindowTest, QuitWithoutEditsAsksNothing)
{
    open();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "QuorvaneCfg.xml"));
}

TEST_F(MainWindowTest, RefusingToLoseCommentsCancelsTheScan)
{
    const std::filesystem::path root = makeAlbum({"a.jpg"});
    open();
    scan(root);
    select({"a.jpg"});
    typeComment("typed");
    prompts.answers = {false};
    scan(root);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].title, "Comments unsaved");
    EXPECT_EQ(stateLine(), "State: Canceled, please save your comments");
    EXPECT_EQ(window->statusBarWidget().busyText(), "Idle");
    EXPECT_EQ(tree().topLevelItemCount(), 1);
    EXPECT_EQ(commentEdit().toPlainText(), "typed");
    expectEnabling(true, true);
}

TEST_F(MainWindowTest, SaveCommentsWritesTheFilesOrSaysWhatFailed)
{
    open();
    window->saveComments();
    EXPECT_EQ(stateLine(), "State: No active project");

    const std::filesystem::path root = makeAlbum({"a.jpg", "Trip/b.jpg"});
    scan(root);
    select({"a.jpg"});
    typeComment("hi");
    click(*window, "saveCommentsButton");
    EXPECT_EQ(stateLine(), "State: Comments saved");
    EXPECT_EQ(test::readFile(root / "Comments.xml"),
              "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"686900\"/>\n</FilesComments>\n");
    EXPECT_FALSE(window->project().commentsModified);
    EXPECT_FALSE(commentEdit().document()->isModified());

    // A folder standing where the comments file should go cannot be replaced.
    std::filesystem::create_directories(root / "Trip" / "Comments.xml");
    select({"Trip", "b.jpg"});
    typeComment("lost?");
    child<QAction>(*window, "saveCommentsAction")->trigger();
    EXPECT_EQ(stateLine().toStdString(), "State: Comments NOT saved: " + root.string() +
                                             "/Trip/Comments.xml could not be read completely (not a regular "
                                             "file); it was left as it is");
    // The edit still counts as unsaved, so quitting asks.
    EXPECT_TRUE(commentEdit().document()->isModified());
    prompts.answers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompts.shown.back().title, "Comments unsaved");
}

TEST_F(MainWindowTest, AutosaveRunsAboutOnceAMinuteButNeverDuringAJob)
{
    const std::filesystem::path root = makeAlbum({"a.jpg"});
    open();
    scan(root);
    select({"a.jpg"});
    typeComment("auto");
    const std::filesystem::path comments = root / "Comments.xml";
    // The real timer runs too, so count ticks from a fresh minute.
    for (int tick = 0; tick < 1202 && !std::filesystem::exists(comments); ++tick)
        window->timerTick();
    ASSERT_TRUE(std::filesystem::exists(comments));
    EXPECT_EQ(test::readFile(comments),
              "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"6175746f00\"/>\n</FilesComments>\n");
    EXPECT_EQ(stateLine(), "State: Comments saved");

    // While a scan waits for its question the job owns the tree: no save.
    typeComment("+");
    bool savedDuringJob = false;
    prompts.onQuestion = [&] {
        for (int tick = 0; tick < 1300; ++tick)
            window->timerTick();
        savedDuringJob = test::readFile(comments).find("6175746f2b00") != std::string::npos;
    };
    prompts.answers = {false};
    scan(root);
    EXPECT_FALSE(savedDuringJob);
    window->timerTick();
    EXPECT_NE(test::readFile(comments).find("6175746f2b00"), std::string::npos);

    // Switched off in the Global options dialog, nothing is written.
    test::whenModalOpens<GlobalOptionsDialog>([](GlobalOptionsDialog& dialog) {
        click(dialog, "autoSave");
        click(dialog, "okButton");
    });
    child<QAction>(*window, "globalOptionsAction")->trigger();
    EXPECT_EQ(window->globalOptions().autoSave, 0);
    typeComment("!");
    for (int tick = 0; tick < 1300; ++tick)
        window->timerTick();
    EXPECT_EQ(test::readFile(comments).find("6175746f2b2100"), std::string::npos);
    EXPECT_TRUE(window->project().commentsModified);
}

TEST_F(MainWindowTest, BrowseFillsTheRootOrSaysNoPath)
{
    open();
    setRoot("/typed");
    click(*window, "browseButton");
    EXPECT_EQ(stateLine(), "State: No path specified");
    EXPECT_EQ(rootText(), "/typed");
    prompts.directories = {QStringLiteral("/chosen/folder")};
    child<QAction>(*window, "selectDirectoryAction")->trigger();
    EXPECT_EQ(stateLine(), "State: Path selected");
    EXPECT_EQ(rootText(), "/chosen/folder");
    EXPECT_EQ(prompts.browseTitles,
              QStringList({"Select directory to process", "Select directory to process"}));
}

TEST_F(MainWindowTest, CommandsAnswerWithTheirBoxes)
{
    const std::filesystem::path root = makeAlbum({"a.jpg"}, false);
    ProjectOptions options;
    options.outputFolder = (dir / "web").string();
    options.save(root / kProjectOptionsFileName);
    open();
    scan(root);
    window->statusLog().postText("before");

    prompts.answers = {false};
    click(*window, "forceThumbnailsButton");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], test::question("Please confirm",
                                               "You are about to force all thumbnails regeneration.\n"
                                               "This is only useful when you want to change thumbnails\n"
                                               "resolution for instance.\n"
                                               "Are you sure you want to continue ?",
                                               MessageIcon::Warning));
    EXPECT_FALSE(window->processing());
    EXPECT_FALSE(window->jobRunning());
    EXPECT_EQ(stateLine(), "State: before");

    child<QAction>(*window, "cleanProjectAction")->trigger();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1],
              test::message("Information",
                            "You are using a destination folder.\n"
                            "Clean function is only available for for destination-less projects\n"
                            "Simply delete the output directory to clean your project.",
                            MessageIcon::Information));
}

TEST_F(MainWindowTest, CleanProjectOpensItsDialogForASourceFolderProject)
{
    const std::filesystem::path root = makeAlbum({"a.jpg", "thm_a.jpg"});
    open();
    scan(root);
    bool opened = false;
    test::whenModalOpens<CleanProjectDialog>([&](CleanProjectDialog& dialog) {
        opened = true;
        click(dialog, "cleanThumbnails");
        prompts.answers = {true};
        click(dialog, "okButton");
    });
    child<QAction>(*window, "cleanProjectAction")->trigger();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(std::filesystem::exists(root / "thm_a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(root / "a.jpg"));
}

TEST_F(MainWindowTest, OptionsThatCannotBeWrittenAreReported)
{
    // A folder in the way of the options file: it cannot be read, copied or replaced.
    const std::filesystem::path root = makeAlbum({"a.jpg"}, false);
    std::filesystem::create_directories(root / kProjectOptionsFileName);
    open();
    test::whenModalOpens<ProjectOptionsDialog>([this](ProjectOptionsDialog& dialog) {
        click(dialog, "useDestPath");
        prompts.answers = {true};
        click(dialog, "okButton");
    });
    scan(root);
    EXPECT_EQ(stateLine().toStdString(), "State: Project options NOT saved: cannot keep a copy of " +
                                             (root / kProjectOptionsFileName).string());
    EXPECT_TRUE(std::filesystem::is_directory(root / kProjectOptionsFileName));
    // The options hold for this session all the same.
    expectEnabling(true, true);
}

TEST_F(MainWindowTest, NewSortMethodResortsTheTreeAndKeepsTheTypedComment)
{
    const std::filesystem::path root = makeAlbum({"b10.jpg", "a2.jpg", "c1.jpg"});
    open();
    scan(root);
    const auto order = [this] {
        QStringList names;
        for (int i = 0; i < tree().topLevelItem(0)->childCount(); ++i)
            names << tree().topLevelItem(0)->child(i)->text(0);
        return names;
    };
    EXPECT_EQ(order(), QStringList({"a2.jpg", "b10.jpg", "c1.jpg"}));
    select({"a2.jpg"});
    typeComment("kept");

    test::whenModalOpens<ProjectOptionsDialog>([](ProjectOptionsDialog& dialog) {
        child<QComboBox>(dialog, "sortCombo")->setCurrentIndex(SortNumberInName);
        click(dialog, "okButton");
    });
    child<QAction>(*window, "projectOptionsAction")->trigger();
    EXPECT_EQ(order(), QStringList({"c1.jpg", "a2.jpg", "b10.jpg"}));
    EXPECT_EQ(stateLine(), "State: Sorting completed");
    EXPECT_EQ(window->project().options->sortMethodChanged, 0);
    EXPECT_EQ(window->project().root->files.first()->fileName, "c1.jpg");
    select({"a2.jpg"});
    EXPECT_EQ(commentEdit().toPlainText(), "kept");
    ProjectOptions stored;
    ASSERT_TRUE(stored.load(root / kProjectOptionsFileName));
    EXPECT_EQ(stored.sortMethod, SortNumberInName);

    // The same method again: the file is written, the tree left alone.
    window->statusLog().postText("before");
    test::whenModalOpens<ProjectOptionsDialog>([](ProjectOptionsDialog& dialog) {
        child<QLineEdit>(dialog, "thumbWidth")->setText("123");
        click(dialog, "okButton");
    });
    click(*window, "projectOptionsButton");
    EXPECT_EQ(stateLine(), "State: before");
    ASSERT_TRUE(stored.load(root / kProjectOptionsFileName));
    EXPECT_EQ(stored.thumbWidth, 123);
}

TEST_F(MainWindowTest, WindowIconIsTheApplicationIconOfTheMenu)
{
    open();
    const std::filesystem::path packaged = test::sourceDir() / "packaging" / "icons" / "quorvane-48.png";
    const auto format = QImage::Format_ARGB32_Premultiplied;
    const QImage expected = QImage(QString::fromStdString(packaged.string())).convertToFormat(format);
    ASSERT_FALSE(expected.isNull()) << packaged;
    EXPECT_EQ(window->windowIcon().pixmap(48, 48).toImage().convertToFormat(format), expected);
}

}  // namespace
}  // namespace quorvane::gui
