#include "platform/Trash.h"

std::string MoveToTrash(const std::string&) { return "not moved to the trash"; }
