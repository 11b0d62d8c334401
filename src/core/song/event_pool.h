#pragma once

#include <array>
#include <cstddef>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CANTELO_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CANTELO_PLAIN_HEAP 1
#endif
#endif

namespace cantelo {

// Memory for one song's events and chase entries. A song holds around a million of these small
// objects, all made while a file is read and all dropped when the next one is opened: size-class
// blocks make the first several times cheaper than the general heap, and let the second happen
// at once (releaseAll) instead of object by object. Blocks are kept for the next song.
//
// One thread at a time (the song's). An object may be freed on its own at any time (an edit):
// its block tells which pool and size class it came from. Sanitizer builds use the plain heap and
// never release wholesale, so that leaks and use-after-free stay visible.
class EventPool {
public:
    EventPool() = default;
    EventPool(const EventPool&) = delete;
    EventPool& operator=(const EventPool&) = delete;
    ~EventPool();

    void* allocate(std::size_t size) {
#ifndef CANTELO_PLAIN_HEAP
        // The common case inline: a freed object of the size, else the next in the block.
        const std::size_t cls = (size + kGranule - 1) / kGranule;
        if (cls > 0 && cls <= kClasses) {
            SizeClass& c = m_classes[cls - 1];
            if (FreeNode* n = c.free) {
                c.free = n->next;
                return n;
            }
            if (static_cast<std::size_t>(c.end - c.next) >= cls * kGranule) {
                void* p = c.next;
                c.next += cls * kGranule;
                return p;
            }
        }
#endif
        return allocateSlow(size);
    }
    // Returns an object's memory to the pool it came from.
    static void release(void* p) noexcept;
    // Whether releaseAll may stand in for freeing every object.
    static bool releasesWholesale() noexcept;
    // Takes back the memory of every object at once; no destructor runs. Only for a caller that
    // has dropped every pointer into the pool and whose objects need no destructor.
    void releaseAll() noexcept;

private:
    struct FreeNode {
        FreeNode* next;
    };
    struct SizeClass {
        FreeNode* free = nullptr;
        std::vector<std::byte*> blocks;
        std::size_t used = 0; // blocks handed out from, the last one in part
        std::byte* next = nullptr;
        std::byte* end = nullptr;
    };
    static constexpr std::size_t kGranule = 16;
    static constexpr std::size_t kClasses = 8; // objects up to 128 bytes

    void* allocateSlow(std::size_t size);

    std::array<SizeClass, kClasses> m_classes{};
};

// Base for classes made in a song's pool: `new (pool) T`. A plain `new` is refused, so that no
// object of a song comes from elsewhere; `delete` returns it to its pool.
struct PoolAllocated {
    static void* operator new(std::size_t size, EventPool& pool) { return pool.allocate(size); }
    static void operator delete(void* p, EventPool&) noexcept { EventPool::release(p); }
    static void operator delete(void* p) noexcept { EventPool::release(p); }
    static void* operator new(std::size_t size) = delete;
};

} // namespace cantelo
