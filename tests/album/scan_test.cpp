#include "album/scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "album/album_tree.h"
#include "options/project_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

ProjectOptions keepListingOrder()
{
    ProjectOptions options;
    options.useDestPath = 0;
    options.sortMethod = SortHardDriveOrder;
    return options;
}

std::vector<std::string> fileNames(const AlbumDirectory& directory)
{
    std::vector<std::string> names;
    for (const AlbumPicture& file : directory.files)
        names.push_back(file.fileName);
    return names;
}

std::vector<std::string> subdirectoryNames(const AlbumDirectory& directory)
{
    std::vector<std::string> names;
    for (const AlbumDirectory& subdirectory : directory.subdirectories)
        names.push_back(subdirectory.name);
    return names;
}

using Names = std::vector<std::string>;

TEST(FileClassification, ExtensionsAreComparedByTheirFirstLettersIgnoringCase)
{
    EXPECT_EQ(classifyFile("a.jpg"), MediaPicture);
    EXPECT_EQ(classifyFile("a.JPEG"), MediaPicture);
    EXPECT_EQ(classifyFile("a.jpgx"), MediaPicture);
    EXPECT_EQ(classifyFile("a.Jpeg2"), MediaPicture);
    EXPECT_EQ(classifyFile("archive.tar.jpg"), MediaPicture);
    EXPECT_EQ(classifyFile(".jpg"), MediaPicture);
    EXPECT_EQ(classifyFile("clip.AVI"), MediaMovie);
    EXPECT_EQ(classifyFile("clip.wmv"), MediaMovie);
    EXPECT_EQ(classifyFile("clip.mpg"), MediaMovie);
    EXPECT_EQ(classifyFile("clip.MPEG"), MediaMovie);

    EXPECT_EQ(classifyFile("a.jpe"), MediaNone);
    EXPECT_EQ(classifyFile("a.jp"), MediaNone);
    EXPECT_EQ(classifyFile("jpg"), MediaNone);
    EXPECT_EQ(classifyFile("a.jpg.txt"), MediaNone);
    EXPECT_EQ(classifyFile("clip.mp4"), MediaNone);
    EXPECT_EQ(classifyFile("notes.txt"), MediaNone);
}

TEST(FileClassification, GeneratedPrefixesAreCaseSensitiveAndOnlyAtTheStart)
{
    EXPECT_EQ(classifyFile("thm_a.jpg"), MediaNone);
    EXPECT_EQ(classifyFile("thm_dir_Trip.jpg"), MediaNone);
    EXPECT_EQ(classifyFile("inter_a.jpg"), MediaNone);
    EXPECT_EQ(classifyFile("thm_clip.avi"), MediaNone);
    EXPECT_EQ(classifyFile("THM_a.jpg"), MediaPicture);
    EXPECT_EQ(classifyFile("Inter_a.jpg"), MediaPicture);
    EXPECT_EQ(classifyFile("a_thm_.jpg"), MediaPicture);
    EXPECT_EQ(classifyFile("thm.jpg"), MediaPicture);
}

TEST(FileClassification, TodaysMovieContainersAreMoviesOnlyWithTheOption)
{
    for (const char* name : {"clip.mp4", "CLIP.MOV", "a.m4v", "a.webm", "a.MKV", "a.3gp"}) {
        EXPECT_EQ(classifyFile(name, true), MediaMovie) << name;
        EXPECT_EQ(classifyFile(name, false), MediaNone) << name;
    }
    EXPECT_EQ(classifyFile("a.movie", true), MediaNone);
    EXPECT_EQ(classifyFile("a.mp4.txt", true), MediaNone);
    EXPECT_EQ(classifyFile("web_clip.avi.mp4", true), MediaNone);
    EXPECT_EQ(classifyFile("thm_clip.mp4", true), MediaNone);
    EXPECT_EQ(classifyFile("thm_clip.mp4.jpg", true), MediaNone);
    EXPECT_EQ(classifyFile("clip.avi", true), MediaMovie);
    EXPECT_EQ(classifyFile("a.jpgx", true), MediaPicture);
}

TEST(DirectoryScan, GeneratedFilesAreLeftOut)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "thm_a.jpg", "x");
    test::writeFile(dir / "inter_a.jpg", "x");
    test::writeFile(dir / "Comments.xml", "<FilesComments>\n</FilesComments>\n");

    const std::string rootPath = dir.path().string();
    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(rootPath, options);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name, rootPath);
    EXPECT_EQ(root->fullPath, rootPath);
    EXPECT_EQ(root->relativeDirectory, "");
    EXPECT_EQ(root->mediaCount, 1);
    ASSERT_EQ(fileNames(*root), Names{"a.jpg"});
    const AlbumPicture& picture = *root->files.first();
    EXPECT_EQ(picture.mediaKind, MediaPicture);
    EXPECT_EQ(picture.directoryPath, rootPath);
    EXPECT_EQ(picture.relativeDirectory, "");
    EXPECT_TRUE(root->subdirectories.empty());
}

TEST(DirectoryScan, BranchesWithoutMediaAreDroppedAndCountsAddUp)
{
    test::TempDir dir;
    test::writeFile(dir / "top.jpg", "x");
    test::writeFile(dir / "Docs" / "readme.txt", "x");
    test::writeFile(dir / "Docs" / "Empty" / "thm_old.jpg", "x");
    test::writeFile(dir / "Trips" / "Alps" / "clip.AVI", "x");
    test::writeFile(dir / "Trips" / "Alps" / "peak.jpg", "x");
    test::writeFile(dir / "Trips" / "sea.wmv", "x");
    fs::create_directories(dir / "Nothing");

    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->mediaCount, 4);
    ASSERT_EQ(subdirectoryNames(*root), Names{"Trips"});
    const AlbumDirectory& trips = *root->subdirectories.first();
    EXPECT_EQ(trips.mediaCount, 3);
    EXPECT_EQ(trips.fullPath, (dir / "Trips").string());
    EXPECT_EQ(trips.relativeDirectory, "/Trips");
    ASSERT_EQ(subdirectoryNames(trips), Names{"Alps"});
    const AlbumDirectory& alps = *trips.subdirectories.first();
    EXPECT_EQ(alps.relativeDirectory, "/Trips/Alps");
    EXPECT_EQ(alps.fullPath, (dir / "Trips" / "Alps").string());
    EXPECT_EQ(fileNames(alps), (Names{"clip.AVI", "peak.jpg"}));
    EXPECT_EQ(alps.files.first()->mediaKind, MediaMovie);
    EXPECT_EQ(alps.files.first()->relativeDirectory, "/Trips/Alps");
    EXPECT_EQ(alps.files.first()->fullPath(), (dir / "Trips" / "Alps" / "clip.AVI").string());
}

TEST(DirectoryScan, ARootWithoutMediaOrThatCannotBeListedGivesNoAlbum)
{
    test::TempDir dir;
    test::writeFile(dir / "Sub" / "notes.txt", "x");
    test::writeFile(dir / "thm_a.jpg", "x");
    const ProjectOptions options = keepListingOrder();
    EXPECT_FALSE(scanDirectory(dir.path().string(), options));
    EXPECT_FALSE(scanDirectory((dir / "missing").string(), options));
    EXPECT_FALSE(scanDirectory((dir / "thm_a.jpg").string(), options));
    EXPECT_FALSE(scanDirectory("", options));
}

TEST(DirectoryScan, DirectoriesNamedLikeThumbnailsAreStillScanned)
{
    test::TempDir dir;
    test::writeFile(dir / "thm_Trip" / "a.jpg", "x");
    test::writeFile(dir / "inter_x" / "b.mpg", "x");
    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(subdirectoryNames(*root), (Names{"inter_x", "thm_Trip"}));
    EXPECT_EQ(root->mediaCount, 2);
}

TEST(DirectoryScan, TheDestinationFolderIsLeftOutIgnoringLetterCase)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "Album" / "copy.jpg", "x");
    test::writeFile(dir / "Other" / "b.jpg", "x");

    ProjectOptions options = keepListingOrder();
    options.useDestPath = 1;
    options.outputFolder = (dir / "ALBUM").string();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(subdirectoryNames(*root), Names{"Other"});
    EXPECT_EQ(root->mediaCount, 2);

    // A separator typed after the folder does not bring it back into the album.
    options.outputFolder = (dir / "album").string() + "/";
    root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(subdirectoryNames(*root), Names{"Other"});

    // Without a destination folder the same name is an ordinary directory.
    options.useDestPath = 0;
    root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(subdirectoryNames(*root), (Names{"Album", "Other"}));
    EXPECT_EQ(root->mediaCount, 3);
}

TEST(DirectoryScan, ARootThatIsTheDestinationFolderGivesNoAlbum)
{
    std::unique_ptr<AlbumDirectory> root;
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    ProjectOptions options = keepListingOrder();
    options.useDestPath = 1;
    options.outputFolder = dir.path().string();
    EXPECT_FALSE(scanDirectory(dir.path().string(), options));

    // A relative destination names no folder: a root typed the same way is
    // still scanned (a project without options has the destination "album").
    const test::CurrentDirectory inside(dir.path());
    test::writeFile(dir / "album" / "b.jpg", "x");
    options.outputFolder = "album";
    root = scanDirectory("album", options);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->mediaCount, 1);
}

TEST(DirectoryScan, EntriesAreListedIgnoringCaseWithTiesBrokenByBytes)
{
    test::TempDir dir;
    for (const char* name : {"b.jpg", "C.jpg", "a.jpg", "A.jpg", "_x.jpg", "10.jpg", "9.jpg"})
        test::writeFile(dir / name, "x");
    for (const char* name : {"beta", "Alpha", "gamma", "Delta"})
        test::writeFile(dir / name / "p.jpg", "x");

    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    // "_" (0x5F) lies between the digits and the lower-case letters.
    EXPECT_EQ(fileNames(*root), (Names{"10.jpg", "9.jpg", "_x.jpg", "A.jpg", "a.jpg", "b.jpg", "C.jpg"}));
    EXPECT_EQ(subdirectoryNames(*root), (Names{"Alpha", "beta", "Delta", "gamma"}));
}

TEST(DirectoryScan, FilesAreSortedByTheProjectMethodButSubdirectoriesAreNot)
{
    test::TempDir dir;
    for (const char* name : {"img2.jpg", "img10.jpg", "img1.jpg"}) {
        test::writeFile(dir / name, "x");
        test::writeFile(dir / "Sub" / name, "x");
    }
    for (const char* name : {"b10", "a2"})
        test::writeFile(dir / name / "x.jpg", "x");

    ProjectOptions options = keepListingOrder();
    options.sortMethod = SortNumberInName;
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"img1.jpg", "img2.jpg", "img10.jpg"}));
    EXPECT_EQ(subdirectoryNames(*root), (Names{"a2", "b10", "Sub"}));
    EXPECT_EQ(fileNames(*root->subdirectories.last()), (Names{"img1.jpg", "img2.jpg", "img10.jpg"}));

    options.sortMethod = SortWholeName;
    root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"img1.jpg", "img10.jpg", "img2.jpg"}));
    EXPECT_EQ(subdirectoryNames(*root), (Names{"a2", "b10", "Sub"}));
}

TEST(DirectoryScan, ASymbolicLinkCycleIsScannedOnce)
{
    test::TempDir dir;
    test::writeFile(dir / "A" / "a.jpg", "x");
    test::writeFile(dir / "A" / "B" / "b.jpg", "x");
    fs::create_directory_symlink(dir.path(), dir / "A" / "B" / "back_to_root");
    fs::create_directory_symlink(dir / "A", dir / "A" / "B" / "up");

    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->mediaCount, 2);
    ASSERT_EQ(subdirectoryNames(*root), Names{"A"});
    const AlbumDirectory& a = *root->subdirectories.first();
    ASSERT_EQ(subdirectoryNames(a), Names{"B"});
    EXPECT_TRUE(a.subdirectories.first()->subdirectories.empty());
}

TEST(DirectoryScan, LinkedFilesAndFoldersCountButOtherEntriesAreSkipped)
{
    test::TempDir outside;
    test::writeFile(outside / "elsewhere" / "far.jpg", "x");
    test::writeFile(outside / "target.jpg", "x");

    test::TempDir dir;
    test::writeFile(dir / "real.jpg", "x");
    fs::create_directory_symlink(outside / "elsewhere", dir / "Linked");
    fs::create_symlink(outside / "target.jpg", dir / "link.jpg");
    fs::create_symlink(dir / "nowhere.jpg", dir / "broken.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);

    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"link.jpg", "real.jpg"}));
    ASSERT_EQ(subdirectoryNames(*root), Names{"Linked"});
    EXPECT_EQ(fileNames(*root->subdirectories.first()), Names{"far.jpg"});
    EXPECT_EQ(root->mediaCount, 3);
}

// Removes parent/name and everything below it through directory handles, so
// that no path is longer than one name.
void removeTreeAt(int parent, const std::string& name)
{
    const int fd = ::openat(parent, name.c_str(), O_DIRECTORY | O_RDONLY | O_NOFOLLOW);
    if (fd < 0) {
        ::unlinkat(parent, name.c_str(), 0);
        return;
    }
    std::vector<std::string> entries;
    if (DIR* listing = ::fdopendir(::dup(fd))) {
        while (const dirent* entry = ::readdir(listing)) {
            if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
                entries.emplace_back(entry->d_name);
        }
        ::closedir(listing);
    }
    for (const std::string& entry : entries)
        removeTreeAt(fd, entry);
    ::close(fd);
    ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

TEST(DirectoryScan, FoldersBeyondThePathLimitAreReportedNotDroppedSilently)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    // Nested 250-byte names, made relative to each other, soon pass PATH_MAX.
    const std::string name(250, 'd');
    int folder = ::open(dir.path().c_str(), O_DIRECTORY | O_RDONLY);
    std::string deep = dir.path().string();
    while (deep.size() < 4200) {
        ASSERT_EQ(::mkdirat(folder, name.c_str(), 0755), 0);
        const int next = ::openat(folder, name.c_str(), O_DIRECTORY | O_RDONLY);
        ::close(folder);
        folder = next;
        deep += "/" + name;
    }
    const int picture = ::openat(folder, "far.jpg", O_CREAT | O_WRONLY, 0644);
    ::close(picture);
    ::close(folder);

    const ProjectOptions options = keepListingOrder();
    std::vector<std::string> leftOut;
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options, &leftOut);
    ASSERT_TRUE(root);
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_TRUE(leftOut[0].starts_with(dir.path().string() + "/" + name)) << leftOut[0];
    EXPECT_TRUE(leftOut[0].ends_with(": File name too long")) << leftOut[0];
    // Removing such a tree needs the same relative steps.
    const int top = ::open(dir.path().c_str(), O_DIRECTORY | O_RDONLY);
    removeTreeAt(top, name);
    ::close(top);
}

TEST(DirectoryScan, StoredCommentsAreAttachedToFilesAndSubdirectories)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "b.jpg", "x");
    test::writeFile(dir / "Trip" / "c.jpg", "x");
    test::writeFile(dir / "Docs" / "notes.txt", "x");
    // "hi" for a.jpg, "trip" for Trip, "docs" for the dropped Docs; the
    // root's own entry and a vanished file are never used.
    test::writeFile(dir / "Comments.xml",
                    "<FilesComments>\n"
                    "\t<Photo Name=\"gone.jpg\" Comment=\"676f6e6500\"/>\n"
                    "\t<Photo Name=\"a.jpg\" Comment=\"686900\"/>\n"
                    "\t<Dir Name=\"Trip\" Comment=\"7472697000\"/>\n"
                    "\t<Dir Name=\"Docs\" Comment=\"646f637300\"/>\n"
                    "</FilesComments>\n");
    test::writeFile(dir / "Trip" / "Comments.xml",
                    "<FilesComments>\n\t<Photo Name=\"c.jpg\" Comment=\"6300\"/>\n</FilesComments>\n");

    const ProjectOptions options = keepListingOrder();
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->commentText(), "");
    EXPECT_EQ(root->comment.length(), 0);
    AlbumPicture& a = *root->files.first();
    EXPECT_EQ(a.commentText(), "hi");
    EXPECT_EQ(a.comment.length(), 3);
    EXPECT_EQ(root->files.last()->comment.length(), 0);
    ASSERT_EQ(subdirectoryNames(*root), Names{"Trip"});
    AlbumDirectory& trip = *root->subdirectories.first();
    EXPECT_EQ(trip.commentText(), "trip");
    EXPECT_EQ(trip.files.first()->commentText(), "c");
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(DirectoryScan, TodaysFormatsCountOnlyWhenTheProjectTakesThem)
{
    test::TempDir dir;
    for (const char* name : {"IMG_0001.HEIC", "IMG_0001.jpg", "cat.avif", "logo.png", "x.webp", "clip.avi",
                             "thm_IMG_0001.HEIC.jpg", "inter_IMG_0001.HEIC.jpg", "thm_IMG_0001@2x.jpg",
                             "notes.pngx"})
        test::writeFile(dir / name, "x");
    ProjectOptions options = keepListingOrder();
    options.todaysFormats = 0;
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    // An AVIF picture is no movie, even where today's formats are off.
    EXPECT_EQ(fileNames(*root), (Names{"clip.avi", "IMG_0001.jpg"}));

    options.todaysFormats = 1;
    root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"cat.avif", "clip.avi", "IMG_0001.HEIC", "IMG_0001.jpg", "logo.png",
                                       "x.webp"}));
    EXPECT_EQ(root->files.first()->mediaKind, MediaPicture);
    EXPECT_EQ(classifyFile("cat.AVIF", false), MediaNone);
    EXPECT_EQ(classifyFile("thm_dir_Space.png", true), MediaNone);
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(DirectoryScan, PicturesASkinCopiedIntoTheAlbumAreNoMedia)
{
    test::TempDir dir;
    fs::create_directories(dir / "album");
    fs::create_directories(dir / "skin/images");
    test::writeFile(dir / "skin/images/arrow.png", "skin graphic");
    test::writeFile(dir / "album/arrow.png", "skin graphic");   // the skin's copy
    test::writeFile(dir / "album/photo.png", "a photo");
    test::writeFile(dir / "album/other.png", "skin graphic!");  // same name elsewhere differs
    fs::rename(dir / "album/other.png", dir / "album/arrow2.png");
    ProjectOptions options = keepListingOrder();
    options.todaysFormats = 1;
    std::unique_ptr<AlbumDirectory> root = scanDirectory((dir / "album").string(), options, nullptr, dir / "skin");
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"arrow2.png", "photo.png"}));
    root = scanDirectory((dir / "album").string(), options);
    EXPECT_EQ(fileNames(*root), (Names{"arrow.png", "arrow2.png", "photo.png"}));
}

}  // namespace
}  // namespace quorvane
