#include "scan/DriveScanner.h"

void CDriveScanner::DeleteSelected(CListCtrl*, int, bool) {}
