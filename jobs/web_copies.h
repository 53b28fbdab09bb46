#pragma once

#include <string>
#include <vector>

namespace quorvane {

class AlbumDirectory;
class AlbumPicture;
class ProjectOptions;

// A movie of the album that gets a web copy in this run, and where.
struct WebCopyTask {
    const AlbumPicture* movie = nullptr;
    std::string source;
    std::string target;
};

// With today's formats and the MovieWebCopies option on: the movies browsers
// cannot play whose "web_<movie>.mp4" beside their poster is missing or older
// than the movie, in album order. Movies that cannot be read are left to the
// poster's report.
std::vector<WebCopyTask> plannedWebCopies(AlbumDirectory& root, const ProjectOptions& options);

}  // namespace quorvane
