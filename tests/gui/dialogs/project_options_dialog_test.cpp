#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "gui/app_test_support.h"
#include "gui/dialogs/project_options_dialog.h"
#include "support/test_support.h"

namespace quorvane::gui {
namespace {

using test::child;
using test::click;

class ProjectOptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::application(); }

    // A dialog shown over nothing, as the user would see it.
    std::unique_ptr<ProjectOptionsDialog> open(const ProjectOptions& options)
    {
        auto dialog = std::make_unique<ProjectOptionsDialog>(options, prompts);
        dialog->show();
        return dialog;
    }

    static void type(ProjectOptionsDialog& dialog, const char* edit, const QString& text)
    {
        child<QLineEdit>(dialog, edit)->setText(text);
    }

    test::ScriptedPrompts prompts;
};

TEST_F(ProjectOptionsDialogTest, DestinationFolderChecksComeInOrderWithTheirTexts)
{
    ProjectOptions options;
    options.copySource = 0;
    options.intermediateActive = 0;
    options.outputFolder = "C:\\album";
    auto dialog = open(options);

    // Thumbnails only: the question comes first, and No keeps the dialog open.
    prompts.answers = {false};
    click(*dialog, "okButton");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], test::question("Warning",
                                               "The options you selected will generate thumbnails ONLY.\n"
                                               "Your pages will only display thumnails\n"
                                               "Are you sure you want to continue with this behaviour ?",
                                               MessageIcon::Information));
    EXPECT_TRUE(dialog->isVisible());

    // Yes, then the drive-letter path is refused as not absolute here.
    for (const QString& folder : {QStringLiteral("C:\\album"), QStringLiteral("album"),
                                  QStringLiteral("\\\\server\\share"), QString()}) {
        prompts.shown.clear();
        prompts.answers = {true};
        type(*dialog, "outputFolder", folder);
        click(*dialog, "okButton");
        ASSERT_EQ(prompts.shown.size(), 2u) << folder.toStdString();
        EXPECT_EQ(prompts.shown[1],
                  test::message("Error", "Please select an absolute path for destination folder.",
                                MessageIcon::Error));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->edited().loaded, 0);
        EXPECT_EQ(dialog->edited().outputFolder, "C:\\album");
    }

    prompts.shown.clear();
    prompts.answers = {true};
    type(*dialog, "outputFolder", "/abs");
    click(*dialog, "okButton");
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->edited().outputFolder, "/abs");
    EXPECT_EQ(dialog->edited().loaded, 1);
}

TEST_F(ProjectOptionsDialogTest, WithoutADestinationFolderAnyPathIsStoredUnchecked)
{
    ProjectOptions options;
    options.useDestPath = 0;
    options.copySource = 0;
    options.intermediateActive = 0;
    options.outputFolder = "relative\\C:";
    auto dialog = open(options);
    EXPECT_FALSE(child<QLineEdit>(*dialog, "outputFolder")->isEnabled());

    click(*dialog, "okButton");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->edited().outputFolder, "relative\\C:");
    EXPECT_EQ(dialog->edited().useDestPath, 0);
}

TEST_F(ProjectOptionsDialogTest, DerivedSizeFollowsTheFourDirectoryThumbnailFields)
{
    auto dialog = open(ProjectOptions{});
    auto* derived = child<QLineEdit>(*dialog, "derivedSize");
    EXPECT_EQ(derived->text(), "200 x 148");
    EXPECT_TRUE(derived->isReadOnly());

    type(*dialog, "dirImgWidth", "60");
    type(*dialog, "dirThumbsX", "3");
    type(*dialog, "dirImgHeight", "40");
    type(*dialog, "dirThumbsY", "2");
    EXPECT_EQ(derived->text(), "180 x 80");

    type(*dialog, "dirThumbsY", "");
    EXPECT_EQ(derived->text(), "180 x 0");
}

TEST_F(ProjectOptionsDialogTest, CheckBoxesEnableTheirControls)
{
    ProjectOptions options;
    options.intermediateActive = 0;
    options.useDestPath = 0;
    auto dialog = open(options);
    const auto enabled = [&](const char* name) { return child<QWidget>(*dialog, name)->isEnabled(); };
    EXPECT_FALSE(enabled("intermediateWidth"));
    EXPECT_FALSE(enabled("intermediateHeight"));
    EXPECT_FALSE(enabled("copySource"));
    EXPECT_FALSE(enabled("outputFolder"));
    EXPECT_FALSE(enabled("browseDestinationButton"));

    click(*dialog, "intermediateActive");
    EXPECT_TRUE(enabled("intermediateWidth"));
    EXPECT_TRUE(enabled("intermediateHeight"));
    EXPECT_FALSE(enabled("copySource"));

    click(*dialog, "useDestPath");
    EXPECT_TRUE(enabled("copySource"));
    EXPECT_TRUE(enabled("outputFolder"));
    EXPECT_TRUE(enabled("browseDestinationButton"));
    EXPECT_TRUE(enabled("parseExif"));
}

TEST_F(ProjectOptionsDialogTest, SortMethodChangedIsSetOnlyWhenTheSortingChanged)
{
    ProjectOptions options;
    options.useDestPath = 0;
    auto dialog = open(options);
    auto* sort = child<QComboBox>(*dialog, "sortCombo");
    EXPECT_EQ(test::itemTexts(*sort), QStringList({"Hard drive order", "Number inside the filename", "Whole filename",
                                                   "Exif shot time information (slower scan)"}));
    EXPECT_EQ(sort->currentIndex(), 2);

    sort->setCurrentIndex(1);
    click(*dialog, "okButton");
    EXPECT_EQ(dialog->edited().sortMethod, 1);
    EXPECT_EQ(dialog->edited().sortMethodChanged, 1);

    auto again = open(dialog->edited());
    click(*again, "okButton");
    EXPECT_EQ(again->edited().sortMethod, 1);
    EXPECT_EQ(again->edited().sortMethodChanged, 0);

    // A hand-edited method selects nothing and comes back as -1.
    options.sortMethod = 7;
    auto odd = open(options);
    EXPECT_EQ(child<QComboBox>(*odd, "sortCombo")->currentIndex(), -1);
    click(*odd, "okButton");
    EXPECT_EQ(odd->edited().sortMethod, -1);
    EXPECT_EQ(odd->edited().sortMethodChanged, 1);
}

TEST_F(ProjectOptionsDialogTest, CancelAsksOnlyForAProjectNeverValidated)
{
    ProjectOptions loaded;
    loaded.loaded = 1;
    auto known = open(loaded);
    type(*known, "thumbWidth", "999");
    click(*known, "cancelButton");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(known->isVisible());
    EXPECT_EQ(known->result(), QDialog::Rejected);

    auto fresh = open(ProjectOptions{});
    prompts.answers = {false};
    click(*fresh, "cancelButton");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], test::question("Warning",
                                               "No options selected, you won't be able to\n"
                                               "generate album without project options.\n"
                                               "Do you want to continue ?",
                                               MessageIcon::Warning));
    EXPECT_TRUE(fresh->isVisible());

    prompts.answers = {true};
    fresh->close();  // the window's close box cancels as well
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_FALSE(fresh->isVisible());
    EXPECT_EQ(fresh->edited().loaded, 0);
}

TEST_F(ProjectOptionsDialogTest, ControlsShowAndStoreEveryField)
{
    ProjectOptions options;
    options.skinList = {"Default", "Dark", "Dark"};
    options.skinName = "Dark";
    options.reduceFilter = FilterLanczos3;
    options.magFilter = FilterNone;
    options.ftpServerName = "ftp.example.org";
    options.ftpPort = 2121;
    options.ftpPassword = "secret";
    options.parseExif = 1;
    options.useDestPath = 0;
    auto dialog = open(options);

    auto* skins = child<QComboBox>(*dialog, "skinCombo");
    EXPECT_EQ(skins->currentIndex(), 2);  // the last one spelled alike
    EXPECT_TRUE(child<QRadioButton>(*dialog, "reduceLanczos3")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(*dialog, "magNone")->isChecked());
    EXPECT_EQ(child<QLineEdit>(*dialog, "ftpPort")->text(), "2121");
    EXPECT_EQ(child<QLineEdit>(*dialog, "ftpPassword")->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(child<QCheckBox>(*dialog, "ftpAllowPlain")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(*dialog, "parseExif")->isChecked());

    skins->setCurrentIndex(0);
    click(*dialog, "reducePoint");
    click(*dialog, "magBilinear");
    type(*dialog, "ftpLogin", "me");
    type(*dialog, "ftpPath", "/www");
    click(*dialog, "ftpAllowPlain");
    type(*dialog, "thumbWidth", "160");
    type(*dialog, "thumbHeight", "120");
    type(*dialog, "intermediateWidth", "1024");
    click(*dialog, "parseExif");
    click(*dialog, "okButton");

    const ProjectOptions& stored = dialog->edited();
    EXPECT_EQ(stored.skinName, "Default");
    EXPECT_EQ(stored.reduceFilter, FilterPoint);
    EXPECT_EQ(stored.magFilter, FilterBilinear);
    EXPECT_EQ(stored.ftpServerName, "ftp.example.org");
    EXPECT_EQ(stored.ftpLogin, "me");
    EXPECT_EQ(stored.ftpPassword, "secret");
    EXPECT_EQ(stored.ftpRemotePath, "/www");
    EXPECT_EQ(stored.ftpAllowPlain, 1);
    EXPECT_EQ(stored.ftpPort, 2121);
    EXPECT_EQ(stored.thumbWidth, 160);
    EXPECT_EQ(stored.thumbHeight, 120);
    EXPECT_EQ(stored.intermediateWidth, 1024);
    EXPECT_EQ(stored.parseExif, 0);
}

TEST_F(ProjectOptionsDialogTest, SizesOutsideTheirLimitsKeepTheDialogOpen)
{
    ProjectOptions options;
    options.useDestPath = 0;
    auto dialog = open(options);
    const struct {
        const char* edit;
        const char* text;
        const char* refusal;
        const char* allowed;
    } cases[] = {
        {"thumbHeight", "", "ThumbHeight must be from 1 to 16384, not 0", "120"},
        {"thumbHeight", "70000", "ThumbHeight must be from 1 to 16384, not 70000", "120"},
        {"dirThumbsY", "100000", "nbDirThumbsY must be from 1 to 64, not 100000", "4"},
        {"dirImgWidth", "16384", "The folder thumbnail would be 65539 x 151 pixels; it may have at most 16384 pixels "
                                 "on a side and 16777216 in all (nbDirThumbsX, ThmDirImgWidth, nbDirThumbsY, "
                                 "ThmDirImgHeight)", "50"},
    };
    for (const auto& refused : cases) {
        prompts.shown.clear();
        type(*dialog, refused.edit, refused.text);
        click(*dialog, "okButton");
        ASSERT_EQ(prompts.shown.size(), 1u) << refused.text;
        EXPECT_EQ(prompts.shown[0], test::message("Error", refused.refusal, MessageIcon::Error));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->edited().loaded, 0);
        type(*dialog, refused.edit, refused.allowed);
    }
    prompts.shown.clear();
    click(*dialog, "okButton");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->edited().thumbHeight, 120);
}

TEST_F(ProjectOptionsDialogTest, FilterCodesWithoutAButtonAndAnEmptySkinListKeepTheirValues)
{
    ProjectOptions options;
    options.reduceFilter = FilterBilinear;  // not offered for reduction
    options.magFilter = FilterBox;          // not offered for magnification
    options.skinName = "Gone";
    options.useDestPath = 0;
    auto dialog = open(options);
    for (const char* name :
         {"reducePoint", "reduceBox", "reduceLanczos3", "magNone", "magPoint", "magBilinear"})
        EXPECT_FALSE(child<QRadioButton>(*dialog, name)->isChecked()) << name;
    EXPECT_EQ(child<QComboBox>(*dialog, "skinCombo")->count(), 0);

    click(*dialog, "okButton");
    EXPECT_EQ(dialog->edited().reduceFilter, FilterBilinear);
    EXPECT_EQ(dialog->edited().magFilter, FilterBox);
    EXPECT_EQ(dialog->edited().skinName, "Gone");
}

TEST_F(ProjectOptionsDialogTest, DefaultsShowTheValuesOfANewProject)
{
    ProjectOptions options;
    options.skinList = {"Default", "Dark"};
    options.skinName = "Dark";
    options.thumbWidth = 1;
    options.useDestPath = 0;
    options.outputFolder = "/elsewhere";
    options.ftpLogin = "me";
    options.sortMethod = 0;
    options.reduceFilter = FilterPoint;
    auto dialog = open(options);

    click(*dialog, "defaultsButton");
    EXPECT_EQ(child<QLineEdit>(*dialog, "thumbWidth")->text(), "200");
    EXPECT_EQ(child<QLineEdit>(*dialog, "intermediateHeight")->text(), "480");
    EXPECT_EQ(child<QLineEdit>(*dialog, "outputFolder")->text(), "album");
    EXPECT_EQ(child<QLineEdit>(*dialog, "ftpLogin")->text(), "");
    EXPECT_EQ(child<QLineEdit>(*dialog, "ftpPort")->text(), "21");
    EXPECT_TRUE(child<QCheckBox>(*dialog, "useDestPath")->isChecked());
    EXPECT_TRUE(child<QLineEdit>(*dialog, "outputFolder")->isEnabled());
    EXPECT_EQ(child<QComboBox>(*dialog, "sortCombo")->currentIndex(), 2);
    EXPECT_EQ(child<QComboBox>(*dialog, "skinCombo")->currentIndex(), 0);
    EXPECT_TRUE(child<QRadioButton>(*dialog, "reduceBox")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(*dialog, "magBilinear")->isChecked());
    EXPECT_EQ(child<QLineEdit>(*dialog, "derivedSize")->text(), "200 x 148");
    // Nothing is stored until OK.
    EXPECT_EQ(dialog->edited().thumbWidth, 1);
}

TEST_F(ProjectOptionsDialogTest, TextsWithQuotesAndTagsAreAccepted)
{
    ProjectOptions options;
    options.useDestPath = 0;
    auto dialog = open(options);
    type(*dialog, "ftpLogin", QStringLiteral("my\"name"));
    type(*dialog, "ftpServer", QStringLiteral("<host>"));
    type(*dialog, "outputFolder", QStringLiteral("/a/>b"));
    click(*dialog, "okButton");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->edited().ftpLogin, "my\"name");
    EXPECT_EQ(dialog->edited().ftpServerName, "<host>");
    EXPECT_EQ(dialog->edited().outputFolder, "/a/>b");
}

TEST_F(ProjectOptionsDialogTest, FolderBrowserFillsTheDestinationPath)
{
    auto dialog = open(ProjectOptions{});
    prompts.directories = {QString()};
    click(*dialog, "browseDestinationButton");
    EXPECT_EQ(child<QLineEdit>(*dialog, "outputFolder")->text(), "album");
    prompts.directories = {QStringLiteral("/srv/www/album")};
    click(*dialog, "browseDestinationButton");
    EXPECT_EQ(child<QLineEdit>(*dialog, "outputFolder")->text(), "/srv/www/album");
    EXPECT_EQ(prompts.browseTitles, QStringList({"Select destination directory for your album",
                                                 "Select destination directory for your album"}));
}

TEST_F(ProjectOptionsDialogTest, EditingListsTheSkinsWithScriptsAndCommitsOnOk)
{
    test::TempDir dir;
    test::writeFile(dir / "Skins" / "OnlyMain" / "Main.qvs", "");
    test::writeFile(dir / "Skins" / "Loop" / "MainLoop.qvs", "");
    test::writeFile(dir / "Skins" / "NoScripts" / "style.css", "");
    const test::CurrentDirectory cwd(dir.path());

    ProjectOptions options;
    options.useDestPath = 0;
    QStringList listed;
    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        auto* skins = child<QComboBox>(dialog, "skinCombo");
        listed = test::itemTexts(*skins);
        skins->setCurrentIndex(skins->findText("OnlyMain"));
        click(dialog, "okButton");
    });
    EXPECT_TRUE(editProjectOptions(options, prompts, nullptr));
    EXPECT_EQ(listed, QStringList({"Loop", "OnlyMain"}));
    EXPECT_EQ(options.skinName, "OnlyMain");
    EXPECT_EQ(options.loaded, 1);

    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        type(dialog, "thumbWidth", "1");
        click(dialog, "cancelButton");
    });
    EXPECT_FALSE(editProjectOptions(options, prompts, nullptr));
    EXPECT_EQ(options.thumbWidth, 200);
}

}  // namespace
}  // namespace quorvane::gui
