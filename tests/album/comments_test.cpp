#include "album/comments.h"

#include <filesystem>
#include <map>
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

TEST(CommentsFile, ClearingTheLastCommentRemovesTheFile)
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
    EXPECT_EQ(result.filesRemoved, 1);
    EXPECT_FALSE(fs::exists(dir / "Comments.xml"));
    EXPECT_EQ(rescan(dir.path())->files.first()->commentText(), "");
}

TEST(CommentsFile, ExactNamesWinAndCaseIsOnlyAFallback)
{
    test::TempDir dir;
    for (const char* name : {"IMG.jpg", "img.jpg", "win.jpg", "b.jpg", "c.jpg"})
        test::writeFile(dir / name, "x");
    test::writeFile(dir / "Trip" / "t.jpg", "x");
    // As written on Windows: other letter case in element names and names.
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n"
                    "\t<photo Name=\"img.JPG\" Comment=\"756e6f00\"/>\n"
                    "\t<PHOTO Name=\"IMG.jpg\" Comment=\"6269677300\"/>\n"
                    "\t<Photo Name=\"WIN.JPG\" Comment=\"77696e00\"/>\n"
                    "\t<Photo Name=\"b.jpg\"/>\n"
                    "\t<Picture Name=\"c.jpg\" Comment=\"6e6f00\"/>\n"
                    "\t<dir Name=\"TRIP\" Comment=\"747700\"/>\n"
                    "</FilesComments>\n");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    std::map<std::string, std::string> comments;
    for (AlbumPicture& file : root->files)
        comments[file.fileName] = std::string(file.commentText());
    EXPECT_EQ(comments["IMG.jpg"], "bigs");  // exact, although a case match comes first
    EXPECT_EQ(comments["img.jpg"], "uno");   // the one element left for it
    EXPECT_EQ(comments["win.jpg"], "win");
    EXPECT_EQ(comments["b.jpg"], "");
    EXPECT_EQ(comments["c.jpg"], "");  // other element name
    EXPECT_EQ(root->subdirectories.first()->commentText(), "tw");

    // Two pictures differing only in case keep one comment each.
    test::TempDir other;
    test::writeFile(other / "IMG.jpg", "x");
    test::writeFile(other / "img.jpg", "x");
    test::writeFile(other / "Comments.xml",
                    "<FilesComments>\n\t<Photo Name=\"IMG.jpg\" Comment=\"757000\"/>\n</FilesComments>\n");
    root = rescan(other.path());
    ASSERT_TRUE(root);
    for (AlbumPicture& file : root->files) {
        EXPECT_EQ(file.commentText(), file.fileName == "IMG.jpg" ? "up" : "");
        if (file.fileName == "img.jpg")
            file.setComment("low");
    }
    ASSERT_TRUE(saveComments(*root, root->name).ok());
    EXPECT_EQ(test::readFile(other / "Comments.xml"),
              "<FilesComments>\n"
              "\t<Photo Name=\"IMG.jpg\" Comment=\"757000\"/>\n"
              "\t<Photo Name=\"img.jpg\" Comment=\"6c6f7700\"/>\n"
              "</FilesComments>\n");
}

TEST(CommentsFile, AFileThatDoesNotReadCompletelyIsShownButNeverOverwritten)
{
    test::TempDir dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        test::writeFile(dir / name, "x");
    const std::string whole = "<FilesComments>\n"
                              "\t<Photo Name=\"a.jpg\" Comment=\"6100\"/>\n"
                              "\t<Photo Name=\"b.jpg\" Comment=\"6200\"/>\n"
                              "\t<Photo Name=\"c.jpg\" Comment=\"6300\"/>\n"
                              "\t<Photo Name=\"d.jpg\" Comment=\"6400\"/>\n"
                              "</FilesComments>\n";
    const std::string damagedFiles[] = {
        // A stray tag: c and d end up inside b's element.
        std::string(whole).insert(whole.find("\"b.jpg\"") + 7, " <x"),
        whole.substr(0, whole.find("\t<Photo Name=\"c.jpg")),  // cut short
        "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"6100\"/>\n\t\"stray quote\n</FilesComments>\n",
        "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"61zz6200\"/>\n</FilesComments>\n",
        "<filescomments>\n\t<Photo Name=\"a.jpg\" Comment=\"6100\"/>\n</filescomments>\n",
    };
    for (const std::string& damaged : damagedFiles) {
        test::writeFile(dir / "Comments.xml", damaged);
        std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
        ASSERT_TRUE(root);
        EXPECT_TRUE(root->commentsDamaged) << damaged;
        root->files.first()->setComment("edited");
        const CommentsSaveResult result = saveComments(*root, root->name);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.refusals, 1);
        EXPECT_EQ(result.refusedFile, (dir / "Comments.xml").string());
        EXPECT_EQ(test::readFile(dir / "Comments.xml"), damaged);
    }

    // What was read before the damage is still shown.
    test::writeFile(dir / "Comments.xml", damagedFiles[1]);
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    EXPECT_EQ(root->files.first()->commentText(), "a");
    EXPECT_EQ(List<AlbumPicture>::next(*root->files.first())->commentText(), "b");

    // Blank and complete files are not damaged; only the text up to a NUL counts.
    for (const std::string& fine : {std::string(), std::string(" \n"), whole}) {
        test::writeFile(dir / "Comments.xml", fine);
        EXPECT_FALSE(rescan(dir.path())->commentsDamaged) << fine;
    }
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"61006200\"/>\n</FilesComments>\n");
    root = rescan(dir.path());
    EXPECT_EQ(root->files.first()->commentText(), "a");
    EXPECT_EQ(root->files.first()->comment.length(), 2);
}

TEST(CommentsFile, AnyNameRoundTripsAndPlainNamesAreWrittenAsBefore)
{
    test::TempDir dir;
    const std::vector<std::string> names = {"b\"q.jpg", "b<x.jpg", "x>y.jpg", "Tom & Jerry.jpg", "x&amp;y.jpg",
                                            "new\nline.jpg", "latin\xe9\xff.jpg", "z.jpg"};
    for (const std::string& name : names)
        test::writeFile(dir / "Dir \"q\"" / name, "x");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    AlbumDirectory& folder = *root->subdirectories.first();
    folder.setComment("folder");
    for (AlbumPicture& file : folder.files)
        file.setComment("about " + file.fileName);
    ASSERT_TRUE(saveComments(*root, root->name).ok());
    EXPECT_EQ(test::readFile(dir / "Comments.xml"),
              "<FilesComments>\n\t<Dir Name=\"Dir &quot;q&quot;\" Comment=\"666f6c64657200\"/>\n</FilesComments>\n");
    const std::string written = test::readFile(dir / "Dir \"q\"" / "Comments.xml");
    EXPECT_NE(written.find("Name=\"Tom & Jerry.jpg\""), std::string::npos);
    EXPECT_NE(written.find("Name=\"z.jpg\" Comment=\"61626f7574207a2e6a706700\"/>\n"), std::string::npos);

    root = rescan(dir.path());
    ASSERT_TRUE(root);
    EXPECT_FALSE(root->subdirectories.first()->commentsDamaged);
    EXPECT_EQ(root->subdirectories.first()->commentText(), "folder");
    int checked = 0;
    for (AlbumPicture& file : root->subdirectories.first()->files) {
        EXPECT_EQ(file.commentText(), "about " + file.fileName);
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(names.size()));
}

TEST(CommentsFile, EntriesTheScanDoesNotListAreKeptAfterTheListedOnes)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n"
                    "\t<Photo Name=\"moved.jpg\" Comment=\"6d00\" Extra=\"kept\"/>\n"
                    "\t<Dir Name=\"Locked\" Comment=\"6c00\"/>\n"
                    "\t<Photo Name=\"a.jpg\" Comment=\"6f6c6400\"/>\n"
                    "</FilesComments>\n");
    std::unique_ptr<AlbumDirectory> root = rescan(dir.path());
    ASSERT_TRUE(root);
    root->files.first()->setComment("new");
    root->setComment("the album");
    ASSERT_TRUE(saveComments(*root, root->name).ok());
    const std::string kept = "<FilesComments>\n"
                             "\t<Photo Name=\"a.jpg\" Comment=\"6e657700\"/>\n"
                             "\t<Photo Name=\"moved.jpg\" Comment=\"6d00\" Extra=\"kept\"/>\n"
                             "\t<Dir Name=\"Locked\" Comment=\"6c00\"/>\n"
                             "\t<Folder Comment=\"74686520616c62756d00\"/>\n"
                             "</FilesComments>\n";
    EXPECT_EQ(test::readFile(dir / "Comments.xml"), kept);

    // The root's own comment comes back with the next scan; orphans are listed.
    root = rescan(dir.path());
    EXPECT_EQ(root->commentText(), "the album");
    const std::vector<OrphanedComment> orphans = findOrphanedComments(*root);
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(orphans[0].kind, "Photo");
    EXPECT_EQ(orphans[0].name, "moved.jpg");
    EXPECT_EQ(orphans[1].comment, "l");

    // Saving again changes nothing; pruning drops only the orphans.
    ASSERT_TRUE(saveComments(*root, root->name).ok());
    EXPECT_EQ(test::readFile(dir / "Comments.xml"), kept);
    const CommentsSaveResult pruned = saveComments(*root, root->name, OrphanedComments::Drop);
    EXPECT_EQ(pruned.orphansDropped, 2);
    EXPECT_EQ(test::readFile(dir / "Comments.xml"),
              "<FilesComments>\n"
              "\t<Photo Name=\"a.jpg\" Comment=\"6e657700\"/>\n"
              "\t<Folder Comment=\"74686520616c62756d00\"/>\n"
              "</FilesComments>\n");
}

TEST(CommentsFile, TwoWritersKeepEachOthersUpdates)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "b.jpg", "x");
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n\t<Photo Name=\"b.jpg\" Comment=\"6f6c6400\"/>\n</FilesComments>\n");
    std::unique_ptr<AlbumDirectory> first = rescan(dir.path());
    std::unique_ptr<AlbumDirectory> second = rescan(dir.path());
    first->files.first()->setComment("from first");
    ASSERT_TRUE(saveComments(*first, first->name).ok());
    second->files.last()->setComment("from second");
    ASSERT_TRUE(saveComments(*second, second->name).ok());
    // The second writer's tree now shows the first writer's comment too.
    EXPECT_EQ(second->files.first()->commentText(), "from first");

    std::unique_ptr<AlbumDirectory> again = rescan(dir.path());
    EXPECT_EQ(again->files.first()->commentText(), "from first");
    EXPECT_EQ(again->files.last()->commentText(), "from second");
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

TEST(CommentsFile, AFolderThatCannotBeSavedIsNamedAndTheOthersAreStillSaved)
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
    EXPECT_EQ(result.refusals, 1);
    EXPECT_EQ(result.refusedFile, (dir / "Blocked" / "Comments.xml").string());
    EXPECT_EQ(result.refusedReason, "not a regular file");
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
