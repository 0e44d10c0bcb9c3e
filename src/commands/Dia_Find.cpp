#include "commands/Dia_Find.h"

#include "commands/ResultLines.h"

CDia_Find::CDia_Find(QWidget* pParent) : QDialog(pParent) {}

void CDia_Find::OnOK() {
    g_strFind = m_strText;
    accept();
}
