#include <gtest/gtest.h>

#include <string>

#include "album/album_tree.h"
#include "album/shot_time.h"
#include "foundation/script_variable.h"
#include "imaging/exif_reader.h"
#include "script/exif_variables.h"
#include "support/exif_builder.h"
#include "support/test_support.h"
#include "script_test_support.h"

namespace quorvane {
namespace {

using test::readFile;
using test::ScriptFixture;

// A JPEG head with one little-endian Exif IFD: the camera model (when not
// empty) and the orientation.
std::string exifJpeg(const std::string& model, unsigned orientation)
{
    test::ExifBuilder builder(false);
    if (!model.empty())
        builder.ascii(0x0110, model);
    builder.shortValue(0x0112, static_cast<std::uint16_t>(orientation));
    return test::jpegWith(test::segment(0xE1, builder.payload()));
}

TEST(ExifVariables, DescribeOnlyTheCurrentPicture)
{
    ScriptFixture fixture;
    fixture.context.parseExifEnabled = true;
    test::writeFile(fixture.albumPath("a.jpg"), exifJpeg("Cam1", 6));
    test::writeFile(fixture.albumPath("b.jpg"), exifJpeg("", 1));
    fixture.addMedia(*fixture.root, "a.jpg", MediaPicture);
    fixture.addMedia(*fixture.root, "b.jpg", MediaPicture);
    AlbumPicture* missing = fixture.addMedia(*fixture.root, "missing.jpg", MediaPicture);
    fixture.defineText("Exif_Make", "kept type, no value");

    EXPECT_EQ(fixture.run("CREATE_FILE \"out.txt\"\nFOR_EACH_IMAGE\n"
                          "WRITE_FILE \"{ImageName}:{Exif_Model}|{Exif_Orientation}|{Exif_Make}\"\n"
                          "IF Exif_Model < 0\nWRITE_FILE \" (no model)\"\nENDIF\n"
                          "WRITE_FILE \"\\n\"\nEND_FOR\nCLOSE_FILE"),
              0);
    EXPECT_EQ(readFile(fixture.albumPath("out.txt")),
              "a.jpg:Cam1|Right-Top|\n"
              "b.jpg:|Top-Left| (no model)\n"
              "missing.jpg:|| (no model)\n");

    int exifVariables = 0;
    for (const ScriptVariable& variable : fixture.context.variables)
        exifVariables += variable.name().starts_with("Exif_") ? 1 : 0;
    EXPECT_EQ(exifVariables, 65);
    EXPECT_EQ(fixture.context.findVariable("Exif_Make")->type(), VarNone);
    EXPECT_TRUE(missing->exifVariables.empty());
    EXPECT_TRUE(fixture.root->files.first()->exifVariables.empty());
}

TEST(ExifVariables, AreLeftOutWhenParsingIsOff)
{
    ScriptFixture fixture;
    test::writeFile(fixture.albumPath("a.jpg"), exifJpeg("Cam1", 6));
    fixture.addMedia(*fixture.root, "a.jpg", MediaPicture);
    EXPECT_EQ(fixture.run("FOR_EACH_IMAGE\nEND_FOR"), 0);
    EXPECT_EQ(fixture.value("Exif_Model"), "<undefined>");
    EXPECT_EQ(fixture.value("ImageName"), "a.jpg");
}

using test::Bytes;
using test::ExifBuilder;
using test::jpegWith;
using test::segment;

class ExifPictureTest : public ::testing::Test {
protected:
    AlbumPicture& pictureWith(const Bytes& file)
    {
        test::writeFile(dir_ / "picture.jpg", file);
        return picture_;
    }

    test::TempDir dir_;
    AlbumPicture picture_{"picture.jpg", dir_.path().string(), ""};
};

TEST_F(ExifPictureTest, EveryNamedTagBecomesAVariableTypedByItsValue)
{
    ExifBuilder builder(true);
    builder.ascii(0x0110, "NIKON D70")
        .shortValue(0x0112, 0)
        .subIfdPointer()
        .subIfd()
        .longValue(0xA002, 3072)
        .shortValue(0xA003, 3072)
        .rational(0x829D, 28, 10)
        .srational(0x9204, -2, 6)
        .byteValue(0xA300, 3)
        .sbyteValue(0xA407, -1)
        .sshortValue(0xA408, -7)
        .slongValue(0xA409, -9)
        .floatValue(0xA500, 2.2f)
        .doubleValue(0xA404, 1.0 / 3)
        .rational(0x9202, 3, 1)
        .raw(0x9000, 7, 4, "0221")
        .shortValue(0x9214, 3)
        .shortValue(0x9209, 25);
    AlbumPicture& picture = pictureWith(jpegWith(segment(0xE1, builder.payload())));
    collectExifVariables(picture);

    struct Expected {
        const char* name;
        int type;
        const char* value;
    };
    const std::vector<Expected> expected = {
        {"Exif_Model", VarString, "NIKON D70"},
        {"Exif_Orientation", VarString, ""},
        {"Exif_ExifImageWidth", VarString, "3072"},
        {"Exif_ExifImageHeight", VarInt, "3072"},
        {"Exif_FNumber", VarString, "28/10"},
        {"ExifText_FNumber", VarString, "f/2.8"},
        {"Exif_ExposureBiasValue", VarString, "-2/6"},
        {"ExifText_ExposureBiasValue", VarString, "-0.3 EV"},
        {"Exif_FileSource", VarInt, "3"},
        {"Exif_GainControl", VarInt, "-1"},
        {"Exif_Contrast", VarInt, "-7"},
        {"Exif_Saturation", VarInt, "-9"},
        {"Exif_Gamma", VarString, "2.20"},
        {"Exif_DigitalZoomRatio", VarString, "0.33"},
        {"Exif_ApertureValue", VarString, "2.8"},
        {"Exif_Flash", VarString, "Flash fired, auto mode"},
    };
    std::vector<const ScriptVariable*> variables;
    for (const ScriptVariable& variable : picture.exifVariables)
        variables.push_back(&variable);
    ASSERT_EQ(variables.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(variables[i]->name(), expected[i].name);
        EXPECT_EQ(variables[i]->type(), expected[i].type);
        EXPECT_EQ(variables[i]->valueText(), expected[i].value);
    }
    EXPECT_EQ(variables[3]->intValue(), 3072);

    // A second collection appends again rather than replacing.
    collectExifVariables(picture);
    int count = 0;
    for (const ScriptVariable& variable : picture.exifVariables)
        count += variable.name() == "Exif_Model";
    EXPECT_EQ(count, 2);
}

TEST_F(ExifPictureTest, AFirstApp1SegmentOfXmpHidesTheExifSegmentAfterIt)
{
    ExifBuilder builder(false);
    builder.ascii(0x0110, "E950");
    const Bytes xmp = segment(0xE1, Bytes("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    AlbumPicture& picture = pictureWith(jpegWith(xmp + segment(0xE1, builder.payload())));
    collectExifVariables(picture);
    EXPECT_TRUE(picture.exifVariables.empty());
    EXPECT_EQ(readShotTime(picture), "");
}

TEST_F(ExifPictureTest, AMissingShotTimeIsReadAgainWhileAFoundOneIsKept)
{
    const Bytes noExif = jpegWith(segment(0xE0, Bytes("JFIF\0\1\1\0\0\1\0\1\0\0", 14)));
    AlbumPicture& picture = pictureWith(noExif);
    EXPECT_EQ(readShotTime(picture), "");
    EXPECT_FALSE(picture.shotTime.has_value());

    // The file gains a shot time: the next request reads it.
    ExifBuilder builder(true);
    builder.ascii(0x9003, "2001:04:06 11:51:40")
        .subIfdPointer()
        .subIfd()
        .ascii(0x9004, "2001:04:06 11:51:41")
        .ascii(0x9003, "2003:10:25 15:29:18");
    test::writeFile(dir_ / "picture.jpg", jpegWith(segment(0xE1, builder.payload())));
    EXPECT_EQ(readShotTime(picture), "2003:10:25 15:29:18");
    EXPECT_EQ(picture.shotTime, "2003:10:25 15:29:18");

    // Once found it is not read again.
    ExifBuilder later(false);
    later.ascii(0x9003, "2020:01:01 00:00:00");
    test::writeFile(dir_ / "picture.jpg", jpegWith(segment(0xE1, later.payload())));
    EXPECT_EQ(readShotTime(picture), "2003:10:25 15:29:18");

    // A DateTimeOriginal that is a number is not a shot time.
    AlbumPicture other("other.jpg", dir_.path().string(), "");
    ExifBuilder numeric(false);
    numeric.longValue(0x9003, 20010406);
    test::writeFile(dir_ / "other.jpg", jpegWith(segment(0xE1, numeric.payload())));
    EXPECT_EQ(readShotTime(other), "");
    EXPECT_FALSE(other.shotTime.has_value());
}

}  // namespace
}  // namespace quorvane
