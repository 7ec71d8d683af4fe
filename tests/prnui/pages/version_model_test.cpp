#include "prnui/pages/version_model.h"

#include <gtest/gtest.h>

namespace k20::prnui {
namespace {

TEST(VersionLink, AreaFormulaAndGrowthPerCharacter) {
    const LinkGeometry g{20, 300, 50, 400, 700};
    const LinkRect r = LinkArea(g, 20);
    EXPECT_EQ(r, (LinkRect{20, 300 + 400 - 700 - 42, 20 + 112, 300 + 400 - 700 - 42 + 50 - 33}));
    EXPECT_EQ(LinkArea(g, 40).right - LinkArea(g, 40).left, 224);
    EXPECT_EQ(LinkArea(g, 21).right - LinkArea(g, 21).left, 117);  // 21 * 112 / 20, truncated
}

TEST(VersionLink, UnderlineChangesOnlyOnCrossing) {
    const LinkRect area{10, 10, 110, 30};
    VersionLinkModel m;
    auto outside = m.MouseAt(area, 0, 0);
    EXPECT_FALSE(outside.changeFont);
    EXPECT_FALSE(outside.setCursor);
    auto enter = m.MouseAt(area, 50, 20);
    EXPECT_TRUE(enter.changeFont);
    EXPECT_TRUE(enter.underlined);
    EXPECT_TRUE(enter.handCursor);
    auto inside = m.MouseAt(area, 60, 20);
    EXPECT_FALSE(inside.changeFont);
    EXPECT_TRUE(inside.handCursor);
    auto leave = m.MouseAt(area, 200, 20);
    EXPECT_TRUE(leave.changeFont);
    EXPECT_FALSE(leave.underlined);
    EXPECT_FALSE(leave.handCursor);
    EXPECT_FALSE(m.MouseAt(area, 300, 20).changeFont);
    EXPECT_TRUE(m.Release(area, 10, 10));
    EXPECT_FALSE(m.Release(area, 110, 10));
}

}  // namespace
}  // namespace k20::prnui
