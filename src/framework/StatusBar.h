#pragma once
#include <QStatusBar>
#include <string>
#include <string_view>
#include <vector>

class CLockKeys;
class QLabel;

// Status-bar indicator ids: 0 is the stretching message pane.
enum : unsigned { ID_SEPARATOR = 0, ID_INDICATOR_CAPS = 0xE701, ID_INDICATOR_NUM = 0xE702, ID_INDICATOR_SCRL = 0xE703 };

// The status bar with panes: pane 0 is the message area, the others fixed indicator panes.
class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusBar(QWidget* parent = nullptr);
    bool SetIndicators(const unsigned* ids, int count);
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    // Sets a pane's text; with update, the pane repaints at once.
    bool SetPaneText(int index, std::string_view text, bool update = true);
    std::string GetPaneText(int index) const;
    // The pane's rectangle in the status bar's own coordinates.
    QRect GetItemRect(int index) const;

private:
    // Each indicator pane shows its text while its lock is on and stands blank otherwise.
    void ShowLocks();

    std::vector<QLabel*> m_panes;
    std::vector<unsigned> m_ids;
    CLockKeys* m_pLocks = nullptr;
};
