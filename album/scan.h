#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class AlbumDirectory;
class ProjectOptions;

// 0 not a media file, 1 picture (MediaPicture), 2 movie (MediaMovie).
// Generated files ("thm_", "inter_") are never media. HEIC/HEIF, AVIF, PNG
// and WebP pictures count only with todaysFormats; an AVIF picture is never
// taken for a movie, although its extension begins with ".avi". With
// todaysFormats .mp4, .m4v, .mov, .webm, .mkv and .3gp (any case) are movies
// too, and web copies made by the thumbnail job never media.
int classifyFile(std::string_view fileName, bool todaysFormats = false);

// True for a web copy's name: "web_", a movie's whole name, ".mp4"
// ("web_clip.avi.mp4"); "web_holiday.mp4" is the user's own movie.
bool isWebCopyName(std::string_view fileName);

// Builds the album tree below rootPath, used exactly as typed: pictures and
// movies with their stored comments, branches without media dropped, each
// directory's files sorted by the project's method. The destination folder is
// left out when the project uses one. Answers nothing when the root holds no
// media anywhere below it, cannot be listed, or is the destination folder.
// Folders and files left out because they could not be read (a path longer
// than the system allows, no permission) are added to leftOut as
// "path: reason". With today's formats, a picture that is a copy of one in
// skinFolder (the project's skin; none when empty) is left out: the skin put
// it there.
std::unique_ptr<AlbumDirectory> scanDirectory(const std::string& rootPath, const ProjectOptions& options,
                                              std::vector<std::string>* leftOut = nullptr,
                                              const std::filesystem::path& skinFolder = {});

}  // namespace quorvane
