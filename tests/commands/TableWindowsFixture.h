#pragma once
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CListView_Table;
class QWidget;

using Row = std::vector<std::string>;  // the seven cells of a drive table's row

// The whole program on the offscreen display: drives C and D mapped to folders of the test's own,
// the trash and the profile below the test's folder, every message box recorded.
class TableWindowsFixture : public ::testing::Test {
protected:
    TableWindowsFixture();
    void SetUp() override;
    void TearDown() override;

    // The table of the active window, or null.
    CListView_Table* ActiveTable() const;
    int WindowCount() const;
    // Opens a table the way the program does (hand-off globals, then the table template) and
    // returns it.
    CListView_Table* OpenTable(int nKind, int nDrive);
    // Replaces a table's rows by the given ones (item data = row number).
    static void SetRows(CListView_Table* table, const std::vector<Row>& rows);
    static std::vector<Row> Rows(const CListView_Table* table);
    // The rows as a Doubles or Found table shows them after one hand-over: a blank before each cell.
    static std::vector<Row> HandedOver(const std::vector<Row>& rows);
    // Runs command while a modal dialog is answered by act (called once the dialog is up).
    // Fails the test and closes the dialog when act leaves it open.
    static void WithDialog(const std::function<void(QWidget* dialog)>& act, const std::function<void()>& command);
    // Types text into the dialog's focused field and presses Enter there.
    static void TypeAndEnter(QWidget* dialog, const std::string& text);

    // Points ZORBIN_OPENER at a script that appends its one argument, and a line end, to a file
    // of the test's own; returns what the file holds when asked.
    void UseRecordingOpener();
    std::string Opened() const;

    TempDir m_dir;
    std::string m_driveC;
    std::string m_driveD;
    std::string m_dataHome;  // XDG_DATA_HOME: the trash goes below it
    ScopedEnv m_drives;
    ScopedEnv m_data;
    ScopedEnv m_config;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<ScopedEnv> m_opener;
};
