#include "framework/MessageBox.h"

#include "framework/MDIFrameWnd.h"

#include <QMessageBox>
#include <QString>
#include <utility>

namespace {

// The caption of the application's own boxes: its title, as the main window shows it alone.
constexpr const char* kAppTitle = "Zorbin";

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

int ShowRealBox(const MessageBoxRequest& request) {
    QMessageBox box(request.owner);
    box.setWindowTitle(QString::fromUtf8(request.caption.data(), static_cast<qsizetype>(request.caption.size())));
    box.setText(QString::fromUtf8(request.text.data(), static_cast<qsizetype>(request.text.size())));
    if (request.type & MB_ICONQUESTION)
        box.setIcon(QMessageBox::Question);
    else if (request.type & MB_ICONINFORMATION)
        box.setIcon(QMessageBox::Information);
    else
        box.setIcon(QMessageBox::NoIcon);
    if ((request.type & 0x0F) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    switch (answer) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Ok: return IDOK;
    default:
        // Closing a Yes/No box by its title bar counts as No: nothing is done without a Yes.
        return (request.type & 0x0F) == MB_YESNO ? IDNO : IDOK;
    }
}

}  // namespace

int ShowMessageBox(const MessageBoxRequest& request) {
    if (const MessageBoxHandler& handler = Handler()) return handler(request);
    return ShowRealBox(request);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

int AfxMessageBox(std::string_view text, unsigned type) {
    MessageBoxRequest request;
    request.owner = AfxGetMainWnd();
    request.caption = kAppTitle;
    request.text = std::string(text);
    request.type = type;
    return ShowMessageBox(request);
}

int MessageBoxA(QWidget* owner, std::string_view text, std::string_view caption, unsigned type) {
    MessageBoxRequest request;
    request.owner = owner;
    request.caption = std::string(caption);
    request.text = std::string(text);
    request.type = type;
    return ShowMessageBox(request);
}
