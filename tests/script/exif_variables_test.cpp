#include <gtest/gtest.h>

#include <string>

#include "imaging/exif_reader.h"
#include "script_test_support.h"

namespace quorvane {
namespace {

using test::readFile;
using test::ScriptFixture;

std::string le16(unsigned value)
{
    return {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
}

std::string le32(unsigned value)
{
    return le16(value & 0xffff) + le16(value >> 16);
}

// A JPEG head with one little-endian Exif IFD: the camera model (when not
// empty) and the orientation.
std::string exifJpeg(const std::string& model, unsigned orientation)
{
    const unsigned entries = model.empty() ? 1 : 2;
    const unsigned dataOffset = 8 + 2 + 12 * entries + 4;
    std::string tiff = "II" + le16(42) + le32(8) + le16(entries);
    if (!model.empty())
        tiff += le16(0x0110) + le16(2) + le32(static_cast<unsigned>(model.size()) + 1) + le32(dataOffset);
    tiff += le16(0x0112) + le16(3) + le32(1) + le16(orientation) + le16(0);
    tiff += le32(0) + model + std::string(1, '\0');
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const unsigned length = static_cast<unsigned>(payload.size()) + 2;
    return std::string("\xFF\xD8\xFF\xE1", 4) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xff) +
           payload + std::string("\xFF\xD9", 2);
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

}  // namespace
}  // namespace quorvane
