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

std::u16string NumberText(uint32_t v) {
    return Utf8ToUtf16(std::to_string(v));
}

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

}  // namespace

const NumericField& Field1DSpec(Field1D f) {
    return kFields[size_t(f)];
}

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
        case Field1D::Gs1ElementWidth:
            b.gs1ElementWidth = uint8_t(v);
            break;
        case Field1D::Gs1RowHeight:
            b.gs1RowHeight = v;
            break;
        case Field1D::Gs1CompositeRowHeight:
            b.gs1CompositeRowHeight = v;
            break;
        case Field1D::Gs1SeparatorHeight:
            b.gs1SeparatorHeight = uint8_t(v);
            break;
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
void Code1DPageModel::SetComposite(bool composite) {
    composite_ = composite;
}

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
    barcode::SamplePlan plan =
        barcode::Plan1DSample(slot(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
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
