#include "album/tree_walk.h"

#include <vector>

#include "album/album_tree.h"

namespace quorvane {

namespace {

template <typename Directory>
bool walk(Directory& root, const BasicDirectoryVisitor<Directory>& visitor)
{
    struct Open {
        Directory* directory;
        Directory* nextChild;
    };
    std::vector<Open> open;
    const auto enter = [&](Directory& directory) {
        const WalkStep step = visitor.enter(directory, static_cast<int>(open.size()));
        if (step == WalkStep::Stop)
            return false;
        open.push_back({&directory, step == WalkStep::SkipChildren ? nullptr : directory.subdirectories.first()});
        return true;
    };
    if (!enter(root))
        return false;
    while (!open.empty()) {
        if (Directory* child = open.back().nextChild) {
            open.back().nextChild = List<AlbumDirectory>::next(*child);
            if (!enter(*child))
                return false;
            continue;
        }
        Directory& left = *open.back().directory;
        open.pop_back();
        if (visitor.leave)
            visitor.leave(left, static_cast<int>(open.size()));
    }
    return true;
}

}  // namespace

bool walkDirectories(AlbumDirectory& root, const DirectoryVisitor& visitor)
{
    return walk(root, visitor);
}

bool walkDirectories(const AlbumDirectory& root, const ConstDirectoryVisitor& visitor)
{
    return walk(root, visitor);
}

void forEachDirectory(AlbumDirectory& root, const std::function<void(AlbumDirectory&)>& visit)
{
    walkDirectories(root, {[&visit](AlbumDirectory& directory, int) {
                               visit(directory);
                               return WalkStep::Continue;
                           },
                           {}});
}

AlbumNode* findNode(AlbumDirectory& root, std::string_view relativePath)
{
    AlbumDirectory* directory = &root;
    std::size_t at = 0;
    while (at < relativePath.size()) {
        std::size_t slash = relativePath.find('/', at);
        if (slash == std::string_view::npos)
            slash = relativePath.size();
        const std::string_view part = relativePath.substr(at, slash - at);
        at = slash + 1;
        if (part.empty() || part == ".")
            continue;
        const bool last = at >= relativePath.size() ||
                          relativePath.find_first_not_of("/", at) == std::string_view::npos;
        AlbumDirectory* next = nullptr;
        for (AlbumDirectory& child : directory->subdirectories) {
            if (child.name == part)
                next = &child;
        }
        if (next) {
            directory = next;
            continue;
        }
        if (!last)
            return nullptr;
        for (AlbumPicture& file : directory->files) {
            if (file.fileName == part)
                return &file;
        }
        return nullptr;
    }
    return directory;
}

}  // namespace quorvane
