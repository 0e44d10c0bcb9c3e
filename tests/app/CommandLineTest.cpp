#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = CCommandLine::Action;

CCommandLine::Result Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/zorbin");
    return CCommandLine::Parse(args);
}

}  // namespace

TEST(CommandLine, GoodArgumentsRunHelpOrVersionAndFileNamesAndToolkitOptionsPass) {
    const auto help = Parse({"--help"});
    EXPECT_EQ(help.action, Action::Help);
    EXPECT_EQ(help.text.rfind("Usage: zorbin [options] [file...]\n", 0), 0u) << help.text;
    for (const char* option : {"--help", "--version", "--drives <MAP>"})
        EXPECT_NE(help.text.find(option), std::string::npos) << option;
    EXPECT_EQ(Parse({"-h"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version"}).text, "zorbin " ZORBIN_VERSION);
    EXPECT_EQ(Parse({"-v"}).action, Action::Version);

    // The drive map as ZORBIN_DRIVES has it, in either form of the option.
    for (const auto& args : {std::vector<std::string>{"--drives", "C=/,d=/mnt/data"},
                             std::vector<std::string>{"--drives=C=/,d=/mnt/data"}}) {
        const auto run = Parse(args);
        EXPECT_EQ(run.action, Action::Run) << run.text;
        EXPECT_EQ(run.drives.value_or("none"), "C=/,d=/mnt/data");
    }
    // Nothing but file names (ignored) and the toolkit's own options: the window opens as ever.
    const auto plain = Parse({"notes.txt", "-platform", "offscreen", "-style", "Fusion", "-reverse"});
    EXPECT_EQ(plain.action, Action::Run) << plain.text;
    EXPECT_FALSE(plain.drives.has_value());
}

TEST(CommandLine, BadArgumentsSayWhatIsWrong) {
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{"--bogus"}, "Unknown option 'bogus'."},
        {{"--drives"}, "Missing value after '--drives'."},
        {{"--drives", "CC=/x"}, "--drives \"CC=/x\": entry \"CC=/x\": the drive must be one letter from A to Z"},
        {{"--drives", "C=/,C=/y"}, "--drives \"C=/,C=/y\": entry \"C=/y\": letter given twice"},
        {{"--drives", "C"}, "--drives \"C\": entry \"C\": no \"=\""},
        {{"--drives", "D="}, "--drives \"D=\": entry \"D=\": empty path"},
        {{"--drives", ","}, "--drives \",\": it names no drive"},
    };
    for (const auto& c : cases) {
        const auto result = Parse(c.args);
        EXPECT_EQ(result.action, Action::Error) << c.reason;
        EXPECT_EQ(result.text, c.reason);
    }
}
