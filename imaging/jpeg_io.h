#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "imaging/image.h"

namespace quorvane {

// Owns a C stdio file and closes it when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

inline FileHandle openFile(const std::string& path, const char* mode)
{
    return FileHandle(std::fopen(path.c_str(), mode));
}

// Closes the file now and reports whether everything buffered reached it.
bool closeFile(FileHandle& file);

// Decodes a whole JPEG file at full resolution. Grey files give 1
// component, colour files 3 (R, G, B); CMYK and YCCK files are converted to
// RGB, Adobe's inverted CMYK included. Damaged but decodable data loads as far
// as libjpeg can take it (its warnings are counted, never fatal, and not
// printed). A file that cannot be opened or decoded gives false and leaves the
// image empty. maxPixels, when not 0, refuses pictures whose header announces
// more pixels than that (the fuzzer uses it; the system passes 0).
bool loadJpeg(Image& image, const std::string& path, std::uint64_t maxPixels = 0);

// Encodes a 1- or 3-component image at quality 80, baseline, with libjpeg's
// defaults for everything else. The file is created or truncated; after a
// failure it is left as far as it was written.
bool saveJpeg(const Image& image, const std::string& path);

}  // namespace quorvane
