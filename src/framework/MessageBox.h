#pragma once
#include <functional>
#include <string>
#include <string_view>

class QWidget;

// Message-box flags and answers, with the values the rest of Zorbin is written against.
enum : unsigned {
    MB_OK = 0x00,
    MB_YESNO = 0x04,
    MB_ICONQUESTION = 0x20,
    MB_ICONINFORMATION = 0x40,
};
// Plain ints, so that an answer read from a list and a literal answer have one type.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// What one message box asks: tests see this instead of a window.
struct MessageBoxRequest {
    QWidget* owner = nullptr;  // null: no owner window
    std::string caption;
    std::string text;
    unsigned type = MB_OK;  // MB_* buttons | MB_ICON*
};
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Every message box of Zorbin goes through here. With a handler installed (tests), the handler
// answers and no window appears; otherwise a modal QMessageBox does.
int ShowMessageBox(const MessageBoxRequest& request);
// Installs a handler; an empty one restores the real boxes. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The application's box: owned by the main window, captioned with the application's title.
int AfxMessageBox(std::string_view text, unsigned type = MB_OK);
// The plain system box: owner, caption and flags as given.
int MessageBoxA(QWidget* owner, std::string_view text, std::string_view caption, unsigned type);
