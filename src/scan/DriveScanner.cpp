#include "scan/DriveScanner.h"

bool CDriveScanner::GetDriveLetters() { return false; }
void CDriveScanner::StartCountThread(ScanColumns*) {}
void CDriveScanner::ScanFolder(std::string, ScanColumns*) {}
std::string CDriveScanner::GetExtension(std::string) { return {}; }
