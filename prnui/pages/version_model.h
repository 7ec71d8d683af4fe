#pragma once
// The Version page without windows: its texts, the clickable area of the link and the
// underline/cursor state as the mouse moves.
#include <string_view>

namespace k20::prnui {

// Keys of the seven consecutive labels and the footer (VERSION section).
inline constexpr std::string_view kVersionLabelKeys[] = {"RC_STATIC_VER1", "RC_STATIC_VER2", "RC_STATIC_VER3",
                                                         "RC_STATIC_VER4", "RC_STATIC_VER5", "RC_STATIC_VER6",
                                                         "RC_STATIC_VER7"};
inline constexpr std::string_view kVersionFooterKey = "RC_STATIC_VER9";
inline constexpr std::string_view kVersionLinkKey = "RC_STATIC_VER7";

struct LinkRect {
    int left, top, right, bottom;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const LinkRect&) const = default;
};

// The link label's rectangle in dialog client coordinates, the label's client height,
// the dialog's client height and its window bottom in screen coordinates.
struct LinkGeometry {
    int labelLeft, labelBottom, labelClientHeight;
    int dialogClientHeight, dialogWindowBottom;
};
LinkRect LinkArea(const LinkGeometry& g, size_t linkChars);

// What the window does for a mouse move or press.
struct LinkHover {
    bool handCursor;  // hand inside the area, arrow otherwise (no change when neither)
    bool setCursor;
    bool changeFont;  // give the link the font below
    bool underlined;
};

class VersionLinkModel {
  public:
    LinkHover MouseAt(const LinkRect& area, int x, int y);
    // Left button released: true when the link is to be opened.
    bool Release(const LinkRect& area, int x, int y) const { return area.Contains(x, y); }
    bool underlined() const { return underlined_; }
    void Reset() { underlined_ = false; }

  private:
    bool underlined_ = false;
};

}  // namespace k20::prnui
