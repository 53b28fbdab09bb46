#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quorvane {

// Owns a C stdio file and closes it when it goes out of scope. A file that
// was written to is closed with closeChecked (safe_files.h) instead, which
// says whether the data arrived.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

inline FileHandle openFile(const std::string& path, const char* mode)
{
    return FileHandle(std::fopen(path.c_str(), mode));
}

}  // namespace quorvane
