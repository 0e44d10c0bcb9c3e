#pragma once
#include <string>

// Hands a path to the desktop's opener (xdg-open, or the program ZORBIN_OPENER names), run
// directly with the path as its one argument: no shell ever sees the path. Waits a moment (at most
// 200 ms) for the opener to end; one that runs on is left running and reaped by a thread of its
// own when it ends. Its result is ignored.
void OpenWithDesktop(const std::string& path);
