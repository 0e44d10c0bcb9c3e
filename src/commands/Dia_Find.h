#pragma once
#include <QDialog>
#include <string>

class QLineEdit;

// The "What to find" dialog.
class CDia_Find : public QDialog {
    Q_OBJECT
public:
    explicit CDia_Find(QWidget* pParent = nullptr);
    // Runs the dialog modally: IDOK or IDCANCEL.
    int DoModal();
    std::string m_strText;

private:
    // Text exchange between the edit field and m_strText: from the field when bSaveAndValidate.
    void UpdateData(bool bSaveAndValidate);
    void OnOK();
    QLineEdit* m_pEdit = nullptr;
};
