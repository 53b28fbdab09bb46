#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "foundation/file_handle.h"

namespace quorvane {

// Generated files are always created fresh: whatever stands at the name (a
// symbolic link planted in a downloaded album, an old copy) is replaced,
// never written through.

using StdioFile = FileHandle;

// Removes the file or symbolic link that stands at path and creates a new
// file there for binary writing; the open follows no link and takes no file
// that appears meanwhile. Anything else at path (a folder, a device) makes it
// fail. The file is created with mode (before the umask). None on failure,
// with errno telling why.
StdioFile createFreshFile(const std::filesystem::path& path, mode_t mode = 0666);
// The same for a name inside the folder open as folderFd (AT_FDCWD: the
// current folder), so a run writing many files into one folder looks the
// folder up once.
StdioFile createFreshFileAt(int folderFd, const char* name, mode_t mode = 0666);

// Closes the file and reports whether every byte buffered reached the disk
// (a full disk often shows only here); errno tells why not.
bool closeChecked(StdioFile& file);

// A short name for a temporary beside path, unique within this process, so
// that long file names still leave room for it.
std::filesystem::path temporaryBeside(const std::filesystem::path& path);

// Writes bytes to a temporary beside path and renames it over path. On
// failure nothing is left behind and reason holds the system's words. The new
// file is created with mode, so a private file is never readable by others.
bool replaceFileContents(const std::filesystem::path& path, std::string_view bytes, std::string& reason,
                         mode_t mode = 0666);

// Folders outside the album or destination folder that the user allows
// generated files to go to through a symbolic link: the absolute folders
// named in the environment variable QUORVANE_LINKED_OUTPUT, separated by ':'.
inline constexpr char kLinkedOutputVariable[] = "QUORVANE_LINKED_OUTPUT";
std::vector<std::filesystem::path> linkedOutputAllowList();

// Whether folder, once its symbolic links are resolved, lies inside root (also
// resolved) or inside a folder of the allow list. A folder that does not
// exist yet is judged by its nearest existing parent.
bool folderStaysInside(const std::filesystem::path& folder, const std::filesystem::path& root);

// "Not writing into X: it leads to Y, outside the album (name Y in
// QUORVANE_LINKED_OUTPUT to allow it)".
std::string linkedFolderRefusal(const std::filesystem::path& folder);

}  // namespace quorvane
