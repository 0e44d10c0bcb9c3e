#pragma once
#include <functional>
#include <string_view>

class QProgressBar;
class QWidget;
struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The progress control: an object that exists without a window until Create, like the platform's.
// The window is a QProgressBar child of the given parent (the status bar).
class CProgressCtrl {
public:
    CProgressCtrl() = default;
    ~CProgressCtrl();
    CProgressCtrl(const CProgressCtrl&) = delete;
    CProgressCtrl& operator=(const CProgressCtrl&) = delete;

    bool Create(const CRect& rect, QWidget* parent);
    void DestroyWindow();
    bool HasWindow() const { return m_pBar != nullptr; }
    void SetRange(int lower, int upper);
    void SetPos(int pos);
    void SetStep(int step);
    // A text written across the bar; an empty one leaves the bar bare, as it starts.
    void SetText(std::string_view text);
    int GetPos() const;
    QProgressBar* GetBar() const { return m_pBar; }

    // Tests watch the positions a fill or a sort sets.
    using PosObserver = std::function<void(const CProgressCtrl*, int)>;
    static PosObserver SetPosObserver(PosObserver observer);

private:
    QProgressBar* m_pBar = nullptr;
    int m_nStep = 1;
};
