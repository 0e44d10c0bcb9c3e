#pragma once
#include "framework/Document.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class CListView_Table;

// Makes the application object once (offscreen unless QT_QPA_PLATFORM says otherwise), for what
// opens tables without the main window: zorbin-bench, and the tests of one table.
void EnsureApplication();

// A table of a folder, mapped as drive C:, as the program opens it, under a parent that is never
// shown: no main window, nothing paints. Open defines it; Fill then fills it as its first showing
// does. The drive map it set is put back when it goes.
class CHeadlessTable {
public:
    CHeadlessTable() = default;
    CHeadlessTable(const CHeadlessTable&) = delete;
    CHeadlessTable& operator=(const CHeadlessTable&) = delete;
    ~CHeadlessTable();

    bool Open(const std::string& dir, int nKind);
    void Fill();

    CListView_Table* view = nullptr;  // owned by the parent

private:
    std::unique_ptr<QWidget> m_parent;  // made after the application object, and deletes the view
    CDocument m_document;
    std::optional<std::string> m_oldDrives;
    bool m_bDrivesSet = false;
};
