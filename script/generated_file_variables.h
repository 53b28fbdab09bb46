#pragma once

#include <memory>

namespace quorvane {

class AlbumDirectory;
class AlbumPicture;
class HighDensityNames;
class ScriptContext;

// Which files of one directory may be offered at twice the size; made once
// per loop over a directory.
std::shared_ptr<const HighDensityNames> highDensityNamesOf(const AlbumDirectory& directory);

// Inside FOR_EACH_IMAGE: the names of the picture's generated files
// ("ImageThumbName", "ImageInterName"), the twice-size ones where they exist
// ("ImageThumb2xName", "ImageInter2xName", empty otherwise), and the upright
// sizes of the thumbnail and intermediate image as made
// ("ImageThumbWidth", "ImageThumbHeight", "ImageInterWidth",
// "ImageInterHeight", no value while the file is missing). "ImageThumbSrcset"
// and "ImageInterSrcset" hold a ready srcset ("thm_a.jpg 1x, thm_a%402x.jpg
// 2x", names percent-encoded) or nothing; "ImageViewable" is 0 for HEIC and
// HEIF pictures, which browsers do not show, 1 otherwise.
void bindGeneratedFileVariables(ScriptContext& context, const AlbumPicture& picture,
                                const HighDensityNames* names);

// Inside FOR_EACH_DIR: "SubDirThumbName" and, where it exists,
// "SubDirThumb2xName" and "SubDirThumbSrcset" (empty otherwise).
void bindDirectoryThumbnailVariables(ScriptContext& context, const AlbumDirectory& subdirectory,
                                     const HighDensityNames* names);

}  // namespace quorvane
