#include <QCheckBox>
#include <QLabel>

#include "album/album_tree.h"
#include "album/scan.h"
#include "gui/app_test_support.h"
#include "gui/dialogs/clean_project_dialog.h"
#include "options/project_options.h"
#include "support/test_support.h"

namespace quorvane::gui {
namespace {

using test::child;
using test::click;

class CleanProjectDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        for (const char* file : {"a.jpg", "thm_a.jpg", "inter_a.jpg", "index.html", "Comments.xml",
                                 "Trip/b.jpg", "Trip/THM_B.JPG", "Trip/b.jpg.html", "Trip/Comments.xml"})
            test::writeFile(dir / file, "x");
        ProjectOptions options;
        options.useDestPath = 0;
        root = scanDirectory(dir.path().string(), options);
        ASSERT_NE(root, nullptr);
        dialog = std::make_unique<CleanProjectDialog>(*root, prompts);
        dialog->show();
    }

    bool exists(const char* file) const { return std::filesystem::exists(dir / file); }

    test::TempDir dir;
    test::ScriptedPrompts prompts;
    std::unique_ptr<AlbumDirectory> root;
    std::unique_ptr<CleanProjectDialog> dialog;
};

TEST_F(CleanProjectDialogTest, GoWithNothingCheckedRefusesAndStaysOpen)
{
    EXPECT_EQ(dialog->windowTitle(), "Clean Project");
    for (const char* name : {"cleanHtml", "cleanComments", "cleanThumbnails", "cleanIntermediates"})
        EXPECT_FALSE(child<QCheckBox>(*dialog, name)->isChecked()) << name;

    click(*dialog, "okButton");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], test::message("Warning", "Nothing to clean", MessageIcon::Warning));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(CleanProjectDialogTest, AnsweringNoKeepsEveryFileAndTheChoices)
{
    click(*dialog, "cleanComments");
    click(*dialog, "cleanThumbnails");
    prompts.answers = {false};
    click(*dialog, "okButton");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(
        prompts.shown[0],
        test::question(
            "Warning, destructive process",
            "This process will permanently erase some files.\nAre you really sure you want to continue ?",
            MessageIcon::Warning));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(child<QCheckBox>(*dialog, "cleanComments")->isChecked());
    EXPECT_TRUE(exists("Comments.xml"));
    EXPECT_TRUE(exists("Trip/Comments.xml"));
    EXPECT_TRUE(exists("Trip/THM_B.JPG"));
}

TEST_F(CleanProjectDialogTest, YesDeletesTheChosenKindsThroughTheTreeAndSaysComplete)
{
    click(*dialog, "cleanComments");
    click(*dialog, "cleanThumbnails");
    prompts.answers = {true};
    click(*dialog, "okButton");
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1], test::message("Information", "Complete", MessageIcon::Information));
    EXPECT_FALSE(dialog->isVisible());

    EXPECT_FALSE(exists("Comments.xml"));
    EXPECT_FALSE(exists("Trip/Comments.xml"));
    EXPECT_FALSE(exists("thm_a.jpg"));
    EXPECT_FALSE(exists("Trip/THM_B.JPG"));
    EXPECT_TRUE(exists("a.jpg"));
    EXPECT_TRUE(exists("inter_a.jpg"));
    EXPECT_TRUE(exists("index.html"));
    EXPECT_TRUE(exists("Trip/b.jpg.html"));
}

}  // namespace
}  // namespace quorvane::gui
