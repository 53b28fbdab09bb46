#include "jobs/clean_project.h"

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

std::unique_ptr<AlbumDirectory> scanned(const fs::path& root)
{
    ProjectOptions options;
    options.useDestPath = 0;
    return scanDirectory(root.string(), options);
}

TEST(CleanProject, WildcardsMatchIgnoringCase)
{
    EXPECT_TRUE(matchesWildcard("index.html", "*.html"));
    EXPECT_TRUE(matchesWildcard("INDEX.HTML", "*.html"));
    EXPECT_TRUE(matchesWildcard(".html", "*.html"));
    EXPECT_TRUE(matchesWildcard("a.html.html", "*.html"));
    EXPECT_FALSE(matchesWildcard("index.htm", "*.html"));
    EXPECT_FALSE(matchesWildcard("index.html.bak", "*.html"));
    EXPECT_TRUE(matchesWildcard("THM_A.JPG", "thm_*.jpg"));
    EXPECT_TRUE(matchesWildcard("thm_.jpg", "thm_*.jpg"));
    EXPECT_TRUE(matchesWildcard("thm_dir_Trip.jpg", "thm_*.jpg"));
    EXPECT_FALSE(matchesWildcard("thm_a.jpeg", "thm_*.jpg"));
    EXPECT_FALSE(matchesWildcard("a_thm_a.jpg", "thm_*.jpg"));
    EXPECT_TRUE(matchesWildcard("comments.XML", "Comments.xml"));
    EXPECT_FALSE(matchesWildcard("Comments.xml~", "Comments.xml"));
    EXPECT_TRUE(matchesWildcard("a1b", "a?b"));
    EXPECT_FALSE(matchesWildcard("ab", "a?b"));
}

TEST(CleanProject, ThumbnailsAreDeletedInAnyLetterCaseAndOnlyFilesAreTouched)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "thm_a.jpg", "x");
    test::writeFile(dir / "THM_A.JPG", "x");
    test::writeFile(dir / "thm_b.jpeg", "x");
    test::writeFile(dir / "inter_a.jpg", "x");
    test::writeFile(dir / "thm_folder.jpg" / "keep.txt", "x");

    const CleanResult result = deleteMatchingFiles(dir.path().string(), kThumbnailPattern);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(fs::exists(dir / "thm_a.jpg"));
    EXPECT_FALSE(fs::exists(dir / "THM_A.JPG"));
    EXPECT_TRUE(fs::exists(dir / "a.jpg"));
    EXPECT_TRUE(fs::exists(dir / "thm_b.jpeg"));
    EXPECT_TRUE(fs::exists(dir / "inter_a.jpg"));
    EXPECT_TRUE(fs::exists(dir / "thm_folder.jpg" / "keep.txt"));

    EXPECT_EQ(deleteMatchingFiles((dir / "missing").string(), kThumbnailPattern).deleted, 0);
}

TEST(CleanProject, LinksAreRemovedWithoutTouchingTheirTargets)
{
    test::TempDir outside;
    test::writeFile(outside / "index.html", "target");
    test::TempDir dir;
    fs::create_symlink(outside / "index.html", dir / "page.html");

    EXPECT_EQ(deleteMatchingFiles(dir.path().string(), kHtmlPattern).deleted, 1);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "page.html")));
    EXPECT_EQ(test::readFile(outside / "index.html"), "target");
}

TEST(CleanProject, ASymlinkedFolderIsNeverCleaned)
{
    test::TempDir outside;
    test::writeFile(outside / "photos" / "b.jpg", "x");
    test::writeFile(outside / "photos" / "index.html", "mine");
    test::writeFile(outside / "photos" / "deeper" / "c.jpg", "x");
    test::writeFile(outside / "photos" / "deeper" / "notes.html", "mine");
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "index.html", "generated");
    fs::create_directory_symlink(outside / "photos", dir / "Linked");

    std::unique_ptr<AlbumDirectory> root = scanned(dir.path());
    ASSERT_TRUE(root);
    ASSERT_EQ(root->subdirectories.count(), 1u);  // the scan follows the link
    CleanSelection html;
    html.html = true;
    EXPECT_EQ(runCleanJob(*root, html).deleted, 1);
    EXPECT_FALSE(fs::exists(dir / "index.html"));
    EXPECT_EQ(test::readFile(outside / "photos" / "index.html"), "mine");
    EXPECT_EQ(test::readFile(outside / "photos" / "deeper" / "notes.html"), "mine");
}

TEST(CleanProject, OnlyTheAlbumTreeIsVisited)
{
    test::TempDir dir;
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "index.html", "x");
    test::writeFile(dir / "Comments.xml", "x");
    test::writeFile(dir / "thm_a.jpg", "x");
    test::writeFile(dir / "inter_a.jpg", "x");
    // A folder named like a page, part of the album: entered, never deleted.
    test::writeFile(dir / "x.html" / "b.jpg", "x");
    test::writeFile(dir / "x.html" / "b.html", "x");
    test::writeFile(dir / "x.html" / "Comments.xml", "x");
    // Folders the scan left out, such as a skin's own: never entered.
    test::writeFile(dir / "pages" / "index.html", "x");
    test::writeFile(dir / "pages" / "thm_p.jpg", "x");
    test::writeFile(dir / "pages" / "Comments.xml", "x");

    std::unique_ptr<AlbumDirectory> root = scanned(dir.path());
    ASSERT_TRUE(root);

    CleanSelection onlyComments;
    onlyComments.comments = true;
    CleanResult result = runCleanJob(*root, onlyComments);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_FALSE(fs::exists(dir / "Comments.xml"));
    EXPECT_FALSE(fs::exists(dir / "x.html" / "Comments.xml"));
    EXPECT_TRUE(fs::exists(dir / "pages" / "Comments.xml"));
    EXPECT_TRUE(fs::exists(dir / "index.html"));
    EXPECT_TRUE(fs::exists(dir / "thm_a.jpg"));
    EXPECT_TRUE(fs::exists(dir / "inter_a.jpg"));

    CleanSelection everything{true, true, true, true};
    result = runCleanJob(*root, everything);
    EXPECT_EQ(result.deleted, 4);
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(fs::exists(dir / "index.html"));
    EXPECT_FALSE(fs::exists(dir / "thm_a.jpg"));
    EXPECT_FALSE(fs::exists(dir / "inter_a.jpg"));
    EXPECT_FALSE(fs::exists(dir / "x.html" / "b.html"));
    EXPECT_TRUE(fs::is_directory(dir / "x.html"));
    EXPECT_TRUE(fs::exists(dir / "x.html" / "b.jpg"));
    EXPECT_TRUE(fs::exists(dir / "a.jpg"));
    EXPECT_TRUE(fs::exists(dir / "pages" / "index.html"));
    EXPECT_TRUE(fs::exists(dir / "pages" / "thm_p.jpg"));

    EXPECT_FALSE(CleanSelection{}.any());
    EXPECT_EQ(runCleanJob(*root, CleanSelection{}).deleted, 0);
}

}  // namespace
}  // namespace quorvane
