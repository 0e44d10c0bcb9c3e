#pragma once
#include <optional>
#include <string>
#include <vector>

// Zorbin's command line: --help, --version and --drives MAP (the form of ZORBIN_DRIVES). File
// names are taken and ignored, and the options of the window toolkit itself (-platform, -style
// ...) are let through to it.
class CCommandLine {
public:
    enum class Action { Run, Help, Version, Error };
    struct Result {
        Action action = Action::Run;
        std::string text;                   // the usage, the version line, or why the line is wrong
        std::optional<std::string> drives;  // the MAP of --drives
    };
    // args[0] is the program as it was started.
    static Result Parse(const std::vector<std::string>& args);
};
