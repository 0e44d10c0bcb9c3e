#pragma once
#include <cstddef>
#include <new>

// Memory for the large arrays of a table's cells: blocks of kSystemBlock bytes and more are mapped
// from the system and unmapped when freed, smaller ones come from malloc. The allocator keeps large
// blocks it has seen freed in its heaps (its threshold for mapping rises after the first large
// free), so the arrays a scan fills in parts on two threads, freed as they are put together, stayed
// resident: opening a drive of a million files peaked at 220 MB, now at about 180 MB. Fixing the
// allocator's threshold for the whole process instead (166 MB) had Qt's own large temporaries (a
// window's picture) mapped afresh at every paint, which made painting a screen a fifth slower.
constexpr std::size_t kSystemBlock = 64 * 1024;
void* AllocateBlock(std::size_t bytes);
void FreeBlock(void* p, std::size_t bytes);
// Grows or shrinks a block of `old` bytes to `bytes`, keeping its contents; a mapped block is
// moved by its pages, not copied. Null when there is no memory (the old block stays).
void* ResizeBlock(void* p, std::size_t old, std::size_t bytes);

template <class T>
struct CSystemAllocator {
    using value_type = T;
    CSystemAllocator() = default;
    template <class U>
    CSystemAllocator(const CSystemAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        void* p = AllocateBlock(n * sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeBlock(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const CSystemAllocator<U>&) const noexcept {
        return true;
    }
};
