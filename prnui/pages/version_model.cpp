#include "prnui/pages/version_model.h"

namespace k20::prnui {

LinkRect LinkArea(const LinkGeometry& g, size_t linkChars) {
    LinkRect r{};
    r.left = g.labelLeft;
    r.top = g.labelBottom + g.dialogClientHeight - g.dialogWindowBottom - 42;
    r.bottom = r.top + g.labelClientHeight - 33;
    r.right = r.left + int(linkChars) * 112 / 20;
    return r;
}

LinkHover VersionLinkModel::MouseAt(const LinkRect& area, int x, int y) {
    LinkHover h{};
    if (area.Contains(x, y)) {
        h.handCursor = true;
        h.setCursor = true;
        if (!underlined_) {
            underlined_ = true;
            h.changeFont = true;
        }
    } else if (underlined_) {
        underlined_ = false;
        h.handCursor = false;
        h.setCursor = true;
        h.changeFont = true;
    }
    h.underlined = underlined_;
    return h;
}

}  // namespace k20::prnui
