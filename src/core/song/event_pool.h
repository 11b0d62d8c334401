#pragma once

#include <cstddef>

namespace cantelo {

// Allocation for song events and chase entries. A song holds around a million of these small
// objects and a file open creates and frees them all at once; size-class free lists make that
// several times cheaper than the general heap. Memory is kept for reuse by the next song.
// Any thread may call these; each thread has its own free lists, so no lock is taken.
// Sanitizer builds use the plain heap so that leaks and use-after-free stay visible.
void* poolAllocate(std::size_t size);
void poolFree(void* p, std::size_t size) noexcept;

// Base for classes allocated from the pool.
struct PoolAllocated {
    static void* operator new(std::size_t size) { return poolAllocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { poolFree(p, size); }
};

} // namespace cantelo
