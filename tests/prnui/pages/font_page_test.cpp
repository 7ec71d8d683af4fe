#include "prnui/pages/font_page.h"

#include <gtest/gtest.h>

namespace k20::prnui {
namespace {

TEST(FontPageTest, TreeHoldsTheDeviceFontsSpacedExactly) {
    FontTreeNode root = BuildFontTree(u"Printer Fonts and Font Sizes");
    std::vector<std::pair<std::u16string, FontTreeIcon>> got;
    for (const FontTreeNode* n : FlattenFontTree(root)) got.emplace_back(n->text, n->icon);
    using I = FontTreeIcon;
    const std::vector<std::pair<std::u16string, FontTreeIcon>> want = {
        {u"Printer Fonts and Font Sizes", I::Root},
        {u"Font A", I::Family},
        {u"FontA11    9.5", I::Size},
        {u"FontA12    19.0", I::Size},
        {u"FontA21    9.5", I::Size},
        {u"FontA22   19.0", I::Size},
        {u"FontA24   38.5", I::Size},
        {u"FontA42   19.0", I::Size},
        {u"FontA44   38.5", I::Size},
        {u"Font B", I::Family},
        {u"FontB11    7.0", I::Size},
        {u"FontB12    13.5", I::Size},
        {u"FontB21    7.0", I::Size},
        {u"FontB22   13.5", I::Size},
        {u"FontB24   27.0", I::Size},
        {u"FontB42   13.5", I::Size},
        {u"FontB44   27.0", I::Size},
        {u"Control Font", I::Family},
        {u"Control    1.0", I::Size},
    };
    EXPECT_EQ(want, got);
    EXPECT_EQ(3u, root.children.size());
}

}  // namespace
}  // namespace k20::prnui
