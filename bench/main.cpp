// zorbin-bench: runs Zorbin's own scan code without a window, for benchmarks and outside checks.
#include "BenchCommand.h"

#include "framework/MessageBox.h"

#include <cstdio>
#include <cstring>

namespace {

std::vector<BenchCommand>& Registry() {
    static std::vector<BenchCommand> commands;
    return commands;
}

int Usage() {
    std::fprintf(stderr, "usage:\n");
    for (const BenchCommand& command : BenchCommands()) std::fprintf(stderr, "  zorbin-bench %s\n", command.usage);
    return 2;
}

}  // namespace

bool RegisterBenchCommand(const BenchCommand& command) {
    Registry().push_back(command);
    return true;
}

const std::vector<BenchCommand>& BenchCommands() { return Registry(); }

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    // Nobody is there to answer a box: its text goes to the error stream.
    SetMessageBoxHandler([](const MessageBoxRequest& request) {
        std::fprintf(stderr, "%s\n", request.text.c_str());
        return IDOK;
    });
    for (const BenchCommand& command : BenchCommands()) {
        if (std::strcmp(command.name, argv[1]) != 0) continue;
        return command.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "zorbin-bench: unknown command \"%s\"\n", argv[1]);
    return Usage();
}
