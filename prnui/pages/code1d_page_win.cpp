// The 1D Code page: controls <-> Code1DPageModel, samples on the document sheet's printer.
#include "prnui/pages/barcode_page_win.h"

#include <memory>

#include "platform/win32/win32_platform.h"
#include "prnui/barcode/symbology.h"
#include "prnui/pages/code1d_ids.h"
#include "prnui/pages/code1d_page_model.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {
namespace {

using namespace barcodepage;

struct FieldControl {
    Field1D field;
    int id;
};
constexpr FieldControl kFields[] = {
    {Field1D::ElementWidth, IDC_1D_WIDTH},
    {Field1D::BarHeight, IDC_1D_HEIGHT},
    {Field1D::Gs1ElementWidth, IDC_1D_GSEWIDTH},
    {Field1D::Gs1RowHeight, IDC_1D_GSRHEIGHT},
    {Field1D::Gs1CompositeRowHeight, IDC_1D_GS2DRHEIGHT},
    {Field1D::Gs1SeparatorHeight, IDC_1D_GSSHEIGHT},
};

class Code1DPage final : public PropertyPage {
  protected:
    void OnInit() override {
        auto* record = static_cast<PrivateSettings*>(privateRecord());
        if (!record) return;
        model_ = std::make_unique<Code1DPageModel>(*record);
        model_->Open();
        HWND d = hwnd();
        std::u16string_view fonts[barcode::k1DFontCount];
        for (int i = 0; i < barcode::k1DFontCount; ++i) fonts[i] = barcode::FontName1D(i);
        FillFixedList(d, IDC_1D_FONT, fonts);
        std::string_view types[barcode::k1DSymbologyCount];
        for (int i = 0; i < barcode::k1DSymbologyCount; ++i)
            types[i] = barcode::Symbologies1D()[size_t(i)].name;
        FillFixedList(d, IDC_1D_TYPE, types);
        for (const auto& f : kFields) LimitText(d, f.id, Field1DSpec(f.field).maxChars);
        LimitText(d, IDC_1D_DATA, int(kSampleDataMaxChars));
        SetItemText(IDC_1D_WIDTH_RANGE, std::u16string(k1DElementWidthRange));
        SetItemText(IDC_1D_HEIGHT_RANGE, std::u16string(k1DBarHeightRange));
        LoadTexts();
        Sync();

        AddHelp(IDC_1D_FONT, sec::Code1D, "CTEXT_FONTNAME");
        AddHelp(IDC_1D_TYPE, sec::Code1D, "CTEXT_BARCODETYPE");
        AddHelp(IDC_1D_WIDTH, sec::Code1D, "CTEXT_EDIT_WIDTH1D");
        AddHelp(IDC_1D_HEIGHT, sec::Code1D, "CTEXT_EDIT_HEIGHT1D");
        AddHelp(IDC_1D_POSITION, sec::Code1D, "CTEXT_HRIPOSITION");
        AddHelp(IDC_1D_FONTA, sec::Code1D, "CTEXT_FONTA");
        AddHelp(IDC_1D_FONTB, sec::Code1D, "CTEXT_FONTB");
        AddHelp(IDC_1D_DATA, sec::Code1D, "CTEXT_EDIT_PRINT");
        AddHelp(IDC_1D_PRINT, sec::Code1D, "CTEXT_BUTTON_PRINT");
        AddHelp(IDC_1D_INDEPENDENCE, sec::Code1D, "CTEXT_RADIO_Independence1");
        AddHelp(IDC_1D_COMPOSITE, sec::Code1D, "CTEXT_RADIO_Complex1");
        AddHelp(IDC_1D_GSEWIDTH, sec::Code1D, "CTEXT_EDIT_GS1WIDTH");
        AddHelp(IDC_1D_GSRHEIGHT, sec::Code1D, "CTEXT_EDIT_GS1HEIGHT");
        AddHelp(IDC_1D_GS2DRHEIGHT, sec::Code1D, "CTEXT_EDIT_ComplexHEIGHT");
        AddHelp(IDC_1D_GSSHEIGHT, sec::Code1D, "CTEXT_EDIT_SeparatorHEIGHT");
        AddHelp(IDC_1D_HRI, sec::Code1D, "CTEXT_CMB_HRI");
        AddHelp(IDC_1D_AI, sec::Code1D, "CTEXT_CMB_AI");
    }

    void LoadTexts() override {
        SetItemText(IDC_1D_FONTNAME_LABEL, sec::Code1D, "RC_STATIC_1DCODE_FONTNAME");
        SetItemText(IDC_1D_TYPE_LABEL, sec::Code1D, "RC_STATIC_1DCODE_TYPE");
        SetItemText(IDC_1D_WIDTH_LABEL, sec::Code1D, "RC_STATIC_1DCODE_WIDTH");
        SetItemText(IDC_1D_HEIGHT_LABEL, sec::Code1D, "RC_STATIC_1DCODE_HEIGHT");
        SetItemText(IDC_1D_POINT_LABEL, sec::Code1D, "RC_STATIC_1DCODE_POINT");
        SetItemText(IDC_1D_NOTICE, sec::Code1D, "RC_STATIC_1DCODE_NOTICE");
        SetItemText(IDC_1D_POSITION_LABEL, sec::Code1D, "RC_STATIC_1DCODE_POSITION");
        SetItemText(IDC_1D_HRIFONT_LABEL, sec::Code1D, "RC_STATIC_1DCODE_HRIFONT");
        SetItemText(IDC_1D_GENERAL_GROUP, sec::Code1D, "RC_STATIC_GENERALBARCODE");
        SetItemText(IDC_1D_GS1_GROUP, sec::Code1D, "RC_STATIC_1DCODE_GSDATABAR");
        SetItemText(IDC_1D_GSTYPE_LABEL, sec::Code1D, "RC_STATIC_1DCODE_GSTYPE");
        SetItemText(IDC_1D_INDEPENDENCE, sec::Code1D, "RC_RADIO_Independence1");
        SetItemText(IDC_1D_COMPOSITE, sec::Code1D, "RC_RADIO_Complex1");
        SetItemText(IDC_1D_GSEWIDTH_LABEL, sec::Code1D, "RC_STATIC_1DCODE_GSEWIDTH");
        SetItemText(IDC_1D_GSRHEIGHT_LABEL, sec::Code1D, "RC_STATIC_1DCODE_GSRHEIGHT");
        SetItemText(IDC_1D_GS2DRHEIGHT_LABEL, sec::Code1D, "RC_STATIC_1DCODE_GS2DRHEIGHT");
        SetItemText(IDC_1D_GSSHEIGHT_LABEL, sec::Code1D, "RC_STATIC_1DCODE_GSSHEIGHT");
        SetItemText(IDC_1D_HRI_LABEL, sec::Code1D, "RC_STATIC_1DCODE_HRI");
        SetItemText(IDC_1D_AAISTD_LABEL, sec::Code1D, "RC_STATIC_1DCODE_AAISTD");
        SetItemText(IDC_1D_PRINT_GROUP, sec::Code1D, "RC_STATIC_1DCODE_PRINT");
        SetItemText(IDC_1D_DATA_LABEL, sec::Code1D, "RC_STATIC_1DCODE_DATA");
        SetItemText(IDC_1D_PRINT, sec::Code1D, "RC_BUTTON_PRINT");
        HWND d = hwnd();
        FillTextList(d, IDC_1D_POSITION, sec::Code1D, k1DHriPositionKeys);
        FillTextList(d, IDC_1D_HRI, sec::Code1D, k1DHriContentKeys);
        FillTextList(d, IDC_1D_AI, sec::Code1D, k1DExpandedKeys);
    }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!model_ || syncing_) return false;
        Code1DPageModel& m = *model_;
        HWND d = hwnd();
        if (EditNumberField(d, m, kFields, id, code, syncing_, [this] { MarkChanged(); })) return true;
        HANDLE printer = context().uiParam ? context().uiParam->hPrinter : nullptr;
        if (SampleCommand(d, m, id, code, IDC_1D_DATA, IDC_1D_PRINT, spooler_, printer)) return true;
        switch (id) {
            case IDC_1D_FONT:
                if (code != CBN_SELCHANGE) return false;
                m.SelectFont(ComboSelection(d, id));
                break;
            case IDC_1D_TYPE:
                if (code != CBN_SELCHANGE) return false;
                m.SelectType(ComboSelection(d, id));
                MarkChanged();
                break;
            case IDC_1D_POSITION:
                if (code != CBN_SELCHANGE) return false;
                m.SelectHriPosition(ComboSelection(d, id));
                MarkChanged();
                break;
            case IDC_1D_FONTA:
            case IDC_1D_FONTB:
                if (code != BN_CLICKED) return false;
                m.SelectHriFont(id == IDC_1D_FONTA ? 0 : 1);
                MarkChanged();
                break;
            case IDC_1D_HRI:
                if (code != CBN_SELCHANGE) return false;
                m.SelectHriContent(ComboSelection(d, id));
                MarkChanged();
                break;
            case IDC_1D_AI:
                if (code != CBN_SELCHANGE) return false;
                m.SelectExpanded(ComboSelection(d, id));
                MarkChanged();
                break;
            case IDC_1D_INDEPENDENCE:
            case IDC_1D_COMPOSITE:
                if (code != BN_CLICKED) return false;
                m.SetComposite(id == IDC_1D_COMPOSITE);
                break;
            default:
                return false;
        }
        Sync();
        return true;
    }

    bool OnApply() override {
        if (model_) {
            model_->Apply();
            Sync();
        }
        return true;
    }

  private:
    void Sync() {
        const Code1DPageModel& m = *model_;
        HWND d = hwnd();
        syncing_ = true;
        SelectCombo(d, IDC_1D_FONT, m.font());
        SelectCombo(d, IDC_1D_TYPE, m.type() < barcode::k1DSymbologyCount ? m.type() : -1);
        const bool gs1 = m.group() == Group1D::Gs1;
        ShowControls(d,
                     {IDC_1D_GENERAL_GROUP, IDC_1D_WIDTH_LABEL, IDC_1D_WIDTH, IDC_1D_WIDTH_RANGE,
                      IDC_1D_HEIGHT_LABEL, IDC_1D_HEIGHT, IDC_1D_HEIGHT_RANGE, IDC_1D_POSITION_LABEL,
                      IDC_1D_POSITION, IDC_1D_HRIFONT_LABEL, IDC_1D_FONTA, IDC_1D_FONTB},
                     !gs1);
        ShowControls(d,
                     {IDC_1D_GS1_GROUP, IDC_1D_GSTYPE_LABEL, IDC_1D_INDEPENDENCE, IDC_1D_COMPOSITE,
                      IDC_1D_GSEWIDTH_LABEL, IDC_1D_GSEWIDTH, IDC_1D_GSRHEIGHT_LABEL, IDC_1D_GSRHEIGHT,
                      IDC_1D_GS2DRHEIGHT_LABEL, IDC_1D_GS2DRHEIGHT, IDC_1D_GSSHEIGHT_LABEL, IDC_1D_GSSHEIGHT,
                      IDC_1D_HRI_LABEL, IDC_1D_HRI, IDC_1D_AAISTD_LABEL, IDC_1D_AI},
                     gs1);
        for (const auto& f : kFields) SetEditText(d, f.id, m.fieldText(f.field));
        SelectCombo(d, IDC_1D_POSITION, m.hriPosition() <= 3 ? m.hriPosition() : -1);
        SetChecked(d, IDC_1D_FONTA, m.hriFont() == 0);
        SetChecked(d, IDC_1D_FONTB, m.hriFont() == 1);
        Enable(d, IDC_1D_FONTA, m.hriFontEnabled());
        Enable(d, IDC_1D_FONTB, m.hriFontEnabled());
        SelectCombo(d, IDC_1D_HRI, m.hriContent() >= 0 && m.hriContent() <= 3 ? m.hriContent() : -1);
        SelectCombo(d, IDC_1D_AI, m.expanded() <= 1 ? m.expanded() : -1);
        Enable(d, IDC_1D_AI, m.expandedEnabled());
        SetChecked(d, IDC_1D_INDEPENDENCE, !m.composite());
        SetChecked(d, IDC_1D_COMPOSITE, m.composite());
        Enable(d, IDC_1D_GS2DRHEIGHT, m.compositeRowHeightEnabled());
        SetEditText(d, IDC_1D_DATA, m.data());
        Enable(d, IDC_1D_PRINT, m.printEnabled());
        SetEditText(d, IDC_1D_SIZE_MM, m.sizeMm());
        SetEditText(d, IDC_1D_SIZE_PT, m.sizePoints());
        syncing_ = false;
    }

    platform::win32::Win32Spooler spooler_;
    std::unique_ptr<Code1DPageModel> model_;
    bool syncing_ = false;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Code1D, IDD_1DCODE, Code1DPage);

}  // namespace k20::prnui
