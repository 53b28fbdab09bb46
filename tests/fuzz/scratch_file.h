#pragma once

// The decoders read files, not bytes: each fuzzer writes its input to a file
// of its own in the temporary folder, named with the extension the decoder
// is chosen by, and removed when the fuzzer exits normally.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "foundation/safe_files.h"

namespace quorvane::fuzz {

class ScratchFile {
public:
    explicit ScratchFile(const char* suffix)
        : path_((std::filesystem::temp_directory_path() /
                 ("quorvane-fuzz-" + std::to_string(::getpid()) + suffix))
                    .string())
    {
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

    // Replaces the file's contents; false when they could not all be written.
    bool write(const std::uint8_t* data, std::size_t size) const
    {
        FileHandle file = openFile(path_, "wb");
        return file && std::fwrite(data, 1, size, file.get()) == size && closeChecked(file);
    }

private:
    std::string path_;
};

}  // namespace quorvane::fuzz
