#pragma once
#include "framework/Document.h"

#include <QWidget>

#include <memory>
#include <string>

class CListView_Table;

// Makes the application object of the headless benchmarks, once (QT_QPA_PLATFORM offscreen unless set).
void EnsureApplication();

// A table of DIR (mapped as drive C:) as the program opens it, under a parent that is never shown:
// nothing paints. Open defines it; OnInitialUpdate then fills it.
struct BenchTable {
    std::unique_ptr<QWidget> parent;  // made after the application, and deletes the view
    CDocument document;
    CListView_Table* view = nullptr;

    bool Open(const std::string& dir, int kind);
};
