#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "album/album_tree.h"
#include "jobs/thumbnail_generator.h"
#include "options/project_options.h"
#include "support/movie_clips.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

struct PosterAlbum {
    PosterAlbum() : root(std::make_unique<AlbumDirectory>((dir / "root").string()))
    {
        root->fullPath = root->name;
        fs::create_directories(root->fullPath);
        options.useDestPath = 0;
        options.intermediateActive = 1;
        options.intermediateWidth = 80;
        options.intermediateHeight = 60;
        options.thumbWidth = 40;
        options.thumbHeight = 30;
        options.thmDirImgWidth = 20;
        options.thmDirImgHeight = 15;
        options.nbDirThumbsX = 2;
        options.nbDirThumbsY = 1;
    }

    AlbumDirectory& folder(const std::string& name)
    {
        auto directory = std::make_unique<AlbumDirectory>(name);
        directory->fullPath = root->fullPath + "/" + name;
        directory->relativeDirectory = "/" + name;
        fs::create_directories(directory->fullPath);
        return *root->appendSubdirectory(std::move(directory));
    }

    void add(AlbumDirectory& directory, const std::string& name, int kind)
    {
        auto file = std::make_unique<AlbumPicture>(name, directory.fullPath, directory.relativeDirectory);
        file->mediaKind = kind;
        directory.appendFile(std::move(file));
    }

    void addClip(AlbumDirectory& directory, const std::string& name, int r, int g, int b)
    {
        test::ClipSpec spec;
        spec.frames = 3;
        spec.paint = [=](int, Image& picture) { test::paintSolid(picture, r, g, b); };
        ASSERT_EQ(test::writeClip(directory.fullPath + "/" + name, spec), "");
        add(directory, name, MediaMovie);
    }

    test::TempDir dir;
    std::unique_ptr<AlbumDirectory> root;
    ProjectOptions options;
};

Image load(const std::string& path)
{
    Image image;
    EXPECT_TRUE(image.loadJpeg(path)) << path;
    return image;
}

TEST(MoviePosters, MoviesGetPostersAndCellsAfterThePicturesAndBrokenOnesAreNamed)
{
    PosterAlbum album;
    AlbumDirectory& trip = album.folder("trip");
    album.addClip(trip, "a_clip.mp4", 30, 200, 30);
    Image red;
    red.allocate(64, 48, 3);
    test::paintSolid(red, 200, 30, 30);
    ASSERT_TRUE(red.saveJpeg(trip.fullPath + "/b_photo.jpg"));
    album.add(trip, "b_photo.jpg", MediaPicture);
    test::writeFile(fs::path(trip.fullPath) / "c_broken.mov", "not a movie");
    album.add(trip, "c_broken.mov", MediaMovie);

    ThumbnailGenerator generator(album.options, {}, 2);
    generator.generateAlbumImages(false, *album.root);

    // The clip and the photo are both 64 × 48: same fitting, same sizes.
    const Image poster = load(trip.fullPath + "/thm_a_clip.mp4.jpg");
    const Image thumbnail = load(trip.fullPath + "/thm_b_photo.jpg");
    EXPECT_EQ(poster.width, thumbnail.width);
    EXPECT_EQ(poster.height, thumbnail.height);
    EXPECT_EQ(load(trip.fullPath + "/inter_a_clip.mp4.jpg").width,
              load(trip.fullPath + "/inter_b_photo.jpg").width);
    EXPECT_GT(poster.at(10, 10)[1], 150);
    EXPECT_FALSE(fs::exists(trip.fullPath + "/thm_c_broken.mov.jpg"));
    EXPECT_EQ(generator.failedPictures(), 0);
    EXPECT_EQ(generator.failedMovies(),
              std::vector<std::string>{trip.fullPath + "/c_broken.mov is no movie this program reads"});

    // The picture takes the first cell, the poster the second.
    const Image mosaic = load(album.root->fullPath + "/thm_dir_trip.jpg");
    const std::uint8_t* first = mosaic.at(10, 7);
    const std::uint8_t* second = mosaic.at(30, 7);
    EXPECT_GT(first[0], 150);
    EXPECT_LT(first[1], 80);
    EXPECT_LT(second[0], 80);
    EXPECT_GT(second[1], 150);
}

TEST(MoviePosters, APictureThatCannotBeDecodedLeavesTheWholeMosaicToThePoster)
{
    PosterAlbum album;
    AlbumDirectory& trip = album.folder("trip");
    test::writeFile(fs::path(trip.fullPath) / "a_broken.jpg", "not a picture");
    album.add(trip, "a_broken.jpg", MediaPicture);
    album.addClip(trip, "b_clip.mp4", 30, 200, 30);

    ThumbnailGenerator generator(album.options, {}, 2);
    generator.generateAlbumImages(false, *album.root);
    EXPECT_EQ(generator.failedPictures(), 1);
    const Image mosaic = load(album.root->fullPath + "/thm_dir_trip.jpg");
    for (const std::uint32_t x : {10u, 30u}) {
        EXPECT_LT(mosaic.at(x, 7)[0], 80) << x;
        EXPECT_GT(mosaic.at(x, 7)[1], 150) << x;
    }
}

TEST(MoviePosters, WithoutTodaysFormatsMoviesAreLeftAloneAndMosaicsUnchanged)
{
    std::string withoutMovie;
    for (const bool movie : {false, true}) {
        PosterAlbum album;
        album.options.todaysFormats = 0;
        AlbumDirectory& trip = album.folder("trip");
        Image red;
        red.allocate(64, 48, 3);
        test::paintSolid(red, 200, 30, 30);
        ASSERT_TRUE(red.saveJpeg(trip.fullPath + "/b_photo.jpg"));
        album.add(trip, "b_photo.jpg", MediaPicture);
        if (movie)
            album.addClip(trip, "a_clip.avi", 30, 200, 30);
        ThumbnailGenerator generator(album.options, {}, 1);
        generator.generateAlbumImages(false, *album.root);
        const std::string mosaic = test::readFile(album.root->fullPath + "/thm_dir_trip.jpg");
        ASSERT_FALSE(mosaic.empty());
        if (!movie) {
            withoutMovie = mosaic;
            continue;
        }
        EXPECT_EQ(mosaic, withoutMovie);
        EXPECT_FALSE(fs::exists(trip.fullPath + "/thm_a_clip.avi.jpg"));
        EXPECT_TRUE(generator.failedMovies().empty());
    }
}

}  // namespace
}  // namespace quorvane
