#include "jobs/clean_project.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "album/album_tree.h"
#include "album/directory_listing.h"
#include "album/scan.h"
#include "album/tree_walk.h"

namespace quorvane {

namespace {

void addUp(CleanResult& total, const CleanResult& part)
{
    total.deleted += part.deleted;
    total.failed += part.failed;
}

}  // namespace

bool matchesWildcard(std::string_view name, std::string_view pattern)
{
    // Greedy matching with one backtrack point: linear for patterns with a
    // single "*", never exponential.
    std::size_t n = 0, p = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace {

template <typename Chosen>
CleanResult deleteFilesWhere(const std::string& directoryPath, Chosen chosen)
{
    CleanResult result;
    std::vector<DirectoryEntry> entries;
    listDirectory(directoryPath, entries);
    for (const DirectoryEntry& entry : entries) {
        if (entry.kind != EntryKind::File || !chosen(entry.name))
            continue;
        // unlink removes a symbolic link itself, never the file it points to.
        if (::unlink(joinPath(directoryPath, entry.name).c_str()) == 0)
            ++result.deleted;
        else
            ++result.failed;
    }
    return result;
}

}  // namespace

CleanResult deleteMatchingFiles(const std::string& directoryPath, std::string_view pattern)
{
    return deleteFilesWhere(directoryPath, [pattern](std::string_view name) { return matchesWildcard(name, pattern); });
}

CleanResult runCleanJob(AlbumDirectory& root, const CleanSelection& selection)
{
    const std::pair<bool, const char*> kinds[] = {
        {selection.html, kHtmlPattern},
        {selection.comments, kCommentsPattern},
        {selection.thumbnails, kThumbnailPattern},
        {selection.intermediates, kIntermediatePattern},
    };
    CleanResult result;
    // A folder that the scan reached through a symbolic link is not the
    // album's own: neither it nor anything below it is cleaned, so the
    // user's pages there survive.
    walkDirectories(root, {[&](AlbumDirectory& directory, int depth) {
                               std::error_code error;
                               if (depth > 0 && (std::filesystem::is_symlink(directory.fullPath, error) || error))
                                   return WalkStep::SkipChildren;
                               for (const auto& [chosen, pattern] : kinds) {
                                   if (chosen)
                                       addUp(result, deleteMatchingFiles(directory.fullPath, pattern));
                               }
                               // Movies' web copies are made with the intermediate images.
                               if (selection.intermediates)
                                   addUp(result, deleteFilesWhere(directory.fullPath, isWebCopyName));
                               return WalkStep::Continue;
                           },
                           {}});
    return result;
}

}  // namespace quorvane
