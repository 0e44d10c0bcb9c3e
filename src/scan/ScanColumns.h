#pragma once
#include "store/TextColumn.h"

#include <cstdint>

// Tells a folder walk which column arrays to fill (a null slot is skipped, and its texts are never
// computed) and carries the counting walk's two counters.
struct ScanColumns {
    std::int32_t nFileCount = 0;
    std::int32_t nDirCount = 0;
    CTextColumn* pDirPath = nullptr;       // slot 0
    CTextColumn* pDirName = nullptr;       // slot 1
    CTextColumn* pFilePath = nullptr;      // slot 2
    CTextColumn* pFileName = nullptr;      // slot 3
    CTextColumn* pFileExt = nullptr;       // slot 4
    CTextColumn* pFileLength = nullptr;    // slot 5
    CTextColumn* pFileCreated = nullptr;   // slot 6
    CTextColumn* pFileModified = nullptr;  // slot 7
    CTextColumn* pFileAccessed = nullptr;  // slot 8
    CTextColumn* pDirCreated = nullptr;    // slot 9
};

// The arrays of a record by slot number, and which of them take directories.
inline constexpr CTextColumn* ScanColumns::*kScanSlots[10] = {
    &ScanColumns::pDirPath,      &ScanColumns::pDirName,    &ScanColumns::pFilePath,    &ScanColumns::pFileName,
    &ScanColumns::pFileExt,      &ScanColumns::pFileLength, &ScanColumns::pFileCreated, &ScanColumns::pFileModified,
    &ScanColumns::pFileAccessed, &ScanColumns::pDirCreated};
inline constexpr bool IsDirSlot(int slot) { return slot == 0 || slot == 1 || slot == 9; }
