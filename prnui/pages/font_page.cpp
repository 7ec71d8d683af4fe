#include "prnui/pages/font_page.h"

namespace k20::prnui {

namespace {

FontTreeNode Family(std::u16string_view name, std::initializer_list<std::u16string_view> sizes) {
    FontTreeNode f{std::u16string(name), FontTreeIcon::Family, {}};
    for (auto s : sizes) f.children.push_back(FontTreeNode{std::u16string(s), FontTreeIcon::Size, {}});
    return f;
}

void Flatten(const FontTreeNode& n, std::vector<const FontTreeNode*>& out) {
    out.push_back(&n);
    for (auto& c : n.children) Flatten(c, out);
}

}  // namespace

FontTreeNode BuildFontTree(std::u16string rootText) {
    FontTreeNode root{std::move(rootText), FontTreeIcon::Root, {}};
    // The spacing is part of the names: keep it byte for byte.
    root.children.push_back(
        Family(u"Font A", {u"FontA11    9.5", u"FontA12    19.0", u"FontA21    9.5", u"FontA22   19.0",
                           u"FontA24   38.5", u"FontA42   19.0", u"FontA44   38.5"}));
    root.children.push_back(
        Family(u"Font B", {u"FontB11    7.0", u"FontB12    13.5", u"FontB21    7.0", u"FontB22   13.5",
                           u"FontB24   27.0", u"FontB42   13.5", u"FontB44   27.0"}));
    root.children.push_back(Family(u"Control Font", {u"Control    1.0"}));
    return root;
}

std::vector<const FontTreeNode*> FlattenFontTree(const FontTreeNode& root) {
    std::vector<const FontTreeNode*> out;
    Flatten(root, out);
    return out;
}

}  // namespace k20::prnui
