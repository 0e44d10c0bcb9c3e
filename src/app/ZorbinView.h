#pragma once
#include "framework/View.h"

#include <QWidget>

class QPrinter;

// The plain view of New and Open windows: it holds nothing and draws nothing, but prints (an
// empty page) and previews like any view.
class CZorbinView : public QWidget, public CView {
    Q_OBJECT
public:
    CZorbinView();
    QWidget* GetWidget() override { return this; }
    bool HandlesCommand(int nID) const override;
    void OnCommand(int nID) override;

    void OnFilePrint();        // with the print dialog
    void OnFilePrintDirect();  // to the default printer, no dialog
    void OnFilePrintPreview();
    // Draws the view's content onto a printer page: nothing, the view has no content.
    void OnPrint(QPrinter* printer);
};
