#pragma once
#include <cstddef>
#include <functional>

// How Zorbin shares work between the machine's two cores: the work is cut into two parts, and
// the second runs on a thread of its own while the first runs on the caller's.

// Below this many rows (or entries) a second thread is not worth its start, about 50 microseconds.
inline constexpr std::size_t kTwoThreadsFrom = std::size_t{1} << 15;

// True when n items are worth two threads and the machine has a second core.
bool WorthTwoThreads(std::size_t n);

// Runs part(0) on the calling thread and part(1) on a second thread when bTwo is set; part(1)
// runs on the calling thread after part(0) when bTwo is not set or no thread can be started, so
// the result never depends on whether one could. Both parts have ended when it returns; an
// exception either threw is thrown again then (part 0's first).
void RunInTwoParts(bool bTwo, const std::function<void(int part)>& part);
