#pragma once
#include <chrono>

// Clocks and memory figures every zorbin-bench command reports. Processor times sit beside the
// wall clock because on a busy machine they tell the work apart from the wait for a processor.
double Seconds(std::chrono::steady_clock::time_point since);
double ThreadCpuSeconds();
double ProcessCpuSeconds();  // user and system, all threads
// A kB field of /proc/self/status ("VmHWM:", "VmRSS:"), or -1.
long StatusKilobytes(const char* field);
