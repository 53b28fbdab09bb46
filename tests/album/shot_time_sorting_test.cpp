#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "album/album_tree.h"
#include "album/scan.h"
#include "album/sorting.h"
#include "options/project_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

void putLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The smallest JPEG head a camera could write: SOI, then an APP1 Exif segment
// whose IFD0 points to an Exif IFD holding only DateTimeOriginal.
std::string jpegWithShotTime(const std::string& dateTime)
{
    std::string tiff = "II";
    putLittleEndian(tiff, 42, 2);
    putLittleEndian(tiff, 8, 4);
    putLittleEndian(tiff, 1, 2);  // IFD0: one entry, the Exif IFD pointer
    putLittleEndian(tiff, 0x8769, 2);
    putLittleEndian(tiff, 4, 2);
    putLittleEndian(tiff, 1, 4);
    putLittleEndian(tiff, 26, 4);
    putLittleEndian(tiff, 0, 4);
    putLittleEndian(tiff, 1, 2);  // Exif IFD at 26: DateTimeOriginal
    putLittleEndian(tiff, 0x9003, 2);
    putLittleEndian(tiff, 2, 2);
    putLittleEndian(tiff, static_cast<std::uint32_t>(dateTime.size() + 1), 4);
    putLittleEndian(tiff, 44, 4);
    putLittleEndian(tiff, 0, 4);
    tiff += dateTime;
    tiff.push_back('\0');

    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    std::string jpeg = "\xFF\xD8\xFF\xE1";
    const std::size_t length = payload.size() + 2;
    jpeg.push_back(static_cast<char>(length >> 8));
    jpeg.push_back(static_cast<char>(length & 0xFF));
    return jpeg + payload + "\xFF\xD9";
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
    Names names;
    for (const AlbumPicture& file : root->files)
        names.push_back(file.fileName);
    EXPECT_EQ(names, (Names{"b_noexif.jpg", "d_clip.avi", "c_early.jpg", "e_middle.jpg", "a_late.jpg"}));

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
