#pragma once
#include "framework/MessageBox.h"

#include <vector>

// Records every message box and answers with the scripted answers (IDOK / IDYES when none left).
class MessageBoxRecorder {
public:
    MessageBoxRecorder()
        : m_previous(SetMessageBoxHandler([this](const MessageBoxRequest& request) {
              boxes.push_back(request);
              if (answers.empty()) return (request.type & 0x0F) == MB_YESNO ? IDYES : IDOK;
              const int answer = answers.front();
              answers.erase(answers.begin());
              return answer;
          })) {}
    ~MessageBoxRecorder() { SetMessageBoxHandler(m_previous); }
    std::vector<MessageBoxRequest> boxes;
    std::vector<int> answers;

private:
    MessageBoxHandler m_previous;
};
