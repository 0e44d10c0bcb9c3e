#include "store/SystemAllocator.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

void* AllocateBlock(std::size_t bytes) {
    if (bytes < kSystemBlock) return std::malloc(bytes == 0 ? 1 : bytes);
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void FreeBlock(void* p, std::size_t bytes) {
    if (!p) return;
    if (bytes < kSystemBlock)
        std::free(p);
    else
        munmap(p, bytes);
}

void* ResizeBlock(void* p, std::size_t old, std::size_t bytes) {
    if (!p) return AllocateBlock(bytes);
#if !defined(__SANITIZE_THREAD__)
    // ThreadSanitizer does not follow mremap: the pages a move leaves keep the accesses of the
    // block's thread, and a later mapping there by another thread reads as a race. Its builds copy.
    if (old >= kSystemBlock && bytes >= kSystemBlock) {
        void* q = mremap(p, old, bytes, MREMAP_MAYMOVE);
        return q == MAP_FAILED ? nullptr : q;
    }
#endif
    if (old < kSystemBlock && bytes < kSystemBlock) return std::realloc(p, bytes == 0 ? 1 : bytes);
    void* q = AllocateBlock(bytes);
    if (!q) return nullptr;
    std::memcpy(q, p, std::min(old, bytes));
    FreeBlock(p, old);
    return q;
}
