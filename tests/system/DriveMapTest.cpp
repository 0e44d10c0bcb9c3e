#include "system/DriveMap.h"

#include "TestSupport.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(DriveMapTest, ZorbinDrivesReplacesTheMapAndMalformedEntriesAreNamed) {
    const std::string cwd = std::filesystem::current_path();
    const struct {
        std::string value, letters, folderOfFirst;  // the folder of the first letter in letters
        std::vector<std::string> named;             // entries the warning must name
    } cases[] = {
        {"C=/tmp/a,D=/tmp/b", "CD", "/tmp/a", {}},
        {"d=/tmp/b,c=/tmp/a", "CD", "/tmp/a", {}},    // drive letters are case-blind
        {"C=/tmp/a,,D=/tmp/b,", "CD", "/tmp/a", {}},  // empty entries are no entries
        {"", "", "", {}},                             // a map without drives
        {"C=/tmp/a,C=/tmp/b", "C", "/tmp/a", {"C=/tmp/b"}},
        {"Cfoo,D=/x", "D", "/x", {"Cfoo"}},
        {"1=/x,CD=/y,==/z,=/w,E=/v", "E", "/v", {"1=/x", "CD=/y", "==/z", "=/w"}},
        {"C=,D=/y", "D", "/y", {"C="}},
        {"\xC3\xA9=/x", "", "", {"\xC3\xA9=/x"}},
        {"Z=rel", "Z", cwd + "/rel", {}},  // relative: from the current directory
    };
    for (const auto& c : cases) {
        ScopedEnv env("ZORBIN_DRIVES", c.value);
        testing::internal::CaptureStderr();
        const unsigned long mask = GetDriveMask();
        const std::string warnings = testing::internal::GetCapturedStderr();
        std::string letters;
        for (char letter = 'A'; letter <= 'Z'; ++letter)
            if (mask >> (letter - 'A') & 1) letters += letter;
        EXPECT_EQ(letters, c.letters) << c.value;
        EXPECT_EQ(c.letters.empty() ? "" : DriveRootFolder(c.letters[0]), c.folderOfFirst) << c.value;
        for (const std::string& entry : c.named)
            EXPECT_NE(warnings.find("\"" + entry + "\""), std::string::npos) << c.value << ": " << warnings;
        EXPECT_EQ(warnings.empty(), c.named.empty()) << c.value << ": " << warnings;
    }
}

TEST(DriveMapTest, DrivePathsResolveThroughTheMap) {
    ScopedEnv env("ZORBIN_DRIVES", "C=/tmp/zorbin-c,D=/tmp/zorbin-d/,E=/");
    const std::pair<const char*, const char*> cases[] = {
        // a path and where it leads
        {"C:/", "/tmp/zorbin-c"},
        {"C:", "/tmp/zorbin-c"},
        {"C:/x/y", "/tmp/zorbin-c/x/y"},
        {"c:\\x", "/tmp/zorbin-c/x"},
        {"D:/x", "/tmp/zorbin-d/x"},
        {"E:/usr", "/usr"},
        {"Q:/", ""},  // a letter without a drive leads nowhere
        {"/abs/C:/x", "/abs/C:/x"},
        {"CC:/x", "CC:/x"},
        {"C:x", "C:x"},
        {"", ""},
    };
    for (const auto& [path, resolved] : cases) EXPECT_EQ(ResolveDrivePath(path), resolved) << path;
    EXPECT_EQ(DriveRootFolder('c'), "/tmp/zorbin-c");
}

TEST(DriveMapTest, TheMapIsReadWithTheDriveListAndKeptUntilItIsReadAgain) {
    // A look-up read the whole mount table every time, and a letter could name another folder than
    // when the drives were listed. A relative folder shows which read a look-up sees: it is taken
    // from the current directory at the read.
    const TempDir first, second;
    const std::string cwd = std::filesystem::current_path();
    ScopedEnv env("ZORBIN_DRIVES", "C=rel");
    ASSERT_EQ(chdir(first.Path().c_str()), 0);
    EXPECT_EQ(GetDriveMask(), 1UL << 2);
    ASSERT_EQ(chdir(second.Path().c_str()), 0);
    EXPECT_EQ(DriveRootFolder('C'), first.Path() + "/rel");
    EXPECT_EQ(ResolveDrivePath("C:/x"), first.Path() + "/rel/x");
    EXPECT_EQ(AllDriveFolders(), std::vector<std::string>{first.Path() + "/rel"});
    GetDriveMask();  // the drive list read again, as a new All Drives table does
    EXPECT_EQ(DriveRootFolder('C'), second.Path() + "/rel");
    // A new ZORBIN_DRIVES is a new map at once.
    ScopedEnv other("ZORBIN_DRIVES", "C=/elsewhere");
    EXPECT_EQ(DriveRootFolder('C'), "/elsewhere");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

}  // namespace
