// The ZORBIN_DRIVES parser: any value gives a map of absolute folders, and writing that map out as
// a value again ("C=/x,D=/y") gives the same map back.
#include "system/DriveMap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto copy = std::make_unique<char[]>(size ? size : 1);
    if (size) std::memcpy(copy.get(), data, size);
    const auto folders = ParseDriveList(std::string_view(copy.get(), size), false);
    std::string value;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string& folder = folders[i];
        if (folder.empty()) continue;
        // Relative paths are taken from the current directory; no entry's comma stays in a path.
        if (folder[0] != '/' || folder.find(',') != std::string::npos) std::abort();
        value += std::string(value.empty() ? "" : ",") + static_cast<char>('A' + i) + "=" + folder;
    }
    if (ParseDriveList(value, false) != folders) std::abort();
    return 0;
}
