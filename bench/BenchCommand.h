#pragma once
#include <string>
#include <vector>

// One subcommand of zorbin-bench. Each bench/*.cpp registers its own with
//   static const bool registered = RegisterBenchCommand({"scan", "scan DIR", &RunScan});
// run() gets the words after the command name and returns the process's exit code.
struct BenchCommand {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>& args);
};

bool RegisterBenchCommand(const BenchCommand& command);
const std::vector<BenchCommand>& BenchCommands();
