#include "jobs/web_copies.h"

#include <filesystem>

#include "album/album_tree.h"
#include "album/generated_names.h"
#include "album/tree_walk.h"
#include "imaging/movie_frame.h"
#include "options/project_options.h"

namespace quorvane {

namespace {

// Missing, unreadable or older than the movie: a copy to make.
bool copyIsStale(const std::string& source, const std::string& target)
{
    std::error_code error;
    const auto copyTime = std::filesystem::last_write_time(target, error);
    if (error)
        return true;
    const auto movieTime = std::filesystem::last_write_time(source, error);
    return !error && copyTime < movieTime;
}

}  // namespace

std::vector<WebCopyTask> plannedWebCopies(AlbumDirectory& root, const ProjectOptions& options)
{
    std::vector<WebCopyTask> tasks;
    if (!options.todaysFormats || !options.movieWebCopies)
        return tasks;
    forEachDirectory(root, [&](AlbumDirectory& directory) {
        for (const AlbumPicture& file : directory.files) {
            if (file.mediaKind != MediaMovie)
                continue;
            WebCopyTask task{&file, file.fullPath(), webCopyPath(file, options)};
            MovieFacts facts;
            if (readMovieFacts(task.source, facts) != MovieStatus::Ok || facts.browserPlayable)
                continue;
            if (copyIsStale(task.source, task.target))
                tasks.push_back(std::move(task));
        }
    });
    return tasks;
}

}  // namespace quorvane
