#pragma once
#include <QDialog>

// The About box: icon, name and version, two lines on its makers, OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
    int DoModal();
};
