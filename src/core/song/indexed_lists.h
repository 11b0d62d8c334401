#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cantelo {

// A list used like an array: item i is found from a cached cursor, so walking by ascending
// (or descending) index costs one step per call. Items are owned by the list.
template <typename Item>
class IndexedList {
public:
    IndexedList() = default;
    IndexedList(const IndexedList&) = delete;
    IndexedList& operator=(const IndexedList&) = delete;
    ~IndexedList() { clear(); }

    int count() const { return m_count; }
    int cursorIndex() const { return m_cursorIndex; }
    Item* head() const { return m_head; }
    Item* tail() const { return m_tail; }

    void clear() {
        Item* it = m_head;
        while (it) {
            Item* next = it->next;
            delete it;
            it = next;
        }
        m_head = m_tail = m_cursor = nullptr;
        m_cursorIndex = -1;
        m_count = 0;
    }

    // Item i, or null when i is out of range. The found item becomes the cursor.
    Item* item(int i) {
        if (i < 0 || i > m_count - 1) return nullptr;
        const int n = m_count;
        Item* it;
        if (!m_cursor) {
            m_cursor = m_head;
            m_cursorIndex = 0;
        }
        const int c = m_cursorIndex;
        if (i >= c) {
            if (i - c <= n - 1 - i) {
                it = m_cursor;
                for (int k = c; k < i; ++k) it = it->next;
            } else {
                it = m_tail;
                for (int k = n - 1; k > i; --k) it = it->prev;
            }
        } else if (i >= c - i) {
            it = m_cursor;
            for (int k = c; k > i; --k) it = it->prev;
        } else {
            it = m_head;
            for (int k = 0; k < i; ++k) it = it->next;
        }
        m_cursor = it;
        m_cursorIndex = i;
        return it;
    }

    // Unlinks and frees item i; the cursor rests on item i - 1 (or the new first item).
    void remove(int i) {
        Item* it = item(i);
        if (!it) return;
        Item* before = it->prev;
        Item* after = it->next;
        if (before)
            before->next = after;
        else
            m_head = after;
        if (after)
            after->prev = before;
        else
            m_tail = before;
        delete it;
        --m_count;
        if (before) {
            m_cursor = before;
            m_cursorIndex = i - 1;
        } else {
            m_cursor = m_head;
            m_cursorIndex = m_head ? 0 : -1;
        }
    }

protected:
    Item* append(Item* it) {
        it->prev = m_tail;
        it->next = nullptr;
        if (m_tail)
            m_tail->next = it;
        else
            m_head = it;
        m_tail = it;
        m_cursor = it;
        m_cursorIndex = m_count;
        ++m_count;
        return it;
    }

    // Places `it` before item i (before the first item for a negative i); appends when i >= count.
    // A one-item list is no exception: an item inserted at 0 goes before the one already there.
    Item* insertAt(int i, Item* it) {
        if (i >= m_count) return append(it);
        Item* pos = item(i < 0 ? 0 : i);
        if (!pos) return append(it); // only when the list is empty
        if (i < 0) i = 0;
        it->next = pos;
        it->prev = pos->prev;
        if (pos->prev)
            pos->prev->next = it;
        else
            m_head = it;
        pos->prev = it;
        ++m_count;
        m_cursor = it;
        m_cursorIndex = i;
        return it;
    }

private:
    Item* m_head = nullptr;
    Item* m_tail = nullptr;
    Item* m_cursor = nullptr;
    int m_cursorIndex = -1;
    int m_count = 0;
};

struct LyrItem {
    LyrItem* next = nullptr;
    LyrItem* prev = nullptr;
    std::string text; // raw song bytes; a leading carriage return marks a line start
    double tick = 0;
    std::uint8_t lineBreak = 0;
};

// Lyric items of one file chunk.
class TItemLyr : public IndexedList<LyrItem> {
public:
    LyrItem* add(std::string_view text, std::uint8_t lineBreak, double tick) {
        return append(new LyrItem{nullptr, nullptr, std::string(text), tick, lineBreak});
    }
    LyrItem* insert(int i, std::string_view text, std::uint8_t lineBreak, double tick) {
        return insertAt(i, new LyrItem{nullptr, nullptr, std::string(text), tick, lineBreak});
    }
    LyrItem* get(int i) { return item(i); }
};

struct KLItem {
    KLItem* next = nullptr;
    KLItem* prev = nullptr;
    std::string text;
    double value = 0; // for a lyric line: index of the lyric item that ends it
};

// Lyric lines.
class TItemKL : public IndexedList<KLItem> {
public:
    KLItem* add(std::string_view text, double value) {
        return append(new KLItem{nullptr, nullptr, std::string(text), value});
    }
    // The text of line i, or null when i is out of range.
    const std::string* get(int i) {
        KLItem* it = item(i);
        return it ? &it->text : nullptr;
    }
};

struct ChannelItem {
    ChannelItem* next = nullptr;
    ChannelItem* prev = nullptr;
    std::int32_t value = 0;
    double tick = 0;
    double amount = 0;
    std::int32_t extra = 0;
};

// Tempo, time-signature and note tables.
class TChannelItem : public IndexedList<ChannelItem> {
public:
    ChannelItem* add(std::int32_t value, double tick, double amount, std::int32_t extra) {
        return append(new ChannelItem{nullptr, nullptr, value, tick, amount, extra});
    }
    ChannelItem* get(int i) { return item(i); }
};

struct RectItem {
    RectItem* next = nullptr;
    RectItem* prev = nullptr;
    std::string text;
    std::int32_t left = 0, right = 0, top = 0, bottom = 0;
    std::int32_t index = 0;
    double tick = 0;
};

// Hit rectangles of the views; added with a width and height, stored as right and bottom.
class TRectItem : public IndexedList<RectItem> {
public:
    RectItem* add(std::string_view text, std::int32_t left, std::int32_t top, std::int32_t width,
                  std::int32_t height, std::int32_t index, double tick) {
        return append(new RectItem{nullptr, nullptr, std::string(text), left, left + width, top,
                                   top + height, index, tick});
    }
    RectItem* get(int i) { return item(i); }
};

struct IntItem {
    IntItem* next = nullptr;
    IntItem* prev = nullptr;
    std::int32_t value = 0;
};

class TItemI : public IndexedList<IntItem> {
public:
    static constexpr std::int32_t outOfRange = 1000000;
    IntItem* add(std::int32_t value) { return append(new IntItem{nullptr, nullptr, value}); }
    // The value of item i, or 1 000 000 when i is out of range.
    std::int32_t get(int i) {
        IntItem* it = item(i);
        return it ? it->value : outOfRange;
    }
};

struct ControlItem {
    ControlItem* next = nullptr;
    ControlItem* prev = nullptr;
    std::uint8_t kind = 0;
    std::int32_t left = 0, right = 0, top = 0, bottom = 0;
    std::int32_t value1 = 0, value2 = 0, value3 = 0;
};

// Mixer controls.
class TControlItem : public IndexedList<ControlItem> {
public:
    ControlItem* add(std::uint8_t kind, std::int32_t left, std::int32_t top, std::int32_t width,
                     std::int32_t height, std::int32_t v1, std::int32_t v2, std::int32_t v3) {
        return append(new ControlItem{nullptr, nullptr, kind, left, left + width, top, top + height,
                                      v1, v2, v3});
    }
    ControlItem* get(int i) { return item(i); }
};

} // namespace cantelo
