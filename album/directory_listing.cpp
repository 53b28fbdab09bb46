#include "album/directory_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "xml/xml_document.h"

namespace quorvane {

namespace {

std::string_view withoutTrailingSeparators(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

}  // namespace

bool listsBefore(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto left = static_cast<unsigned char>(lowerAscii(a[i]));
        const auto right = static_cast<unsigned char>(lowerAscii(b[i]));
        if (left != right)
            return left < right;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                   std::vector<std::string>* unreadable)
{
    namespace fs = std::filesystem;
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(path, error);
    if (error)
        return false;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        // Both tests follow a symbolic link; a link to nowhere is neither.
        std::error_code typeError;
        EntryKind kind;
        if (it->is_directory(typeError))
            kind = EntryKind::Directory;
        else if (it->is_regular_file(typeError))
            kind = EntryKind::File;
        else {
            if (typeError && typeError != std::errc::no_such_file_or_directory && unreadable)
                unreadable->push_back(it->path().string() + ": " + typeError.message());
            continue;
        }
        entries.push_back({it->path().filename().string(), kind});
    }
    if (error) {
        entries.clear();
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return listsBefore(a.name, b.name);
    });
    return true;
}

std::string joinPath(std::string_view directory, std::string_view name)
{
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    path.append(directory);
    if (path.empty() || path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

bool samePathIgnoringCase(std::string_view a, std::string_view b)
{
    return equalsIgnoringAsciiCase(withoutTrailingSeparators(a), withoutTrailingSeparators(b));
}

}  // namespace quorvane
