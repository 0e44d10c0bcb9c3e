#include "app/ZorbinView.h"

#include "app/Resource.h"
#include "framework/MessageBox.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

CZorbinView::CZorbinView() {
    // An empty page: the background of a document, not of a dialog.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

bool CZorbinView::HandlesCommand(int nID) const {
    return nID == ID_FILE_PRINT || nID == ID_FILE_PRINT_DIRECT || nID == ID_FILE_PRINT_PREVIEW;
}

void CZorbinView::OnCommand(int nID) {
    switch (nID) {
    case ID_FILE_PRINT: OnFilePrint(); break;
    case ID_FILE_PRINT_DIRECT: OnFilePrintDirect(); break;
    case ID_FILE_PRINT_PREVIEW: OnFilePrintPreview(); break;
    default: break;
    }
}

void CZorbinView::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    OnPrint(&printer);
}

void CZorbinView::OnFilePrintDirect() {
    if (QPrinterInfo::defaultPrinter().isNull()) {
        AfxMessageBox("No printer is installed.", MB_ICONINFORMATION);
        return;
    }
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    OnPrint(&printer);
}

void CZorbinView::OnFilePrintPreview() {
    QPrintPreviewDialog preview(this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { OnPrint(printer); });
    preview.exec();
}

void CZorbinView::OnPrint(QPrinter* printer) {
    // One page, left empty: opening the painter starts the page, ending it sends the job.
    QPainter painter;
    if (painter.begin(printer)) painter.end();
}
