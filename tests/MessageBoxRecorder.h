#pragma once
#include "framework/MessageBox.h"

#include <vector>

// Records every message box and answers with the scripted answers (IDOK / IDYES when none left).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    std::vector<MessageBoxRequest> boxes;
    std::vector<int> answers;

private:
    MessageBoxHandler m_previous;
};
