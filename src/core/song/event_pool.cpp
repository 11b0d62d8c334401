#include "core/song/event_pool.h"

#include <array>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CANTELO_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CANTELO_PLAIN_HEAP 1
#endif
#endif

namespace cantelo {

#ifdef CANTELO_PLAIN_HEAP

void* poolAllocate(std::size_t size) { return ::operator new(size); }
void poolFree(void* p, std::size_t) noexcept { ::operator delete(p); }

#else

namespace {

constexpr std::size_t kGranule = 16;
constexpr std::size_t kClasses = 16; // objects up to 256 bytes
constexpr std::size_t kBlockBytes = 256 * 1024;

struct FreeNode {
    FreeNode* next;
};

class Pool {
public:
    void* allocate(std::size_t size) {
        const std::size_t cls = (size + kGranule - 1) / kGranule;
        if (cls == 0 || cls > kClasses) return ::operator new(size);
        FreeNode*& head = m_free[cls - 1];
        if (head) {
            FreeNode* n = head;
            head = n->next;
            return n;
        }
        const std::size_t bytes = cls * kGranule;
        if (static_cast<std::size_t>(m_blockEnd - m_next) < bytes) {
            // Blocks live as long as the process: events of every song come back here.
            m_next = static_cast<std::byte*>(::operator new(kBlockBytes));
            m_blockEnd = m_next + kBlockBytes;
        }
        void* p = m_next;
        m_next += bytes;
        return p;
    }

    void release(void* p, std::size_t size) noexcept {
        if (!p) return;
        const std::size_t cls = (size + kGranule - 1) / kGranule;
        if (cls == 0 || cls > kClasses) {
            ::operator delete(p);
            return;
        }
        auto* n = static_cast<FreeNode*>(p);
        n->next = m_free[cls - 1];
        m_free[cls - 1] = n;
    }

private:
    std::array<FreeNode*, kClasses> m_free{};
    std::byte* m_next = nullptr;
    std::byte* m_blockEnd = nullptr;
};

// One pool per thread, so no lock is taken. A pool is never destroyed and its blocks are never
// returned: an event made on one thread and freed on another simply joins the second thread's
// free list, and events may outlive static destruction.
Pool& pool() {
    thread_local Pool* p = new Pool;
    return *p;
}

} // namespace

void* poolAllocate(std::size_t size) { return pool().allocate(size); }
void poolFree(void* p, std::size_t size) noexcept { pool().release(p, size); }

#endif

} // namespace cantelo
