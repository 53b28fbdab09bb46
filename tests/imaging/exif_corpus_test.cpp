#include "imaging/exif_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "album/album_tree.h"
#include "album/shot_time.h"
#include "foundation/script_variable.h"
#include "script/exif_variables.h"
#include "tests/support/test_support.h"

namespace quorvane {
namespace {

// What the first APP1 segment of each camera file holds, checked against
// exiftool's reading and the raw rationals of that segment. Texts keep the
// padding spaces the cameras wrote; an empty iso means the file has no such tag.
struct CameraFile {
    const char* file;
    const char* make;
    const char* model;
    const char* shotTime;
    const char* exposureTime;
    const char* fNumber;
    const char* orientation;
    int iso;
};

const CameraFile kCameraFiles[] = {
    {"apple_iphone4_mm.jpg", "Apple", "iPhone 4", "2011:01:13 14:33:39", "1/15", "14/5", "Top-Left", 500},
    {"apple_iphone5_mm_o3.jpg", "Apple", "iPhone 5", "2012:09:29 16:11:25", "1/1695", "12/5", "Bottom-Right", 50},
    {"canon_eos40d_small.jpg", "Canon", "Canon EOS 40D", "2008:05:30 15:56:01", "1/160", "71/10", "Top-Left", 100},
    {"canon_powershot_a85_o8.jpg", "Canon", "Canon PowerShot A85", "2005:01:31 05:51:17", "1/160", "63/10", "Left-Bottom", -1},
    {"canon_sx60hs_hdr_o6.jpg", "Canon", "Canon PowerShot SX60 HS", "2015:02:09 22:47:44", "1/60", "28/5", "Right-Top", 800},
    {"casio_ex_z3_mm.jpg", "CASIO COMPUTER CO.,LTD ", "EX-Z3  ", "2003:10:25 15:29:18", "2/1", "26/10", "Top-Left", -1},
    {"corrupt_olympus_u1020.jpg", "OLYMPUS IMAGING CORP.  ", "u1020,S1020     ", "2015:09:08 11:02:17", "1/250", "35/10", "Top-Left", 80},
    {"fujifilm_finepix40i_mm.jpg", "FUJIFILM", "FinePix40i", "2000:08:04 18:22:57", nullptr, "280/100", "Top-Left", 200},
    {"nikon_d40_mm_o6.jpg", "NIKON CORPORATION", "NIKON D40", "2006:12:16 12:42:05", "10/1600", "63/10", "Right-Top", 200},
    {"nikon_d70_mm.jpg", "NIKON CORPORATION", "NIKON D70", "2004:11:21 21:29:12", "5/300", "45/10", "Top-Left", -1},
    {"samsung_gt_i9000_o6.jpg", "SAMSUNG            ", "GT-I9000", "2011:04:02 18:30:10", "1024/13776", "2702/1024", "Right-Top", 100},
    {"truncated_derived_nikon_e950.jpg", "NIKON", "E950", "2001:04:06 11:51:40", "10/770", "55/10", "Top-Left", 80},
    {"truncated_sony_e5823.jpg", "Sony", "E5823", "2016:05:30 14:20:55", "10/400", "20/10", "Top-Left", 50},
};

std::map<std::string, const ScriptVariable*> byName(const AlbumPicture& picture)
{
    std::map<std::string, const ScriptVariable*> variables;
    for (const ScriptVariable& variable : picture.exifVariables)
        variables.emplace(variable.name(), &variable);
    return variables;
}

std::string textOf(const std::map<std::string, const ScriptVariable*>& variables, const char* name)
{
    const auto found = variables.find(name);
    if (found == variables.end())
        return "(missing)";
    EXPECT_EQ(found->second->type(), VarString) << name;
    return std::string(found->second->text());
}

TEST(ExifCorpus, CameraPicturesGiveTheirMakeModelShotTimeExposureAndIso)
{
    QUORVANE_REQUIRE_CORPUS();
    const std::string directory = (test::corpusDir() / "jpeg").string();
    for (const CameraFile& expected : kCameraFiles) {
        SCOPED_TRACE(expected.file);
        AlbumPicture picture(expected.file, directory, "");
        collectExifVariables(picture);
        const auto variables = byName(picture);
        EXPECT_EQ(textOf(variables, "Exif_Make"), expected.make);
        EXPECT_EQ(textOf(variables, "Exif_Model"), expected.model);
        EXPECT_EQ(textOf(variables, "Exif_DateTimeOriginal"), expected.shotTime);
        EXPECT_EQ(textOf(variables, "Exif_ExposureTime"),
                  expected.exposureTime ? expected.exposureTime : "(missing)");
        EXPECT_EQ(textOf(variables, "Exif_FNumber"), expected.fNumber);
        EXPECT_EQ(textOf(variables, "Exif_Orientation"), expected.orientation);
        const auto iso = variables.find("Exif_IsoSpeedRatings");
        if (expected.iso < 0) {
            EXPECT_EQ(iso, variables.end());
        } else {
            ASSERT_NE(iso, variables.end());
            EXPECT_EQ(iso->second->type(), VarInt);
            EXPECT_EQ(iso->second->intValue(), expected.iso);
        }
        EXPECT_EQ(readShotTime(picture), expected.shotTime);
    }
}

TEST(ExifCorpus, FilesWithoutAFirstExifSegmentGiveNothing)
{
    QUORVANE_REQUIRE_CORPUS();
    const std::string directory = (test::corpusDir() / "jpeg").string();
    for (const char* file : {"xmp_first_app1_then_exif.jpg", "xmp_only_no_exif.jpg",
                             "grey_hopper_noexif.jpg", "noexif_olympus_d320l_jfif.jpg",
                             "noexif_sony_powershota5.jpg"}) {
        SCOPED_TRACE(file);
        AlbumPicture picture(file, directory, "");
        collectExifVariables(picture);
        EXPECT_TRUE(picture.exifVariables.empty());
        EXPECT_EQ(readShotTime(picture), "");
        EXPECT_FALSE(picture.shotTime.has_value());
    }
}

TEST(ExifCorpus, IfdZeroOnlyFilesGiveTheirOrientation)
{
    QUORVANE_REQUIRE_CORPUS();
    const std::string directory = (test::corpusDir() / "jpeg").string();
    const std::pair<const char*, const char*> files[] = {
        {"grey_f6t_o6.jpg", "Right-Top"},
        {"orientation_landscape_8_mm.jpg", "Left-Bottom"},
    };
    for (const auto& [file, orientation] : files) {
        SCOPED_TRACE(file);
        AlbumPicture picture(file, directory, "");
        collectExifVariables(picture);
        const auto variables = byName(picture);
        EXPECT_EQ(textOf(variables, "Exif_Orientation"), orientation);
        EXPECT_EQ(variables.count("Exif_DateTimeOriginal"), 0u);
    }
}

}  // namespace
}  // namespace quorvane
