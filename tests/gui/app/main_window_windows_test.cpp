#include <QLineEdit>
#include <QTextBrowser>

#include <regex>

#include "gui/dialogs/rich_text_dialog.h"
#include "imaging/jpeg_io.h"
#include "main_window_test_support.h"
#include "gui/dialogs/project_options_dialog.h"
#include "gui/dialogs/skin_parameters_window.h"

namespace quorvane::gui {
namespace {

using test::child;
using test::click;

class MainWindowWindowsTest : public test::MainWindowFixture {
protected:
    // An album whose project uses skin "S", which declares one number.
    std::filesystem::path makeSkinnedAlbum()
    {
        test::writeFile(dir / "Skins" / "S" / "MainLoop.qvs", "DECLARE_INT public Columns 4\n");
        test::writeFile(dir / "Skins" / "S" / "Main.qvs", "");
        const std::filesystem::path root = makeAlbum({"a.jpg"}, false);
        ProjectOptions options;
        options.useDestPath = 0;
        options.skinName = "S";
        options.save(root / kProjectOptionsFileName);
        return root;
    }

    test::CurrentDirectory cwd{dir.path()};
};

TEST_F(MainWindowWindowsTest, SelectedPictureIsPreviewedAndSelectedMovieReplayed)
{
    const std::filesystem::path root = makeAlbum({"b.avi"});
    Image picture;
    picture.allocate(320, 240, 3);
    picture.fill(0x336699);
    ASSERT_TRUE(saveJpeg(picture, (root / "a.jpg").string()));
    open();
    scan(root);
    EXPECT_EQ(window->previewer().window(), nullptr);

    select({"a.jpg"});
    PreviewWindow* preview = window->previewer().window();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_TRUE(preview->hasPicture());
    EXPECT_EQ(preview->picturePlacement().width, 607);
    EXPECT_TRUE(std::regex_match(stateLine().toStdString(),
                                 std::regex(R"(State: Loading complete - a\.jpg \(time decode:.*)")));

    select({"b.avi"});
    EXPECT_EQ(stateLine(), "State: Start movie replay (b.avi)");
    EXPECT_FALSE(preview->hasPicture());
    EXPECT_TRUE(window->previewer().moviePlayer().hasMovie());
    // The window's timer repaints the preview twice after the start.
    EXPECT_EQ(window->previewer().repaintCount(), 2);
    window->timerTick();
    window->timerTick();
    EXPECT_EQ(window->previewer().repaintCount(), 0);

    select({"a.jpg"});
    EXPECT_FALSE(window->previewer().moviePlayer().hasMovie());
    EXPECT_TRUE(preview->hasPicture());
}

TEST_F(MainWindowWindowsTest, AboutShowsTheAboutBox)
{
    open();
    QString title;
    QString text;
    test::whenModalOpens<gui::RichTextDialog>([&](gui::RichTextDialog& about) {
        title = about.windowTitle();
        text = about.textView()->toPlainText();
        about.accept();
    });
    child<QAction>(*window, "aboutAction")->trigger();
    EXPECT_EQ(title, "About Quorvane");
    EXPECT_TRUE(text.startsWith("Quorvane V1.1.12\n")) << text.toStdString();
}

TEST_F(MainWindowWindowsTest, SkinParametersAreSavedWhenTheWindowCloses)
{
    const std::filesystem::path root = makeSkinnedAlbum();
    open();
    scan(root);
    test::whenModalOpens<SkinParametersWindow>([](SkinParametersWindow& skin) {
        child<QLineEdit>(skin, "Columns")->setText("6");
        skin.close();
    });
    click(*window, "skinParametersButton");
    ProjectOptions saved;
    ASSERT_TRUE(saved.load(root / kProjectOptionsFileName));
    EXPECT_EQ(test::variableTexts(saved.skinPrefs), (std::vector<std::string>{"Columns=6"}));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainWindowWindowsTest, ProjectOptionsOpenTheWindowOnTheProjectsOwnParameters)
{
    const std::filesystem::path root = makeSkinnedAlbum();
    open();
    scan(root);
    test::whenModalOpens<ProjectOptionsDialog>([](ProjectOptionsDialog& dialog) {
        test::whenModalOpens<SkinParametersWindow>([](SkinParametersWindow& skin) {
            child<QLineEdit>(skin, "Columns")->setText("7");
            skin.close();
        });
        click(dialog, "skinParametersButton");
        // Cancelled, the dialog changes nothing else; the parameters stay.
        dialog.reject();
    });
    click(*window, "projectOptionsButton");
    EXPECT_EQ(test::variableTexts(window->project().options->skinPrefs), (std::vector<std::string>{"Columns=7"}));

    // Confirmed, the dialog's own copy does not bring the old values back.
    test::whenModalOpens<ProjectOptionsDialog>([](ProjectOptionsDialog& dialog) {
        test::whenModalOpens<SkinParametersWindow>([](SkinParametersWindow& skin) {
            child<QLineEdit>(skin, "Columns")->setText("8");
            skin.close();
        });
        click(dialog, "skinParametersButton");
        dialog.accept();
    });
    click(*window, "projectOptionsButton");
    ProjectOptions saved;
    ASSERT_TRUE(saved.load(root / kProjectOptionsFileName));
    EXPECT_EQ(test::variableTexts(saved.skinPrefs), (std::vector<std::string>{"Columns=8"}));
}

}  // namespace
}  // namespace quorvane::gui
