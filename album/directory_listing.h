#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/ascii.h"

namespace quorvane {

enum class EntryKind {
    File,
    Directory,
};

struct DirectoryEntry {
    std::string name;
    EntryKind kind;
};

// Lists a directory's regular files and directories (symbolic links
// followed) in the program's fixed listing order; "." and "..", sockets,
// fifos, devices and broken links are left out. False, with no entries, when
// the directory cannot be listed. Entries whose kind cannot be learnt for
// another reason than a missing target (a path longer than the system allows,
// no permission) are left out too; with unreadable given, each is added to it
// as "path: reason".
bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                   std::vector<std::string>* unreadable = nullptr);

// The listing order: names compared ignoring ASCII case, ties broken byte by byte.
bool listsBefore(std::string_view a, std::string_view b);

// "directory/name", without doubling a separator the directory already ends with.
std::string joinPath(std::string_view directory, std::string_view name);

// Compares paths ignoring ASCII case and trailing separators.
bool samePathIgnoringCase(std::string_view a, std::string_view b);

}  // namespace quorvane
