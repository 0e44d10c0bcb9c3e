#include "table/TableKind.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

TEST(TableKindTest, HandOverBlanksAreCountedOnThePathCellOfHandedOverTablesOnly) {
    constexpr std::size_t none = std::string_view::npos;
    const struct {
        TableKind kind;
        std::string_view path;
        std::size_t blanks;
    } cases[] = {
        {Files, "/t/a", 0},      {Directories, " /t/a", 0},  // a drive's rows carry none, whatever they hold
        {AllDrives, "   C", 0},  {Found, " /t/a", 1},
        {Doubles, "  /t/ a", 2},                     // a Doubles table made from a Found table: two hand-overs
        {Found, "/t/a", 0},                          // not handed over: no blank to drop
        {Doubles, "   ", none},  {Found, "", none},  // no path after the blanks
    };
    for (const auto& c : cases)
        EXPECT_EQ(HandOverBlanks(c.kind, c.path), c.blanks) << c.kind << " \"" << c.path << "\"";
}

}  // namespace
