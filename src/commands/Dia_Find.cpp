#include "commands/Dia_Find.h"

#include "commands/ResultLines.h"
#include "framework/MessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

namespace {

// Dialog units into pixels by the dialog font's average character: a horizontal unit is a quarter
// of its width, a vertical unit an eighth of its height. The width is the mean of the 52 letters,
// rounded: the font's own average (7 against 6 pixels for the 9-point sans of this desktop) is
// too narrow, and the static text would be cut at both ends.
struct DialogUnits {
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics metrics(font);
        cx = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        cy = metrics.height();
    }
    QRect Rect(int x, int y, int width, int height) const {
        return QRect(x * cx / 4, y * cy / 8, width * cx / 4, height * cy / 8);
    }
    int cx, cy;
};

}  // namespace

CDia_Find::CDia_Find(QWidget* pParent)
    // Without a parent the application's active window owns the dialog, as a modal box is owned.
    : QDialog(pParent ? pParent : QApplication::activeWindow(),
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("IDD_FIND");
    setWindowTitle("What to find");
    const DialogUnits units(font());
    setFixedSize(units.Rect(0, 0, 215, 97).size());

    // Made in tab order: the edit field first, so it has the focus when the dialog opens.
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName("IDC_FIND_TEXT");
    m_pEdit->setGeometry(units.Rect(39, 39, 137, 14));
    m_pEdit->setMaxLength(std::numeric_limits<int>::max());  // no limit of its own
    m_pEdit->setFocus();

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("IDOK");
    ok->setGeometry(units.Rect(100, 76, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("IDCANCEL");
    cancel->setGeometry(units.Rect(158, 76, 50, 14));

    auto* label = new QLabel("Enter a part of a file name or a file extention:", this);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(units.Rect(20, 17, 175, 12));

    auto* group = new QGroupBox(this);
    group->setGeometry(units.Rect(7, 7, 201, 61));
    group->setFocusPolicy(Qt::NoFocus);
    group->lower();  // a frame behind the text and the edit field, never over them

    setTabOrder(m_pEdit, ok);
    setTabOrder(ok, cancel);
    connect(ok, &QPushButton::clicked, this, &CDia_Find::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CDia_Find::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CDia_Find::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        const QByteArray text = m_pEdit->text().toUtf8();
        m_strText.assign(text.constData(), static_cast<std::size_t>(text.size()));
    } else {
        m_pEdit->setText(QString::fromUtf8(m_strText.data(), static_cast<qsizetype>(m_strText.size())));
    }
}

void CDia_Find::OnOK() {
    UpdateData(true);
    g_strFind = m_strText;
    UpdateData(true);
    accept();
}
