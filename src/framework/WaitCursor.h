#pragma once

// Begins (1) or ends (-1) the application's wait cursor; calls nest.
void DoWaitCursor(int nCode);
