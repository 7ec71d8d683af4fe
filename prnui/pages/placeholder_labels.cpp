// The labels a page shows until it is built. When a page is registered its author deletes
// its list here: the page itself then names the keys.
#include "prnui/pages/sheet_logic.h"

namespace k20::prnui {
namespace {

constexpr TextKey kCode1D[] = {
    {sec::Code1D, "RC_STATIC_1DCODE_FONTNAME"},
    {sec::Code1D, "RC_STATIC_1DCODE_TYPE"},
    {sec::Code1D, "RC_STATIC_1DCODE_WIDTH"},
    {sec::Code1D, "RC_STATIC_1DCODE_HEIGHT"},
    {sec::Code1D, "RC_STATIC_1DCODE_POINT"},
    {sec::Code1D, "RC_STATIC_1DCODE_NOTICE"},
    {sec::Code1D, "RC_STATIC_1DCODE_POSITION"},
    {sec::Code1D, "RC_STATIC_1DCODE_POSITION1"},
    {sec::Code1D, "RC_STATIC_1DCODE_POSITION2"},
    {sec::Code1D, "RC_STATIC_1DCODE_POSITION3"},
    {sec::Code1D, "RC_STATIC_1DCODE_POSITION4"},
    {sec::Code1D, "RC_STATIC_1DCODE_HRIFONT"},
    {sec::Code1D, "RC_STATIC_GENERALBARCODE"},
    {sec::Code1D, "RC_STATIC_1DCODE_GSDATABAR"},
    {sec::Code1D, "RC_STATIC_1DCODE_GSTYPE"},
    {sec::Code1D, "RC_RADIO_Independence1"},
    {sec::Code1D, "RC_RADIO_Complex1"},
    {sec::Code1D, "RC_STATIC_1DCODE_GSEWIDTH"},
    {sec::Code1D, "RC_STATIC_1DCODE_GSRHEIGHT"},
    {sec::Code1D, "RC_STATIC_1DCODE_GS2DRHEIGHT"},
    {sec::Code1D, "RC_STATIC_1DCODE_GSSHEIGHT"},
    {sec::Code1D, "RC_STATIC_1DCODE_HRI"},
    {sec::Code1D, "RC_CMB_HRI1"},
    {sec::Code1D, "RC_CMB_HRI2"},
    {sec::Code1D, "RC_CMB_HRI3"},
    {sec::Code1D, "RC_CMB_HRI4"},
    {sec::Code1D, "RC_STATIC_1DCODE_AAISTD"},
    {sec::Code1D, "RC_CMB_AI1"},
    {sec::Code1D, "RC_CMB_AI2"},
    {sec::Code1D, "RC_STATIC_1DCODE_PRINT"},
    {sec::Code1D, "RC_STATIC_1DCODE_DATA"},
    {sec::Code1D, "RC_BUTTON_PRINT"},
    {sec::Code1D, "CTEXT_FONTNAME"},
    {sec::Code1D, "CTEXT_BARCODETYPE"},
    {sec::Code1D, "CTEXT_EDIT_WIDTH1D"},
    {sec::Code1D, "CTEXT_EDIT_HEIGHT1D"},
    {sec::Code1D, "CTEXT_HRIPOSITION"},
    {sec::Code1D, "CTEXT_FONTA"},
    {sec::Code1D, "CTEXT_FONTB"},
    {sec::Code1D, "CTEXT_EDIT_PRINT"},
    {sec::Code1D, "CTEXT_BUTTON_PRINT"},
    {sec::Code1D, "CTEXT_RADIO_Independence1"},
    {sec::Code1D, "CTEXT_RADIO_Complex1"},
    {sec::Code1D, "CTEXT_EDIT_GS1WIDTH"},
    {sec::Code1D, "CTEXT_EDIT_GS1HEIGHT"},
    {sec::Code1D, "CTEXT_EDIT_ComplexHEIGHT"},
    {sec::Code1D, "CTEXT_EDIT_SeparatorHEIGHT"},
    {sec::Code1D, "CTEXT_CMB_HRI"},
    {sec::Code1D, "CTEXT_CMB_AI"},
    {sec::MessageBox, "MB_1DCODE_ERROR1"},
};
constexpr TextKey kCode2D[] = {
    {sec::Code2D, "RC_STATIC_2DCODE_FONTNAME"},
    {sec::Code2D, "RC_STATIC_2DCODE_TYPE"},
    {sec::Code2D, "RC_STATIC_2DCODE_POINT"},
    {sec::Code2D, "RC_STATIC_2DCODE_NOTICE"},
    {sec::Code2D, "RC_STATIC_2DCODE_COLUMN"},
    {sec::Code2D, "RC_STATIC_2DCODE_ELEMENTWIDTH"},
    {sec::Code2D, "RC_STATIC_2DCODE_ROW"},
    {sec::Code2D, "RC_STATIC_2DCODE_ELEMENTHEIGHT"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR1"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR2"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR3"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR4"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR5"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR6"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR7"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR8"},
    {sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR9"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSDATABAR"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSTYPE"},
    {sec::Code2D, "RC_RADIO_Independence"},
    {sec::Code2D, "RC_RADIO_Complex"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSEWIDTH"},
    {sec::Code2D, "RC_STATIC_2DCODE_GS2DRHEIGHT"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSRHEIGHT"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSSHEIGHT"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSSNUMBER"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSHRI"},
    {sec::Code2D, "RC_IDC_CMB_HRI21"},
    {sec::Code2D, "RC_IDC_CMB_HRI22"},
    {sec::Code2D, "RC_IDC_CMB_HRI23"},
    {sec::Code2D, "RC_IDC_CMB_HRI24"},
    {sec::Code2D, "RC_STATIC_2DCODE_GSAAISTD"},
    {sec::Code2D, "RC_IDC_CMB_AI21"},
    {sec::Code2D, "RC_IDC_CMB_AI22"},
    {sec::Code2D, "RC_STATIC_2DCODE_PRINT"},
    {sec::Code2D, "RC_STATIC_2DCODE_DATA"},
    {sec::Code2D, "RC_BUTTON_PRINT2D"},
    {sec::Code2D, "RC_STATIC_2DCODE_PDF417"},
    {sec::Code2D, "RC_STATIC_2DCODE_QR"},
    {sec::Code2D, "RC_STATIC_2DCODE_QREWIDTH"},
    {sec::Code2D, "RC_STATIC_2DCODE_QRLMODE"},
    {sec::Code2D, "RC_CMB_FONTMODE1"},
    {sec::Code2D, "RC_CMB_FONTMODE2"},
    {sec::Code2D, "RC_STATIC_2DCODE_QRMODE"},
    {sec::Code2D, "RC_STATIC_2DCODE_QRECORRECTION"},
    {sec::Code2D, "CTEXT_FONTNAME2D"},
    {sec::Code2D, "CTEXT_BARCODETYPE2D"},
    {sec::Code2D, "CTEXT_RADIO_Independence"},
    {sec::Code2D, "CTEXT_RADIO_Complex"},
    {sec::Code2D, "CTEXT_EDIT_GS1WIDTH2"},
    {sec::Code2D, "CTEXT_EDIT_GS1HEIGHT2"},
    {sec::Code2D, "CTEXT_EDIT_ComplexHEIGHT2"},
    {sec::Code2D, "CTEXT_EDIT_SeparatorHEIGHT2"},
    {sec::Code2D, "CTEXT_EDIT_SECTIONNUM"},
    {sec::Code2D, "CTEXT_CMB_HRI2"},
    {sec::Code2D, "CTEXT_CMB_AI2"},
    {sec::Code2D, "CTEXT_EDIT_PRINT2D"},
    {sec::Code2D, "CTEXT_BUTTON_PRINT2D"},
    {sec::Code2D, "CTEXT_EDIT_COLUMN"},
    {sec::Code2D, "CTEXT_EDIT_WIDTH2D"},
    {sec::Code2D, "CTEXT_EDIT_ROW"},
    {sec::Code2D, "CTEXT_EDIT_HEIGHT2D"},
    {sec::Code2D, "CTEXT_ERRORCORRECTIONLEVEL"},
    {sec::Code2D, "CTEXT_EDIT_QRWIDTH"},
    {sec::Code2D, "CTEXT_CMB_FONTMODE"},
    {sec::Code2D, "CTEXT_CMB_TYPE"},
    {sec::Code2D, "CTEXT_CMB_ERROR"},
    {sec::MessageBox, "MB_2DCODE_ERROR1"},
};
constexpr TextKey kUtility[] = {
    {sec::Utility, "RC_SELFTEST"},          {sec::Utility, "RC_STATIC_SELFTEST"},
    {sec::Utility, "RC_STATIC_CHECKCOMM"},  {sec::Utility, "RC_STATIC_CUSTOMSIZE"},
    {sec::Utility, "RC_BUTTON_DELETE"},     {sec::Utility, "RC_BUTTON_SAVE"},
    {sec::Utility, "RC_STATIC_FORMNAME"},   {sec::Utility, "RC_STATIC_FORMWIDTH"},
    {sec::Utility, "RC_STATIC_FORMHEIGHT"}, {sec::Utility, "CTEXT_SELFTEST"},
    {sec::Utility, "CTEXT_LIST_PAPERSIZE"}, {sec::Utility, "CTEXT_BUTTON_DELETE"},
    {sec::Utility, "CTEXT_BUTTON_SAVE"},    {sec::Utility, "CTEXT_EDIT_FORMNAME"},
    {sec::Utility, "CTEXT_EDIT_WIDTH"},     {sec::Utility, "CTEXT_EDIT_HEIGHT"},
    {sec::MessageBox, "MB_UTILITY_ERROR1"},
};
constexpr TextKey kFont[] = {
    {sec::Font, "RC_RONT_TREETITLE"},
    {sec::Font, "RC_STATIC_FONT_NOTICE"},
};

}  // namespace

PlaceholderLabels PlaceholderFor(PageKind kind) {
    switch (kind) {
        case PageKind::Code1D:
            return {kCode1D};
        case PageKind::Code2D:
            return {kCode2D};
        case PageKind::Utility:
            return {kUtility};
        case PageKind::Font:
            return {kFont};
        // The document pages are built; they name their keys themselves.
        case PageKind::Layout:
        case PageKind::Watermark:
        case PageKind::Operation:
        case PageKind::Version:
        case PageKind::Download:
        case PageKind::Count:
            break;
    }
    return {};
}

}  // namespace k20::prnui
