#include "prnui/pages/code1d_page_model.h"

#include <algorithm>

#include "common/text.h"
#include "prnui/barcode/font_size.h"
#include "prnui/barcode/sample_job.h"

namespace k20::prnui {

uint32_t ParseTypedNumber(std::u16string_view text) {
    if (text.empty()) return 0;
    uint64_t v = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return 0;
        v = std::min<uint64_t>(v * 10 + uint64_t(c - u'0'), UINT32_MAX);
    }
    return uint32_t(v);
}

std::u16string NumberText(uint32_t v) { return Utf8ToUtf16(std::to_string(v)); }

namespace {

constexpr std::array<NumericField, kField1DCount> kFields{{
    {2, 6, 1},    // element width
    {1, 255, 3},  // bar height
    {1, 6, 1},    // GS1 element width
    {2, 250, 3},  // GS1 row height
    {1, 10, 1},   // 2D row height
    {1, 10, 1},   // separator height
}};

uint32_t Clamp(const NumericField& f, uint32_t v) {
    // An empty field or a 0 reads as the minimum, like any value below it.
    return std::clamp<uint32_t>(v, uint32_t(f.min), uint32_t(f.max));
}

constexpr PageText kCaptions[] = {
    {"RC_1DCODEFORM", u"1D Code", 20},
    {"RC_STATIC_1DCODE_FONTNAME", u"Font Name:", 20},
    {"RC_STATIC_1DCODE_TYPE", u"Type:", 20},
    {"RC_STATIC_1DCODE_WIDTH", u"Element Width:", 20},
    {"RC_STATIC_1DCODE_HEIGHT", u"Element Height:", 20},
    {"RC_STATIC_1DCODE_POINT", u"point", 20},
    {"RC_STATIC_1DCODE_NOTICE", u"Select this font size in the application.", 256},
    {"RC_STATIC_1DCODE_POSITION", u"HRI Position:", 20},
    {"RC_STATIC_1DCODE_HRIFONT", u"HRI Font:", 20},
    {"RC_STATIC_GENERALBARCODE", u"General Bar Code", 20},
    {"RC_STATIC_1DCODE_GSDATABAR", u"GS1 DataBar", 20},
    {"RC_STATIC_1DCODE_GSTYPE", u"Type:", 20},
    {"RC_RADIO_Independence1", u"Independence", 20},
    {"RC_RADIO_Complex1", u"Composite", 20},
    {"RC_STATIC_1DCODE_GSEWIDTH", u"Element Width:", 20},
    {"RC_STATIC_1DCODE_GSRHEIGHT", u"Row Height:", 20},
    {"RC_STATIC_1DCODE_GS2DRHEIGHT", u"2D Row Height:", 20},
    {"RC_STATIC_1DCODE_GSSHEIGHT", u"Separator Height:", 20},
    {"RC_STATIC_1DCODE_HRI", u"HRI:", 20},
    {"RC_STATIC_1DCODE_AAISTD", u"Expanded:", 256},
    {"RC_STATIC_1DCODE_PRINT", u"Test Print", 20},
    {"RC_STATIC_1DCODE_DATA", u"Data:", 20},
    {"RC_BUTTON_PRINT", u"Print", 20},
};

constexpr PageText kHriPositions[] = {
    {"RC_STATIC_1DCODE_POSITION1", u"Not printed", 256},
    {"RC_STATIC_1DCODE_POSITION2", u"Above the barcode", 256},
    {"RC_STATIC_1DCODE_POSITION3", u"Below the barcode", 256},
    {"RC_STATIC_1DCODE_POSITION4", u"Both above and below the barcode", 256},
};

constexpr PageText kHriContents[] = {
    {"RC_CMB_HRI1", u"Primary and Secondary Data", 50},
    {"RC_CMB_HRI2", u"Primary Data", 50},
    {"RC_CMB_HRI3", u"Secondary Data", 50},
    {"RC_CMB_HRI4", u"None", 50},
};

constexpr PageText kExpanded[] = {
    {"RC_CMB_AI1", u"None", 256},
    {"RC_CMB_AI2", u"Application Identifier Specification to Data", 256},
};

constexpr PageText kTooltips[] = {
    {"CTEXT_FONTNAME", u"Select the barcode font from the drop-down list.", 1024},
    {"CTEXT_BARCODETYPE", u"Select the barcode type from the drop-down list.", 1024},
    {"CTEXT_EDIT_WIDTH1D",
     u"Specify the element width of barcode. The unit of width is dot, available range is 2-6.", 1024},
    {"CTEXT_EDIT_HEIGHT1D",
     u"Specify the element height of barcode. The unit of height is dot, available range is 1-255.", 1024},
    {"CTEXT_HRIPOSITION", u"Select the print position of HRI characters from the drop-down list.", 1024},
    {"CTEXT_FONTA",
     u"Specify the font type of HRI character is FONT A. This item is disabled if \u201CHRI Position\u201D is "
     u"selected to be \u201C Not printed\u201D.",
     1024},
    {"CTEXT_FONTB",
     u"Specify the font type of HRI character is FONT B. This item is disabled if \u201CHRI Position\u201D is "
     u"selected to be \u201C Not printed\u201D.",
     1024},
    {"CTEXT_EDIT_PRINT", u"Input the data used for print test.", 1024},
    {"CTEXT_BUTTON_PRINT", u"Print the test data.", 1024},
    {"CTEXT_RADIO_Independence1", u"Specify the barcode to be independent barcode.", 1024},
    {"CTEXT_RADIO_Complex1", u"Specify the barcode to be complex barcode.", 1024},
    {"CTEXT_EDIT_GS1WIDTH",
     u"Specify the element width of barcode. The unit of width is dot, available range is 1-6.", 1024},
    {"CTEXT_EDIT_GS1HEIGHT",
     u"Specify the element height of barcode. The unit of width is dot, available range is 2-250.", 1024},
    {"CTEXT_EDIT_ComplexHEIGHT",
     u"Specify the basic element height of two-dimensional barcode symbol in complex barcode. This item is "
     u"enabled only when the TYPE of COMPLEX is selected. The unit of height is dot, available range is 1-10.",
     1024},
    {"CTEXT_EDIT_SeparatorHEIGHT", u"Specify the height of separator. The available range is 1-10.", 1024},
    {"CTEXT_CMB_HRI", u"Specify the print content of HRI characters.", 1024},
    {"CTEXT_CMB_AI",
     u"Specify whether to use application identifiers. This item is enabled only when the barcode type is GS1 "
     u"DataBar Expanded.",
     1024},
};

}  // namespace

const NumericField& Field1DSpec(Field1D f) { return kFields[size_t(f)]; }

std::span<const PageText> Code1DCaptions() { return kCaptions; }
std::span<const PageText> Code1DHriPositions() { return kHriPositions; }
std::span<const PageText> Code1DHriContents() { return kHriContents; }
std::span<const PageText> Code1DExpanded() { return kExpanded; }
std::span<const PageText> Code1DTooltips() { return kTooltips; }

void Code1DPageModel::Open() {
    font_ = 0;
    composite_ = false;
    LoadFields();
    SetSampleData();
    RefreshSize();
    changed_ = false;
}

void Code1DPageModel::SelectFont(int font) {
    if (font < 0 || font >= barcode::k1DFontCount) return;
    font_ = font;
    if (group() == Group1D::Gs1) composite_ = false;
    LoadFields();
    SetSampleData();
    RefreshSize();
}

void Code1DPageModel::SelectType(int type) {
    if (type < 0 || type >= barcode::k1DSymbologyCount) return;
    slot().type = uint8_t(type);
    expandedEnabled_ = type == barcode::kGs1ExpandedSymbology;
    MarkChanged();
    SetSampleData();
}

std::u16string Code1DPageModel::EditNumber(Field1D f, std::u16string_view typed) {
    const uint32_t v = Clamp(Field1DSpec(f), ParseTypedNumber(typed));
    BarcodeFont1DSlot& b = slot();
    switch (f) {
        case Field1D::ElementWidth:
            b.elementWidth = uint8_t(v);
            b.cellWidth = v * 8;
            break;
        case Field1D::BarHeight:
            b.barHeight = v;
            b.fontSize = barcode::ComputeFontSize(b.barHeight, b.hriPosition, b.hriFont);
            break;
        case Field1D::Gs1ElementWidth: b.gs1ElementWidth = uint8_t(v); break;
        case Field1D::Gs1RowHeight: b.gs1RowHeight = v; break;
        case Field1D::Gs1CompositeRowHeight: b.gs1CompositeRowHeight = v; break;
        case Field1D::Gs1SeparatorHeight: b.gs1SeparatorHeight = uint8_t(v); break;
    }
    fields_[size_t(f)] = NumberText(v);
    MarkChanged();
    return fields_[size_t(f)];
}

void Code1DPageModel::SelectHriPosition(int pos) {
    if (pos < 0 || pos > 3) return;
    BarcodeFont1DSlot& b = slot();
    b.hriPosition = uint8_t(pos);
    b.fontSize = barcode::ComputeFontSize(b.barHeight, b.hriPosition, b.hriFont);
    MarkChanged();
}

void Code1DPageModel::SelectHriFont(int font) {
    if (font < 0 || font > 1) return;
    BarcodeFont1DSlot& b = slot();
    b.hriFont = uint8_t(font);
    b.fontSize = barcode::ComputeFontSize(b.barHeight, b.hriPosition, b.hriFont);
    MarkChanged();
}

void Code1DPageModel::SelectHriContent(int pos) {
    if (pos < 0 || pos > 3) return;
    slot().gs1Hri = uint8_t(pos + 1);
    MarkChanged();
}

void Code1DPageModel::SelectExpanded(int pos) {
    if (pos < 0 || pos > 1) return;
    slot().gs1ApplyAi = uint8_t(pos);
    MarkChanged();
}

// The choice only decides whether the 2D row height may be edited; it is not stored.
void Code1DPageModel::SetComposite(bool composite) { composite_ = composite; }

void Code1DPageModel::SetData(std::u16string_view text) {
    data_.assign(text.substr(0, kSampleDataMaxChars));
}

void Code1DPageModel::Apply() {
    RefreshSize();
    changed_ = false;
}

PrintOutcome Code1DPageModel::Print(platform::Spooler& spooler, platform::PrinterHandle printer,
                                    unsigned ansiCodePage) {
    PrintOutcome out;
    const std::string bytes = Utf16ToCodePage(data_, ansiCodePage);
    barcode::SamplePlan plan = barcode::Plan1DSample(slot(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (!plan.ok()) {
        out.message = kMsg1DCodeError;
        return out;
    }
    out.sent = true;
    out.error = barcode::SendSampleJob(spooler, printer, barcode::kDocName1D, plan.writes);
    return out;
}

void Code1DPageModel::LoadFields() {
    const BarcodeFont1DSlot& b = slot();
    fields_[size_t(Field1D::ElementWidth)] = NumberText(b.elementWidth);
    fields_[size_t(Field1D::BarHeight)] = NumberText(b.barHeight);
    fields_[size_t(Field1D::Gs1ElementWidth)] = NumberText(b.gs1ElementWidth);
    fields_[size_t(Field1D::Gs1RowHeight)] = NumberText(b.gs1RowHeight);
    fields_[size_t(Field1D::Gs1CompositeRowHeight)] = NumberText(b.gs1CompositeRowHeight);
    fields_[size_t(Field1D::Gs1SeparatorHeight)] = NumberText(b.gs1SeparatorHeight);
    // The same rule as on a font or type change; also at page creation, so that a first
    // font of type GS1 DataBar Expanded does not open with its expanded list disabled.
    expandedEnabled_ = b.type == barcode::kGs1ExpandedSymbology;
}

void Code1DPageModel::RefreshSize() {
    sizeMm_ = Utf8ToUtf16(barcode::FormatSizeMm(slot().fontSize));
    sizePoints_ = Utf8ToUtf16(barcode::FormatSizePoints(slot().fontSize));
}

void Code1DPageModel::SetSampleData() {
    const int t = slot().type;
    if (t < barcode::k1DSymbologyCount)
        data_ = Utf8ToUtf16(barcode::Symbologies1D()[size_t(t)].sampleData);
    else
        data_.clear();
}

}  // namespace k20::prnui
