#pragma once

#include <string_view>

namespace quorvane {

class AlbumDirectory;
class AlbumPicture;

// The number a "Number inside the filename" sort orders by: the first run of
// ASCII digits in the name, in wrapping signed 32-bit arithmetic; 0 when the
// name has no digit.
int numberInName(std::string_view fileName);

// Predicates for the stable list sort: true when a must stand after b.
bool numberComesAfter(const AlbumPicture& a, const AlbumPicture& b);
bool nameComesAfter(const AlbumPicture& a, const AlbumPicture& b);
// Compares the stored shot times; a picture without one compares as "".
bool shotTimeComesAfter(const AlbumPicture& a, const AlbumPicture& b);

// Sorts the directory's files by the method (1 number, 2 whole name, 3 Exif
// shot time); any other method keeps the present order. Subdirectories are
// never sorted.
// movieTimes (today's formats) gives movies the creation time their
// container records as shot time, so phone clips sort among the photos.
void sortFiles(AlbumDirectory& directory, int sortMethod, bool movieTimes = false);

// sortFiles on the directory and on every directory below it.
void resortTree(AlbumDirectory& root, int sortMethod, bool movieTimes = false);

}  // namespace quorvane
