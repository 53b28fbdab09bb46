#include "album/tree_walk.h"

#include <vector>

#include "album/album_tree.h"

namespace quorvane {

void forEachDirectory(AlbumDirectory& root, const std::function<void(AlbumDirectory&)>& visit)
{
    std::vector<AlbumDirectory*> pending{&root};
    while (!pending.empty()) {
        AlbumDirectory* directory = pending.back();
        pending.pop_back();
        visit(*directory);
        // Pushed last to first so that they come off the stack in list order.
        for (AlbumDirectory* child = directory->subdirectories.last(); child;
             child = List<AlbumDirectory>::prev(*child))
            pending.push_back(child);
    }
}

}  // namespace quorvane
