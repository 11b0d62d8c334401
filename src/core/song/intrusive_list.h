#pragma once

#include <cstddef>
#include <iterator>
#include <utility>

namespace cantelo {

// An owning, intrusive, doubly linked list. `Node` is the type that carries the `next` and
// `prev` links (a base class of T, or T itself); every element is a heap object that the list
// deletes when it is removed or the list is cleared. Insertion at either end and unlinking are
// constant time; the list is never sorted after the fact, callers insert in place.
template <typename T, typename Node = T>
class IntrusiveList {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = T*;
        using reference = T&;

        iterator() = default;
        explicit iterator(Node* n) : m_node(n) {}
        T& operator*() const { return *static_cast<T*>(m_node); }
        T* operator->() const { return static_cast<T*>(m_node); }
        iterator& operator++() {
            m_node = m_node->next;
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            m_node = m_node->next;
            return old;
        }
        bool operator==(const iterator& o) const { return m_node == o.m_node; }

    private:
        Node* m_node = nullptr;
    };

    IntrusiveList() = default;
    IntrusiveList(const IntrusiveList&) = delete;
    IntrusiveList& operator=(const IntrusiveList&) = delete;
    IntrusiveList(IntrusiveList&& o) noexcept { swap(o); }
    IntrusiveList& operator=(IntrusiveList&& o) noexcept {
        clear();
        swap(o);
        return *this;
    }
    ~IntrusiveList() { clear(); }

    void swap(IntrusiveList& o) noexcept {
        std::swap(m_head, o.m_head);
        std::swap(m_tail, o.m_tail);
        std::swap(m_size, o.m_size);
    }

    T* head() const { return static_cast<T*>(m_head); }
    T* tail() const { return static_cast<T*>(m_tail); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_head == nullptr; }
    iterator begin() const { return iterator(m_head); }
    iterator end() const { return iterator(); }

    // Takes ownership of `item` and appends it.
    T* pushBack(T* item) {
        Node* n = item;
        n->next = nullptr;
        n->prev = m_tail;
        if (m_tail)
            m_tail->next = n;
        else
            m_head = n;
        m_tail = n;
        ++m_size;
        return item;
    }

    // Takes ownership of `item` and places it before `pos` (at the tail when `pos` is null).
    T* insertBefore(Node* pos, T* item) {
        if (!pos) return pushBack(item);
        Node* n = item;
        n->next = pos;
        n->prev = pos->prev;
        if (pos->prev)
            pos->prev->next = n;
        else
            m_head = n;
        pos->prev = n;
        ++m_size;
        return item;
    }

    // Unlinks `item` and hands ownership back to the caller.
    T* unlink(Node* item) {
        if (item->prev)
            item->prev->next = item->next;
        else
            m_head = item->next;
        if (item->next)
            item->next->prev = item->prev;
        else
            m_tail = item->prev;
        item->next = item->prev = nullptr;
        --m_size;
        return static_cast<T*>(item);
    }

    void erase(Node* item) { delete unlink(item); }

    // Drops every element without deleting it: for an owner that takes their memory back in
    // one piece (and whose elements need no destructor).
    void forget() noexcept {
        m_head = m_tail = nullptr;
        m_size = 0;
    }

    void clear() {
        Node* n = m_head;
        while (n) {
            Node* next = n->next;
            delete static_cast<T*>(n);
            n = next;
        }
        m_head = m_tail = nullptr;
        m_size = 0;
    }

private:
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    std::size_t m_size = 0;
};

} // namespace cantelo
