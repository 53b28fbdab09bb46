#include "album/album_tree.h"

#include <vector>

namespace quorvane {

AlbumPicture::AlbumPicture(std::string_view fileName, std::string_view directoryPath,
                           std::string_view relativeDirectory)
    : AlbumNode(1), directoryPath(directoryPath), relativeDirectory(relativeDirectory),
      fileName(fileName)
{
}

AlbumPicture::~AlbumPicture() = default;

AlbumDirectory::AlbumDirectory(std::string_view name) : AlbumNode(0), name(name) {}

AlbumDirectory::~AlbumDirectory()
{
    files.clear();
    // Deep trees are torn down without recursion.
    std::vector<std::unique_ptr<AlbumDirectory>> doomed;
    const auto detach = [&doomed](AlbumDirectory& directory) {
        directory.files.clear();
        while (AlbumDirectory* child = directory.subdirectories.first())
            doomed.push_back(directory.subdirectories.remove(child));
    };
    detach(*this);
    while (!doomed.empty()) {
        std::unique_ptr<AlbumDirectory> directory = std::move(doomed.back());
        doomed.pop_back();
        detach(*directory);
    }
}

void AlbumDirectory::removeSubdirectory(AlbumDirectory* child)
{
    subdirectories.remove(child);
}

std::string AlbumDirectory::displayName() const
{
    std::string_view text = name;
    // A trailing separator typed after a folder name ("/home/u/Photos/") is not
    // part of the name; only a bare "/" names nothing.
    while (text.size() > 1 && text.back() == '/')
        text.remove_suffix(1);
    if (text == "/")
        return {};
    const std::size_t slash = text.rfind('/');
    if (slash == std::string_view::npos)
        return std::string(text);
    return std::string(text.substr(slash + 1));
}

AlbumPicture* AlbumDirectory::firstMedia(int kind) const
{
    for (AlbumPicture& file : files) {
        if (file.mediaKind == kind)
            return &file;
    }
    return nullptr;
}

AlbumPicture* AlbumDirectory::nextMedia(const AlbumPicture& after, int kind)
{
    for (AlbumPicture* file = List<AlbumPicture>::next(after); file;
         file = List<AlbumPicture>::next(*file)) {
        if (file->mediaKind == kind)
            return file;
    }
    return nullptr;
}

}  // namespace quorvane
