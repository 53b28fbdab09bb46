#pragma once

// An album on disk for the thumbnail tests, and what they check pictures with.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "imaging/image.h"
#include "jobs/thumbnail_generator.h"
#include "support/test_support.h"

namespace quorvane::thumbtest {

namespace fs = std::filesystem;

struct Rgb {
    int r, g, b;
};

inline constexpr Rgb kRed{200, 30, 30};
inline constexpr Rgb kGreen{30, 200, 30};
inline constexpr Rgb kBlue{30, 30, 200};
inline constexpr Rgb kYellow{220, 220, 30};
inline constexpr Rgb kMagenta{220, 30, 220};
inline constexpr Rgb kWhite{255, 255, 255};

inline Image solid(std::uint32_t width, std::uint32_t height, Rgb colour)
{
    Image image;
    image.allocate(width, height, 3);
    image.fill(std::uint32_t(colour.r) | std::uint32_t(colour.g) << 8 | std::uint32_t(colour.b) << 16);
    return image;
}

// Pixel colours that went through JPEG compression, so within a few levels.
inline ::testing::AssertionResult looksLike(const Image& image, std::uint32_t x, std::uint32_t y, Rgb colour)
{
    const std::uint8_t* p = image.at(x, y);
    const int expected[3] = {colour.r, colour.g, colour.b};
    for (int k = 0; k < 3; ++k)
        if (std::abs(int(p[k]) - expected[k]) > 8)
            return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << int(p[0]) << ","
                                                 << int(p[1]) << "," << int(p[2]);
    return ::testing::AssertionSuccess();
}

inline bool isBlack(const Image& image, std::uint32_t x, std::uint32_t y)
{
    const std::uint8_t* p = image.at(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

inline Image load(const fs::path& path)
{
    Image image;
    EXPECT_TRUE(image.loadJpeg(path.string())) << path;
    return image;
}

// Files below a folder whose names end in ".tmp": none may be left behind.
inline int temporaryFiles(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.path().extension() == ".tmp";
    return count;
}

// An album on disk and the tree a scan would have built for it.
class TestAlbum {
public:
    TestAlbum() : root(std::make_unique<AlbumDirectory>((dir / "root").string()))
    {
        root->fullPath = root->name;
        fs::create_directories(root->fullPath);
        options.useDestPath = 0;
        options.intermediateActive = 0;
        options.outputFolder = (dir / "out").string();
        // The grid and files of a project made before today's formats and
        // twice-size images.
        options.todaysFormats = 0;
        options.highDensity = 0;
    }

    AlbumDirectory& addDirectory(AlbumDirectory& parent, const std::string& name)
    {
        auto directory = std::make_unique<AlbumDirectory>(name);
        directory->fullPath = parent.fullPath + "/" + name;
        directory->relativeDirectory = parent.relativeDirectory + "/" + name;
        fs::create_directories(directory->fullPath);
        return *parent.appendSubdirectory(std::move(directory));
    }

    AlbumPicture& addFile(AlbumDirectory& directory, const std::string& name, int kind)
    {
        auto file = std::make_unique<AlbumPicture>(name, directory.fullPath, directory.relativeDirectory);
        file->mediaKind = kind;
        return *directory.appendFile(std::move(file));
    }

    AlbumPicture& addPicture(AlbumDirectory& directory, const std::string& name, const Image& image)
    {
        EXPECT_TRUE(image.saveJpeg(directory.fullPath + "/" + name));
        return addFile(directory, name, MediaPicture);
    }

    AlbumPicture& addPicture(AlbumDirectory& directory, const std::string& name, std::string_view bytes)
    {
        test::writeFile(fs::path(directory.fullPath) / name, bytes);
        return addFile(directory, name, MediaPicture);
    }

    AlbumPicture& addMovie(AlbumDirectory& directory, const std::string& name, std::string_view bytes)
    {
        test::writeFile(fs::path(directory.fullPath) / name, bytes);
        return addFile(directory, name, MediaMovie);
    }

    fs::path in(const AlbumDirectory& directory, const std::string& name) const
    {
        return fs::path(directory.fullPath) / name;
    }
    fs::path out(const std::string& relative) const { return fs::path(options.outputFolder) / relative; }

    test::TempDir dir;
    std::unique_ptr<AlbumDirectory> root;
    ProjectOptions options;
};

inline void useGrid(ProjectOptions& options, int cellWidth, int cellHeight, int columns, int rows)
{
    options.thmDirImgWidth = cellWidth;
    options.thmDirImgHeight = cellHeight;
    options.nbDirThumbsX = columns;
    options.nbDirThumbsY = rows;
}

}  // namespace quorvane::thumbtest
