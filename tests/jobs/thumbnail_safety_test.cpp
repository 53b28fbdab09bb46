#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/safe_files.h"
#include "jobs/thumbnail_generator.h"
#include "support/test_support.h"
#include "thumbnail_test_album.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using namespace thumbtest;

std::vector<std::string> lines(const std::vector<ThumbnailGenerator::Problem>& problems)
{
    std::vector<std::string> result;
    for (const ThumbnailGenerator::Problem& problem : problems)
        result.push_back(problem.line);
    return result;
}

TEST(ThumbnailSafety, ThinPicturesAndLongNamesGetTheirThumbnails)
{
    TestAlbum album;
    album.addPicture(*album.root, "wide.jpg", solid(4000, 10, kBlue));
    const std::string longName = std::string(246, 'n') + ".jpg";  // 250 bytes
    album.addPicture(*album.root, longName, solid(40, 30, kBlue));

    ThumbnailGenerator generator(album.options);
    generator.generateAlbumImages(false, *album.root);
    EXPECT_EQ(generator.failedPictures(), 0);
    EXPECT_EQ(lines(generator.writeProblems()), std::vector<std::string>{});
    const Image wide = load(album.in(*album.root, "thm_wide.jpg"));
    EXPECT_EQ(wide.width, 200u);
    EXPECT_EQ(wide.height, 1u);
    EXPECT_EQ(load(album.in(*album.root, "thm_" + longName)).width, 199u);
    EXPECT_EQ(temporaryFiles(album.dir.path()), 0);
}

TEST(ThumbnailSafety, AReplacedPhotoOrAChangedSizeIsMadeAgainWithoutForce)
{
    TestAlbum album;
    album.options.intermediateActive = 1;
    album.options.useDestPath = 1;
    album.options.copySource = 1;
    album.addPicture(*album.root, "p.jpg", solid(320, 240, kRed));
    generateAlbumImages(*album.root, album.options, false);
    ASSERT_TRUE(looksLike(load(album.out("thm_p.jpg")), 100, 75, kRed));

    // Nothing changed: nothing but the folder thumbnails is written.
    const std::vector<fs::path> made = {album.out("thm_p.jpg"), album.out("inter_p.jpg"), album.out("p.jpg")};
    std::vector<fs::file_time_type> times;
    for (const fs::path& path : made)
        times.push_back(fs::last_write_time(path));
    generateAlbumImages(*album.root, album.options, false);
    for (std::size_t i = 0; i < made.size(); ++i)
        EXPECT_EQ(fs::last_write_time(made[i]), times[i]) << made[i];

    // The same name, another photo, newer than the files made from it.
    for (const fs::path& path : made)
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
    ASSERT_TRUE(solid(320, 240, kBlue).saveJpeg(album.in(*album.root, "p.jpg").string()));
    generateAlbumImages(*album.root, album.options, false);
    EXPECT_TRUE(looksLike(load(album.out("thm_p.jpg")), 100, 75, kBlue));
    EXPECT_TRUE(looksLike(load(album.out("inter_p.jpg")), 320, 240, kBlue));
    EXPECT_EQ(test::readFile(album.out("p.jpg")), test::readFile(album.in(*album.root, "p.jpg")));

    // A new thumbnail size needs no Force either; the intermediate stays.
    const auto intermediateTime = fs::last_write_time(album.out("inter_p.jpg"));
    album.options.thumbWidth = 40;
    generateAlbumImages(*album.root, album.options, false);
    EXPECT_EQ(load(album.out("thm_p.jpg")).width, 40u);
    EXPECT_EQ(fs::last_write_time(album.out("inter_p.jpg")), intermediateTime);
}

TEST(ThumbnailSafety, PlantedLinksAreReplacedNotWrittenThrough)
{
    TestAlbum album;
    album.options.useDestPath = 1;
    album.options.copySource = 1;
    album.addPicture(*album.root, "a.jpg", solid(40, 30, kRed));
    fs::create_directories(album.out(""));
    test::writeFile(album.dir / "victim", "precious");
    for (const char* name : {"thm_a.jpg.tmp", "thm_a.jpg", "a.jpg.tmp", "a.jpg"})
        fs::create_symlink(album.dir / "victim", album.out(name));
    // The links are older than the picture, so everything is made.
    fs::last_write_time(album.in(*album.root, "a.jpg"), fs::file_time_type::clock::now() + std::chrono::hours(1));

    generateAlbumImages(*album.root, album.options, false);
    EXPECT_EQ(test::readFile(album.dir / "victim"), "precious");
    EXPECT_FALSE(fs::is_symlink(album.out("thm_a.jpg")));
    EXPECT_FALSE(fs::is_symlink(album.out("a.jpg")));
    EXPECT_EQ(load(album.out("thm_a.jpg")).width, 199u);
}

TEST(ThumbnailSafety, PicturesClaimingTooManyPixelsAreRefusedAndNamed)
{
    TestAlbum album;
    album.addPicture(*album.root, "small.jpg", solid(16, 16, kRed));
    // A header that claims 65000 x 65000 over a few hundred bytes of data.
    std::string bytes = test::readFile(album.in(*album.root, "small.jpg"));
    const std::size_t frame = bytes.find("\xff\xc0");
    ASSERT_NE(frame, std::string::npos);
    for (const std::size_t at : {frame + 5, frame + 7}) {
        bytes[at] = char(0xfd);
        bytes[at + 1] = char(0xe8);
    }
    album.addPicture(*album.root, "huge.jpg", bytes);
    const std::string huge = album.in(*album.root, "huge.jpg").string();

    ThumbnailGenerator generator(album.options);
    generator.generateAlbumImages(false, *album.root);
    EXPECT_EQ(lines(generator.unreadablePictures()),
              std::vector<std::string>{"Cannot read " + huge +
                                       ": its header claims 65000 x 65000 pixels, more than 268435456 "
                                       "(QUORVANE_MAX_PIXELS)"});
    EXPECT_FALSE(fs::exists(album.in(*album.root, "thm_huge.jpg")));

    // The limit is the user's to lower.
    ::setenv("QUORVANE_MAX_PIXELS", "255", 1);
    ThumbnailGenerator strict(album.options);
    strict.generateAlbumImages(true, *album.root);
    ::unsetenv("QUORVANE_MAX_PIXELS");
    ASSERT_EQ(strict.failedPictures(), 2);
    EXPECT_EQ(strict.unreadablePictures()[0].line,
              "Cannot read " + album.in(*album.root, "small.jpg").string() +
                  ": its header claims 16 x 16 pixels, more than 255 (QUORVANE_MAX_PIXELS)");
}

TEST(ThumbnailSafety, FoldersLinkedFromOutsideTheAlbumAreNotWrittenInto)
{
    TestAlbum album;
    test::TempDir outside;
    ASSERT_TRUE(solid(40, 30, kRed).saveJpeg((outside / "far.jpg").string()));
    fs::create_directory_symlink(outside.path(), album.in(*album.root, "Linked"));
    AlbumDirectory& linked = album.addDirectory(*album.root, "Linked");
    album.addFile(linked, "far.jpg", MediaPicture);

    ThumbnailGenerator generator(album.options);
    generator.generateAlbumImages(false, *album.root);
    EXPECT_EQ(lines(generator.writeProblems()), std::vector<std::string>{linkedFolderRefusal(linked.fullPath)});
    EXPECT_FALSE(fs::exists(outside / "thm_far.jpg"));
    EXPECT_TRUE(fs::exists(album.in(*album.root, "thm_dir_Linked.jpg")));

    ::setenv("QUORVANE_LINKED_OUTPUT", outside.path().c_str(), 1);
    ThumbnailGenerator allowed(album.options);
    allowed.generateAlbumImages(false, *album.root);
    ::unsetenv("QUORVANE_LINKED_OUTPUT");
    EXPECT_TRUE(allowed.writeProblems().empty());
    EXPECT_TRUE(fs::exists(outside / "thm_far.jpg"));
}

}  // namespace
}  // namespace quorvane
