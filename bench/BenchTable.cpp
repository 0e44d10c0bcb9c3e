#include "BenchTable.h"

#include "framework/MessageBox.h"
#include "scan/DriveScanner.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

void EnsureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "zorbin-bench";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: a QApplication torn down among the static destructors at exit crashes.
    new QApplication(argc, argv);
}

bool BenchTable::Open(const std::string& dir, int kind) {
    EnsureApplication();
    setenv("ZORBIN_DRIVES", ("C=" + dir).c_str(), 1);
    SetMessageBoxHandler([](const MessageBoxRequest& request) {
        std::fprintf(stderr, "%s\n", request.text.c_str());
        return IDOK;
    });
    if (!CDriveScanner().GetDriveLetters()) return false;
    g_nNextTable = kind;
    g_nDrive = 0;
    parent = std::make_unique<QWidget>();
    view = new CListView_Table;
    view->setParent(parent.get());
    view->SetDocument(&document);
    return true;
}
