#include "foundation/object_list.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace quorvane {

void ObjectList::changed()
{
    static std::atomic<std::uint64_t> next{1};
    stamp_ = next.fetch_add(1, std::memory_order_relaxed);
}

ObjectList::ObjectList(ObjectList&& other) noexcept
    : first_(std::exchange(other.first_, nullptr)),
      last_(std::exchange(other.last_, nullptr)),
      count_(std::exchange(other.count_, 0))
{
    changed();
    other.changed();
}

ObjectList& ObjectList::operator=(ObjectList&& other) noexcept
{
    if (this != &other) {
        clear();
        first_ = std::exchange(other.first_, nullptr);
        last_ = std::exchange(other.last_, nullptr);
        count_ = std::exchange(other.count_, 0);
        changed();
        other.changed();
    }
    return *this;
}

ListObject* ObjectList::append(std::unique_ptr<ListObject> entry)
{
    ListObject* added = entry.release();
    added->prev_ = last_;
    added->next_ = nullptr;
    if (last_)
        last_->next_ = added;
    else
        first_ = added;
    last_ = added;
    ++count_;
    changed();
    return added;
}

std::unique_ptr<ListObject> ObjectList::remove(ListObject* entry)
{
    if (entry->prev_)
        entry->prev_->next_ = entry->next_;
    else
        first_ = entry->next_;
    if (entry->next_)
        entry->next_->prev_ = entry->prev_;
    else
        last_ = entry->prev_;
    entry->prev_ = entry->next_ = nullptr;
    --count_;
    changed();
    return std::unique_ptr<ListObject>(entry);
}

void ObjectList::clear()
{
    ListObject* entry = first_;
    first_ = last_ = nullptr;
    count_ = 0;
    changed();
    while (entry) {
        ListObject* following = entry->next_;
        delete entry;
        entry = following;
    }
}

void ObjectList::sort(const std::function<bool(const ListObject&, const ListObject&)>& comesAfter)
{
    if (count_ < 2)
        return;

    // A bottom-up merge that takes from the right run only when the left entry
    // strictly comes after it: for any consistent predicate this is exactly the
    // order that repeated adjacent exchanges reach, in O(n log n) instead of
    // O(n^2), and an inconsistent predicate cannot make it misbehave.
    std::vector<ListObject*> entries;
    entries.reserve(count_);
    for (ListObject* entry = first_; entry; entry = entry->next_)
        entries.push_back(entry);

    std::vector<ListObject*> merged(entries.size());
    const std::size_t n = entries.size();
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t low = 0; low < n; low += 2 * width) {
            const std::size_t mid = std::min(low + width, n);
            const std::size_t high = std::min(low + 2 * width, n);
            std::size_t left = low, right = mid, out = low;
            while (left < mid && right < high) {
                if (comesAfter(*entries[left], *entries[right]))
                    merged[out++] = entries[right++];
                else
                    merged[out++] = entries[left++];
            }
            while (left < mid)
                merged[out++] = entries[left++];
            while (right < high)
                merged[out++] = entries[right++];
        }
        entries.swap(merged);
    }

    ListObject* previous = nullptr;
    for (ListObject* entry : entries) {
        entry->prev_ = previous;
        if (previous)
            previous->next_ = entry;
        previous = entry;
    }
    previous->next_ = nullptr;
    first_ = entries.front();
    last_ = previous;
    changed();
}

}  // namespace quorvane
