#include "foundation/chunk_buffer.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

#include "foundation/file_handle.h"
#include "foundation/format.h"

namespace quorvane {

namespace {

ChunkBuffer::Chunk makeChunk(int capacity)
{
    ChunkBuffer::Chunk chunk;
    chunk.capacity = capacity;
    // Bytes past `used` are never read: no need to zero them first.
    chunk.bytes = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(capacity));
    return chunk;
}

}  // namespace

ChunkBuffer::ChunkBuffer(int chunkSize) : chunkSize_(chunkSize > 0 ? chunkSize : 1) {}

ChunkBuffer::Chunk& ChunkBuffer::lastChunkWithRoom()
{
    if (chunks_.empty() || chunks_.back().free() == 0)
        chunks_.push_back(makeChunk(chunkSize_));
    return chunks_.back();
}

void ChunkBuffer::append(const void* bytes, int count)
{
    if (count <= 0)
        return;
    length_ += count;
    const char* from = static_cast<const char*>(bytes);
    while (count > 0) {
        Chunk& chunk = lastChunkWithRoom();
        const int step = std::min(count, chunk.free());
        std::memcpy(chunk.bytes.get() + chunk.used, from, static_cast<std::size_t>(step));
        chunk.used += step;
        from += step;
        count -= step;
    }
}

void ChunkBuffer::appendFormat(const char* format, ...)
{
    // One call appends at most 1023 characters, as a 1024-byte scratch area would hold.
    constexpr std::size_t kMaxAppended = 1023;
    va_list args;
    va_start(args, format);
    const std::string text = formatTextV(format, args);
    va_end(args);
    append(text.data(), static_cast<int>(std::min(text.size(), kMaxAppended)));
}

char* ChunkBuffer::data()
{
    if (chunks_.empty())
        return nullptr;
    if (chunks_.size() > 1) {
        Chunk merged = makeChunk(length_);
        for (const Chunk& chunk : chunks_) {
            std::memcpy(merged.bytes.get() + merged.used, chunk.bytes.get(),
                        static_cast<std::size_t>(chunk.used));
            merged.used += chunk.used;
        }
        chunks_.clear();
        chunks_.push_back(std::move(merged));
    }
    if (chunks_.front().used == 0)
        return nullptr;
    return chunks_.front().bytes.get();
}

void ChunkBuffer::consumeFront(int count)
{
    if (chunks_.empty() || count <= 0)
        return;
    count = std::min(count, length_);
    data();
    Chunk& chunk = chunks_.front();
    std::memmove(chunk.bytes.get(), chunk.bytes.get() + count,
                 static_cast<std::size_t>(length_ - count));
    chunk.used -= count;
    length_ -= count;
}

bool ChunkBuffer::loadFile(const std::filesystem::path& path)
{
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    for (;;) {
        Chunk& chunk = lastChunkWithRoom();
        const std::size_t got = std::fread(chunk.bytes.get() + chunk.used, 1,
                                           static_cast<std::size_t>(chunk.free()), file.get());
        if (got == 0)
            break;
        chunk.used += static_cast<int>(got);
        length_ += static_cast<int>(got);
    }
    return true;
}

void ChunkBuffer::clear()
{
    chunks_.clear();
    length_ = 0;
}

void ChunkBuffer::swap(ChunkBuffer& other) noexcept
{
    std::swap(chunkSize_, other.chunkSize_);
    std::swap(length_, other.length_);
    chunks_.swap(other.chunks_);
}

void ChunkBuffer::setText(std::string_view text)
{
    // Script variables change their text for every picture: a text that fits
    // the one chunk there is takes its place, as if it were made anew.
    if (chunks_.size() == 1 && chunks_.front().capacity == chunkSize_ &&
        text.size() < static_cast<std::size_t>(chunkSize_)) {
        Chunk& chunk = chunks_.front();
        if (!text.empty())
            std::memmove(chunk.bytes.get(), text.data(), text.size());
        chunk.bytes[text.size()] = '\0';
        chunk.used = static_cast<int>(text.size()) + 1;
        length_ = chunk.used;
        return;
    }
    clear();
    append(text);
    append("", 1);
}

std::string_view ChunkBuffer::text()
{
    const char* bytes = data();
    if (!bytes)
        return {};
    return std::string_view(bytes, strnlen(bytes, static_cast<std::size_t>(length_)));
}

}  // namespace quorvane
