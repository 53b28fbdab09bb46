// The row-by-row decoder: the same rows as a whole decode, and filters fed
// from it give the same bytes as filters run on the decoded block.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/jpeg_io.h"
#include "imaging/resample.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string noisyPicture(const test::TempDir& dir, const char* name, std::uint32_t width, std::uint32_t height,
                         std::uint32_t components)
{
    Image image;
    image.allocate(width, height, components);
    std::mt19937 random(width * 7 + height);
    for (std::size_t i = 0; i < image.byteSize(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>(random());
    const std::string path = (dir / name).string();
    EXPECT_TRUE(saveJpeg(image, path));
    return path;
}

bool sameRow(const std::uint8_t* row, const Image& image, std::uint32_t y)
{
    return row && std::memcmp(row, image.row(y), image.rowBytes()) == 0;
}

TEST(JpegRowReader, GivesTheRowsOfAWholeDecodeAndKeepsTheRowBefore)
{
    test::TempDir dir;
    std::vector<std::string> paths = {noisyPicture(dir, "colour.jpg", 301, 203, 3),
                                      noisyPicture(dir, "grey.jpg", 37, 29, 1)};
    // Cut in the middle of its data: the decoder warns and fills the rest.
    const std::string bytes = test::readFile(paths[0]);
    test::writeFile(dir / "cut.jpg", std::string_view(bytes).substr(0, bytes.size() / 2));
    paths.push_back((dir / "cut.jpg").string());

    for (const std::string& path : paths) {
        Image whole;
        ASSERT_TRUE(loadJpeg(whole, path)) << path;
        JpegRowReader reader;
        ASSERT_TRUE(reader.open(path)) << path;
        EXPECT_EQ(reader.width, whole.width);
        EXPECT_EQ(reader.height, whole.height);
        EXPECT_EQ(reader.components, whole.components);
        const std::uint8_t* before = nullptr;
        for (std::uint32_t y = 0; y < reader.height; ++y) {
            const std::uint8_t* row = reader.row(y);
            ASSERT_TRUE(sameRow(row, whole, y)) << path << " row " << y;
            if (before) {
                ASSERT_TRUE(sameRow(before, whole, y - 1)) << path << " row " << y - 1 << " after " << y;
            }
            before = row;
        }
        EXPECT_EQ(reader.row(reader.height), nullptr);
        EXPECT_TRUE(reader.finish()) << path;
    }
}

TEST(JpegRowReader, RowsLeftUnaskedAreStillDecodedByFinish)
{
    test::TempDir dir;
    const std::string path = noisyPicture(dir, "picture.jpg", 64, 100, 3);
    Image whole;
    ASSERT_TRUE(loadJpeg(whole, path));
    JpegRowReader reader;
    ASSERT_TRUE(reader.open(path));
    ASSERT_TRUE(sameRow(reader.row(3), whole, 3));
    ASSERT_TRUE(sameRow(reader.row(57), whole, 57));
    EXPECT_TRUE(reader.finish());
    EXPECT_EQ(reader.row(99), nullptr);  // finished
}

TEST(JpegRowReader, RefusesWhatLoadJpegRefuses)
{
    test::TempDir dir;
    test::writeFile(dir / "text.jpg", "not a picture at all");
    JpegRowReader text;
    EXPECT_FALSE(text.open((dir / "text.jpg").string()));
    EXPECT_EQ(text.row(0), nullptr);
    EXPECT_FALSE(text.finish());

    JpegRowReader missing;
    EXPECT_FALSE(missing.open((dir / "missing.jpg").string()));

    const std::string path = noisyPicture(dir, "big.jpg", 100, 100, 3);
    JpegRowReader big;
    EXPECT_FALSE(big.open(path, 9999));
    EXPECT_TRUE(big.open(path, 10000));
    Image image;
    EXPECT_TRUE(big.readInto(image));
    EXPECT_EQ(image.byteSize(), 30000u);
}

// Pages learn the sizes of generated pictures from their headers alone: the
// answer must be open's, wherever the header ends, and none where open fails.
TEST(JpegRowReader, HeaderOnlySizeIsTheSizeOpenGives)
{
    test::TempDir dir;
    const std::string plain = noisyPicture(dir, "plain.jpg", 37, 23, 3);
    const std::string bytes = test::readFile(plain);
    const auto expectSameAnswer = [](const std::string& path) {
        JpegRowReader reader;
        const bool opened = reader.open(path);
        std::uint32_t width = 0, height = 0;
        EXPECT_EQ(readDecodableJpegSize(path, width, height), opened) << path;
        if (opened) {
            EXPECT_EQ(std::make_pair(width, height), std::make_pair(reader.width, reader.height)) << path;
        }
    };
    expectSameAnswer(plain);
    // A metadata segment in front pushes the header across the first read.
    for (std::size_t padding = 3000; padding < 4400; padding += 11) {
        const std::size_t length = padding + 2;
        const std::string segment = std::string("\xFF\xE1") + static_cast<char>(length >> 8) +
                                    static_cast<char>(length & 0xFF) + std::string(padding, 'm');
        const fs::path padded = dir / ("padded" + std::to_string(padding) + ".jpg");
        test::writeFile(padded, bytes.substr(0, 2) + segment + bytes.substr(2));
        expectSameAnswer(padded.string());
    }
    test::writeFile(dir / "cut.jpg", bytes.substr(0, 120));
    expectSameAnswer((dir / "cut.jpg").string());
    test::writeFile(dir / "text.jpg", "not a picture at all");
    expectSameAnswer((dir / "text.jpg").string());
    expectSameAnswer((dir / "missing.jpg").string());
    ::setenv("QUORVANE_MAX_PIXELS", "850", 1);
    expectSameAnswer(plain);
    ::unsetenv("QUORVANE_MAX_PIXELS");
}

// Filters fed while decoding against filters run on the whole decoded block.
void expectFilteringWhileDecodingMatches(const std::string& path)
{
    Image whole;
    ASSERT_TRUE(loadJpeg(whole, path)) << path;
    for (int filter = FilterPoint; filter <= FilterLanczos3; ++filter)
        for (const auto& [boxWidth, boxHeight] : {std::pair<std::uint32_t, std::uint32_t>{640, 480}, {63, 47}}) {
            JpegRowReader reader;
            ASSERT_TRUE(reader.open(path));
            std::uint32_t width = boxWidth, height = boxHeight;
            fitSize(reader.width, reader.height, width, height);
            Image streamed;
            ASSERT_TRUE(resampleRows(reader, streamed, filter, width, height)) << path;
            EXPECT_TRUE(reader.finish()) << path;

            Image expected;
            expected.allocate(whole.width, whole.height, whole.components);
            std::memcpy(expected.pixels.get(), whole.pixels.get(), whole.byteSize());
            resample(expected, filter, width, height);
            ASSERT_EQ(streamed.byteSize(), expected.byteSize()) << path;
            EXPECT_EQ(std::memcmp(streamed.pixels.get(), expected.pixels.get(), expected.byteSize()), 0)
                << path << " filter " << filter << " into " << boxWidth << "x" << boxHeight;
        }
}

TEST(JpegRowReader, FilteringWhileDecodingGivesTheBytesOfDecodingFirst)
{
    test::TempDir dir;
    expectFilteringWhileDecodingMatches(noisyPicture(dir, "wide.jpg", 1500, 90, 3));
    expectFilteringWhileDecodingMatches(noisyPicture(dir, "small.jpg", 50, 40, 3));  // enlarged
    expectFilteringWhileDecodingMatches(noisyPicture(dir, "grey.jpg", 700, 500, 1));
}

TEST(JpegRowReaderCorpus, FilteringWhileDecodingCameraPictures)
{
    QUORVANE_REQUIRE_CORPUS();
    // CMYK converted row by row, progressive, grey, damaged, and a large
    // photograph.
    for (const char* name : {"cmyk_adobe0_derived_sony_hx5v.jpg", "cmyk_ycck_multiple_icc_mm.jpg",
                             "nikon_d300_progressive_mm.jpg", "grey_hopper_noexif.jpg",
                             "truncated_sony_e5823.jpg"})
        expectFilteringWhileDecodingMatches((test::corpusDir() / "jpeg" / name).string());
    expectFilteringWhileDecodingMatches((test::corpusDir() / "large" / "nikon_d90.jpg").string());
}

}  // namespace
}  // namespace quorvane
