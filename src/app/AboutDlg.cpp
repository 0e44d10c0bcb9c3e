#include "app/AboutDlg.h"

#include "framework/MessageBox.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

// Dialog units into pixels by the dialog font's average character: a horizontal unit is a quarter
// of its width, a vertical unit an eighth of its height. The width is the rounded mean of the 52
// letters, as the platform takes it; the font's own average is narrower and cuts the texts.
QRect DialogRect(const QFont& font, int x, int y, int width, int height) {
    const QFontMetrics metrics(font);
    const int cx = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    const int cy = metrics.height();
    return QRect(x * cx / 4, y * cy / 8, width * cx / 4, height * cy / 8);
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("IDD_ABOUTBOX");
    setWindowTitle("About Zorbin");
    setFixedSize(DialogRect(font(), 0, 0, 235, 105).size());

    auto* icon = new QLabel(this);
    icon->setObjectName("IDR_MAINFRAME");
    const QRect iconRect = DialogRect(font(), 11, 14, 21, 20);
    const int side = std::min(iconRect.width(), iconRect.height());
    icon->setPixmap(QIcon(":/icons/zorbin.svg").pixmap(side, side));
    icon->setGeometry(iconRect.x(), iconRect.y(), side, side);

    const char* lines[] = {"Zorbin Version 1.0", "Made by Tarrow for the Linux desktop", "Copyright (C) 2025 Tarrow"};
    int y = 14;
    for (const char* line : lines) {
        auto* label = new QLabel(QString::fromUtf8(line), this);
        label->setGeometry(DialogRect(font(), 42, y, 180, 10));
        y += 14;
    }

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("IDOK");
    ok->setGeometry(DialogRect(font(), 178, 82, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

int CAboutDlg::DoModal() { return exec() == QDialog::Accepted ? IDOK : IDCANCEL; }
