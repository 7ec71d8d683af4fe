#pragma once
// The Font device page without its window: the tree of the printer's device fonts with
// their point sizes, so that the user knows which name to pick in an application.
#include <string>
#include <string_view>
#include <vector>

namespace k20::prnui {

// Icons of the tree, in the order of the image list.
enum class FontTreeIcon { Root = 0, Family = 1, Size = 2 };

struct FontTreeNode {
    std::u16string text;
    FontTreeIcon icon = FontTreeIcon::Root;
    std::vector<FontTreeNode> children;
};

// The whole tree; the root's text comes from the language file and is set again on
// every repaint. The leaf texts are the device font names the driver reports, spaced
// as applications show them.
FontTreeNode BuildFontTree(std::u16string rootText);

// Every node in the order a depth-first insertion visits them (root first).
std::vector<const FontTreeNode*> FlattenFontTree(const FontTreeNode& root);

}  // namespace k20::prnui
