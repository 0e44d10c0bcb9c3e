#include "framework/StatusBar.h"

#include <gtest/gtest.h>

namespace {

// The indicators stood as "CAP", "NUM" and "SCRL" whatever the keys' state: where the platform
// cannot tell (offscreen here, Wayland) every indicator stands blank, as a lock that is off.
TEST(LockKeysTest, IndicatorsStandBlankWhereThePlatformCannotTell) {
    const unsigned ids[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    CStatusBar bar;
    bar.SetIndicators(ids, 4);
    for (int pane = 1; pane < 4; ++pane) EXPECT_EQ(bar.GetPaneText(pane), "") << pane;
}

}  // namespace
