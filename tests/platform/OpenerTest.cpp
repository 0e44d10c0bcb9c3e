#include "platform/Opener.h"

#include "TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(OpenerTest, AnOpenerThatRunsOnIsLeftRunningWithTheExactPathAndReapedLater) {
    // The window waited for the opener to end: where xdg-open runs the handler itself, it froze
    // until that program ended. It waits a moment now, and the opener is reaped when it ends.
    TempDir dir;
    const std::string script = dir.MakeFile("opener", "#!/bin/sh\nprintf '%s' \"$#$1\" > \"$0.arg\"\necho $$ > \"$0.pid\"\nexec sleep 5\n");
    chmod(script.c_str(), 0755);
    const std::string path = "-x /sp ace;\n$(touch y)";
    for (const std::string& program : {script, dir.Path() + "/no-such-opener"}) {
        ScopedEnv opener("ZORBIN_OPENER", program);
        const auto start = std::chrono::steady_clock::now();
        OpenWithDesktop(path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << program;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(script + ".pid").ends_with('\n'); }, 5000));
    EXPECT_EQ(ReadFile(script + ".arg"), "1" + path);  // one argument, byte for byte, no shell
    const pid_t pid = std::stoi(ReadFile(script + ".pid"));
    ASSERT_EQ(kill(pid, 0), 0) << "the opener should still run";
    kill(pid, SIGTERM);
    // Reaped, not left a zombie (which kill would still find).
    EXPECT_TRUE(QTest::qWaitFor([pid] { return kill(pid, 0) != 0 && errno == ESRCH; }, 3000));
}

}  // namespace
