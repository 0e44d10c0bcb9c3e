#pragma once
#include <QDialog>
#include <string>

class QLineEdit;

// The "What to find" dialog.
class CDia_Find : public QDialog {
    Q_OBJECT
public:
    explicit CDia_Find(QWidget* pParent = nullptr);
    std::string m_strText;

private:
    void OnOK();
    QLineEdit* m_pEdit = nullptr;
};
