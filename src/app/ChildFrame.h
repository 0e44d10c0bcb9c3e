#pragma once
#include "framework/MDIChildWnd.h"

// The frame of every child window; it only chooses the first size by the kind of table opening.
class CChildFrame : public CMDIChildWnd {
    Q_OBJECT
public:
    CChildFrame() = default;
    bool PreCreateWindow(CREATESTRUCT& cs) override;
};
