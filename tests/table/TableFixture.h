#pragma once
#include "WindowFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CDocument;
class CListView_Table;

// Zorbin on the offscreen display with a drive map of the test's own: the profile below the
// test's folder, every message box recorded, the windows torn down at the end.
class TableFixture : public ::testing::Test {
protected:
    TableFixture();
    ~TableFixture() override;

    // Maps the drives ("C=/tmp/...,D=...") and starts the program, which opens All Drives.
    void Start(const std::string& drives);
    // The table that shows the document, or null.
    static CListView_Table* TableOf(CDocument* document);
    // The first window the program opened.
    static CListView_Table* FirstTable();
    // Opens a table as the program does: hand-off globals, then the table template.
    static CListView_Table* Open(int nKind, int nDrive);
    // A Doubles or Found table cut from the given result lines.
    static CListView_Table* OpenFromLines(int nKind, const std::vector<std::string>& lines);
    static std::string Pane0();
    static std::vector<std::string> Column(const CListView_Table* table, int nCol);
    static std::vector<std::string> Titles();  // of the child windows, in creation order
    // Sorts by the column in the given direction through header clicks, as the user does.
    static void ClickHeader(CListView_Table* table, int nCol);
    static void SortBy(CListView_Table* table, int nCol, bool bDescending);
    static void ExpectItemDataIsRowNumber(const CListView_Table* table);

    TempDir m_dir;
    ScopedEnv m_config;
    std::unique_ptr<ScopedEnv> m_drives;
    MessageBoxRecorder m_boxes;
};
