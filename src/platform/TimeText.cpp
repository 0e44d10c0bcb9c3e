#include "platform/TimeText.h"

bool AppendTimeText(std::int64_t, std::string&) { return false; }
std::string TimeText(std::int64_t) { return {}; }
std::optional<std::int64_t> ParseTimeText(std::string_view) { return std::nullopt; }
