#include "imaging/exif_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/support/exif_builder.h"
#include "tests/support/test_support.h"

namespace quorvane {
namespace {

using Bytes = std::string;
using test::ExifBuilder;
using test::jpegWith;
using test::segment;

struct Seen {
    int tag;
    int type;
    std::int64_t integer;
    double real;
    std::string text;

    bool operator==(const Seen&) const = default;
};

std::vector<Seen> parse(const Bytes& payload)
{
    std::vector<Seen> seen;
    parseExifSegment(reinterpret_cast<const unsigned char*>(payload.data()), payload.size(),
                     [&seen](const ExifValue& value) {
                         seen.push_back(Seen{value.tag, value.type, value.integer, value.real,
                                             std::string(value.text)});
                     });
    return seen;
}

std::vector<Seen> scan(const Bytes& file)
{
    std::vector<Seen> seen;
    readExifFromBytes(reinterpret_cast<const unsigned char*>(file.data()), file.size(),
                      [&seen](const ExifValue& value) {
                          seen.push_back(Seen{value.tag, value.type, value.integer, value.real,
                                              std::string(value.text)});
                      });
    return seen;
}

std::vector<int> tags(const std::vector<Seen>& seen)
{
    std::vector<int> out;
    for (const Seen& value : seen)
        out.push_back(value.tag);
    return out;
}

// Texts of the entries with this tag, in delivery order.
std::vector<std::string> textsOf(const std::vector<Seen>& seen, int tag)
{
    std::vector<std::string> out;
    for (const Seen& value : seen) {
        if (value.tag == tag)
            out.push_back(value.text);
    }
    return out;
}

ExifBuilder& everyType(ExifBuilder& builder)
{
    return builder.byteValue(0xA300, 3)
        .ascii(0x010F, "Canon")
        .shortValue(0x8827, 400)
        .longValue(0xA002, 3072)
        .rational(0x829D, 28, 10)
        .sbyteValue(0xA407, -2)
        .raw(0x9000, 7, 4, "0221")
        .sshortValue(0xA408, -5)
        .slongValue(0xA409, -70000)
        .srational(0x9204, -1, 3)
        .floatValue(0xA500, 2.5f)
        .doubleValue(0xA404, 1.25);
}

TEST(ExifReader, BigEndianAndLittleEndianGiveTheSameValues)
{
    ExifBuilder little(false);
    ExifBuilder big(true);
    const std::vector<Seen> fromLittle = parse(everyType(little).payload());
    const std::vector<Seen> fromBig = parse(everyType(big).payload());

    const std::vector<Seen> expected = {
        {0xA300, 1, 3, 0.0, ""},
        {0x010F, 2, 0, 0.0, "Canon"},
        {0x8827, 3, 400, 0.0, ""},
        {0xA002, 4, 3072, 0.0, ""},
        {0x829D, 5, 0, 0.0, "28/10"},
        {0xA407, 6, -2, 0.0, ""},
        {0xA408, 8, -5, 0.0, ""},
        {0xA409, 9, -70000, 0.0, ""},
        {0x9204, 10, 0, 0.0, "-1/3"},
        {0xA500, 11, 0, 2.5, ""},
        {0xA404, 12, 0, 1.25, ""},
    };
    EXPECT_EQ(fromLittle, expected);
    EXPECT_EQ(fromBig, expected);
}

TEST(ExifReader, ShortAsciiTextsLieInTheValueFieldAndLongerOnesAtTheirOffset)
{
    for (const bool bigEndian : {false, true}) {
        ExifBuilder builder(bigEndian);
        builder.ascii(0x010E, "abc")          // count 4: in the field
            .ascii(0x010F, "")                // count 1
            .raw(0x0110, 2, 4, "WXYZ")        // count 4, no NUL
            .ascii(0x0131, "abcd")            // count 5: at an offset
            .raw(0x8298, 2, 8, Bytes("ab\0cdefg", 8))
            .raw(0x0132, 2, 0, "");
        const std::vector<Seen> seen = parse(builder.payload());
        ASSERT_EQ(seen.size(), 6u);
        EXPECT_EQ(seen[0].text, "abc");
        EXPECT_EQ(seen[1].text, "");
        EXPECT_EQ(seen[2].text, "WXYZ");
        EXPECT_EQ(seen[3].text, "abcd");
        EXPECT_EQ(seen[4].text, "ab");
        EXPECT_EQ(seen[5].text, "");
        for (const Seen& value : seen)
            EXPECT_EQ(value.type, 2);
    }
}

TEST(ExifReader, OrientationAndFlashArriveAsTexts)
{
    ExifBuilder builder(true);
    builder.shortValue(0x0112, 6)
        .shortValue(0x0112, 0)
        .shortValue(0x0112, 9)
        .shortValue(0x0112, 1)
        .shortValue(0x0112, 8)
        .subIfdPointer()
        .subIfd()
        .shortValue(0x9209, 25)
        .shortValue(0x9209, 2)
        .shortValue(0x9209, 0)
        .shortValue(0x9209, 0x5F)
        .shortValue(0x9209, 16)
        .shortValue(0x9209, 77);
    const std::vector<Seen> seen = parse(builder.payload());
    EXPECT_EQ(textsOf(seen, 0x0112),
              (std::vector<std::string>{"Right-Top", "", "", "Top-Left", "Left-Bottom"}));
    EXPECT_EQ(textsOf(seen, 0x9209),
              (std::vector<std::string>{"Flash fired, auto mode", "", "Flash not fired",
                                        "Flash fired, auto mode, red-eye reduction",
                                        "Flash forced off", "Flash forced on, red-eye reduction"}));
    for (const Seen& value : seen)
        EXPECT_EQ(value.type, 2);
}

TEST(ExifReader, ApertureValueBecomesAnFNumberWhileOtherRationalsStayAsStored)
{
    ExifBuilder builder(false);
    builder.subIfdPointer()
        .subIfd()
        .rational(0x9202, 5, 1)
        .rational(0x9202, 3, 1)
        .rational(0x9202, 4281, 1441)
        .rational(0x9202, 0, 1)
        .rational(0x9202, 18, 1)
        .rational(0x829D, 28, 10)
        .rational(0x9205, 3, 1)
        .rational(0x829A, 10, 2500);
    const std::vector<Seen> seen = parse(builder.payload());
    EXPECT_EQ(textsOf(seen, 0x9202), (std::vector<std::string>{"5.7", "2.8", "2.8", "1.0", "511.9"}));
    EXPECT_EQ(textsOf(seen, 0x829D), std::vector<std::string>{"28/10"});
    EXPECT_EQ(textsOf(seen, 0x9205), std::vector<std::string>{"3/1"});
    EXPECT_EQ(textsOf(seen, 0x829A), std::vector<std::string>{"10/2500"});
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[0].type, 2);
    EXPECT_EQ(seen[5].type, 5);
}

TEST(ExifReader, SubIfdEntriesTakeThePlaceOfThePointerAndMakerNotesAreSkipped)
{
    ExifBuilder builder(true);
    builder.ascii(0x010F, "Make")
        .subIfdPointer()
        .ascii(0x0110, "Model")
        .subIfd()
        .ascii(0x9003, "2004:11:21 21:29:12")
        .raw(0x927C, 7, 8, "makernot")
        .longValue(0xA005, 1234)
        .shortValue(0x9214, 7)
        .shortValue(0x9207, 5);
    EXPECT_EQ(tags(parse(builder.payload())),
              (std::vector<int>{0x010F, 0x9003, 0x9214, 0x9207, 0x0110}));

    // A pointer of another type than LONG is not followed and not reported.
    ExifBuilder shortPointer(true);
    shortPointer.ascii(0x010F, "Make").subIfdPointer(3).subIfd().ascii(0x9003, "x");
    EXPECT_EQ(tags(parse(shortPointer.payload())), std::vector<int>{0x010F});
}

TEST(ExifReader, UndefinedAndUnknownTypesAreNotReported)
{
    ExifBuilder builder(false);
    builder.raw(0x9000, 7, 4, "0230")
        .raw(0xA000, 7, 4, "0100")
        .raw(0x010F, 13, 1, "abcd")
        .raw(0x0110, 0, 1, "abcd")
        .shortValue(0x8827, 100);
    EXPECT_EQ(tags(parse(builder.payload())), std::vector<int>{0x8827});
}

TEST(ExifReader, SegmentsThatAreNotExifOrHaveABadHeaderGiveNothing)
{
    ExifBuilder builder(false);
    builder.shortValue(0x8827, 100);
    const Bytes good = builder.payload();
    ASSERT_EQ(parse(good).size(), 1u);

    Bytes noExif = good;
    noExif[4] = 'x';
    Bytes badOrder = good;
    badOrder[6] = 'M';  // "MI"
    Bytes badMagic = good;
    badMagic[8] = 43;
    Bytes ifd0Outside = good;
    ifd0Outside[10] = static_cast<char>(0xF0);
    const Bytes xmp("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42);
    for (const Bytes& payload : {noExif, badOrder, badMagic, ifd0Outside, xmp, good.substr(0, 13),
                                 Bytes()})
        EXPECT_TRUE(parse(payload).empty());
}

TEST(ExifReader, EntriesAndValuesOutsideThePayloadAreIgnored)
{
    ExifBuilder builder(false);
    builder.shortValue(0x8827, 100).rational(0x829D, 28, 10).ascii(0x010F, "Nikon Corporation");
    const Bytes payload = builder.payload();
    ASSERT_EQ(parse(payload).size(), 3u);

    // The payload ends inside the text: the text is cut there, not read past it.
    const std::size_t textEnd = payload.size();
    EXPECT_EQ(textsOf(parse(payload.substr(0, textEnd - 8)), 0x010F),
              std::vector<std::string>{"Nikon Corp"});
    // The payload ends inside the rational: that entry is dropped, the others stay.
    const std::size_t rationalAt = payload.find(Bytes("\x1C\0\0\0\x0A\0\0\0", 8));
    ASSERT_NE(rationalAt, Bytes::npos);
    EXPECT_EQ(tags(parse(payload.substr(0, rationalAt + 6))), std::vector<int>{0x8827});
    // The payload ends inside IFD0 (after the first entry and a half).
    const std::size_t firstEntries = 6 + 8 + 2;
    EXPECT_EQ(tags(parse(payload.substr(0, firstEntries + 12 + 6))), std::vector<int>{0x8827});

    // An entry count far beyond the payload walks only the entries that are there.
    Bytes manyEntries = payload;
    manyEntries[6 + 8] = static_cast<char>(0xFF);
    manyEntries[6 + 8 + 1] = static_cast<char>(0xFF);
    const std::vector<Seen> seen = parse(manyEntries);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].tag, 0x8827);

    // Offsets pointing past the end, including ones that wrap around.
    ExifBuilder wild(true);
    wild.raw(0x829D, 5, 1, wild.u32(0xFFFFFFF8))
        .raw(0x010F, 2, 0xFFFFFFFF, wild.u32(0xFFFFFFFF))
        .raw(0xA404, 12, 0x40000000, wild.u32(0x7FFFFFFF))
        .raw(0x0110, 2, 100, wild.u32(1000))
        .shortValue(0xA001, 1);
    EXPECT_EQ(tags(parse(wild.payload())), std::vector<int>{0xA001});
}

TEST(ExifReader, SubIfdPointersThatLeadBackAreNotFollowed)
{
    // The sub-IFD points back at itself and at IFD0.
    ExifBuilder builder(false);
    builder.ascii(0x010F, "Make")
        .subIfdPointer()
        .subIfd()
        .shortValue(0x8827, 100)
        .subIfdPointer()
        .ifd0()
        .subIfdPointer();
    EXPECT_EQ(tags(parse(builder.payload())), (std::vector<int>{0x010F, 0x8827}));

    ExifBuilder toIfd0(true);
    toIfd0.shortValue(0x8827, 100).subIfdPointer().pointSubIfdAt(toIfd0.ifd0Offset());
    EXPECT_EQ(tags(parse(toIfd0.payload())), std::vector<int>{0x8827});

    // Pointing into the middle of IFD0 is no better.
    ExifBuilder intoIfd0(true);
    intoIfd0.shortValue(0x8827, 100).subIfdPointer().shortValue(0xA001, 1);
    intoIfd0.pointSubIfdAt(intoIfd0.ifd0Offset() + 14);
    EXPECT_EQ(tags(parse(intoIfd0.payload())), (std::vector<int>{0x8827, 0xA001}));
}

TEST(ExifReader, TheMarkerScanExaminesOnlyTheFirstApp1Segment)
{
    ExifBuilder builder(true);
    builder.ascii(0x0110, "NIKON D70");
    const Bytes exif = segment(0xE1, builder.payload());
    const Bytes xmp = segment(0xE1, Bytes("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const Bytes jfif = segment(0xE0, Bytes("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    const Bytes table = segment(0xDB, Bytes(65, '\xFF'));  // 0xFF bytes inside a skipped segment

    EXPECT_EQ(textsOf(scan(jpegWith(exif)), 0x0110), std::vector<std::string>{"NIKON D70"});
    EXPECT_EQ(textsOf(scan(jpegWith(jfif + table + exif)), 0x0110),
              std::vector<std::string>{"NIKON D70"});
    EXPECT_TRUE(scan(jpegWith(xmp + exif)).empty());
    EXPECT_TRUE(scan(jpegWith(jfif)).empty());
    // Image data starts before the Exif segment.
    EXPECT_TRUE(scan(jpegWith("") + exif).empty());
    // The file ends inside the segment.
    const Bytes whole = jpegWith(exif);
    EXPECT_TRUE(scan(whole.substr(0, 2 + exif.size() - 1)).empty());
    EXPECT_EQ(scan(whole.substr(0, 2 + exif.size())).size(), 1u);
    // Bytes before the first marker are passed over one by one.
    EXPECT_EQ(scan(Bytes("junk\xFF\xD9", 6) + exif).size(), 1u);
}

TEST(ExifReader, TheMarkerScanReadsFurtherBlocksWhenTheSegmentLiesBeyondTheFirst)
{
    ExifBuilder builder(false);
    builder.ascii(0x0110, "E950").ascii(0x010E, Bytes(60000, 'd'));
    const Bytes exif = segment(0xE1, builder.payload());
    // Three large APP2 segments push the Exif segment across the 102400-byte
    // block boundary and past the second one.
    Bytes padding;
    for (int i = 0; i < 3; ++i)
        padding += segment(0xE2, Bytes(65000, static_cast<char>(0xFF)));
    const Bytes file = jpegWith(padding + exif);
    ASSERT_GT(2 + padding.size() + exif.size(), 2u * 102400);

    EXPECT_EQ(textsOf(scan(file), 0x0110), std::vector<std::string>{"E950"});

    test::TempDir dir;
    test::writeFile(dir / "big.jpg", file);
    std::vector<std::string> models;
    readExif(dir / "big.jpg", [&models](const ExifValue& value) {
        if (value.tag == 0x0110)
            models.emplace_back(value.text);
    });
    EXPECT_EQ(models, std::vector<std::string>{"E950"});

    // A long file without any marker ends the scan at its end.
    EXPECT_TRUE(scan(Bytes(300000, 'x')).empty());
    bool called = false;
    readExif(dir / "missing.jpg", [&called](const ExifValue&) { called = true; });
    EXPECT_FALSE(called);
}

TEST(ExifTags, TheListHoldsSixtyEightTagsInTableOrderThreeOfThemWithoutName)
{
    const std::span<const std::uint16_t> list = exifTagList();
    ASSERT_EQ(list.size(), 68u);
    EXPECT_EQ(list.front(), 0x010E);
    EXPECT_EQ(list[15], 0x8769);
    EXPECT_EQ(list[16], 0x829A);
    EXPECT_EQ(list[23], 0x9101);
    EXPECT_EQ(list[46], 0xA20E);
    EXPECT_EQ(list.back(), 0xA500);

    std::vector<int> unnamed;
    for (const std::uint16_t tag : list) {
        if (!exifTagName(tag))
            unnamed.push_back(tag);
    }
    EXPECT_EQ(unnamed, (std::vector<int>{0x8769, 0x927C, 0xA005}));

    EXPECT_STREQ(exifTagName(0x0110), "Model");
    EXPECT_STREQ(exifTagName(0x013F), "PrimaryChromaticies");
    EXPECT_STREQ(exifTagName(0x0211), "YCbRbCoefficients");
    EXPECT_STREQ(exifTagName(0x0213), "YCbRbPositioning");
    EXPECT_STREQ(exifTagName(0x8827), "IsoSpeedRatings");
    EXPECT_STREQ(exifTagName(0xA000), "FlashPixVersion");
    EXPECT_STREQ(exifTagName(0xA405), "FocalLengthIn35mmFilm");
    EXPECT_STREQ(exifTagName(0xA40B), "DeviceSettingDescription");
    EXPECT_EQ(exifTagName(0x9214), nullptr);
    EXPECT_EQ(exifTagName(0), nullptr);
    EXPECT_EQ(exifTagName(0x10110), nullptr);
}

}  // namespace
}  // namespace quorvane
