#pragma once

#include <functional>
#include <string_view>

namespace quorvane {

class AlbumDirectory;
class AlbumNode;

enum class WalkStep {
    Continue,      // go on into this directory's subdirectories
    SkipChildren,  // leave out everything below this directory
    Stop,          // end the walk here
};

// What a walk does at each directory. `depth` is 0 for the walk's root.
template <typename Directory>
struct BasicDirectoryVisitor {
    std::function<WalkStep(Directory& directory, int depth)> enter;
    // Optional: called once every directory below has been left.
    std::function<void(Directory& directory, int depth)> leave;
};
using DirectoryVisitor = BasicDirectoryVisitor<AlbumDirectory>;
using ConstDirectoryVisitor = BasicDirectoryVisitor<const AlbumDirectory>;

// The one album walk: depth first, each parent before its children and
// siblings in list order, with an explicit stack so that deep albums cannot
// exhaust the call stack. False when a visit stopped it.
bool walkDirectories(AlbumDirectory& root, const DirectoryVisitor& visitor);
bool walkDirectories(const AlbumDirectory& root, const ConstDirectoryVisitor& visitor);

// The walk for visits that neither skip nor stop.
void forEachDirectory(AlbumDirectory& root, const std::function<void(AlbumDirectory&)>& visit);

// The node named by a path relative to the walk's root ("a/b/c.jpg"; empty
// parts and "." are passed over), or none.
AlbumNode* findNode(AlbumDirectory& root, std::string_view relativePath);

}  // namespace quorvane
