#include "album/sorting.h"

#include <algorithm>
#include <cstdint>

#include "album/album_tree.h"
#include "album/tree_walk.h"
#include "album/shot_time.h"
#include "imaging/movie_frame.h"
#include "options/project_options.h"

namespace quorvane {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Byte order with unsigned bytes; a prefix sorts before the longer text.
bool bytesGreater(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[i]);
        if (left != right)
            return left > right;
    }
    return a.size() > b.size();
}

std::string_view storedShotTime(const AlbumPicture& picture)
{
    return picture.shotTime ? std::string_view(*picture.shotTime) : std::string_view();
}

}  // namespace

int numberInName(std::string_view fileName)
{
    std::size_t i = 0;
    while (i < fileName.size() && !isDigit(fileName[i]))
        ++i;
    std::uint32_t value = 0;
    for (; i < fileName.size() && isDigit(fileName[i]); ++i)
        value = value * 10u + static_cast<std::uint32_t>(fileName[i] - '0');
    return static_cast<std::int32_t>(value);
}

bool numberComesAfter(const AlbumPicture& a, const AlbumPicture& b)
{
    return numberInName(a.fileName) > numberInName(b.fileName);
}

bool nameComesAfter(const AlbumPicture& a, const AlbumPicture& b)
{
    return bytesGreater(a.fileName, b.fileName);
}

bool shotTimeComesAfter(const AlbumPicture& a, const AlbumPicture& b)
{
    return bytesGreater(storedShotTime(a), storedShotTime(b));
}

void sortFiles(AlbumDirectory& directory, int sortMethod, bool movieTimes)
{
    switch (sortMethod) {
    case SortNumberInName:
        directory.files.sort(numberComesAfter);
        break;
    case SortWholeName:
        directory.files.sort(nameComesAfter);
        break;
    case SortShotTime:
        // Each file is read once per sort rather than at every comparison; the
        // order is the same, and a directory of movies costs one read each.
        for (AlbumPicture& file : directory.files) {
            if (file.shotTime)
                continue;
            MovieFacts facts;
            if (movieTimes && file.mediaKind == MediaMovie &&
                readMovieFacts(file.fullPath(), facts) == MovieStatus::Ok && !facts.creationTime.empty())
                file.shotTime = facts.creationTime;
            else
                readShotTime(file);
        }
        directory.files.sort(shotTimeComesAfter);
        break;
    default:
        break;
    }
}

void resortTree(AlbumDirectory& root, int sortMethod, bool movieTimes)
{
    forEachDirectory(root, [sortMethod, movieTimes](AlbumDirectory& directory) {
        sortFiles(directory, sortMethod, movieTimes);
    });
}

}  // namespace quorvane
