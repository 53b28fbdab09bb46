#include "imaging/exif_display.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(ExifDisplayText, ReadsRationalsAsPeopleWriteThem)
{
    EXPECT_EQ(exifDisplayText("ExposureTime", "10/2000"), "1/200 s");
    EXPECT_EQ(exifDisplayText("ExposureTime", "4/10"), "0.4 s");
    EXPECT_EQ(exifDisplayText("ExposureTime", "1/60"), "1/60 s");
    EXPECT_EQ(exifDisplayText("ExposureTime", "15/10"), "1.5 s");
    EXPECT_EQ(exifDisplayText("ExposureTime", "30/1"), "30 s");
    EXPECT_EQ(exifDisplayText("ExposureTime", "3/1000"), "1/333 s");
    EXPECT_EQ(exifDisplayText("FNumber", "56/10"), "f/5.6");
    EXPECT_EQ(exifDisplayText("FNumber", "4/1"), "f/4");
    EXPECT_EQ(exifDisplayText("FocalLength", "135/1"), "135 mm");
    EXPECT_EQ(exifDisplayText("FocalLength", "187/10"), "18.7 mm");
    EXPECT_EQ(exifDisplayText("ExposureBiasValue", "-2/3"), "-0.7 EV");
    EXPECT_EQ(exifDisplayText("ExposureBiasValue", "1/3"), "+0.3 EV");
    EXPECT_EQ(exifDisplayText("ExposureBiasValue", "-1/100"), "0 EV");
}

TEST(ExifDisplayText, DatesReadAsDayMonthYearAndTime)
{
    EXPECT_EQ(exifDisplayText("DateTimeOriginal", "2008:05:30 15:56:01"), "30 May 2008, 15:56");
    EXPECT_EQ(exifDisplayText("DateTime", "2019:12:01 08:05:00"), "1 December 2019, 08:05");
}

TEST(ExifDisplayText, NothingForDamagedValuesOrOtherTags)
{
    EXPECT_EQ(exifDisplayText("ExposureTime", "1/0"), std::nullopt);
    EXPECT_EQ(exifDisplayText("ExposureTime", "0/1"), std::nullopt);
    EXPECT_EQ(exifDisplayText("FNumber", "x/2"), std::nullopt);
    EXPECT_EQ(exifDisplayText("FNumber", "56/10 "), std::nullopt);
    EXPECT_EQ(exifDisplayText("DateTimeOriginal", "    :  :     :  :  "), std::nullopt);
    EXPECT_EQ(exifDisplayText("DateTimeOriginal", "2008:13:30 15:56:01"), std::nullopt);
    EXPECT_EQ(exifDisplayText("Model", "Canon EOS 40D"), std::nullopt);
}

}  // namespace
}  // namespace quorvane
