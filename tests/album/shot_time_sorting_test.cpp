#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "album/album_tree.h"
#include "album/scan.h"
#include "album/sorting.h"
#include "options/project_options.h"
#include "support/exif_builder.h"
#include "support/movie_clips.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

Names fileNames(const AlbumDirectory& directory)
{
    Names names;
    for (const AlbumPicture& file : directory.files)
        names.push_back(file.fileName);
    return names;
}

// The smallest JPEG head a camera could write: SOI, then an APP1 Exif segment
// whose IFD0 points to an Exif IFD holding only DateTimeOriginal.
std::string jpegWithShotTime(const std::string& dateTime)
{
    test::ExifBuilder builder(false);
    builder.subIfdPointer().subIfd().ascii(0x9003, dateTime);
    return test::jpegWith(test::segment(0xE1, builder.payload()));
}

TEST(ShotTimeSorting, FilesWithoutAShotTimeComeFirstThenTheTimesInOrder)
{
    test::TempDir dir;
    test::writeFile(dir / "a_late.jpg", jpegWithShotTime("2005:07:14 18:30:00"));
    test::writeFile(dir / "b_noexif.jpg", "\xFF\xD8\xFF\xD9");
    test::writeFile(dir / "c_early.jpg", jpegWithShotTime("2004:12:31 23:59:59"));
    test::writeFile(dir / "d_clip.avi", "RIFF");
    test::writeFile(dir / "e_middle.jpg", jpegWithShotTime("2005:07:14 09:00:00"));

    ProjectOptions options;
    options.useDestPath = 0;
    options.sortMethod = SortShotTime;
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"b_noexif.jpg", "d_clip.avi", "c_early.jpg", "e_middle.jpg", "a_late.jpg"}));

    // Found times are kept on the nodes; missing ones are not stored.
    const AlbumPicture& first = *root->files.first();
    EXPECT_FALSE(first.shotTime.has_value());
    EXPECT_EQ(root->files.last()->shotTime.value_or(""), "2005:07:14 18:30:00");

    // A re-sort by another method and back gives the same order again.
    resortTree(*root, SortWholeName);
    EXPECT_EQ(root->files.first()->fileName, "a_late.jpg");
    resortTree(*root, SortShotTime);
    EXPECT_EQ(root->files.first()->fileName, "b_noexif.jpg");
    EXPECT_EQ(root->files.last()->fileName, "a_late.jpg");
}

TEST(ShotTimeSorting, MoviesTakeTheirContainerCreationTimeWithTodaysFormats)
{
    setenv("TZ", "UTC", 1);
    tzset();
    test::TempDir dir;
    test::writeFile(dir / "a_late.jpg", jpegWithShotTime("2021:05:04 18:30:00"));
    test::writeFile(dir / "b_early.jpg", jpegWithShotTime("2021:05:04 09:00:00"));
    test::ClipSpec spec;
    spec.frames = 2;
    spec.creationTime = "2021-05-04T12:00:00Z";
    ASSERT_EQ(test::writeClip((dir / "c_noon.mov").string(), spec), "");
    ASSERT_EQ(test::writeClip((dir / "d_noon.mp4").string(), spec), "");
    spec.creationTime.clear();
    ASSERT_EQ(test::writeClip((dir / "e_clip.avi").string(), spec), "");

    ProjectOptions options;
    options.useDestPath = 0;
    options.sortMethod = SortShotTime;
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"e_clip.avi", "b_early.jpg", "c_noon.mov", "d_noon.mp4", "a_late.jpg"}));

    // Off: only the movies of old, without shot times.
    options.todaysFormats = 0;
    root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    EXPECT_EQ(fileNames(*root), (Names{"e_clip.avi", "b_early.jpg", "a_late.jpg"}));
    unsetenv("TZ");
    tzset();
}

TEST(ShotTimeSorting, RealCameraPicturesSortByTheirDateTimeOriginal)
{
    QUORVANE_REQUIRE_CORPUS();
    const fs::path jpeg = test::corpusDir() / "jpeg";
    test::TempDir dir;
    for (const char* name : {"apple_iphone4_mm.jpg", "canon_eos40d_small.jpg", "casio_ex_z3_mm.jpg",
                             "noexif_sony_powershota5.jpg"})
        fs::create_symlink(jpeg / name, dir / name);

    ProjectOptions options;
    options.useDestPath = 0;
    options.sortMethod = SortShotTime;
    std::unique_ptr<AlbumDirectory> root = scanDirectory(dir.path().string(), options);
    ASSERT_TRUE(root);
    Names names;
    Names times;
    for (const AlbumPicture& file : root->files) {
        names.push_back(file.fileName);
        times.push_back(file.shotTime.value_or("-"));
    }
    EXPECT_EQ(names, (Names{"noexif_sony_powershota5.jpg", "casio_ex_z3_mm.jpg", "canon_eos40d_small.jpg",
                            "apple_iphone4_mm.jpg"}));
    EXPECT_EQ(times, (Names{"-", "2003:10:25 15:29:18", "2008:05:30 15:56:01", "2011:01:13 14:33:39"}));
}

}  // namespace
}  // namespace quorvane
