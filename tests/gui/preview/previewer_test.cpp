#include "gui/preview/previewer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

#include <cmath>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "imaging/jpeg_io.h"
#include "imaging/resample.h"
#include "support/test_support.h"
#include "gui/app_test_support.h"

namespace quorvane::gui {
namespace {

class RecordingSink final : public StatusSink {
public:
    void showStateLine(std::string_view line) override { lines.emplace_back(line); }
    void showBusy(bool busy) override { busyChanges.push_back(busy); }

    std::vector<std::string> lines;
    std::vector<bool> busyChanges;
};

class PreviewerTest : public ::testing::Test {
protected:
    PreviewerTest() : log_(&sink_), previewer_(options_, log_)
    {
        test::application();
        options_.loadThumbnails = 0;
        options_.magFilter = FilterBilinear;
        options_.reduceFilter = FilterPoint;
    }

    std::unique_ptr<AlbumPicture> picture(const std::string& name, int kind = MediaPicture)
    {
        auto file = std::make_unique<AlbumPicture>(name, dir_.path().string(), "");
        file->mediaKind = kind;
        return file;
    }

    // A photograph-sized grey picture with a light square in its centre.
    void writePhoto(const std::string& name)
    {
        Image image;
        image.allocate(2592, 1944, 1);
        image.fill(40);
        for (std::uint32_t y = 800; y < 1100; ++y)
            std::memset(image.at(1100, y), 200, 400);
        ASSERT_TRUE(saveJpeg(image, (dir_ / name).string()));
    }

    test::TempDir dir_;
    GlobalOptions options_;
    RecordingSink sink_;
    StatusLog log_;
    Previewer previewer_;
};

TEST_F(PreviewerTest, PictureIsFittedAndDrawnCentredOnBlack)
{
    writePhoto("big.jpg");
    EXPECT_EQ(previewer_.window(), nullptr);
    previewer_.previewPicture(*picture("big.jpg"), nullptr);

    PreviewWindow* window = previewer_.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Photo Preview"));
    EXPECT_EQ(window->size(), QSize(621, 456));
    EXPECT_GT(window->maximumSize().width(), 621);
    ASSERT_TRUE(window->hasPicture());
    const Placement at = window->picturePlacement();
    EXPECT_EQ(at.left, 7);
    EXPECT_EQ(at.top, 0);
    EXPECT_EQ(at.width, 607);
    EXPECT_EQ(at.height, 455);

    ASSERT_EQ(sink_.lines.size(), 2u);
    EXPECT_EQ(sink_.lines[0], "State: Loading picture - big.jpg");
    EXPECT_TRUE(std::regex_match(sink_.lines[1],
                                 std::regex(R"(State: Loading complete - big\.jpg \(time decode:\d+\.\ds - time resize:\d+\.\ds\))")))
        << sink_.lines[1];
    EXPECT_EQ(sink_.busyChanges, (std::vector<bool>{true, false}));

    Image expected;
    ASSERT_TRUE(loadJpeg(expected, (dir_ / "big.jpg").string()));
    resample(expected, FilterPoint, 607, 455);
    const QImage shown = window->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(621, 456));
    for (const QPoint point : {QPoint(0, 0), QPoint(6, 200), QPoint(614, 455), QPoint(620, 10)})
        EXPECT_EQ(shown.pixel(point), qRgb(0, 0, 0)) << point.x() << "," << point.y();
    for (const QPoint point : {QPoint(0, 0), QPoint(303, 227), QPoint(250, 190), QPoint(606, 454)}) {
        const int grey = *expected.at(static_cast<std::uint32_t>(point.x()), static_cast<std::uint32_t>(point.y()));
        EXPECT_EQ(shown.pixel(point + QPoint(7, 0)), qRgb(grey, grey, grey)) << point.x() << "," << point.y();
    }
}

TEST_F(PreviewerTest, ThumbnailIsPreferredWhenAskedForAndPresent)
{
    options_.loadThumbnails = 1;
    writePhoto("big.jpg");
    // Without a thumbnail the source is used, without a word about it.
    previewer_.previewPicture(*picture("big.jpg"), nullptr);
    EXPECT_EQ(previewer_.window()->picturePlacement().width, 607);
    EXPECT_EQ(sink_.lines.size(), 2u);

    Image thumbnail;
    thumbnail.allocate(200, 150, 3);
    thumbnail.fill(0x0000FF);
    ASSERT_TRUE(saveJpeg(thumbnail, (dir_ / "thm_big.jpg").string()));
    previewer_.previewPicture(*picture("big.jpg"), nullptr);
    Image expected;
    ASSERT_TRUE(loadJpeg(expected, (dir_ / "thm_big.jpg").string()));
    resample(expected, FilterBilinear, 607, 455);
    const QImage shown = previewer_.window()->grab().toImage();
    const std::uint8_t* rgb = expected.at(293, 200);
    EXPECT_EQ(shown.pixel(300, 200), qRgb(rgb[0], rgb[1], rgb[2]));
    EXPECT_GT(rgb[0], 200);
}

TEST_F(PreviewerTest, UnreadableFileIsReportedAndShowsNothing)
{
    writePhoto("big.jpg");
    previewer_.previewPicture(*picture("big.jpg"), nullptr);
    test::writeFile(dir_ / "broken.jpg", "garbage");
    sink_.lines.clear();
    sink_.busyChanges.clear();
    previewer_.previewPicture(*picture("broken.jpg"), nullptr);
    EXPECT_EQ(sink_.lines, (std::vector<std::string>{"State: Loading picture - broken.jpg",
                                                     "State: Error reading file !"}));
    EXPECT_EQ(sink_.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(previewer_.window()->hasPicture());
    EXPECT_EQ(previewer_.window()->grab().toImage().pixel(300, 200), qRgb(0, 0, 0));
}

TEST_F(PreviewerTest, ClosingHidesTheWindowAndTheNextSelectionShowsItAgain)
{
    writePhoto("big.jpg");
    previewer_.previewPicture(*picture("big.jpg"), nullptr);
    PreviewWindow* window = previewer_.window();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    previewer_.previewPicture(*picture("big.jpg"), nullptr);
    EXPECT_EQ(previewer_.window(), window);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(PreviewerTest, MovieReplayStartsAndStopsWhenAPictureIsSelected)
{
    writePhoto("big.jpg");
    previewer_.previewPicture(*picture("big.jpg"), nullptr);
    sink_.lines.clear();
    sink_.busyChanges.clear();
    test::writeFile(dir_ / "clip.avi", "not really a movie");
    previewer_.previewFile(*picture("clip.avi", MediaMovie), nullptr);

    EXPECT_EQ(sink_.lines, (std::vector<std::string>{"State: Start movie replay (clip.avi)"}));
    EXPECT_TRUE(sink_.busyChanges.empty());
    PreviewWindow* window = previewer_.window();
    EXPECT_FALSE(window->hasPicture());
    MoviePlayer& movie = previewer_.moviePlayer();
    ASSERT_TRUE(movie.hasMovie());
    ASSERT_NE(movie.videoWidget(), nullptr);
    EXPECT_EQ(movie.videoWidget()->parentWidget(), window);

    // The main window's timer repaints the preview on its next two ticks.
    EXPECT_EQ(previewer_.repaintCount(), 2);
    previewer_.timerTick();
    previewer_.timerTick();
    previewer_.timerTick();
    EXPECT_EQ(previewer_.repaintCount(), 0);

    // A file that nothing can play breaks nothing.
    QTest::qWait(200);
    EXPECT_FALSE(movie.videoWidget()->isVisible());

    previewer_.previewFile(*picture("big.jpg"), nullptr);
    EXPECT_FALSE(movie.hasMovie());
    EXPECT_TRUE(window->findChildren<QVideoWidget*>().isEmpty());
    EXPECT_TRUE(window->hasPicture());
}

TEST_F(PreviewerTest, VideoIsPlacedByItsSizeWhenTheFrameArrives)
{
    test::writeFile(dir_ / "clip.avi", "");
    previewer_.previewMovie(*picture("clip.avi", MediaMovie));
    QVideoWidget* video = previewer_.moviePlayer().videoWidget();
    ASSERT_NE(video, nullptr);
    EXPECT_FALSE(video->isVisible());

    QVideoFrame frame(QVideoFrameFormat(QSize(320, 240), QVideoFrameFormat::Format_XRGB8888));
    video->videoSink()->setVideoFrame(frame);
    QCoreApplication::processEvents();
    EXPECT_EQ(video->geometry(), QRect(6, 0, 608, 456));
    EXPECT_TRUE(video->isVisible());
}

// One second of a quiet 440 Hz tone as 8 kHz mono PCM, in a RIFF file.
std::string toneWave()
{
    const auto little = [](std::uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return out;
    };
    constexpr std::uint32_t kRate = 8000;
    std::string samples;
    for (std::uint32_t i = 0; i < kRate; ++i)
        samples += little(static_cast<std::uint16_t>(static_cast<std::int16_t>(
                              2000 * std::sin(2 * 3.14159265 * 440 * i / kRate))),
                          2);
    return "RIFF" + little(36 + static_cast<std::uint32_t>(samples.size()), 4) + "WAVEfmt " +
           little(16, 4) + little(1, 2) + little(1, 2) + little(kRate, 4) + little(2 * kRate, 4) +
           little(2, 2) + little(16, 2) + "data" + little(static_cast<std::uint32_t>(samples.size()), 4) +
           samples;
}

// Counts the ends of the stream and reports when playback has gone round.
bool waitForLoop(QMediaPlayer& player, int& ends)
{
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &player, [&ends](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            ++ends;
    });
    return QTest::qWaitFor([&] { return ends > 0 && player.position() < player.duration() / 2 &&
                                        player.playbackState() == QMediaPlayer::PlayingState; },
                           15000);
}

TEST_F(PreviewerTest, SoundOnlyFilePlaysLoopingWithAnEmptyWindow)
{
    test::writeFile(dir_ / "sound.avi", toneWave());
    previewer_.previewMovie(*picture("sound.avi", MediaMovie));
    QMediaPlayer* player = previewer_.moviePlayer().mediaPlayer();
    ASSERT_NE(player, nullptr);
    int ends = 0;
    const bool looped = waitForLoop(*player, ends);
    if (ends == 0)
        GTEST_SKIP() << "no installed decoder played the sound";
    EXPECT_TRUE(looped);
    EXPECT_TRUE(previewer_.moviePlayer().isAudioOnly());
    EXPECT_FALSE(previewer_.moviePlayer().videoWidget()->isVisible());
    EXPECT_FALSE(previewer_.window()->hasPicture());
}

TEST_F(PreviewerTest, CorpusMovieLoopsAtTheEndOfTheStream)
{
    QUORVANE_REQUIRE_CORPUS();
    const std::filesystem::path movies = test::corpusDir() / "movies";
    AlbumPicture movie("100_0306.AVI", movies.string(), "");
    movie.mediaKind = MediaMovie;
    previewer_.previewMovie(movie);
    QMediaPlayer* player = previewer_.moviePlayer().mediaPlayer();
    ASSERT_NE(player, nullptr);

    // The clip lasts under three seconds; slow decoders get room.
    int ends = 0;
    const bool looped = waitForLoop(*player, ends);
    if (ends == 0)
        GTEST_SKIP() << "no installed decoder played " << movie.fileName;
    EXPECT_TRUE(looped) << "ended " << ends << " times, at " << player->position();
    EXPECT_EQ(previewer_.moviePlayer().videoWidget()->geometry(), QRect(6, 0, 608, 456));
}

}  // namespace
}  // namespace quorvane::gui
