#include <QCheckBox>
#include <QLineEdit>

#include "imaging/image.h"
#include "imaging/jpeg_io.h"
#include "main_window_test_support.h"
#include "gui/dialogs/project_options_dialog.h"

namespace quorvane::gui {
namespace {

using test::child;
using test::click;

class Session : public test::MainWindowFixture {
protected:
    std::string read(const char* file) const { return test::readFile(dir / "album" / file); }

    // Width and height of a generated JPEG, 0 x 0 when it cannot be read.
    std::pair<std::uint32_t, std::uint32_t> jpegSize(const char* file) const
    {
        Image image;
        if (!loadJpeg(image, (dir / "album" / file).string()))
            return {0, 0};
        return {image.width, image.height};
    }

    static std::string hex(std::string_view text)
    {
        std::string result;
        char pair[3];
        for (const unsigned char c : text) {
            std::snprintf(pair, sizeof pair, "%02x", c);
            result += pair;
        }
        return result + "00";
    }
};

// One sitting with the sample album, as a user would go through it.
TEST_F(Session, ScanCommentSaveThumbnailsAndPagesThroughTheCommands)
{
    const std::filesystem::path root = dir / "album";
    std::filesystem::copy(test::sourceDir() / "samples" / "album", root,
                          std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(dir / "work");
    std::filesystem::create_directory_symlink(test::sourceDir() / "skins", dir / "work" / "Skins");
    const test::CurrentDirectory cwd(dir / "work");
    const std::string originalComments = read("Comments.xml");
    open();

    // The sample has no options yet: set them up in the dialog after the scan.
    QStringList skins;
    test::whenModalOpens<ProjectOptionsDialog>([&](ProjectOptionsDialog& dialog) {
        auto* skinCombo = child<QComboBox>(dialog, "skinCombo");
        skins = test::itemTexts(*skinCombo);
        skinCombo->setCurrentIndex(skinCombo->findText("Plain"));
        click(dialog, "useDestPath");
        click(dialog, "okButton");
    });
    scan(root);
    EXPECT_EQ(skins, QStringList({"Default", "Plain"}));
    EXPECT_EQ(stateLine(), "State: Scan completed");
    ASSERT_TRUE(child<QWidget>(*window, "generatePagesButton")->isEnabled());
    ProjectOptions stored;
    ASSERT_TRUE(stored.load(root / kProjectOptionsFileName));
    EXPECT_EQ(stored.skinName, "Plain");
    EXPECT_EQ(stored.useDestPath, 0);

    // A new comment for the cat, saved through the button.
    select({"cat.jpg"});
    EXPECT_EQ(commentEdit().toPlainText(), "Chelsea the cat, keeping a close eye on the photographer.");
    commentEdit().selectAll();
    typeComment("Chelsea on guard");
    click(*window, "saveCommentsButton");
    EXPECT_EQ(stateLine(), "State: Comments saved");
    std::string expected = originalComments;
    const std::size_t start = expected.find("Comment=\"", expected.find("cat.jpg")) + 9;
    expected.replace(start, expected.find('"', start) - start, hex("Chelsea on guard"));
    EXPECT_EQ(read("Comments.xml"), expected);

    click(*window, "generateThumbnailsButton");
    waitForJob();
    EXPECT_EQ(stateLine(), "State: Thumbnails generation completed");
    EXPECT_EQ(window->statusBarWidget().busyText(), "Idle");
    // 451 x 300 enlarged to 640 x 425, and the thumbnail made from that.
    EXPECT_EQ(jpegSize("inter_cat.jpg"), (std::pair<std::uint32_t, std::uint32_t>(640, 425)));
    EXPECT_EQ(jpegSize("thm_cat.jpg"), (std::pair<std::uint32_t, std::uint32_t>(200, 132)));
    EXPECT_NE(jpegSize("Nature/Flowers/thm_flower10.jpg").first, 0u);
    EXPECT_NE(jpegSize("thm_dir_Nature.jpg").first, 0u);
    EXPECT_NE(jpegSize("Nature/thm_dir_Flowers.jpg").first, 0u);

    // A comment still being typed goes into the pages without a save.
    select({"coffee.jpg"});
    commentEdit().selectAll();
    typeComment("Typed, not saved");
    click(*window, "generatePagesButton");
    waitForJob();
    EXPECT_EQ(stateLine(), "State: HTML generation completed");
    EXPECT_EQ(window->statusBarWidget().busyText(), "Idle");
    EXPECT_FALSE(window->processing());
    EXPECT_NE(read("index.html").find("Chelsea on guard"), std::string::npos);
    // The chosen skin wrote the pages: its picture page puts the comment below the image.
    EXPECT_NE(read("cat.jpg.html").find("alt=\"Chelsea on guard\"></p>\n<p>Chelsea on guard</p>"),
              std::string::npos);
    EXPECT_NE(read("coffee.jpg.html").find("Typed, not saved"), std::string::npos);
    EXPECT_NE(read("Nature/index.html").find("ladybird.jpg"), std::string::npos);
    EXPECT_NE(read("Nature/Flowers/flower1.jpg.html").find("inter_flower1.jpg"), std::string::npos);
    EXPECT_FALSE(read("style.css").empty());
    // Unsaved still: the file keeps the saved coffee comment.
    EXPECT_EQ(read("Comments.xml"), expected);
}

}  // namespace
}  // namespace quorvane::gui
