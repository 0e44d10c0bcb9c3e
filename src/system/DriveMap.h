#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

// The drive map: which letters name drives, and the folder each letter stands for.
// By default "/" is C: and every other mounted block-device file system takes the next free
// letter, D: to Z:, in mount-table order (pseudo and memory file systems and second mounts of a
// device are left out). ZORBIN_DRIVES="C=/,D=/mnt/data" replaces the whole map; a malformed
// entry is ignored with a word on standard error.

// Reads the map again (the mount table, or ZORBIN_DRIVES) and keeps it for the look-ups below until
// the next call: the drive list is read here, once per All Drives table. Returns the bit mask of
// the drives present: bit 0 is A:, bit 2 C: ... (0 when there is none).
unsigned long GetDriveMask();
// The look-ups read the kept map; the first reads it, and so does a change of ZORBIN_DRIVES.
// The folder of a drive letter ('C'), or an empty text when the letter names no drive.
std::string DriveRootFolder(char letter);
// The folder the letter stands for now: the mount table (or ZORBIN_DRIVES) read afresh, the kept
// map left as it is. For a check that a drive is still where a table found it.
std::string ReadDriveFolderNow(char letter);
// Resolves a drive path such as "C:/" or "C:/x/y" through the map into a real path
// ("/" + "x/y"); any other path comes back unchanged. A letter that names no drive gives an
// empty text, which no walk can open.
std::string ResolveDrivePath(const std::string& path);
// The folders of all drives of the map, read once: for a command that places many paths.
std::vector<std::string> AllDriveFolders();
// The map a ZORBIN_DRIVES value gives: the folder of each letter A..Z (empty: no drive). With
// warn, each entry left out is named on standard error; pFirstFault, when given, receives the
// first entry left out and why.
std::array<std::string, 26> ParseDriveList(std::string_view list, bool warn, std::string* pFirstFault = nullptr);
