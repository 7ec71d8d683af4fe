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

constexpr PageText kCaptions[] = {
    {"RC_2DCODEFORM", u"2D Code", 20},
    {"RC_STATIC_2DCODE_FONTNAME", u"Font Name:", 20},
    {"RC_STATIC_2DCODE_TYPE", u"Type:", 20},
    {"RC_STATIC_2DCODE_POINT", u"point", 20},
    {"RC_STATIC_2DCODE_NOTICE", u"Select this font size in the application.", 256},
    {"RC_STATIC_2DCODE_COLUMN", u"Column:", 20},
    {"RC_STATIC_2DCODE_ELEMENTWIDTH", u"Element Width:", 20},
    {"RC_STATIC_2DCODE_ROW", u"Row:", 20},
    {"RC_STATIC_2DCODE_ELEMENTHEIGHT", u"Element Height:", 20},
    {"RC_STATIC_2DCODE_ERRORCOR", u"Error Correction:", 20},
    {"RC_STATIC_2DCODE_GSDATABAR", u"GS1 DataBar", 50},
    {"RC_STATIC_2DCODE_GSTYPE", u"Type:", 50},
    {"RC_RADIO_Independence", u"Independence", 50},
    {"RC_RADIO_Complex", u"Composite", 50},
    {"RC_STATIC_2DCODE_GSEWIDTH", u"Element Width:", 50},
    {"RC_STATIC_2DCODE_GS2DRHEIGHT", u"2D Row Height:", 50},
    {"RC_STATIC_2DCODE_GSRHEIGHT", u"Row Height:", 50},
    {"RC_STATIC_2DCODE_GSSHEIGHT", u"Separator Height:", 50},
    {"RC_STATIC_2DCODE_GSSNUMBER", u"Segment Number:", 50},
    {"RC_STATIC_2DCODE_GSHRI", u"HRI:", 50},
    {"RC_STATIC_2DCODE_GSAAISTD", u"Expanded:", 50},
    {"RC_STATIC_2DCODE_PRINT", u"Test Print", 50},
    {"RC_STATIC_2DCODE_DATA", u"Data:", 50},
    {"RC_BUTTON_PRINT2D", u"Print", 50},
    {"RC_STATIC_2DCODE_PDF417", u"PDF417", 50},
    {"RC_STATIC_2DCODE_QR", u"QR", 50},
    {"RC_STATIC_2DCODE_QREWIDTH", u"Element Width:", 50},
    {"RC_STATIC_2DCODE_QRLMODE", u"Language mode:", 50},
    {"RC_STATIC_2DCODE_QRMODE", u"Model:", 50},
    {"RC_STATIC_2DCODE_QRECORRECTION", u"Error Correction:", 50},
};

constexpr PageText kErrorLevels[] = {
    {"RC_STATIC_2DCODE_ERRORCOR1", u"Error Correction Level 0", 50},
    {"RC_STATIC_2DCODE_ERRORCOR2", u"Error Correction Level 1", 50},
    {"RC_STATIC_2DCODE_ERRORCOR3", u"Error Correction Level 2", 50},
    {"RC_STATIC_2DCODE_ERRORCOR4", u"Error Correction Level 3", 50},
    {"RC_STATIC_2DCODE_ERRORCOR5", u"Error Correction Level 4", 50},
    {"RC_STATIC_2DCODE_ERRORCOR6", u"Error Correction Level 5", 50},
    {"RC_STATIC_2DCODE_ERRORCOR7", u"Error Correction Level 6", 50},
    {"RC_STATIC_2DCODE_ERRORCOR8", u"Error Correction Level 7", 50},
    {"RC_STATIC_2DCODE_ERRORCOR9", u"Error Correction Level 8", 50},
};

constexpr PageText kHriContents[] = {
    {"RC_IDC_CMB_HRI21", u"Primary and Secondary Data", 50},
    {"RC_IDC_CMB_HRI22", u"Primary Data", 50},
    {"RC_IDC_CMB_HRI23", u"Secondary Data", 50},
    {"RC_IDC_CMB_HRI24", u"None", 50},
};

constexpr PageText kExpanded[] = {
    {"RC_IDC_CMB_AI21", u"None", 50},
    {"RC_IDC_CMB_AI22", u"Application Identifier Specification to Data", 256},
};

constexpr PageText kQrLanguages[] = {
    {"RC_CMB_FONTMODE1", u"Chinese", 50},
    {"RC_CMB_FONTMODE2", u"Japanese", 50},
};

constexpr PageText kTooltips[] = {
    {"CTEXT_FONTNAME2D", u"Select the barcode font from the drop-down list.", 1024},
    {"CTEXT_BARCODETYPE2D", u"Select the barcode type from the drop-down list.", 1024},
    {"CTEXT_RADIO_Independence", u"Specify the barcode type to be independent barcode.", 1024},
    {"CTEXT_RADIO_Complex", u"Specify the barcode type to be complex barcode.", 1024},
    {"CTEXT_EDIT_GS1WIDTH2",
     u"Specify the element width of barcode. The unit of width is dot, available range is 1-6.", 1024},
    {"CTEXT_EDIT_GS1HEIGHT2",
     u"Specify the element height of barcode. The unit of width is dot, available range is 2-250.", 1024},
    {"CTEXT_EDIT_ComplexHEIGHT2",
     u"Specify the basic element height of two-dimensional barcode symbol in complex barcode. This item is "
     u"enabled only when the TYPE of COMPLEX is selected. The unit of height is dot, available range is 1-10.",
     1024},
    {"CTEXT_EDIT_SeparatorHEIGHT2", u"Specify the height of separator. The available range is 1-10.", 1024},
    {"CTEXT_EDIT_SECTIONNUM",
     u"Specify the section number of barcode symbol per line. This parameter needs to be set only when the "
     u"barcode type is GS1 DataBar Expanded Stacked. Available range for independent expanded stacked barcode "
     u"is 2-20, and available range for complex expanded stacked barcode is 4-20.",
     1024},
    {"CTEXT_CMB_HRI2", u"Specify the print content of HRI characters.", 1024},
    {"CTEXT_CMB_AI2",
     u"Specify whether to use application identifiers. This item is enabled only when the barcode type is GS1 "
     u"DataBar Expanded Stacked.",
     1024},
    {"CTEXT_EDIT_PRINT2D", u"Input the data used for print test.", 1024},
    {"CTEXT_BUTTON_PRINT2D", u"Print the test data.", 1024},
    {"CTEXT_EDIT_COLUMN", u"Specify the column of barcode. The available range is 1-30.", 1024},
    {"CTEXT_EDIT_WIDTH2D",
     u"Specify the element width of barcode. The unit of width is dot, available range is 1-7.", 1024},
    {"CTEXT_EDIT_ROW", u"Specify the row of barcode. The available range is 3-90.", 1024},
    {"CTEXT_EDIT_HEIGHT2D",
     u"Specify the element height of barcode. The unit of width is dot, available range is 2-25.", 1024},
    {"CTEXT_ERRORCORRECTIONLEVEL", u"Specify the error correction level.", 1024},
    {"CTEXT_EDIT_QRWIDTH",
     u"Specify the element width of barcode. The unit of width is dot, available range is 1-24.", 1024},
    {"CTEXT_CMB_FONTMODE", u"Select language pattern from the drop-down list.", 1024},
    {"CTEXT_CMB_TYPE", u"Select the barcode mode from the drop-down list.", 1024},
    {"CTEXT_CMB_ERROR", u"Select the error correction level from the drop-down list.", 1024},
};

}  // namespace

const NumericField& Field2DSpec(Field2D f) { return kFields[size_t(f)]; }

std::span<const PageText> Code2DCaptions() { return kCaptions; }
std::span<const PageText> Code2DErrorLevels() { return kErrorLevels; }
std::span<const PageText> Code2DHriContents() { return kHriContents; }
std::span<const PageText> Code2DExpanded() { return kExpanded; }
std::span<const PageText> Code2DQrLanguages() { return kQrLanguages; }
std::span<const PageText> Code2DTooltips() { return kTooltips; }

Group2D Code2DPageModel::GroupOf(int type) {
    switch (type) {
        case 0: return Group2D::Pdf417;
        case 1:
        case 2:
        case 3: return Group2D::Gs1;
        case 4: return Group2D::Qr;
        default: return Group2D::None;
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
        case Field2D::PdfColumns: b.pdfColumns = uint8_t(v); break;
        case Field2D::PdfElementWidth: b.pdfElementWidth = uint8_t(v); break;
        case Field2D::PdfRows: b.pdfRows = uint8_t(v); break;
        case Field2D::PdfElementHeight: b.pdfElementHeight = uint8_t(v); break;
        case Field2D::Gs1ElementWidth: b.gs1ElementWidth = uint8_t(v); break;
        case Field2D::Gs1RowHeight: b.gs1RowHeight = v; break;
        case Field2D::Gs1CompositeRowHeight: b.gs1CompositeRowHeight = v; break;
        case Field2D::Gs1SeparatorHeight: b.gs1SeparatorHeight = uint8_t(v); break;
        case Field2D::Gs1Segments: b.gs1Segments = uint8_t(v); break;
        case Field2D::QrElementWidth: b.qrElementWidth = uint8_t(v); break;
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

void Code2DPageModel::SetData(std::u16string_view text) { data_.assign(text.substr(0, kSampleDataMaxChars)); }

PrintOutcome Code2DPageModel::Print(platform::Spooler& spooler, platform::PrinterHandle printer,
                                    unsigned ansiCodePage) {
    PrintOutcome out;
    const std::string bytes = Utf16ToCodePage(data_, ansiCodePage);
    barcode::SamplePlan plan = barcode::Plan2DSample(slot(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
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
