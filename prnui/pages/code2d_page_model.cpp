#include "prnui/pages/code2d_page_model.h"

#include <algorithm>

#include "common/text.h"
#include "prnui/barcode/sample_job.h"

namespace k20::prnui {
namespace {

constexpr std::array<NumericField, kField2DCount> kFields{{
    {1, 30, 2},   // columns
    {1, 7, 1},    // element width
    {3, 90, 2},   // rows
    {2, 25, 2},   // element height
    {1, 6, 1},    // GS1 element width
    {2, 250, 3},  // GS1 row height
    {1, 10, 1},   // 2D row height
    {1, 10, 1},   // separator height
    {2, 20, 1},   // segment number (Independence)
    {1, 24, 2},   // QR element width
}};
constexpr int kCompositeMinSegments = 4;

}  // namespace

const NumericField& Field2DSpec(Field2D f) {
    return kFields[size_t(f)];
}

Group2D Code2DPageModel::GroupOf(int type) {
    switch (type) {
        case 0:
            return Group2D::Pdf417;
        case 1:
        case 2:
        case 3:
            return Group2D::Gs1;
        case 4:
            return Group2D::Qr;
        default:
            return Group2D::None;
    }
}

NumericField Code2DPageModel::fieldRange(Field2D f) const {
    NumericField r = Field2DSpec(f);
    if (f == Field2D::Gs1Segments && composite_) r.min = kCompositeMinSegments;
    return r;
}

void Code2DPageModel::Open() {
    font_ = 0;
    composite_ = false;
    LoadFields();
    data_ = k2DSampleData;
    changed_ = false;
}

void Code2DPageModel::SelectFont(int font) {
    if (font < 0 || font >= barcode::k2DFontCount) return;
    font_ = font;
    composite_ = false;
    LoadFields();
    data_ = k2DSampleData;
}

void Code2DPageModel::SelectSymbology(int type) {
    if (type < 0 || type >= barcode::k2DSymbologyCount) return;
    slot().type = uint8_t(type);
    changed_ = true;
    data_ = k2DSampleData;
}

std::u16string Code2DPageModel::EditNumber(Field2D f, std::u16string_view typed) {
    const NumericField r = fieldRange(f);
    const uint32_t v = std::clamp<uint32_t>(ParseTypedNumber(typed), uint32_t(r.min), uint32_t(r.max));
    BarcodeFont2DSlot& b = slot();
    switch (f) {
        case Field2D::PdfColumns:
            b.pdfColumns = uint8_t(v);
            break;
        case Field2D::PdfElementWidth:
            b.pdfElementWidth = uint8_t(v);
            break;
        case Field2D::PdfRows:
            b.pdfRows = uint8_t(v);
            break;
        case Field2D::PdfElementHeight:
            b.pdfElementHeight = uint8_t(v);
            break;
        case Field2D::Gs1ElementWidth:
            b.gs1ElementWidth = uint8_t(v);
            break;
        case Field2D::Gs1RowHeight:
            b.gs1RowHeight = v;
            break;
        case Field2D::Gs1CompositeRowHeight:
            b.gs1CompositeRowHeight = v;
            break;
        case Field2D::Gs1SeparatorHeight:
            b.gs1SeparatorHeight = uint8_t(v);
            break;
        case Field2D::Gs1Segments:
            b.gs1Segments = uint8_t(v);
            break;
        case Field2D::QrElementWidth:
            b.qrElementWidth = uint8_t(v);
            break;
    }
    fields_[size_t(f)] = NumberText(v);
    changed_ = true;
    return fields_[size_t(f)];
}

void Code2DPageModel::SelectErrorLevel(int pos) {
    if (pos < 0 || pos > 8) return;
    slot().pdfErrorLevel = uint8_t(pos);
    changed_ = true;
}
void Code2DPageModel::SelectHri(int pos) {
    if (pos < 0 || pos > 3) return;
    slot().gs1Hri = uint8_t(pos + 1);
    changed_ = true;
}
void Code2DPageModel::SelectExpanded(int pos) {
    if (pos < 0 || pos > 1) return;
    slot().gs1ApplyAi = uint8_t(pos);
    changed_ = true;
}
void Code2DPageModel::SelectQrLanguage(int pos) {
    if (pos < 0 || pos > 1) return;
    slot().qrLanguage = uint8_t(pos);
    changed_ = true;
}
void Code2DPageModel::SelectQrModel(int pos) {
    if (pos < 0 || pos > 1) return;
    slot().qrModel = uint8_t(pos + 1);
    changed_ = true;
}
void Code2DPageModel::SelectQrErrorLevel(int pos) {
    if (pos < 0 || pos > 3) return;
    slot().qrErrorLevel = uint8_t(pos);
    changed_ = true;
}

void Code2DPageModel::SetComposite(bool composite) {
    composite_ = composite;
    // A composite symbol needs at least four segments per row; the field is set the way
    // the user would type it, so that the value is stored through the field's change.
    if (composite_ && ParseTypedNumber(fields_[size_t(Field2D::Gs1Segments)]) < kCompositeMinSegments)
        EditNumber(Field2D::Gs1Segments, u"4");
}

void Code2DPageModel::SetData(std::u16string_view text) {
    data_.assign(text.substr(0, kSampleDataMaxChars));
}

PrintOutcome Code2DPageModel::Print(platform::Spooler& spooler, platform::PrinterHandle printer,
                                    unsigned ansiCodePage) {
    PrintOutcome out;
    const std::string bytes = Utf16ToCodePage(data_, ansiCodePage);
    barcode::SamplePlan plan =
        barcode::Plan2DSample(slot(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (!plan.ok()) {
        out.message = kMsg2DCodeError;
        return out;
    }
    out.sent = true;
    out.error = barcode::SendSampleJob(spooler, printer, barcode::kDocName2D, plan.writes);
    return out;
}

void Code2DPageModel::LoadFields() {
    const BarcodeFont2DSlot& b = slot();
    fields_[size_t(Field2D::PdfColumns)] = NumberText(b.pdfColumns);
    fields_[size_t(Field2D::PdfElementWidth)] = NumberText(b.pdfElementWidth);
    fields_[size_t(Field2D::PdfRows)] = NumberText(b.pdfRows);
    fields_[size_t(Field2D::PdfElementHeight)] = NumberText(b.pdfElementHeight);
    fields_[size_t(Field2D::Gs1ElementWidth)] = NumberText(b.gs1ElementWidth);
    fields_[size_t(Field2D::Gs1RowHeight)] = NumberText(b.gs1RowHeight);
    fields_[size_t(Field2D::Gs1CompositeRowHeight)] = NumberText(b.gs1CompositeRowHeight);
    fields_[size_t(Field2D::Gs1SeparatorHeight)] = NumberText(b.gs1SeparatorHeight);
    fields_[size_t(Field2D::Gs1Segments)] = NumberText(b.gs1Segments);
    fields_[size_t(Field2D::QrElementWidth)] = NumberText(b.qrElementWidth);
}

}  // namespace k20::prnui
