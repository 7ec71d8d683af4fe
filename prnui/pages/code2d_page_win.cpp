// The 2D Code page: controls <-> Code2DPageModel, samples on the document sheet's printer.
#include <memory>

#include "platform/win32/win32_platform.h"
#include "prnui/barcode/symbology.h"
#include "prnui/pages/barcode_page_win.h"
#include "prnui/pages/code2d_ids.h"
#include "prnui/pages/code2d_page_model.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {
namespace {

using namespace barcodepage;

struct FieldControl {
    Field2D field;
    int id;
};
constexpr FieldControl kFields[] = {
    {Field2D::PdfColumns, IDC_2D_COLUMN},
    {Field2D::PdfElementWidth, IDC_2D_EWIDTH},
    {Field2D::PdfRows, IDC_2D_ROW},
    {Field2D::PdfElementHeight, IDC_2D_EHEIGHT},
    {Field2D::Gs1ElementWidth, IDC_2D_GSEWIDTH},
    {Field2D::Gs1RowHeight, IDC_2D_GSRHEIGHT},
    {Field2D::Gs1CompositeRowHeight, IDC_2D_GS2DRHEIGHT},
    {Field2D::Gs1SeparatorHeight, IDC_2D_GSSHEIGHT},
    {Field2D::Gs1Segments, IDC_2D_GSSNUMBER},
    {Field2D::QrElementWidth, IDC_2D_QREWIDTH},
};

class Code2DPage final : public PropertyPage {
  protected:
    void OnInit() override {
        auto* record = static_cast<PrivateSettings*>(privateRecord());
        if (!record) return;
        model_ = std::make_unique<Code2DPageModel>(*record);
        model_->Open();
        HWND d = hwnd();
        std::u16string_view fonts[barcode::k2DFontCount];
        for (int i = 0; i < barcode::k2DFontCount; ++i) fonts[i] = barcode::FontName2D(i);
        FillFixedList(d, IDC_2D_FONT, fonts);
        std::string_view types[barcode::k2DSymbologyCount];
        for (int i = 0; i < barcode::k2DSymbologyCount; ++i)
            types[i] = barcode::Symbologies2D()[size_t(i)].name;
        FillFixedList(d, IDC_2D_TYPE, types);
        FillFixedList(d, IDC_2D_QRMODE, k2DQrModels);
        FillFixedList(d, IDC_2D_QRECOR, k2DQrErrorLevels);
        for (const auto& f : kFields) LimitText(d, f.id, Field2DSpec(f.field).maxChars);
        LimitText(d, IDC_2D_DATA, int(kSampleDataMaxChars));
        SetItemText(IDC_2D_SIZE, std::u16string(k2DFontSize));
        SetItemText(IDC_2D_EWIDTH_RANGE, std::u16string(k2DElementWidthRange));
        SetItemText(IDC_2D_EHEIGHT_RANGE, std::u16string(k2DElementHeightRange));
        SetItemText(IDC_2D_COLUMN_RANGE, std::u16string(k2DColumnsRange));
        SetItemText(IDC_2D_ROW_RANGE, std::u16string(k2DRowsRange));
        LoadTexts();
        Sync();

        AddHelp(IDC_2D_FONT, sec::Code2D, "CTEXT_FONTNAME2D");
        AddHelp(IDC_2D_TYPE, sec::Code2D, "CTEXT_BARCODETYPE2D");
        AddHelp(IDC_2D_INDEPENDENCE, sec::Code2D, "CTEXT_RADIO_Independence");
        AddHelp(IDC_2D_COMPOSITE, sec::Code2D, "CTEXT_RADIO_Complex");
        AddHelp(IDC_2D_GSEWIDTH, sec::Code2D, "CTEXT_EDIT_GS1WIDTH2");
        AddHelp(IDC_2D_GSRHEIGHT, sec::Code2D, "CTEXT_EDIT_GS1HEIGHT2");
        AddHelp(IDC_2D_GS2DRHEIGHT, sec::Code2D, "CTEXT_EDIT_ComplexHEIGHT2");
        AddHelp(IDC_2D_GSSHEIGHT, sec::Code2D, "CTEXT_EDIT_SeparatorHEIGHT2");
        AddHelp(IDC_2D_GSSNUMBER, sec::Code2D, "CTEXT_EDIT_SECTIONNUM");
        AddHelp(IDC_2D_HRI, sec::Code2D, "CTEXT_CMB_HRI2");
        AddHelp(IDC_2D_AI, sec::Code2D, "CTEXT_CMB_AI2");
        AddHelp(IDC_2D_DATA, sec::Code2D, "CTEXT_EDIT_PRINT2D");
        AddHelp(IDC_2D_PRINT, sec::Code2D, "CTEXT_BUTTON_PRINT2D");
        AddHelp(IDC_2D_COLUMN, sec::Code2D, "CTEXT_EDIT_COLUMN");
        AddHelp(IDC_2D_EWIDTH, sec::Code2D, "CTEXT_EDIT_WIDTH2D");
        AddHelp(IDC_2D_ROW, sec::Code2D, "CTEXT_EDIT_ROW");
        AddHelp(IDC_2D_EHEIGHT, sec::Code2D, "CTEXT_EDIT_HEIGHT2D");
        AddHelp(IDC_2D_ERRORCOR, sec::Code2D, "CTEXT_ERRORCORRECTIONLEVEL");
        AddHelp(IDC_2D_QREWIDTH, sec::Code2D, "CTEXT_EDIT_QRWIDTH");
        AddHelp(IDC_2D_QRLMODE, sec::Code2D, "CTEXT_CMB_FONTMODE");
        AddHelp(IDC_2D_QRMODE, sec::Code2D, "CTEXT_CMB_TYPE");
        AddHelp(IDC_2D_QRECOR, sec::Code2D, "CTEXT_CMB_ERROR");
    }

    void LoadTexts() override {
        SetItemText(IDC_2D_FONTNAME_LABEL, sec::Code2D, "RC_STATIC_2DCODE_FONTNAME");
        SetItemText(IDC_2D_TYPE_LABEL, sec::Code2D, "RC_STATIC_2DCODE_TYPE");
        SetItemText(IDC_2D_POINT_LABEL, sec::Code2D, "RC_STATIC_2DCODE_POINT");
        SetItemText(IDC_2D_NOTICE, sec::Code2D, "RC_STATIC_2DCODE_NOTICE");
        SetItemText(IDC_2D_COLUMN_LABEL, sec::Code2D, "RC_STATIC_2DCODE_COLUMN");
        SetItemText(IDC_2D_EWIDTH_LABEL, sec::Code2D, "RC_STATIC_2DCODE_ELEMENTWIDTH");
        SetItemText(IDC_2D_ROW_LABEL, sec::Code2D, "RC_STATIC_2DCODE_ROW");
        SetItemText(IDC_2D_EHEIGHT_LABEL, sec::Code2D, "RC_STATIC_2DCODE_ELEMENTHEIGHT");
        SetItemText(IDC_2D_ERRORCOR_LABEL, sec::Code2D, "RC_STATIC_2DCODE_ERRORCOR");
        SetItemText(IDC_2D_GS1_GROUP, sec::Code2D, "RC_STATIC_2DCODE_GSDATABAR");
        SetItemText(IDC_2D_GSTYPE_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSTYPE");
        SetItemText(IDC_2D_INDEPENDENCE, sec::Code2D, "RC_RADIO_Independence");
        SetItemText(IDC_2D_COMPOSITE, sec::Code2D, "RC_RADIO_Complex");
        SetItemText(IDC_2D_GSEWIDTH_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSEWIDTH");
        SetItemText(IDC_2D_GS2DRHEIGHT_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GS2DRHEIGHT");
        SetItemText(IDC_2D_GSRHEIGHT_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSRHEIGHT");
        SetItemText(IDC_2D_GSSHEIGHT_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSSHEIGHT");
        SetItemText(IDC_2D_GSSNUMBER_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSSNUMBER");
        SetItemText(IDC_2D_HRI_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSHRI");
        SetItemText(IDC_2D_AAISTD_LABEL, sec::Code2D, "RC_STATIC_2DCODE_GSAAISTD");
        SetItemText(IDC_2D_PRINT_GROUP, sec::Code2D, "RC_STATIC_2DCODE_PRINT");
        SetItemText(IDC_2D_DATA_LABEL, sec::Code2D, "RC_STATIC_2DCODE_DATA");
        SetItemText(IDC_2D_PRINT, sec::Code2D, "RC_BUTTON_PRINT2D");
        SetItemText(IDC_2D_PDF_GROUP, sec::Code2D, "RC_STATIC_2DCODE_PDF417");
        SetItemText(IDC_2D_QR_GROUP, sec::Code2D, "RC_STATIC_2DCODE_QR");
        SetItemText(IDC_2D_QREWIDTH_LABEL, sec::Code2D, "RC_STATIC_2DCODE_QREWIDTH");
        SetItemText(IDC_2D_QRLMODE_LABEL, sec::Code2D, "RC_STATIC_2DCODE_QRLMODE");
        SetItemText(IDC_2D_QRMODE_LABEL, sec::Code2D, "RC_STATIC_2DCODE_QRMODE");
        SetItemText(IDC_2D_QRECOR_LABEL, sec::Code2D, "RC_STATIC_2DCODE_QRECORRECTION");
        HWND d = hwnd();
        FillTextList(d, IDC_2D_ERRORCOR, sec::Code2D, k2DErrorLevelKeys);
        FillTextList(d, IDC_2D_QRLMODE, sec::Code2D, k2DQrLanguageKeys);
        FillTextList(d, IDC_2D_HRI, sec::Code2D, k2DHriKeys);
        FillTextList(d, IDC_2D_AI, sec::Code2D, k2DExpandedKeys);
    }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!model_ || syncing_) return false;
        Code2DPageModel& m = *model_;
        HWND d = hwnd();
        if (EditNumberField(d, m, kFields, id, code, syncing_, [this] { MarkChanged(); })) return true;
        HANDLE printer = context().uiParam ? context().uiParam->hPrinter : nullptr;
        if (SampleCommand(d, m, id, code, IDC_2D_DATA, IDC_2D_PRINT, spooler_, printer)) return true;
        struct ListControl {
            int id;
            void (Code2DPageModel::*select)(int);
        };
        static constexpr ListControl kLists[] = {
            {IDC_2D_ERRORCOR, &Code2DPageModel::SelectErrorLevel},
            {IDC_2D_HRI, &Code2DPageModel::SelectHri},
            {IDC_2D_AI, &Code2DPageModel::SelectExpanded},
            {IDC_2D_QRLMODE, &Code2DPageModel::SelectQrLanguage},
            {IDC_2D_QRMODE, &Code2DPageModel::SelectQrModel},
            {IDC_2D_QRECOR, &Code2DPageModel::SelectQrErrorLevel},
        };
        for (const auto& l : kLists) {
            if (id != l.id) continue;
            if (code != CBN_SELCHANGE) return false;
            (m.*l.select)(ComboSelection(d, id));
            MarkChanged();
            return true;
        }
        switch (id) {
            case IDC_2D_FONT:
                if (code != CBN_SELCHANGE) return false;
                m.SelectFont(ComboSelection(d, id));
                break;
            case IDC_2D_TYPE:
                if (code != CBN_SELCHANGE) return false;
                m.SelectSymbology(ComboSelection(d, id));
                MarkChanged();
                break;
            case IDC_2D_INDEPENDENCE:
            case IDC_2D_COMPOSITE: {
                if (code != BN_CLICKED) return false;
                const bool wasChanged = m.changed();
                m.SetComposite(id == IDC_2D_COMPOSITE);
                if (m.changed() && !wasChanged) MarkChanged();  // the segment number was raised
                break;
            }
            default:
                return false;
        }
        Sync();
        return true;
    }

    bool OnApply() override {
        if (model_) model_->Apply();
        return true;
    }

  private:
    void Sync() {
        const Code2DPageModel& m = *model_;
        HWND d = hwnd();
        syncing_ = true;
        SelectCombo(d, IDC_2D_FONT, m.font());
        SelectCombo(d, IDC_2D_TYPE, m.symbology() < barcode::k2DSymbologyCount ? m.symbology() : -1);
        const Group2D g = m.group();
        ShowControls(d,
                     {IDC_2D_PDF_GROUP, IDC_2D_COLUMN_LABEL, IDC_2D_COLUMN, IDC_2D_COLUMN_RANGE,
                      IDC_2D_EWIDTH_LABEL, IDC_2D_EWIDTH, IDC_2D_EWIDTH_RANGE, IDC_2D_ROW_LABEL, IDC_2D_ROW,
                      IDC_2D_ROW_RANGE, IDC_2D_EHEIGHT_LABEL, IDC_2D_EHEIGHT, IDC_2D_EHEIGHT_RANGE,
                      IDC_2D_ERRORCOR_LABEL, IDC_2D_ERRORCOR},
                     g == Group2D::Pdf417);
        ShowControls(d,
                     {IDC_2D_GS1_GROUP, IDC_2D_GSTYPE_LABEL, IDC_2D_INDEPENDENCE, IDC_2D_COMPOSITE,
                      IDC_2D_GSEWIDTH_LABEL, IDC_2D_GSEWIDTH, IDC_2D_GSRHEIGHT_LABEL, IDC_2D_GSRHEIGHT,
                      IDC_2D_GS2DRHEIGHT_LABEL, IDC_2D_GS2DRHEIGHT, IDC_2D_GSSHEIGHT_LABEL, IDC_2D_GSSHEIGHT,
                      IDC_2D_GSSNUMBER_LABEL, IDC_2D_GSSNUMBER, IDC_2D_GSSNUMBER_RANGE, IDC_2D_HRI_LABEL,
                      IDC_2D_HRI, IDC_2D_AAISTD_LABEL, IDC_2D_AI},
                     g == Group2D::Gs1);
        ShowControls(d,
                     {IDC_2D_QR_GROUP, IDC_2D_QREWIDTH_LABEL, IDC_2D_QREWIDTH, IDC_2D_QRLMODE_LABEL,
                      IDC_2D_QRLMODE, IDC_2D_QRMODE_LABEL, IDC_2D_QRMODE, IDC_2D_QRECOR_LABEL, IDC_2D_QRECOR},
                     g == Group2D::Qr);
        for (const auto& f : kFields) SetEditText(d, f.id, m.fieldText(f.field));
        SelectCombo(d, IDC_2D_ERRORCOR, m.errorLevel() <= 8 ? m.errorLevel() : -1);
        SelectCombo(d, IDC_2D_HRI, m.hri() >= 0 && m.hri() <= 3 ? m.hri() : -1);
        SelectCombo(d, IDC_2D_AI, m.expanded() <= 1 ? m.expanded() : -1);
        SelectCombo(d, IDC_2D_QRLMODE, m.qrLanguage() <= 1 ? m.qrLanguage() : -1);
        SelectCombo(d, IDC_2D_QRMODE, m.qrModel() >= 0 && m.qrModel() <= 1 ? m.qrModel() : -1);
        SelectCombo(d, IDC_2D_QRECOR, m.qrErrorLevel() <= 3 ? m.qrErrorLevel() : -1);
        SetChecked(d, IDC_2D_INDEPENDENCE, !m.composite());
        SetChecked(d, IDC_2D_COMPOSITE, m.composite());
        Enable(d, IDC_2D_GS2DRHEIGHT, m.compositeRowHeightEnabled());
        Enable(d, IDC_2D_GSSNUMBER, m.segmentsEnabled());
        Enable(d, IDC_2D_AI, m.expandedEnabled());
        SetItemText(IDC_2D_GSSNUMBER_RANGE, std::u16string(m.segmentsRangeCaption()));
        SetEditText(d, IDC_2D_DATA, m.data());
        Enable(d, IDC_2D_PRINT, m.printEnabled());
        syncing_ = false;
    }

    platform::win32::Win32Spooler spooler_;
    std::unique_ptr<Code2DPageModel> model_;
    bool syncing_ = false;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Code2D, IDD_2DCODE, Code2DPage);

}  // namespace k20::prnui
