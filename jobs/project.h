#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "album/album_tree.h"
#include "options/project_options.h"

namespace quorvane {

// The album being worked on: what the desktop program's main window and the
// command line hold between jobs. A job owns it while it runs.
struct Project {
    std::string rootPath;
    std::unique_ptr<AlbumDirectory> root;
    std::unique_ptr<ProjectOptions> options;
    bool projectActive = false;
    // Sticky: set when a comment was edited, cleared only by a successful save.
    bool commentsModified = false;
    AlbumNode* selectedNode = nullptr;
    // "ProjectOptions.xml" exists but could not be read completely: it is
    // kept until the user agrees to replace it.
    bool optionsDamaged = false;
    std::string optionsDamage;

    // The generation commands need options read from the file or confirmed.
    bool optionsValid() const { return options && options->loaded; }
    std::filesystem::path optionsPath() const;
};

// The comment edit box holds at most this many characters.
inline constexpr std::size_t kMaxCommentLength = 10239;

}  // namespace quorvane
