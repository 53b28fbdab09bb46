#pragma once

#include <string>

namespace quorvane {

class AlbumPicture;

// DateTimeOriginal text; stored in picture.shotTime when found, "" otherwise
// (re-read next time).
std::string readShotTime(AlbumPicture& picture);

}  // namespace quorvane
