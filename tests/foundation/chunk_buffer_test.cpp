#include "foundation/chunk_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace quorvane {
namespace {

std::vector<int> usedPerChunk(const ChunkBuffer& buffer)
{
    std::vector<int> used;
    for (const auto& chunk : buffer.chunks())
        used.push_back(chunk.used);
    return used;
}

TEST(ChunkBuffer, NewBufferIsEmptyAndReadsAsEmptyText)
{
    ChunkBuffer buffer(1024);
    EXPECT_EQ(buffer.length(), 0);
    EXPECT_EQ(buffer.chunkCount(), 0);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.text(), "");

    buffer.append("", 1);
    ASSERT_NE(buffer.data(), nullptr);
    EXPECT_STREQ(buffer.data(), "");
    EXPECT_EQ(buffer.length(), 1);
}

TEST(ChunkBuffer, AppendSpansChunksAndDataMergesThemIntoOne)
{
    ChunkBuffer buffer(1024);
    std::string bytes(3000, '\0');
    for (int i = 0; i < 3000; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(i * 7);
    buffer.append(bytes.data(), 3000);

    EXPECT_EQ(buffer.chunkCount(), 3);
    EXPECT_EQ(buffer.length(), 3000);
    EXPECT_EQ(usedPerChunk(buffer), (std::vector<int>{1024, 1024, 952}));

    const char* merged = buffer.data();
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(buffer.chunkCount(), 1);
    EXPECT_EQ(buffer.chunks().front().capacity, 3000);
    EXPECT_EQ(buffer.chunks().front().free(), 0);
    EXPECT_EQ(std::string(merged, 3000), bytes);

    // A full merged chunk makes the next append open a chunk of chunkSize.
    buffer.append("x", 1);
    EXPECT_EQ(buffer.chunkCount(), 2);
    EXPECT_EQ(buffer.chunks().back().capacity, 1024);
}

TEST(ChunkBuffer, AppendFillsTheLastChunkBeforeOpeningANewOne)
{
    ChunkBuffer buffer(4);
    buffer.append("ab", 2);
    buffer.append("cdef", 4);
    EXPECT_EQ(usedPerChunk(buffer), (std::vector<int>{4, 2}));
    EXPECT_EQ(std::string(buffer.data(), 6), "abcdef");
}

TEST(ChunkBuffer, ConsumeFrontFreesRoomThatLaterAppendsFill)
{
    ChunkBuffer buffer(4);
    buffer.append("abcdefgh", 8);
    buffer.consumeFront(3);
    EXPECT_EQ(buffer.length(), 5);
    EXPECT_EQ(buffer.chunkCount(), 1);
    EXPECT_EQ(buffer.chunks().front().free(), 3);
    EXPECT_EQ(std::string(buffer.data(), 5), "defgh");

    buffer.append("XYZ", 3);
    EXPECT_EQ(buffer.chunkCount(), 1);  // the freed room came first
    EXPECT_EQ(std::string(buffer.data(), 8), "defghXYZ");

    buffer.consumeFront(buffer.length());
    EXPECT_EQ(buffer.length(), 0);
    EXPECT_EQ(buffer.chunks().front().free(), 8);
    EXPECT_EQ(buffer.data(), nullptr);

    ChunkBuffer empty;
    empty.consumeFront(0);
    EXPECT_EQ(empty.chunkCount(), 0);
}

TEST(ChunkBuffer, AppendFormatCutsAt1023Characters)
{
    ChunkBuffer buffer;
    buffer.appendFormat("%d-%s", 42, "x");
    EXPECT_EQ(std::string(buffer.data(), static_cast<std::size_t>(buffer.length())), "42-x");

    ChunkBuffer longText;
    longText.appendFormat("%s", std::string(2000, 'a').c_str());
    EXPECT_EQ(longText.length(), 1023);
}

TEST(ChunkBuffer, LoadFileAppendsAndKeepsContentOnFailure)
{
    test::TempDir dir;
    ChunkBuffer buffer(5);
    buffer.append("ab", 2);

    EXPECT_FALSE(buffer.loadFile(dir / "missing.txt"));
    EXPECT_EQ(buffer.length(), 2);
    EXPECT_EQ(std::string(buffer.data(), 2), "ab");

    test::writeFile(dir / "empty.txt", "");
    EXPECT_TRUE(buffer.loadFile(dir / "empty.txt"));
    EXPECT_EQ(buffer.length(), 2);

    test::writeFile(dir / "twelve.txt", "0123456789AB");
    EXPECT_TRUE(buffer.loadFile(dir / "twelve.txt"));
    EXPECT_EQ(buffer.length(), 14);
    EXPECT_EQ(usedPerChunk(buffer), (std::vector<int>{5, 5, 4}));
    EXPECT_EQ(std::string(buffer.data(), 14), "ab0123456789AB");
}

TEST(ChunkBuffer, SwapExchangesContentAndClearEmpties)
{
    ChunkBuffer a(8), b(16);
    a.setText("first");
    b.setText("second one");
    a.swap(b);
    EXPECT_EQ(a.text(), "second one");
    EXPECT_EQ(a.chunkSize(), 16);
    EXPECT_EQ(b.text(), "first");
    EXPECT_EQ(b.length(), 6);

    a.clear();
    EXPECT_EQ(a.length(), 0);
    EXPECT_EQ(a.chunkCount(), 0);
    EXPECT_EQ(a.text(), "");
}

TEST(ChunkBuffer, TextStopsAtTheFirstNulAndKeepsPercentSigns)
{
    ChunkBuffer buffer;
    buffer.setText("100% sure %s");
    EXPECT_EQ(buffer.length(), 13);
    EXPECT_EQ(buffer.text(), "100% sure %s");
    buffer.append("more", 4);
    EXPECT_EQ(buffer.text(), "100% sure %s");
}

}  // namespace
}  // namespace quorvane
