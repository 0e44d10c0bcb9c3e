#pragma once

// Begins (1) or ends (-1) the application's wait cursor; calls nest.
void DoWaitCursor(int nCode);

// The wait cursor for the life of the object: it ends also when an exception ends the work (a
// walk's error re-raised from its worker), which left the cursor on for good.
class CWaitCursor {
public:
    CWaitCursor() { DoWaitCursor(1); }
    ~CWaitCursor() { DoWaitCursor(-1); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
