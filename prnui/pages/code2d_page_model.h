#pragma once
// The 2D Code page without a window (see code1d_page_model.h for the shared pieces).
#include <array>
#include <span>
#include <string>

#include "prnui/pages/code1d_page_model.h"

namespace k20::prnui {

inline constexpr PageMessage kMsg2DCodeError = ErrorMessage("MB_2DCODE_ERROR1");

// The size an application selects for both 2D fonts; nothing is computed for it.
inline constexpr std::u16string_view k2DFontSize = u"9.5";
inline constexpr std::u16string_view k2DSampleData = u"01234567890123";

enum class Group2D { Pdf417, Gs1, Qr, None };

enum class Field2D {
    PdfColumns,
    PdfElementWidth,
    PdfRows,
    PdfElementHeight,
    Gs1ElementWidth,
    Gs1RowHeight,
    Gs1CompositeRowHeight,
    Gs1SeparatorHeight,
    Gs1Segments,
    QrElementWidth,
};
inline constexpr int kField2DCount = 10;
// The segment number's range depends on Independence / Composite; this gives Independence's.
const NumericField& Field2DSpec(Field2D f);

inline constexpr std::u16string_view k2DElementWidthRange = u"[ 1. . 7 ]";
inline constexpr std::u16string_view k2DElementHeightRange = u"[ 2 . . 25 ]";
inline constexpr std::u16string_view k2DColumnsRange = u"[ 1. . 30 ]";
inline constexpr std::u16string_view k2DRowsRange = u"[ 3 . . 90 ]";
inline constexpr std::u16string_view k2DSegmentsRangeIndependent = u"[ 2 . . 20 ]";
inline constexpr std::u16string_view k2DSegmentsRangeComposite = u"[ 4 . . 20 ]";

class Code2DPageModel {
  public:
    explicit Code2DPageModel(PrivateSettings& settings) : s_(settings) {}

    void Open();
    void SelectFont(int font);       // 0..1
    void SelectSymbology(int type);  // 0..5
    std::u16string EditNumber(Field2D f, std::u16string_view typed);
    void SelectErrorLevel(int pos);    // PDF417, 0..8
    void SelectHri(int pos);           // stored + 1
    void SelectExpanded(int pos);      // 0..1
    void SelectQrLanguage(int pos);    // 0 Chinese, 1 Japanese
    void SelectQrModel(int pos);       // stored + 1
    void SelectQrErrorLevel(int pos);  // L, M, H, Q
    void SetComposite(bool composite);
    void SetData(std::u16string_view text);
    void Apply() { changed_ = false; }
    PrintOutcome Print(platform::Spooler& spooler, platform::PrinterHandle printer, unsigned ansiCodePage);

    int font() const { return font_; }
    int symbology() const { return slot().type; }
    Group2D group() const { return GroupOf(slot().type); }
    const std::u16string& fieldText(Field2D f) const { return fields_[size_t(f)]; }
    NumericField fieldRange(Field2D f) const;
    std::u16string_view segmentsRangeCaption() const {
        return composite_ ? k2DSegmentsRangeComposite : k2DSegmentsRangeIndependent;
    }
    bool composite() const { return composite_; }
    bool compositeRowHeightEnabled() const { return composite_; }
    bool segmentsEnabled() const { return slot().type == kExpandedStacked; }
    bool expandedEnabled() const { return slot().type == kExpandedStacked; }
    int errorLevel() const { return slot().pdfErrorLevel; }
    int hri() const { return int(slot().gs1Hri) - 1; }
    int expanded() const { return slot().gs1ApplyAi; }
    int qrLanguage() const { return slot().qrLanguage; }
    int qrModel() const { return int(slot().qrModel) - 1; }
    int qrErrorLevel() const { return slot().qrErrorLevel; }
    const std::u16string& data() const { return data_; }
    bool printEnabled() const { return !data_.empty(); }
    bool changed() const { return changed_; }

    BarcodeFont2DSlot& slot() { return s_.barcode2D[font_]; }
    const BarcodeFont2DSlot& slot() const { return s_.barcode2D[font_]; }

    static Group2D GroupOf(int type);
    static constexpr int kExpandedStacked = 3;

  private:
    void LoadFields();

    PrivateSettings& s_;
    int font_ = 0;
    std::array<std::u16string, kField2DCount> fields_;
    bool composite_ = false;
    std::u16string data_;
    bool changed_ = false;
};

// Keys (section "2DCODE") of the entries of the translated lists.
inline constexpr std::string_view k2DErrorLevelKeys[] = {
    "RC_STATIC_2DCODE_ERRORCOR1", "RC_STATIC_2DCODE_ERRORCOR2", "RC_STATIC_2DCODE_ERRORCOR3",
    "RC_STATIC_2DCODE_ERRORCOR4", "RC_STATIC_2DCODE_ERRORCOR5", "RC_STATIC_2DCODE_ERRORCOR6",
    "RC_STATIC_2DCODE_ERRORCOR7", "RC_STATIC_2DCODE_ERRORCOR8", "RC_STATIC_2DCODE_ERRORCOR9"};
inline constexpr std::string_view k2DHriKeys[] = {"RC_IDC_CMB_HRI21", "RC_IDC_CMB_HRI22", "RC_IDC_CMB_HRI23",
                                                  "RC_IDC_CMB_HRI24"};
inline constexpr std::string_view k2DExpandedKeys[] = {"RC_IDC_CMB_AI21", "RC_IDC_CMB_AI22"};
inline constexpr std::string_view k2DQrLanguageKeys[] = {"RC_CMB_FONTMODE1", "RC_CMB_FONTMODE2"};
// Lists whose entries are not translated.
inline constexpr std::u16string_view k2DQrModels[] = {u"1", u"2"};
inline constexpr std::u16string_view k2DQrErrorLevels[] = {u"L", u"M", u"H", u"Q"};

}  // namespace k20::prnui
