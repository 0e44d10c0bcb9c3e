#include "platform/Opener.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

void OpenWithDesktop(const std::string& path) {
    const char* opener = std::getenv("ZORBIN_OPENER");
    if (!opener || !*opener) opener = "xdg-open";
    // Built before the fork: the child of a threaded process may only exec or _exit.
    char* const argv[] = {const_cast<char*>(opener), const_cast<char*>(path.c_str()), nullptr};
    const pid_t pid = fork();
    if (pid < 0) return;
    if (pid == 0) {
        execvp(opener, argv);
        _exit(127);  // no such program: the wait below ends at once
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}
