#include "store/RadixSort.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {
// Below this a stable insertion sort beats eight counting passes.
constexpr std::size_t kInsertionMax = 48;

void InsertionSort(SortKey* keys, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i) {
        const SortKey moving = keys[i];
        std::size_t j = i;
        for (; j > 0 && keys[j - 1].key > moving.key; --j) keys[j] = keys[j - 1];
        keys[j] = moving;
    }
}
}  // namespace

void RadixSortKeys(SortKey* keys, SortKey* scratch, std::size_t n) {
    if (n <= kInsertionMax) {
        InsertionSort(keys, n);
        return;
    }
    // All eight histograms in one pass over the keys.
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t key = keys[i].key;
        for (int b = 0; b < 8; ++b) ++counts[static_cast<std::size_t>(b)][(key >> (8 * b)) & 0xFF];
    }
    SortKey* from = keys;
    SortKey* to = scratch;
    for (int b = 0; b < 8; ++b) {
        auto& count = counts[static_cast<std::size_t>(b)];
        // A byte that every key has alike leaves the order as it is.
        if (count[(from[0].key >> (8 * b)) & 0xFF] == n) continue;
        std::array<std::size_t, 256> next;
        std::size_t sum = 0;
        for (std::size_t d = 0; d < 256; ++d) {
            next[d] = sum;
            sum += count[d];
        }
        for (std::size_t i = 0; i < n; ++i) to[next[(from[i].key >> (8 * b)) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != keys) std::memcpy(keys, from, n * sizeof(SortKey));
}
