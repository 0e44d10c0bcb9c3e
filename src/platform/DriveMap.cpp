#include "platform/DriveMap.h"

unsigned long _getdrives() { return 0; }
std::string DriveRootFolder(char) { return {}; }
std::string ResolveDrivePath(const std::string& path) { return path; }
