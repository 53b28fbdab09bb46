#include "imaging/movie_web_copy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/movie_frame.h"
#include "support/movie_clips.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

int filesIn(const fs::path& folder)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

bool near(const Image& image, std::uint32_t x, std::uint32_t y, int r, int g, int b)
{
    const std::uint8_t* p = image.at(x, y);
    return std::abs(p[0] - r) <= 24 && std::abs(p[1] - g) <= 24 && std::abs(p[2] - b) <= 24;
}

TEST(MovieWebCopy, TurnedClipStaysTurnedWithItsIndexFirst)
{
    if (!test::hasEncoder("libx264"))
        GTEST_SKIP() << "this FFmpeg has no libx264";
    test::TempDir dir;
    const std::string source = (dir.path() / "phone.mov").string();
    const std::string target = (dir.path() / "web_phone.mov.mp4").string();
    test::ClipSpec spec;
    spec.frames = 10;
    spec.rotation = 90;
    // Left half red, right half blue.
    spec.paint = [](int, Image& picture) {
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            for (std::uint32_t x = 0; x < picture.width; ++x) {
                std::uint8_t* p = picture.at(x, y);
                p[0] = x < picture.width / 2 ? 220 : 20;
                p[1] = 20;
                p[2] = x < picture.width / 2 ? 20 : 220;
            }
        }
    };
    ASSERT_EQ(test::writeClip(source, spec), "");

    ASSERT_EQ(writeWebCopy(source, target), "");
    Image frame;
    MovieFacts facts;
    ASSERT_EQ(readMovieFrame(target, frame, facts), MovieStatus::Ok);
    EXPECT_EQ(facts.container + " " + facts.videoCodec + " " + std::to_string(facts.rotation), "mp4 h264 90");
    EXPECT_TRUE(facts.browserPlayable);
    ASSERT_EQ(frame.width, 48u);
    ASSERT_EQ(frame.height, 64u);
    // Turned a quarter clockwise, the left half is on top.
    EXPECT_TRUE(near(frame, 24, 8, 220, 20, 20));
    EXPECT_TRUE(near(frame, 24, 56, 20, 20, 220));
    EXPECT_NEAR(facts.durationSeconds, 1.0, 0.15);
    // Playback starts before the whole file has arrived.
    const std::string bytes = test::readFile(target);
    ASSERT_NE(bytes.find("mdat"), std::string::npos);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
    EXPECT_EQ(filesIn(dir.path()), 2);
}

TEST(MovieWebCopy, FailuresSayWhyAndLeaveNothing)
{
    test::TempDir dir;
    const fs::path broken = dir.path() / "broken.avi";
    test::writeFile(broken, "RIFF....AVI LIST");
    EXPECT_EQ(writeWebCopy(broken.string(), (dir.path() / "web_broken.avi.mp4").string()),
              "is no movie this program reads");
    EXPECT_EQ(filesIn(dir.path()), 1);

    if (!test::hasEncoder("libx264"))
        return;
    test::ClipSpec spec;
    spec.frames = 3;
    ASSERT_EQ(test::writeClip((dir.path() / "clip.avi").string(), spec), "");
    EXPECT_EQ(writeWebCopy((dir.path() / "clip.avi").string(), (dir.path() / "gone" / "web_clip.avi.mp4").string()),
              "cannot create a file beside it: No such file or directory");
    EXPECT_EQ(filesIn(dir.path()), 2);
}

TEST(MovieWebCopy, CameraAndPhoneMoviesKeepSoundLengthAndTurn)
{
    QUORVANE_REQUIRE_CORPUS();
    if (!test::hasEncoder("libx264"))
        GTEST_SKIP() << "this FFmpeg has no libx264";
    test::TempDir dir;
    struct Case {
        const char* path;
        std::uint32_t width, height;  // upright
    };
    for (const Case& movie : {Case{"movies/100_0306.AVI", 320, 240},
                              Case{"modern/apple_iphone6_portrait_rot90_hevc_derived.mov", 320, 568}}) {
        const fs::path source = test::corpusDir() / movie.path;
        if (!fs::exists(source))
            continue;
        const std::string target = (dir.path() / "copy.mp4").string();
        ASSERT_EQ(writeWebCopy(source.string(), target), "") << movie.path;
        MovieFacts original;
        MovieFacts copy;
        ASSERT_EQ(readMovieFacts(source.string(), original), MovieStatus::Ok);
        ASSERT_EQ(readMovieFacts(target, copy), MovieStatus::Ok);
        EXPECT_EQ(copy.videoCodec + " " + copy.audioCodec, "h264 aac") << movie.path;
        EXPECT_TRUE(copy.browserPlayable) << movie.path;
        EXPECT_EQ(copy.width, movie.width) << movie.path;
        EXPECT_EQ(copy.height, movie.height) << movie.path;
        EXPECT_NEAR(copy.durationSeconds, original.durationSeconds, 0.15) << movie.path;
    }
}

}  // namespace
}  // namespace quorvane
