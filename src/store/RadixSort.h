#pragma once
#include <cstddef>
#include <cstdint>

// A row and the 64-bit key it sorts by: 16 bytes a row, no heap block of its own.
struct SortKey {
    std::uint64_t key;
    std::uint32_t row;
};

// Sorts keys[0..n) by key, stable (equal keys keep their order), with scratch room for n more.
// A least-significant-digit radix sort by bytes that skips the bytes every key shares: a time or
// a length column varies in four or five of its eight bytes.
void RadixSortKeys(SortKey* keys, SortKey* scratch, std::size_t n);
