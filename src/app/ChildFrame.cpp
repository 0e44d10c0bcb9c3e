#include "app/ChildFrame.h"

#include "table/TableKind.h"

bool CChildFrame::PreCreateWindow(CREATESTRUCT& cs) {
    // Wide enough for the columns of the table about to open; the drive list is also short.
    switch (g_nNextTable) {
    case AllDrives:
        cs.cx = 460;
        cs.cy = 294;
        break;
    case Files:
    case Doubles:
    case Found: cs.cx = 810; break;
    case Directories: cs.cx = 800; break;
    default: break;
    }
    return CMDIChildWnd::PreCreateWindow(cs);
}
