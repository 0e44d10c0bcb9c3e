#include "system/Opener.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace {

// xdg-open hands the path to a running desktop and ends within a few milliseconds; on a desktop
// it does not know it runs the handler itself until that ends (a viewer open for hours). 200 ms
// is the most the window waits.
constexpr std::chrono::milliseconds kMaxWait{200};

// True once the child has ended and been reaped (or is no child of ours any more).
bool Reaped(pid_t pid) {
    int status = 0;
    pid_t result = 0;
    while ((result = waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {}
    return result != 0;
}

}  // namespace

void OpenWithDesktop(const std::string& path) {
    const char* opener = std::getenv("ZORBIN_OPENER");
    if (!opener || !*opener) opener = "xdg-open";
    // Built before the fork: the child of a threaded process may only exec or _exit.
    char* const argv[] = {const_cast<char*>(opener), const_cast<char*>(path.c_str()), nullptr};
    const pid_t pid = fork();
    if (pid < 0) return;
    if (pid == 0) {
        execvp(opener, argv);
        _exit(127);  // no such program: reaped within the first pause below
    }
    const auto deadline = std::chrono::steady_clock::now() + kMaxWait;
    for (std::chrono::milliseconds pause{1}; !Reaped(pid); pause = std::min(pause * 2, std::chrono::milliseconds{20})) {
        if (std::chrono::steady_clock::now() >= deadline) {
            // Still running: a thread of its own waits for its end, so no zombie stays behind.
            try {
                std::thread([pid] {
                    int status = 0;
                    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
                }).detach();
            } catch (const std::system_error&) {
                // No thread to be had: the child stays a zombie until Zorbin ends, which is
                // better than a window that waits for it.
            }
            return;
        }
        std::this_thread::sleep_for(pause);
    }
}
