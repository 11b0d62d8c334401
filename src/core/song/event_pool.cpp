#include "core/song/event_pool.h"

#include <cstdint>
#include <new>

namespace cantelo {

#ifdef CANTELO_PLAIN_HEAP

EventPool::~EventPool() = default;
void* EventPool::allocateSlow(std::size_t size) {
    return ::operator new(size);
}
void EventPool::release(void* p) noexcept {
    ::operator delete(p);
}
bool EventPool::releasesWholesale() noexcept {
    return false;
}
void EventPool::releaseAll() noexcept {}

#else

namespace {

// Blocks are aligned to their size, so an object finds its block's header by masking its
// address.
constexpr std::size_t kBlockBytes = 64 * 1024;

struct BlockHeader {
    EventPool* pool;
    std::size_t sizeClass;
};
// Objects start after the header, 16-byte aligned like the sizes.
constexpr std::size_t kHeaderBytes = 16;
static_assert(sizeof(BlockHeader) <= kHeaderBytes);

BlockHeader* headerOf(const void* p) {
    return reinterpret_cast<BlockHeader*>(reinterpret_cast<std::uintptr_t>(p) &
                                          ~std::uintptr_t{kBlockBytes - 1});
}

} // namespace

EventPool::~EventPool() {
    for (auto& c : m_classes)
        for (std::byte* b : c.blocks) ::operator delete (b, std::align_val_t{kBlockBytes});
}

void* EventPool::allocateSlow(std::size_t size) {
    const std::size_t cls = (size + kGranule - 1) / kGranule;
    if (cls == 0 || cls > kClasses) throw std::bad_alloc(); // no song object is that large
    SizeClass& c = m_classes[cls - 1];
    if (c.used == c.blocks.size()) {
        c.blocks.reserve(c.blocks.size() + 1);
        auto* block =
            static_cast<std::byte*>(::operator new (kBlockBytes, std::align_val_t{kBlockBytes}));
        new (block) BlockHeader{this, cls};
        c.blocks.push_back(block);
    }
    std::byte* block = c.blocks[c.used++];
    c.next = block + kHeaderBytes;
    c.end = block + kBlockBytes;
    void* p = c.next;
    c.next += cls * kGranule;
    return p;
}

void EventPool::release(void* p) noexcept {
    if (!p) return;
    BlockHeader* h = headerOf(p);
    SizeClass& c = h->pool->m_classes[h->sizeClass - 1];
    auto* n = static_cast<FreeNode*>(p);
    n->next = c.free;
    c.free = n;
}

bool EventPool::releasesWholesale() noexcept {
    return true;
}

void EventPool::releaseAll() noexcept {
    for (auto& c : m_classes) {
        c.free = nullptr;
        c.used = 0;
        c.next = c.end = nullptr;
    }
}

#endif

} // namespace cantelo
