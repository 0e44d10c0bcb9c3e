#pragma once
#include <string>

// Moves a file or a whole directory into the desktop's (freedesktop) home trash. Never deletes for
// good. Returns an empty text on success, else the reason it failed.
std::string MoveToTrash(const std::string& path);
