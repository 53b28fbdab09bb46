#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// A growable byte buffer kept as a chain of fixed-capacity chunks. Appending
// never moves stored bytes; data() merges the chain into one block on demand.
//
// Text convention used across the system: a text is stored followed by one
// NUL byte that counts in length(); an empty buffer reads as "".
class ChunkBuffer {
public:
    struct Chunk {
        int capacity = 0;
        int used = 0;
        std::unique_ptr<char[]> bytes;

        int free() const { return capacity - used; }
    };

    explicit ChunkBuffer(int chunkSize = 1024);
    ChunkBuffer(const ChunkBuffer&) = delete;
    ChunkBuffer& operator=(const ChunkBuffer&) = delete;
    ChunkBuffer(ChunkBuffer&&) noexcept = default;
    ChunkBuffer& operator=(ChunkBuffer&&) noexcept = default;
    ~ChunkBuffer() = default;

    void append(const void* bytes, int count);
    void append(std::string_view text) { append(text.data(), static_cast<int>(text.size())); }

    // printf-style; one call appends at most 1023 characters (longer output is cut).
    void appendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // The contiguous content, or nullptr when the buffer holds no byte. Merges
    // a multi-chunk chain first; the pointer stays valid until the next change.
    char* data();

    void consumeFront(int count);

    // Adds the file's bytes after the current content. False (buffer unchanged)
    // when the file cannot be opened.
    bool loadFile(const std::filesystem::path& path);

    void clear();
    void swap(ChunkBuffer& other) noexcept;

    int length() const { return length_; }
    int chunkCount() const { return static_cast<int>(chunks_.size()); }
    int chunkSize() const { return chunkSize_; }
    const std::vector<Chunk>& chunks() const { return chunks_; }

    // Text helpers for the NUL-terminated convention.
    void setText(std::string_view text);
    std::string_view text();  // bytes up to the first NUL, "" when empty
    std::string str() { return std::string(text()); }

private:
    Chunk& lastChunkWithRoom();

    int chunkSize_;
    int length_ = 0;
    std::vector<Chunk> chunks_;
};

}  // namespace quorvane
