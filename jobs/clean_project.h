#pragma once

#include <string>
#include <string_view>

#include "album/generated_names.h"

namespace quorvane {

class AlbumDirectory;

// The kinds of files Clean Project can delete, with their patterns (the
// generated images' patterns live with their names).
inline constexpr char kHtmlPattern[] = "*.html";
inline constexpr char kCommentsPattern[] = "Comments.xml";

// Clean Project is refused for projects generated into a destination folder.
inline constexpr char kDestinationFolderCleanRefusal[] =
    "You are using a destination folder.\n"
    "Clean function is only available for for destination-less projects\n"
    "Simply delete the output directory to clean your project.";

struct CleanSelection {
    bool html = false;
    bool comments = false;
    bool thumbnails = false;
    bool intermediates = false;

    bool any() const { return html || comments || thumbnails || intermediates; }
};

struct CleanResult {
    int deleted = 0;
    int failed = 0;  // matching files that could not be deleted
};

// Wildcard match as the file dialogs do it: "*" any run of characters, "?"
// one character, ASCII letter case ignored.
bool matchesWildcard(std::string_view name, std::string_view pattern);

// Deletes the files (never directories) of one directory whose names match
// the pattern. Files that cannot be deleted are skipped.
CleanResult deleteMatchingFiles(const std::string& directoryPath, std::string_view pattern);

// Deletes the selected kinds of files from every directory of the album tree,
// parent before children. Folders the scan left out are not visited.
CleanResult runCleanJob(AlbumDirectory& root, const CleanSelection& selection);

}  // namespace quorvane
