#pragma once

#include <functional>

namespace quorvane {

class AlbumDirectory;

// Visits the directory and every directory below it, each parent before its
// children and siblings in list order, without recursion.
void forEachDirectory(AlbumDirectory& root, const std::function<void(AlbumDirectory&)>& visit);

}  // namespace quorvane
