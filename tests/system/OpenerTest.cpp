#include "system/Opener.h"

#include "TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>

TEST(OpenerTest, AnOpenerThatRunsOnIsLeftRunningWithTheExactPathAndReapedLater) {
    // The window waited for the opener to end: where xdg-open runs the handler itself, it froze
    // until that program ended. It waits a moment now, and the opener is reaped when it ends.
    TempDir dir;
    const std::string script =
        dir.MakeFile("xdg-open", "#!/bin/sh\necho $$ >\"$0.pid\"\nprintf %s \"$#$1\" >\"$0.arg\"\nexec /bin/sleep 5\n");
    chmod(script.c_str(), 0755);
    const std::string path = "-x /sp ace;\n$(touch y)";
    ScopedEnv searched("PATH", dir.Path());  // an empty ZORBIN_OPENER stands for xdg-open, found here
    for (const std::string& program : {dir.Path() + "/no-such-opener", std::string()}) {
        ScopedEnv opener("ZORBIN_OPENER", program);
        const auto start = std::chrono::steady_clock::now();
        OpenWithDesktop(path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << program;
    }
    // One argument, byte for byte, no shell.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(script + ".arg") == "1" + path; }, 5000));
    const pid_t pid = std::stoi(ReadFile(script + ".pid"));
    ASSERT_EQ(kill(pid, SIGTERM), 0) << "the opener should still run";
    // Reaped, not left a zombie (which kill would still find).
    EXPECT_TRUE(QTest::qWaitFor([pid] { return kill(pid, 0) != 0; }, 3000));
}
