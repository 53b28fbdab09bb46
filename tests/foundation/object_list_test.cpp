#include "foundation/object_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quorvane {
namespace {

struct Entry : ListObject {
    Entry(int key, int id, int* destroyed = nullptr) : key(key), id(id), destroyed(destroyed) {}
    ~Entry() override
    {
        if (destroyed)
            destroyed[id] += 1;
    }
    int key;
    int id;
    int* destroyed;
};

std::vector<int> ids(const List<Entry>& list)
{
    std::vector<int> result;
    for (const Entry& entry : list)
        result.push_back(entry.id);
    return result;
}

// Checks the links in both directions against count.
void expectConsistent(const List<Entry>& list)
{
    std::uint32_t forward = 0;
    const ListObject* previous = nullptr;
    for (const ListObject* at = list.ObjectList::first(); at; at = at->next()) {
        EXPECT_EQ(at->prev(), previous);
        previous = at;
        ++forward;
    }
    EXPECT_EQ(previous, list.ObjectList::last());
    EXPECT_EQ(forward, list.count());
}

// The straightforward pass-based adjacent-exchange sort, as a reference.
std::vector<int> bubbleReference(std::vector<std::pair<int, int>> entries)
{
    bool exchanged = true;
    while (exchanged) {
        exchanged = false;
        for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
            if (entries[i].first > entries[i + 1].first) {
                std::swap(entries[i], entries[i + 1]);
                exchanged = true;
            }
        }
    }
    std::vector<int> result;
    for (const auto& entry : entries)
        result.push_back(entry.second);
    return result;
}

TEST(ObjectList, AppendAndRemoveKeepLinksAndCount)
{
    List<Entry> list;
    Entry* a = list.append(std::make_unique<Entry>(0, 0));
    Entry* b = list.append(std::make_unique<Entry>(0, 1));
    Entry* c = list.append(std::make_unique<Entry>(0, 2));
    EXPECT_EQ(list.count(), 3u);
    expectConsistent(list);

    std::unique_ptr<Entry> removed = list.remove(b);
    EXPECT_EQ(removed.get(), b);
    EXPECT_EQ(removed->next(), nullptr);
    EXPECT_EQ(ids(list), (std::vector<int>{0, 2}));
    expectConsistent(list);

    list.append(std::move(removed));  // an unlinked entry may be linked again
    EXPECT_EQ(ids(list), (std::vector<int>{0, 2, 1}));
    list.remove(a);
    list.remove(c);
    list.remove(list.first());
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.last(), nullptr);
    EXPECT_EQ(list.count(), 0u);
}

TEST(ObjectList, ClearDestroysEveryEntryThroughTheBase)
{
    int destroyed[3] = {0, 0, 0};
    {
        ObjectList list;
        for (int i = 0; i < 3; ++i)
            list.append(std::make_unique<Entry>(0, i, destroyed));
        list.clear();
        EXPECT_EQ(list.count(), 0u);
        EXPECT_EQ(list.first(), nullptr);
        EXPECT_EQ((std::vector<int>{destroyed[0], destroyed[1], destroyed[2]}),
                  (std::vector<int>{1, 1, 1}));
        list.append(std::make_unique<Entry>(0, 0, destroyed));
    }
    EXPECT_EQ(destroyed[0], 2);  // the destructor clears too
}

TEST(ObjectList, SortIsAscendingAndStable)
{
    List<Entry> one;
    one.append(std::make_unique<Entry>(5, 0));
    one.sort([](const Entry&, const Entry&) { return true; });
    EXPECT_EQ(ids(one), (std::vector<int>{0}));

    List<Entry> list;
    const int keys[] = {3, 1, 2, 1, 3, 0};
    for (int i = 0; i < 6; ++i)
        list.append(std::make_unique<Entry>(keys[i], i));
    list.sort([](const Entry& a, const Entry& b) { return a.key > b.key; });
    EXPECT_EQ(ids(list), (std::vector<int>{5, 1, 3, 2, 0, 4}));
    expectConsistent(list);

    List<Entry> equal;
    for (int i = 0; i < 4; ++i)
        equal.append(std::make_unique<Entry>(7, i));
    equal.sort([](const Entry& a, const Entry& b) { return a.key > b.key; });
    EXPECT_EQ(ids(equal), (std::vector<int>{0, 1, 2, 3}));
}

TEST(ObjectList, SortAgreesWithAdjacentExchangesOnRandomKeys)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        const int size = static_cast<int>(random() % 40);
        List<Entry> list;
        std::vector<std::pair<int, int>> reference;
        for (int i = 0; i < size; ++i) {
            const int key = static_cast<int>(random() % 6);
            list.append(std::make_unique<Entry>(key, i));
            reference.emplace_back(key, i);
        }
        list.sort([](const Entry& a, const Entry& b) { return a.key > b.key; });
        ASSERT_EQ(ids(list), bubbleReference(reference)) << "round " << round;
        expectConsistent(list);
    }
}

}  // namespace
}  // namespace quorvane
