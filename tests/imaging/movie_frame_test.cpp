#include "imaging/movie_frame.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "support/movie_clips.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Each frame one grey level, so the poster tells which frame it was.
int greyOfFrame(int n)
{
    return 20 + n * 7;
}

void paintGreyByFrame(int n, Image& picture)
{
    const int level = greyOfFrame(n);
    test::paintSolid(picture, level, level, level);
}

// Left half red, right half blue: shows which way a picture was turned.
void paintRedLeftBlueRight(int, Image& picture)
{
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            std::uint8_t* p = picture.at(x, y);
            const bool left = x < picture.width / 2;
            p[0] = left ? 220 : 20;
            p[1] = 20;
            p[2] = left ? 20 : 220;
        }
    }
}

::testing::AssertionResult near(const Image& image, std::uint32_t x, std::uint32_t y, int r, int g, int b)
{
    const std::uint8_t* p = image.at(x, y);
    if (std::abs(p[0] - r) > 10 || std::abs(p[1] - g) > 10 || std::abs(p[2] - b) > 10)
        return ::testing::AssertionFailure()
               << "(" << x << "," << y << ") is " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    return ::testing::AssertionSuccess();
}

class UtcZone : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* zone = std::getenv("TZ");
        saved_ = zone ? zone : "";
        hadZone_ = zone != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override
    {
        if (hadZone_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool hadZone_ = false;
};

using MovieFrame = UtcZone;

TEST_F(MovieFrame, PosterIsTheFrameTenPercentInAndFactsComeFromTheContainer)
{
    test::TempDir dir;
    test::ClipSpec spec;
    spec.frames = 30;  // 3 s at 10 frames/s: the poster is frame 3
    spec.paint = paintGreyByFrame;
    spec.creationTime = "2021-05-04T03:02:01.000000Z";
    const std::string path = (dir / "clip.mp4").string();
    ASSERT_EQ(test::writeClip(path, spec), "");

    Image frame;
    MovieFacts facts;
    ASSERT_EQ(readMovieFrame(path, frame, facts), MovieStatus::Ok);
    ASSERT_EQ(frame.width, 64u);
    ASSERT_EQ(frame.height, 48u);
    EXPECT_EQ(frame.components, 3u);
    const int grey = greyOfFrame(3);
    EXPECT_TRUE(near(frame, 32, 24, grey, grey, grey));
    EXPECT_NEAR(facts.durationSeconds, 2.95, 0.06);  // MP4 may leave out the last frame's length
    EXPECT_EQ(facts.container, "mp4");
    EXPECT_EQ(facts.videoCodec, "mpeg4");
    EXPECT_EQ(facts.audioCodec, "");
    EXPECT_FALSE(facts.browserPlayable);
    EXPECT_EQ(facts.creationTime, "2021:05:04 03:02:01");

    MovieFacts quick;
    ASSERT_EQ(readMovieFacts(path, quick), MovieStatus::Ok);
    EXPECT_EQ(quick.width, 64u);
    EXPECT_EQ(quick.creationTime, facts.creationTime);
}

TEST_F(MovieFrame, RotatedStreamsComeOutUpright)
{
    test::TempDir dir;
    struct Case {
        int rotation;
        std::uint32_t redX, redY, blueX, blueY;  // inside the 24 × 64 or 64 × 24 poster
    };
    // The red left half goes to the top when turned clockwise, to the
    // bottom counter-clockwise, to the right when upside down.
    for (const Case& c : {Case{90, 12, 8, 12, 56}, Case{270, 12, 56, 12, 8}, Case{180, 56, 12, 8, 12}}) {
        SCOPED_TRACE(c.rotation);
        test::ClipSpec spec;
        spec.width = 64;
        spec.height = 24;
        spec.frames = 3;
        spec.rotation = c.rotation;
        spec.paint = paintRedLeftBlueRight;
        const std::string path = (dir / ("turned" + std::to_string(c.rotation) + ".mov")).string();
        ASSERT_EQ(test::writeClip(path, spec), "");
        Image frame;
        MovieFacts facts;
        ASSERT_EQ(readMovieFrame(path, frame, facts), MovieStatus::Ok);
        EXPECT_EQ(facts.rotation, c.rotation);
        const bool quarter = c.rotation != 180;
        ASSERT_EQ(frame.width, quarter ? 24u : 64u);
        ASSERT_EQ(frame.height, quarter ? 64u : 24u);
        EXPECT_EQ(facts.width, frame.width);
        EXPECT_TRUE(near(frame, c.redX, c.redY, 220, 20, 20));
        EXPECT_TRUE(near(frame, c.blueX, c.blueY, 20, 20, 220));
    }
}

TEST_F(MovieFrame, OneFrameMovieGivesThatFrame)
{
    test::TempDir dir;
    test::ClipSpec spec;
    spec.frames = 1;
    spec.encoder = "mjpeg";
    spec.paint = [](int, Image& picture) { test::paintSolid(picture, 30, 160, 90); };
    const std::string path = (dir / "single.avi").string();
    ASSERT_EQ(test::writeClip(path, spec), "");
    Image frame;
    MovieFacts facts;
    ASSERT_EQ(readMovieFrame(path, frame, facts), MovieStatus::Ok);
    EXPECT_EQ(facts.container, "avi");
    EXPECT_TRUE(near(frame, 10, 10, 30, 160, 90));
}

TEST_F(MovieFrame, BrokenAndForeignFilesGiveAReasonAndNoFrame)
{
    test::TempDir dir;
    test::ClipSpec spec;
    spec.paint = paintGreyByFrame;
    const std::string good = (dir / "good.mp4").string();
    ASSERT_EQ(test::writeClip(good, spec), "");
    const std::string bytes = test::readFile(good);
    // The playlist names a real movie: following it would read a file the
    // album never listed.
    const std::string playlist = "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nfile://" + good +
                                 "\n#EXT-X-ENDLIST\n";
    const struct {
        const char* name;
        std::string content;
        MovieStatus status;
    } cases[] = {
        {"empty.mp4", "", MovieStatus::NotAMovie},
        {"text.mov", "just some words, no movie at all\n", MovieStatus::NotAMovie},
        {"playlist.mp4", playlist, MovieStatus::NotAMovie},
        {"header_only.mp4", bytes.substr(0, 40), MovieStatus::NotAMovie},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(dir / c.name, c.content);
        Image frame;
        MovieFacts facts;
        EXPECT_EQ(readMovieFrame((dir / c.name).string(), frame, facts), c.status);
        EXPECT_TRUE(frame.empty());
    }
    Image frame;
    MovieFacts facts;
    EXPECT_EQ(readMovieFrame((dir / "missing.mp4").string(), frame, facts), MovieStatus::CannotOpen);
    EXPECT_STREQ(movieStatusText(MovieStatus::NoDecoder), "uses a video codec this program cannot decode");

    MovieFrameLimits tight;
    tight.maxPixels = 64 * 48 - 1;
    EXPECT_EQ(readMovieFrame(good, frame, facts, tight), MovieStatus::TooLarge);
}

struct CorpusMovie {
    const char* path;
    const char* container;
    const char* videoCodec;
    std::uint32_t width, height;
    int rotation;
    bool playable;
};

TEST_F(MovieFrame, EveryCorpusMovieGivesAnUprightPoster)
{
    QUORVANE_REQUIRE_CORPUS();
    const CorpusMovie movies[] = {
        {"movies/100_0306.AVI", "avi", "mjpeg", 320, 240, 0, false},
        {"movies/MVI_4823.mpeg", "mpeg", "mpeg1video", 640, 480, 0, false},
        {"movies/MVI_4823.wmv", "asf", "wmv2", 640, 480, 0, false},
        {"movies/MVI_4823_trim.avi", "avi", "mjpeg", 640, 480, 0, false},
        {"movies/sample_mpeg2.mpg", "mpeg", "mpeg2video", 0, 0, 0, false},
        {"modern/apple_iphone6_portrait_rot90.mov", "mov", "h264", 320, 568, 90, true},
        {"modern/apple_iphone6_portrait_rot90_hevc_derived.mov", "mov", "hevc", 320, 568, 90, false},
        {"modern/apple_iphone6_portrait_vp9_opus_derived.webm", "webm", "vp9", 320, 568, 0, true},
        {"modern/android_3gp5_brand_rot90.mp4", "3gp", "h264", 720, 1280, 90, true},
        {"modern/android_6_1080p_gps.mp4", "mp4", "h264", 1920, 1080, 0, true},
        {"modern/quicktime_sample.3gp", "3gp", "mpeg4", 176, 144, 0, false},
        {"modern/apple_ipod_sample_trim_derived.m4v", "m4v", "h264", 320, 240, 0, true},
        {"modern/sony_ilce7m3_avchd_remux_derived.mkv", "matroska", "h264", 1920, 1080, 0, false},
    };
    for (const CorpusMovie& movie : movies) {
        SCOPED_TRACE(movie.path);
        const fs::path path = test::corpusDir() / movie.path;
        if (!fs::exists(path))
            continue;
        Image frame;
        MovieFacts facts;
        ASSERT_EQ(readMovieFrame(path.string(), frame, facts), MovieStatus::Ok);
        EXPECT_EQ(facts.container, movie.container);
        EXPECT_EQ(facts.videoCodec, movie.videoCodec);
        EXPECT_EQ(facts.rotation, movie.rotation);
        EXPECT_EQ(facts.browserPlayable, movie.playable);
        EXPECT_GT(facts.durationSeconds, 0.1);
        if (movie.width != 0) {
            EXPECT_EQ(frame.width, movie.width);
            EXPECT_EQ(frame.height, movie.height);
        }
    }
}

// Mean absolute difference of two same-sized pictures, per sample.
double meanDifference(const Image& a, const Image& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.byteSize(); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.byteSize());
}

TEST_F(MovieFrame, RotatedPhoneClipMatchesTheCopyStoredUpright)
{
    QUORVANE_REQUIRE_CORPUS();
    // The WebM was turned upright when transcoded; the QuickTime original
    // stores the picture sideways with a rotation in its track.
    const fs::path turned = test::corpusDir() / "modern/apple_iphone6_portrait_rot90.mov";
    const fs::path upright = test::corpusDir() / "modern/apple_iphone6_portrait_vp9_opus_derived.webm";
    if (!fs::exists(turned) || !fs::exists(upright))
        GTEST_SKIP() << "modern/ clips are not present";
    Image a;
    Image b;
    MovieFacts facts;
    ASSERT_EQ(readMovieFrame(turned.string(), a, facts), MovieStatus::Ok);
    EXPECT_EQ(facts.creationTime.size(), 19u);
    ASSERT_EQ(readMovieFrame(upright.string(), b, facts), MovieStatus::Ok);
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    const double same = meanDifference(a, b);
    rotateImage(b, 180);
    const double upsideDown = meanDifference(a, b);
    EXPECT_LT(same, 20.0);
    EXPECT_GT(upsideDown, same * 2);
}

}  // namespace
}  // namespace quorvane
