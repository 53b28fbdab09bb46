#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace quorvane {

class AlbumDirectory;
class AlbumPicture;
class ProjectOptions;

// Names of the files made from a picture. Every one begins with "thm_" or
// "inter_" and ends in ".jpg" (a JPEG picture's own extension for its
// ordinary thumbnail and intermediate image, as always), so the scan's prefix
// rule leaves them out of the album and Clean Project's patterns remove them,
// in older versions too.
inline constexpr std::string_view kThumbnailPrefix = "thm_";
inline constexpr std::string_view kIntermediatePrefix = "inter_";
inline constexpr std::string_view kDirectoryThumbnailPrefix = "thm_dir_";
// A movie's web copy: "web_" + its name + ".mp4".
inline constexpr std::string_view kWebCopyPrefix = "web_";
// Clean Project's wildcard patterns for the same files.
inline constexpr char kThumbnailPattern[] = "thm_*.jpg";
inline constexpr char kIntermediatePattern[] = "inter_*.jpg";

// True for every name this file makes: such a file is never album media.
bool isGeneratedName(std::string_view fileName);

std::string thumbnailName(std::string_view pictureName);     // "thm_IMG_0001.heic.jpg"
std::string intermediateName(std::string_view pictureName);  // "inter_IMG_0001.heic.jpg"
std::string directoryThumbnailName(std::string_view directoryName);  // "thm_dir_Space.jpg"
std::string webCopyName(std::string_view movieName);                 // "web_clip.avi.mp4"
// Where a movie's web copy goes: beside its poster, in the destination
// folder when the project uses one.
std::string webCopyPath(const AlbumPicture& movie, const ProjectOptions& options);
// Where a file named name made from a picture or movie goes.
std::string generatedFilePath(const AlbumPicture& picture, const ProjectOptions& options, std::string_view name);
// The twice-as-large file beside a generated one: its last extension
// replaced by "@2x.jpg" ("thm_IMG_0001.jpg" → "thm_IMG_0001@2x.jpg").
std::string highDensityName(std::string_view generatedName);

// Which pictures and subdirectories of one directory may have
// twice-as-large files. A picture literally named like another's
// twice-as-large file ("IMG_0001@2x.jpg" beside "IMG_0001.jpg") keeps its own
// thumbnail: the other picture then gets none at twice the size, and pages
// offer it at one size only. The same holds for two pictures whose
// twice-as-large names would be equal ("a.jpg" and "a.jpeg": the first in
// album order keeps it) and for subdirectories ("X@2x" beside "X").
class HighDensityNames {
public:
    explicit HighDensityNames(const AlbumDirectory& directory);
    bool allowed(const AlbumPicture& picture) const { return !refused_.contains(&picture); }
    bool allowed(const AlbumDirectory& subdirectory) const { return !refusedDirectories_.contains(&subdirectory); }

private:
    std::unordered_set<const AlbumPicture*> refused_;
    std::unordered_set<const AlbumDirectory*> refusedDirectories_;
};

}  // namespace quorvane
