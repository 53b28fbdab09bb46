#pragma once

namespace quorvane {

class AlbumPicture;

// Appends one ScriptVariable per named tag to picture.exifVariables:
// {Exif_<name>} in skins.
void collectExifVariables(AlbumPicture& picture);

}  // namespace quorvane
