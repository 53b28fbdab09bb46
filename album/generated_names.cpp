#include "album/generated_names.h"

#include "album/album_tree.h"
#include "foundation/ascii.h"
#include "imaging/picture_format.h"
#include "options/project_options.h"

namespace quorvane {

namespace {

// The generated names without their prefix: what tells two pictures'
// generated files apart.
std::string ownPart(std::string_view pictureName)
{
    return std::string(pictureName) + std::string(generatedNameSuffix(pictureName));
}

// Compared ignoring case: an album is often served from a file system that
// does.
std::string key(std::string text)
{
    for (char& c : text)
        c = lowerAscii(c);
    return text;
}

}  // namespace

bool isGeneratedName(std::string_view fileName)
{
    return fileName.starts_with(kThumbnailPrefix) || fileName.starts_with(kIntermediatePrefix);
}

std::string thumbnailName(std::string_view pictureName)
{
    return std::string(kThumbnailPrefix) + ownPart(pictureName);
}

std::string intermediateName(std::string_view pictureName)
{
    return std::string(kIntermediatePrefix) + ownPart(pictureName);
}

std::string directoryThumbnailName(std::string_view directoryName)
{
    return std::string(kDirectoryThumbnailPrefix) + std::string(directoryName) + ".jpg";
}

std::string webCopyName(std::string_view movieName)
{
    return std::string(kWebCopyPrefix) + std::string(movieName) + ".mp4";
}

std::string generatedFilePath(const AlbumPicture& picture, const ProjectOptions& options, std::string_view name)
{
    if (options.useDestPath)
        return options.outputFolder + picture.relativeDirectory + "/" + std::string(name);
    return picture.directoryPath + "/" + std::string(name);
}

std::string webCopyPath(const AlbumPicture& movie, const ProjectOptions& options)
{
    return generatedFilePath(movie, options, webCopyName(movie.fileName));
}

std::string highDensityName(std::string_view generatedName)
{
    const std::size_t dot = generatedName.rfind('.');
    return std::string(generatedName.substr(0, dot)) + "@2x.jpg";
}

HighDensityNames::HighDensityNames(const AlbumDirectory& directory)
{
    std::unordered_set<std::string> taken;
    for (const AlbumPicture& file : directory.files) {
        if (file.mediaKind == MediaPicture)
            taken.insert(key(ownPart(file.fileName)));
    }
    for (const AlbumPicture& file : directory.files) {
        if (file.mediaKind == MediaPicture && !taken.insert(key(highDensityName(ownPart(file.fileName)))).second)
            refused_.insert(&file);
    }
    std::unordered_set<std::string> takenDirectories;
    for (const AlbumDirectory& subdirectory : directory.subdirectories)
        takenDirectories.insert(key(directoryThumbnailName(subdirectory.name)));
    for (const AlbumDirectory& subdirectory : directory.subdirectories) {
        if (!takenDirectories.insert(key(highDensityName(directoryThumbnailName(subdirectory.name)))).second)
            refusedDirectories_.insert(&subdirectory);
    }
}

}  // namespace quorvane
