#include "album/comments.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "album/album_tree.h"
#include "album/scan.h"
#include "options/project_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

AlbumPicture* addPicture(AlbumDirectory& directory, const std::string& name)
{
    auto picture = std::make_unique<AlbumPicture>(name, directory.fullPath, directory.relativeDirectory);
    picture->mediaKind = MediaPicture;
    return directory.appendFile(std::move(picture));
}

AlbumDirectory* addSubdirectory(AlbumDirectory& parent, const std::string& name)
{
    auto child = std::make_unique<AlbumDirectory>(name);
    child->fullPath = parent.fullPath + "/" + name;
    return parent.appendSubdirectory(std::move(child));
}

std::unique_ptr<AlbumDirectory> rootAt(const fs::path& path)
{
    auto root = std::make_unique<AlbumDirectory>(path.string());
    root->fullPath = path.string();
    return root;
}

std::unique_ptr<AlbumDirectory> rescan(const fs::path& path)
{
    ProjectOptions options;
    options.useDestPath = 0;
    options.sortMethod = SortHardDriveOrder;
    return scanDirectory(path.string(), options);
}

TEST(CommentsFile, PhotosThenDirectoriesAreWrittenAsHexWithTheirNul)
{
    test::TempDir dir;
    std::unique_ptr<AlbumDirectory> root = rootAt(dir.path());
    AlbumDirectory* trip = addSubdirectory(*root, "Trip");
    addSubdirectory(*root, "Quiet");
    addPicture(*root, "plain.jpg");
    addPicture(*root, "a.jpg")->setComment("ab");
    addPicture(*root, "cleared.jpg")->setComment("");
    trip->setComment("x");
    fs::create_directories(dir / "Trip");

    const CommentsSaveResult result = saveComments(*root, root->name);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.filesWritten, 1);
    EXPECT_EQ(test::readFile(dir / "Comments.xml"),
              "<FilesComments>\n"
              "\t<Photo Name=\"a.jpg\" Comment=\"616200\"/>\n"
              "\t<Dir Name=\"Trip\" Comment=\"7800\"/>\n"
              "</FilesComments>\n");
    // Directories without any comment get no file.
    EXPECT_FALSE(fs::exists(dir / "Trip" / "Comments.xml"));
    EXPECT_FALSE(fs::exists(dir / "Quiet"));
}

TEST(CommentsFile, LineBreaksAndPercentSignsSurviveARoundTrip)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "Sub" / "b.jpg", "x");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    root->files.first()->setComment("first line\r\nsecond \"quoted\" <b>50%</b>");
    root->subdirectories.first()->setComment("dir\r\n");
    root->subdirectories.first()->files.first()->setComment("deep one");

    const CommentsSaveResult result = saveComments(*root, root->name);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.filesWritten, 2);
    EXPECT_NE(test::readFile(dir / "Comments.xml").find("6669727374206c696e650d0a7365636f6e64"),
              std::string::npos);

    std::unique_ptr<AlbumDirectory> again = rescan(dir.path());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->files.first()->commentText(), "first line\r\nsecond \"quoted\" <b>50%</b>");
    EXPECT_EQ(again->subdirectories.first()->commentText(), "dir\r\n");
    EXPECT_EQ(again->subdirectories.first()->files.first()->commentText(), "deep one");
}

TEST(CommentsFile, ClearingEveryCommentLeavesTheOldFileInPlace)
{
    test::TempDir dir;
    const std::string old = "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"6f6c6400\"/>\n</FilesComments>\n";
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "Comments.xml", old);
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    ASSERT_EQ(root->files.first()->commentText(), "old");
    root->files.first()->setComment("");

    const CommentsSaveResult result = saveComments(*root, root->name);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.filesWritten, 0);
    EXPECT_EQ(test::readFile(dir / "Comments.xml"), old);
    EXPECT_EQ(rescan(dir.path())->files.first()->commentText(), "old");
}

TEST(CommentsFile, ElementNamesAndEntryNamesMatchIgnoringCase)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "b.jpg", "x");
    test::writeFile(dir / "c.jpg", "x");
    test::writeFile(dir / "Trip" / "t.jpg", "x");
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n"
                    "\t<photo Name=\"A.JPG\" Comment=\"756e6f00\"/>\n"
                    "\t<PHOTO Name=\"a.jpg\" Comment=\"6c6f737400\"/>\n"
                    "\t<Photo Name=\"b.jpg\"/>\n"
                    "\t<Picture Name=\"c.jpg\" Comment=\"6e6f00\"/>\n"
                    "\t<Photo name=\"c.jpg\" Comment=\"6e6f00\"/>\n"
                    "\t<dir Name=\"TRIP\" Comment=\"747700\"/>\n"
                    "</FilesComments>\n");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    AlbumPicture* a = root->files.first();
    EXPECT_EQ(a->commentText(), "uno");  // the first match wins
    AlbumPicture* b = List<AlbumPicture>::next(*a);
    EXPECT_EQ(b->commentText(), "");  // an element without "Comment" sets an empty one
    EXPECT_EQ(b->comment.length(), 1);
    EXPECT_EQ(root->files.last()->comment.length(), 0);  // other element, other attribute name
    EXPECT_EQ(root->subdirectories.first()->commentText(), "tw");
}

TEST(CommentsFile, DamagedOrForeignFilesGiveWhatTheyCan)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "b.jpg", "x");
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n"
                    "\t<Photo Name=\"a.jpg\" Comment=\"6f6b00\"/>\n"
                    "\t\"stray quote\n"
                    "\t<Photo Name=\"b.jpg\" Comment=\"6f6b00\"/>\n"
                    "</FilesComments>\n");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->files.first()->commentText(), "ok");
    EXPECT_EQ(root->files.last()->commentText(), "");

    // The top-level name is matched exactly.
    test::writeFile(dir / "Comments.xml",
                    "<filescomments>\n\t<Photo Name=\"a.jpg\" Comment=\"6f6b00\"/>\n</filescomments>\n");
    EXPECT_EQ(rescan(dir.path())->files.first()->commentText(), "");

    // Only the text up to the first NUL is the comment.
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"61006200\"/>\n</FilesComments>\n");
    root = rescan(dir.path());
    EXPECT_EQ(root->files.first()->commentText(), "a");
    EXPECT_EQ(root->files.first()->comment.length(), 2);
}

TEST(CommentsFile, LongCommentsAreReadBackWhole)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    const std::string longText(20000, 'q');
    root->files.first()->setComment(longText);
    ASSERT_TRUE(saveComments(*root, root->name).ok());
    EXPECT_EQ(rescan(dir.path())->files.first()->commentText(), longText);
}

TEST(CommentsFile, AFileThatCannotBeWrittenIsNamedAndTheOthersAreStillWritten)
{
    test::TempDir dir;
    std::unique_ptr<AlbumDirectory> root = rootAt(dir.path());
    AlbumDirectory* first = addSubdirectory(*root, "First");
    AlbumDirectory* blocked = addSubdirectory(*root, "Blocked");
    AlbumDirectory* last = addSubdirectory(*root, "Last");
    addPicture(*root, "r.jpg")->setComment("r");
    for (AlbumDirectory* directory : {first, blocked, last}) {
        addPicture(*directory, "p.jpg")->setComment("p");
        fs::create_directories(directory->fullPath);
    }
    // A folder where the file should be cannot be replaced by it.
    fs::create_directories(dir / "Blocked" / "Comments.xml");

    const CommentsSaveResult result = saveComments(*root, root->name);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.failures, 1);
    EXPECT_EQ(result.failedDirectory, (dir / "Blocked").string());
    EXPECT_EQ(result.filesWritten, 3);
    EXPECT_TRUE(fs::is_regular_file(dir / "First" / "Comments.xml"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Last" / "Comments.xml"));
    EXPECT_TRUE(fs::is_regular_file(dir / "Comments.xml"));

    // The root path as typed is where the root's file goes.
    fs::remove_all(dir / "Blocked" / "Comments.xml");
    EXPECT_TRUE(saveComments(*root, root->name + "/").ok());
    EXPECT_EQ(test::readFile(dir / "Blocked" / "Comments.xml"),
              "<FilesComments>\n\t<Photo Name=\"p.jpg\" Comment=\"7000\"/>\n</FilesComments>\n");
}

}  // namespace
}  // namespace quorvane
