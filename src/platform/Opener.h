#pragma once
#include <string>

// Hands a path to the desktop's opener (xdg-open, or the program ZORBIN_OPENER names), run
// directly with the path as its one argument: no shell ever sees the path. Waits for the opener
// to end and ignores its result.
void OpenWithDesktop(const std::string& path);
