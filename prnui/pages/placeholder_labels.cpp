// The labels a not-yet-built page shows. A page's author deletes its list here when the
// page itself uses the keys.
#include "prnui/pages/sheet_logic.h"

namespace k20::prnui {
namespace {

using K = std::string_view;

constexpr K kLayout[] = {"RC_DOCSETTING"};
constexpr K kWatermark[] = {"RC_RADIO_NO"};
constexpr K kOperation[] = {"RC_STARTDOC"};
constexpr K kCode1D[] = {"RC_STATIC_1DCODE_FONTNAME"};
constexpr K kCode2D[] = {"RC_STATIC_2DCODE_FONTNAME"};
constexpr K kVersion[] = {"RC_STATIC_VER1"};
constexpr K kUtility[] = {"RC_SELFTEST"};
constexpr K kDownload[] = {"RC_STATIC_LOGODOWNLOAD"};
constexpr K kFont[] = {"RC_RONT_TREETITLE"};

}  // namespace

PlaceholderLabels PlaceholderFor(PageKind kind) {
    switch (kind) {
        case PageKind::Layout: return {sec::Layout, kLayout};
        case PageKind::Watermark: return {sec::Watermark, kWatermark};
        case PageKind::Operation: return {sec::Operation, kOperation};
        case PageKind::Code1D: return {sec::Code1D, kCode1D};
        case PageKind::Code2D: return {sec::Code2D, kCode2D};
        case PageKind::Version: return {sec::Version, kVersion};
        case PageKind::Utility: return {sec::Utility, kUtility};
        case PageKind::Download: return {sec::Download, kDownload};
        case PageKind::Font: return {sec::Font, kFont};
        case PageKind::Count: break;
    }
    return {};
}

}  // namespace k20::prnui
