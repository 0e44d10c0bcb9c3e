#include "MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder() {
    m_previous = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        boxes.push_back(request);
        if (answers.empty()) return (request.type & 0x0F) == MB_YESNO ? IDYES : IDOK;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(m_previous); }
