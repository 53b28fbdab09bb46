#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>

namespace quorvane {

class ObjectList;

// Base of every entry of an ObjectList. Entries are destroyed through the
// virtual destructor, so a list of a base type may own derived objects.
class ListObject {
public:
    ListObject() = default;
    ListObject(const ListObject&) = delete;
    ListObject& operator=(const ListObject&) = delete;
    virtual ~ListObject() = default;

    ListObject* prev() const { return prev_; }
    ListObject* next() const { return next_; }

private:
    friend class ObjectList;
    ListObject* prev_ = nullptr;
    ListObject* next_ = nullptr;
};

// Owning, counted, doubly linked list. An entry belongs to at most one list.
class ObjectList {
public:
    ObjectList() = default;
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;
    ObjectList(ObjectList&& other) noexcept;
    ObjectList& operator=(ObjectList&& other) noexcept;
    ~ObjectList() { clear(); }

    ListObject* append(std::unique_ptr<ListObject> entry);
    // Unlinks without destroying; ownership returns to the caller.
    std::unique_ptr<ListObject> remove(ListObject* entry);
    void clear();

    // Stable: entries for which comesAfter answers false in both directions
    // keep their order. comesAfter(a, b) is true when a must stand after b.
    void sort(const std::function<bool(const ListObject&, const ListObject&)>& comesAfter);

    ListObject* first() const { return first_; }
    ListObject* last() const { return last_; }
    std::uint32_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Changes whenever entries come, go or move, and is never the same for
    // two states of any lists: an index built over the list is current while
    // the stamp it was built at is.
    std::uint64_t stamp() const { return stamp_; }

private:
    void changed();

    ListObject* first_ = nullptr;
    ListObject* last_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint64_t stamp_ = 0;
};

// A typed view of an ObjectList whose entries are all of type T (or derived).
// T may be incomplete where only the list's lifetime is needed.
template <class T>
class List : public ObjectList {
public:
    class iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = T*;
        using reference = T&;

        iterator() = default;
        explicit iterator(ListObject* at) : at_(at) {}
        T& operator*() const { return *static_cast<T*>(at_); }
        T* operator->() const { return static_cast<T*>(at_); }
        iterator& operator++() { at_ = at_->next(); return *this; }
        iterator operator++(int) { iterator old = *this; ++*this; return old; }
        bool operator==(const iterator& other) const = default;

    private:
        ListObject* at_ = nullptr;
    };

    T* append(std::unique_ptr<T> entry)
    {
        return static_cast<T*>(ObjectList::append(std::move(entry)));
    }
    std::unique_ptr<T> remove(T* entry)
    {
        return std::unique_ptr<T>(static_cast<T*>(ObjectList::remove(entry).release()));
    }
    void sort(const std::function<bool(const T&, const T&)>& comesAfter)
    {
        ObjectList::sort([&](const ListObject& a, const ListObject& b) {
            return comesAfter(static_cast<const T&>(a), static_cast<const T&>(b));
        });
    }

    T* first() const { return static_cast<T*>(ObjectList::first()); }
    T* last() const { return static_cast<T*>(ObjectList::last()); }
    static T* next(const T& entry) { return static_cast<T*>(entry.ListObject::next()); }
    static T* prev(const T& entry) { return static_cast<T*>(entry.ListObject::prev()); }

    iterator begin() const { return iterator(ObjectList::first()); }
    iterator end() const { return iterator(); }
};

}  // namespace quorvane
