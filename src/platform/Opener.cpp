#include "platform/Opener.h"

void OpenWithDesktop(const std::string&) {}
