#pragma once

#include <string>

namespace quorvane {
class AlbumDirectory;
}

namespace quorvane::cli {

// The album tree as `scan --json` prints it: one object per directory, its
// subdirectories nested.
std::string albumJson(AlbumDirectory& root);

// The album tree as `scan` prints it: one line per directory and file,
// indented by depth, with comments on the same line.
void printListing(AlbumDirectory& root);

}  // namespace quorvane::cli
