#include "HeadlessTable.h"

#include "scan/DriveScanner.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QApplication>

#include <cstdlib>

void EnsureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "zorbin-headless";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: a QApplication torn down among the static destructors at exit crashes.
    new QApplication(argc, argv);
}

CHeadlessTable::~CHeadlessTable() {
    m_parent.reset();  // the view goes before the document it shows
    if (!m_bDrivesSet) return;
    if (m_oldDrives)
        setenv("ZORBIN_DRIVES", m_oldDrives->c_str(), 1);
    else
        unsetenv("ZORBIN_DRIVES");
}

bool CHeadlessTable::Open(const std::string& dir, int nKind) {
    EnsureApplication();
    if (!m_bDrivesSet) {
        if (const char* old = std::getenv("ZORBIN_DRIVES")) m_oldDrives = old;
        m_bDrivesSet = true;
    }
    setenv("ZORBIN_DRIVES", ("C=" + dir).c_str(), 1);
    if (!CDriveScanner().GetDriveLetters()) return false;
    g_nNextTable = nKind;
    g_nDrive = 0;
    m_parent = std::make_unique<QWidget>();
    view = new CListView_Table;
    view->setParent(m_parent.get());
    view->SetDocument(&m_document);
    return true;
}

void CHeadlessTable::Fill() { view->OnInitialUpdate(); }
