#include "jobs/thumbnail_generator.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/jpeg_io.h"
#include "imaging/resample.h"
#include "support/test_support.h"
#include "thumbnail_test_album.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using namespace thumbtest;

TEST(ThumbnailPaths, DestinationFolderAndSourceTree)
{
    TestAlbum album;
    AlbumDirectory& holidays = album.addDirectory(*album.root, "Holidays");
    AlbumPicture& picture = album.addPicture(holidays, "P.jpg", solid(40, 30, kRed));
    const std::string O = album.options.outputFolder;
    const std::string D = holidays.fullPath;

    album.options.useDestPath = 1;
    ThumbnailGenerator destination(album.options);
    EXPECT_EQ(destination.sourcePath(picture), D + "/P.jpg");
    EXPECT_EQ(destination.thumbnailPath(picture), O + "/Holidays/thm_P.jpg");
    EXPECT_EQ(destination.intermediatePath(picture), O + "/Holidays/inter_P.jpg");
    EXPECT_EQ(destination.copiedSourcePath(picture), O + "/Holidays/P.jpg");
    EXPECT_EQ(destination.directoryThumbnailPath(*album.root, holidays), O + "/thm_dir_Holidays.jpg");
    EXPECT_EQ(destination.destinationDirectory(*album.root), O);
    EXPECT_EQ(destination.destinationDirectory(holidays), O + "/Holidays");

    album.options.useDestPath = 0;
    ThumbnailGenerator source(album.options);
    EXPECT_EQ(source.thumbnailPath(picture), D + "/thm_P.jpg");
    EXPECT_EQ(source.intermediatePath(picture), D + "/inter_P.jpg");
    EXPECT_EQ(source.directoryThumbnailPath(*album.root, holidays), album.root->fullPath + "/thm_dir_Holidays.jpg");
}

TEST(ThumbnailGeneration, DestinationFolderReceivesEveryGeneratedFileAndTheCopies)
{
    TestAlbum album;
    AlbumDirectory& holidays = album.addDirectory(*album.root, "Holidays");
    album.addPicture(holidays, "P.jpg", solid(400, 300, kRed));
    album.options.useDestPath = 1;
    album.options.copySource = 1;
    album.options.intermediateActive = 1;

    EXPECT_EQ(generateAlbumImages(*album.root, album.options, false), 0);

    // 400 × 300 is smaller than the 640 × 480 box: enlarged with Bilinear.
    EXPECT_EQ(load(album.out("Holidays/inter_P.jpg")).width, 640u);
    // The thumbnail comes from that: ry = single(480/150) = 3.2000000477 beats
    // rx = 3.2, and 640 / ry = 199.999997, 480 / ry = 149.999998.
    const Image thumbnail = load(album.out("Holidays/thm_P.jpg"));
    EXPECT_EQ(thumbnail.width, 199u);
    EXPECT_EQ(thumbnail.height, 149u);
    EXPECT_EQ(test::readFile(album.out("Holidays/P.jpg")), test::readFile(album.in(holidays, "P.jpg")));
    EXPECT_FALSE(ThumbnailGenerator::fileMissing(album.out("thm_dir_Holidays.jpg").string()));
    // Nothing was written into the source tree.
    int sourceFiles = 0;
    for ([[maybe_unused]] const auto& entry : fs::recursive_directory_iterator(album.root->fullPath))
        ++sourceFiles;
    EXPECT_EQ(sourceFiles, 2);  // Holidays and P.jpg
    EXPECT_EQ(temporaryFiles(album.dir.path()), 0);
}

TEST(ThumbnailGeneration, SecondRunKeepsThumbnailsAndIntermediatesButRemakesDirectoryThumbnails)
{
    TestAlbum album;
    album.options.intermediateActive = 1;
    album.addPicture(*album.root, "p.jpg", solid(320, 240, kBlue));
    AlbumDirectory& a = album.addDirectory(*album.root, "A");
    album.addPicture(a, "a1.jpg", solid(320, 240, kRed));
    album.addPicture(a, "a2.jpg", solid(320, 240, kGreen));
    useGrid(album.options, 64, 48, 2, 1);
    album.options.thumbWidth = 64;
    album.options.thumbHeight = 48;

    EXPECT_EQ(generateAlbumImages(*album.root, album.options, false), 0);
    // Stand-ins that a remade file would replace: white pictures of the
    // sizes the project gives, and junk for the directory thumbnail.
    const auto white = [&album](std::uint32_t width, std::uint32_t height) {
        const fs::path path = album.dir / ("white" + std::to_string(width) + ".jpg");
        EXPECT_TRUE(solid(width, height, kWhite).saveJpeg(path.string()));
        return test::readFile(path);
    };
    const std::string whiteThumbnail = white(64, 48), whiteIntermediate = white(640, 480);
    const std::vector<fs::path> made = {album.in(*album.root, "thm_p.jpg"), album.in(*album.root, "inter_p.jpg"),
                                        album.in(a, "thm_a1.jpg"),          album.in(a, "inter_a1.jpg"),
                                        album.in(a, "thm_a2.jpg"),          album.in(a, "inter_a2.jpg")};
    const auto sentinelOf = [&](const fs::path& path) {
        return path.filename().string().starts_with("thm_") ? whiteThumbnail : whiteIntermediate;
    };
    for (const fs::path& path : made) {
        ASSERT_TRUE(fs::exists(path)) << path;
        test::writeFile(path, sentinelOf(path));
    }
    const fs::path directoryThumbnail = album.in(*album.root, "thm_dir_A.jpg");
    test::writeFile(directoryThumbnail, "junk");

    std::vector<std::string> progress;
    ThumbnailGenerator generator(album.options, [&](const std::string& path) { progress.push_back(path); });
    generator.generateAlbumImages(false, *album.root);

    EXPECT_EQ(progress, (std::vector<std::string>{album.in(*album.root, "p.jpg").string(),
                                                  album.in(a, "a1.jpg").string(), album.in(a, "a2.jpg").string()}));
    for (const fs::path& path : made)
        EXPECT_TRUE(test::readFile(path) == sentinelOf(path)) << path;
    // Remade, with its cells taken from the (white) thumbnail files.
    const Image composite = load(directoryThumbnail);
    EXPECT_EQ(composite.width, 129u);
    EXPECT_TRUE(looksLike(composite, 32, 24, kWhite));
    EXPECT_TRUE(looksLike(composite, 96, 24, kWhite));

    // Forced: everything is made again from the sources.
    generator.generateAlbumImages(true, *album.root);
    for (const fs::path& path : made)
        EXPECT_FALSE(test::readFile(path) == sentinelOf(path)) << path;
    EXPECT_TRUE(looksLike(load(album.in(a, "thm_a1.jpg")), 32, 24, kRed));
    EXPECT_TRUE(looksLike(load(directoryThumbnail), 96, 24, kGreen));
}

// Twin albums, built alike: one keeps current directory thumbnails, the
// other remakes them all as before, so what the first remakes must match it.
TEST(ThumbnailGeneration, KeptDirectoryThumbnailsAreRemadeOnlyWhenACellChanges)
{
    struct Twin {
        TestAlbum album;
        AlbumDirectory* a = nullptr;
        AlbumDirectory* b = nullptr;
        AlbumDirectory* c = nullptr;
    };
    Twin twins[2];
    for (Twin& twin : twins) {
        ProjectOptions& options = twin.album.options;
        options.useDestPath = 1;
        options.highDensity = 1;
        options.todaysFormats = 1;
        useGrid(options, 40, 30, 2, 2);
        options.thumbWidth = 40;
        options.thumbHeight = 30;
        twin.a = &twin.album.addDirectory(*twin.album.root, "A");
        twin.c = &twin.album.addDirectory(*twin.album.root, "C");
        twin.b = &twin.album.addDirectory(*twin.a, "B");
        twin.album.addPicture(*twin.a, "a1.jpg", solid(64, 48, kRed));
        twin.album.addPicture(*twin.b, "b1.jpg", solid(64, 48, kGreen));
        twin.album.addPicture(*twin.b, "b2.jpg", solid(48, 64, kYellow));
        // Four take C's cells; the fifth, unreadable, takes none.
        for (const char* name : {"c1.jpg", "c2.jpg", "c3.jpg", "c4.jpg"})
            twin.album.addPicture(*twin.c, name, solid(64, 48, kMagenta));
        twin.album.addPicture(*twin.c, "broken.jpg", "not a picture");
    }
    const auto settingsSaved = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const auto run = [&] {
        ThumbnailGenerator keeping(twins[0].album.options, {}, 2);
        keeping.keepCurrentDirectoryThumbnails(settingsSaved);
        keeping.generateAlbumImages(false, *twins[0].album.root);
        // Still said every run, although C's thumbnail is kept.
        EXPECT_EQ(keeping.failedPictures(), 1);
        EXPECT_EQ(generateAlbumImages(*twins[1].album.root, twins[1].album.options, false, {}, 2), 1);
    };
    const std::vector<std::string> names = {"thm_dir_A.jpg", "thm_dir_A@2x.jpg", "A/thm_dir_B.jpg",
                                            "A/thm_dir_B@2x.jpg", "thm_dir_C.jpg"};
    const auto inodes = [&] {
        std::vector<ino_t> numbers;
        for (const std::string& name : names) {
            struct stat status {};
            EXPECT_EQ(::stat(twins[0].album.out(name).c_str(), &status), 0) << name;
            numbers.push_back(status.st_ino);
        }
        return numbers;
    };
    // Replaced (a new file) and as the twin made it, or left alone.
    const auto expectRemade = [&](const std::vector<ino_t>& before, std::size_t count) {
        const std::vector<ino_t> after = inodes();
        for (std::size_t n = 0; n < names.size(); ++n) {
            EXPECT_EQ(after[n] != before[n], n < count) << names[n];
            if (n < count) {
                EXPECT_TRUE(test::readFile(twins[0].album.out(names[n])) ==
                            test::readFile(twins[1].album.out(names[n])))
                    << names[n];
            }
        }
    };
    run();
    std::vector<ino_t> before = inodes();
    run();
    expectRemade(before, 0);

    // A picture replaced under its name: its folder and the one above.
    before = inodes();
    for (Twin& twin : twins) {
        const fs::path b1 = twin.album.in(*twin.b, "b1.jpg");
        ASSERT_TRUE(solid(64, 48, kBlue).saveJpeg(b1.string()));
        fs::last_write_time(b1, fs::file_time_type::clock::now() + std::chrono::seconds(5));
    }
    run();
    expectRemade(before, 4);
    EXPECT_TRUE(looksLike(load(twins[0].album.out("A/thm_dir_B.jpg")), 20, 15, kBlue));

    // A picture added.
    before = inodes();
    for (Twin& twin : twins)
        twin.album.addPicture(*twin.b, "b3.jpg", solid(64, 48, kWhite));
    run();
    expectRemade(before, 4);

    // A picture removed: only its folder's time tells (the others' files
    // are older than the directory thumbnail), set ahead as a later removal
    // would.
    before = inodes();
    for (Twin& twin : twins) {
        fs::remove(twin.album.in(*twin.b, "b1.jpg"));
        twin.b->files.remove(twin.b->files.first());
        fs::last_write_time(twin.b->fullPath, fs::file_time_type::clock::now() + std::chrono::seconds(10));
    }
    run();
    expectRemade(before, 4);
    EXPECT_TRUE(looksLike(load(twins[0].album.out("A/thm_dir_B.jpg")), 20, 15, kYellow));
}

TEST(ThumbnailGeneration, ThumbnailIsTheShrunkIntermediateNotTheShrunkSource)
{
    TestAlbum album;
    album.options.intermediateActive = 1;
    album.options.intermediateWidth = 80;
    album.options.intermediateHeight = 60;
    album.options.thumbWidth = 20;
    album.options.thumbHeight = 15;
    album.options.reduceFilter = FilterLanczos3;
    album.options.fastDecoding = 0;  // the roads are compared from a full decoding
    Image noise;
    noise.allocate(200, 150, 3);
    std::mt19937 random(11);
    for (std::size_t i = 0; i < noise.byteSize(); ++i)
        noise.pixels[i] = static_cast<std::uint8_t>(random());
    album.addPicture(*album.root, "n.jpg", noise);

    // What the two roads give, made by hand from the decoded source.
    Image intermediate = load(album.in(*album.root, "n.jpg"));
    resample(intermediate, FilterLanczos3, 80, 60);
    const std::string expectedIntermediate = (album.dir / "expected_inter.jpg").string();
    ASSERT_TRUE(intermediate.saveJpeg(expectedIntermediate));
    resample(intermediate, FilterLanczos3, 20, 15);
    const std::string throughIntermediate = (album.dir / "through_inter.jpg").string();
    ASSERT_TRUE(intermediate.saveJpeg(throughIntermediate));
    Image direct = load(album.in(*album.root, "n.jpg"));
    resample(direct, FilterLanczos3, 20, 15);
    const std::string fromSource = (album.dir / "from_source.jpg").string();
    ASSERT_TRUE(direct.saveJpeg(fromSource));
    ASSERT_NE(test::readFile(throughIntermediate), test::readFile(fromSource));

    generateAlbumImages(*album.root, album.options, false);
    EXPECT_EQ(test::readFile(album.in(*album.root, "inter_n.jpg")), test::readFile(expectedIntermediate));
    EXPECT_EQ(test::readFile(album.in(*album.root, "thm_n.jpg")), test::readFile(throughIntermediate));

    // Only the thumbnail missing: it is made from the source.
    fs::remove(album.in(*album.root, "thm_n.jpg"));
    generateAlbumImages(*album.root, album.options, false);
    EXPECT_EQ(test::readFile(album.in(*album.root, "thm_n.jpg")), test::readFile(fromSource));
}

TEST(ThumbnailGeneration, PicturesFillTheFirstCellsThenSubdirectoriesAndMoviesTakeNone)
{
    TestAlbum album;
    useGrid(album.options, 64, 48, 5, 4);
    album.options.thumbWidth = 64;
    album.options.thumbHeight = 48;
    AlbumDirectory& a = album.addDirectory(*album.root, "A");
    album.addPicture(a, "p0.jpg", solid(160, 120, kRed));
    album.addPicture(a, "p1.jpg", solid(160, 120, kGreen));
    album.addMovie(a, "m.avi", "RIFF movie");
    album.addPicture(a, "p2.jpg", solid(160, 120, kBlue));
    album.addPicture(album.addDirectory(a, "S1"), "y.jpg", solid(160, 120, kYellow));
    album.addPicture(album.addDirectory(a, "S2"), "m.jpg", solid(160, 120, kMagenta));

    ThumbnailGenerator generator(album.options);
    Image composite;
    generator.makeComposite(composite);
    generator.generateDirectoryImages(false, a, &composite);

    ASSERT_EQ(composite.width, 324u);
    ASSERT_EQ(composite.height, 195u);
    EXPECT_TRUE(looksLike(composite, 32, 24, kRed));
    EXPECT_TRUE(looksLike(composite, 64 + 32, 24, kGreen));
    EXPECT_TRUE(looksLike(composite, 128 + 32, 24, kBlue));
    // A subdirectory's 324 × 195 composite shrinks to 64 × 38 (ratio 5.0625);
    // its own first cell covers the top-left 12 × 9 of that.
    EXPECT_TRUE(looksLike(composite, 192 + 4, 3, kYellow));
    EXPECT_TRUE(looksLike(composite, 256 + 4, 3, kMagenta));
    EXPECT_TRUE(isBlack(composite, 192 + 32, 40));  // below the 38 rows
    EXPECT_TRUE(isBlack(composite, 32, 48 + 24));   // cell 5: nothing
    for (std::uint32_t y = 0; y < 195; ++y)
        EXPECT_TRUE(isBlack(composite, 320, y));    // the spare strip on the right

    EXPECT_TRUE(fs::exists(album.in(a, "thm_dir_S1.jpg")));
    EXPECT_TRUE(fs::exists(album.in(a, "thm_dir_S2.jpg")));
    EXPECT_FALSE(fs::exists(album.in(a, "thm_m.avi")));
}

TEST(ThumbnailGeneration, CompositeCellsStartAtWholeMultiplesOfTheCellSize)
{
    TestAlbum album;
    useGrid(album.options, 64, 48, 5, 4);
    album.options.thumbWidth = 64;
    album.options.thumbHeight = 48;
    album.options.reduceFilter = FilterPoint;
    album.options.magFilter = FilterPoint;
    const Rgb colours[5] = {kRed, kGreen, kBlue, kYellow, kMagenta};
    AlbumDirectory& a = album.addDirectory(*album.root, "A");
    for (int k = 0; k < 5; ++k)
        album.addPicture(a, "p" + std::to_string(k) + ".jpg", solid(64, 48, colours[k]));

    ThumbnailGenerator generator(album.options);
    Image composite;
    generator.makeComposite(composite);
    EXPECT_EQ(composite.width, 324u);  // 5 × 65 − 1
    EXPECT_EQ(composite.height, 195u); // 4 × 49 − 1
    generator.generateDirectoryImages(false, a, &composite);
    for (std::uint32_t k = 0; k < 5; ++k) {
        EXPECT_TRUE(looksLike(composite, 64 * k, 0, colours[k])) << k;
        EXPECT_TRUE(looksLike(composite, 64 * k + 63, 47, colours[k])) << k;
        EXPECT_TRUE(isBlack(composite, 64 * k, 48)) << k;
    }
}

TEST(ThumbnailGeneration, TwentyFirstPictureOfAFiveByFourGridGetsAThumbnailButNoCell)
{
    TestAlbum album;
    useGrid(album.options, 64, 48, 5, 4);
    album.options.thumbWidth = 64;
    album.options.thumbHeight = 48;
    AlbumDirectory& a = album.addDirectory(*album.root, "A");
    for (int k = 0; k < 21; ++k)
        album.addPicture(a, "p" + std::to_string(100 + k) + ".jpg", solid(64, 48, k < 20 ? kBlue : kWhite));

    ThumbnailGenerator generator(album.options);
    Image composite;
    generator.makeComposite(composite);
    generator.generateDirectoryImages(false, a, &composite);

    for (int k = 0; k < 21; ++k)
        EXPECT_TRUE(fs::exists(album.in(a, "thm_p" + std::to_string(100 + k) + ".jpg"))) << k;
    for (std::uint32_t n = 0; n < 20; ++n)
        EXPECT_TRUE(looksLike(composite, (n % 5) * 64 + 32, (n / 5) * 48 + 24, kBlue)) << n;
    // A 21st cell would start at row 192 and be cut to the canvas's last
    // three rows: they stay black.
    for (std::uint32_t y = 192; y < 195; ++y)
        for (std::uint32_t x = 0; x < 324; ++x)
            ASSERT_TRUE(isBlack(composite, x, y)) << x << "," << y;
}

TEST(ThumbnailGeneration, MoviesAreCopiedNotThumbnailedAndCopiesAreNeverOverwritten)
{
    TestAlbum album;
    album.options.useDestPath = 1;
    album.options.copySource = 1;
    album.addPicture(*album.root, "P.jpg", solid(80, 60, kRed));
    album.addMovie(*album.root, "clip.avi", std::string(250000, 'm'));  // several copy blocks
    album.addMovie(*album.root, "gone.avi", "");
    fs::remove(album.in(*album.root, "gone.avi"));  // listed, then deleted before the job
    fs::create_directories(album.options.outputFolder);
    test::writeFile(album.out("P.jpg"), "an older copy");

    EXPECT_EQ(generateAlbumImages(*album.root, album.options, true), 0);

    EXPECT_EQ(test::readFile(album.out("clip.avi")), std::string(250000, 'm'));
    EXPECT_FALSE(fs::exists(album.out("thm_clip.avi")));
    EXPECT_FALSE(fs::exists(album.out("inter_clip.avi")));
    EXPECT_EQ(test::readFile(album.out("P.jpg")), "an older copy");
    EXPECT_TRUE(fs::exists(album.out("thm_P.jpg")));
    // A source that cannot be read leaves no empty copy to pass for a real one.
    EXPECT_FALSE(fs::exists(album.out("gone.avi")));
    EXPECT_EQ(temporaryFiles(album.dir.path()), 0);

    // Without copySource nothing is copied.
    album.options.copySource = 0;
    album.options.outputFolder = (album.dir / "out2").string();
    generateAlbumImages(*album.root, album.options, false);
    EXPECT_FALSE(fs::exists(album.out("clip.avi")));
    EXPECT_TRUE(fs::exists(album.out("thm_P.jpg")));
}

TEST(ThumbnailGeneration, SmallPictureIsEnlargedToTheBoxOrKeptWithMagFilterNone)
{
    TestAlbum album;
    album.addPicture(*album.root, "s.jpg", solid(50, 40, kGreen));
    // rx = 0.25, ry = single(40/150) = 0.26666668 wins: 50 / ry = 187.49…,
    // 40 / ry = 149.99999… → 187 × 149.
    album.options.magFilter = FilterBilinear;
    generateAlbumImages(*album.root, album.options, true);
    Image enlarged = load(album.in(*album.root, "thm_s.jpg"));
    EXPECT_EQ(enlarged.width, 187u);
    EXPECT_EQ(enlarged.height, 149u);

    album.options.magFilter = FilterNone;
    generateAlbumImages(*album.root, album.options, true);
    Image kept = load(album.in(*album.root, "thm_s.jpg"));
    EXPECT_EQ(kept.width, 50u);
    EXPECT_EQ(kept.height, 40u);
}

TEST(ThumbnailGeneration, UndecodablePictureIsSkippedCountedAndGivesItsCellToTheNext)
{
    TestAlbum album;
    album.options.intermediateActive = 1;
    useGrid(album.options, 64, 48, 3, 1);
    album.options.thumbWidth = 64;
    album.options.thumbHeight = 48;
    AlbumDirectory& a = album.addDirectory(*album.root, "A");
    album.addPicture(a, "good1.jpg", solid(128, 96, kRed));
    album.addPicture(a, "bad.jpg", "not a picture at all");
    album.addPicture(a, "good2.jpg", solid(128, 96, kBlue));

    EXPECT_EQ(generateAlbumImages(*album.root, album.options, false), 1);
    EXPECT_FALSE(fs::exists(album.in(a, "thm_bad.jpg")));
    EXPECT_FALSE(fs::exists(album.in(a, "inter_bad.jpg")));
    EXPECT_EQ(temporaryFiles(album.dir.path()), 0);
    Image composite = load(album.in(*album.root, "thm_dir_A.jpg"));
    EXPECT_TRUE(looksLike(composite, 32, 24, kRed));
    EXPECT_TRUE(looksLike(composite, 64 + 32, 24, kBlue));
    EXPECT_TRUE(looksLike(composite, 128 + 32, 24, {0, 0, 0}));

    // A damaged thumbnail file is made again, and its picture keeps its cell.
    test::writeFile(album.in(a, "thm_good1.jpg"), "damaged");
    EXPECT_EQ(generateAlbumImages(*album.root, album.options, false), 1);
    EXPECT_TRUE(looksLike(load(album.in(a, "thm_good1.jpg")), 32, 24, kRed));
    composite = load(album.in(*album.root, "thm_dir_A.jpg"));
    EXPECT_TRUE(looksLike(composite, 32, 24, kRed));
    EXPECT_TRUE(looksLike(composite, 64 + 32, 24, kBlue));
}

TEST(ThumbnailGeneration, PictureLargerThanItsCellIsClippedToTheCell)
{
    // A shrinking filter code outside 0–3 leaves every picture at its size.
    TestAlbum album;
    album.options.reduceFilter = 7;
    useGrid(album.options, 64, 48, 2, 2);
    AlbumDirectory& a = album.addDirectory(*album.root, "A");
    album.addPicture(a, "big.jpg", solid(300, 200, kYellow));

    ThumbnailGenerator generator(album.options);
    Image composite;
    generator.makeComposite(composite);
    ASSERT_EQ(composite.width, 129u);
    ASSERT_EQ(composite.height, 97u);
    generator.generateDirectoryImages(false, a, &composite);

    EXPECT_EQ(load(album.in(a, "thm_big.jpg")).width, 300u);
    for (std::uint32_t y = 0; y < 97; ++y)
        for (std::uint32_t x = 0; x < 129; ++x) {
            if (x < 64 && y < 48)
                ASSERT_TRUE(looksLike(composite, x, y, kYellow));
            else
                ASSERT_TRUE(isBlack(composite, x, y)) << x << "," << y;
        }
}

TEST(ThumbnailGeneration, FailedWriteLeavesNoFileSoTheNextRunMakesIt)
{
    TestAlbum album;
    album.addPicture(*album.root, "p.jpg", solid(80, 60, kRed));
    album.options.thumbWidth = 0;  // an empty thumbnail cannot be encoded

    ThumbnailGenerator generator(album.options);
    generator.generateAlbumImages(false, *album.root);
    EXPECT_EQ(generator.failedWrites(), 1);
    EXPECT_EQ(generator.failedPictures(), 0);
    EXPECT_FALSE(fs::exists(album.in(*album.root, "thm_p.jpg")));
    EXPECT_EQ(temporaryFiles(album.dir.path()), 0);

    album.options.thumbWidth = 40;
    generateAlbumImages(*album.root, album.options, false);
    EXPECT_EQ(load(album.in(*album.root, "thm_p.jpg")).width, 40u);
}

}  // namespace
}  // namespace quorvane
