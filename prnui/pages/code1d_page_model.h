#pragma once
// The 1D Code page without a window: which group shows, what is enabled, what each
// control holds, what is stored in the eight 1D font slots, and which message to show.
// The dialog procedure copies between its controls and this model and nothing else.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/spooler.h"
#include "prnui/barcode/symbology.h"
#include "prnui/core/private_settings.h"
#include "prnui/pages/page_message.h"

namespace k20::prnui {

inline constexpr PageMessage kMsg1DCodeError = ErrorMessage("MB_1DCODE_ERROR1");

// What the Print button did.
struct PrintOutcome {
    std::optional<PageMessage> message;     // data rejected: nothing was sent
    bool sent = false;                      // a job was attempted
    platform::Error error = platform::kOk;  // spooler failure (no message is shown for it)
};

// The data field holds at most this many characters.
inline constexpr size_t kSampleDataMaxChars = 399;

// A numeric edit field: range, characters the control accepts, the record field it edits.
struct NumericField {
    int min;
    int max;
    int maxChars;
};

// Number typed into an edit control, as the dialog reads it: 0 unless it is all digits.
uint32_t ParseTypedNumber(std::u16string_view text);
std::u16string NumberText(uint32_t v);

enum class Group1D { General, Gs1 };

enum class Field1D {
    ElementWidth,
    BarHeight,
    Gs1ElementWidth,
    Gs1RowHeight,
    Gs1CompositeRowHeight,
    Gs1SeparatorHeight
};
inline constexpr int kField1DCount = 6;
const NumericField& Field1DSpec(Field1D f);

class Code1DPageModel {
  public:
    explicit Code1DPageModel(PrivateSettings& settings) : s_(settings) {}

    // Page creation: font 1, Independence, its record in the fields.
    void Open();
    void SelectFont(int font);  // 0..7
    void SelectType(int type);  // 0..12

    // A numeric field's text changed: stores the clamped value and returns the text the
    // field must show from now on.
    std::u16string EditNumber(Field1D f, std::u16string_view typed);
    void SelectHriPosition(int pos);  // 0..3
    void SelectHriFont(int font);     // 0 Font A, 1 Font B
    void SelectHriContent(int pos);   // list position, stored + 1
    void SelectExpanded(int pos);     // 0..1
    void SetComposite(bool composite);
    void SetData(std::u16string_view text);
    void Apply();

    // Validates the data field in the system ANSI code page and sends one raw job.
    PrintOutcome Print(platform::Spooler& spooler, platform::PrinterHandle printer, unsigned ansiCodePage);

    // The view.
    int font() const { return font_; }
    int type() const { return slot().type; }
    Group1D group() const { return GroupOf(slot().type); }
    const std::u16string& fieldText(Field1D f) const { return fields_[size_t(f)]; }
    int hriPosition() const { return slot().hriPosition; }
    int hriFont() const { return slot().hriFont; }
    int hriContent() const { return int(slot().gs1Hri) - 1; }
    int expanded() const { return slot().gs1ApplyAi; }
    bool composite() const { return composite_; }
    bool hriFontEnabled() const { return slot().hriPosition != 0; }
    bool expandedEnabled() const { return expandedEnabled_; }
    bool compositeRowHeightEnabled() const { return composite_; }
    const std::u16string& data() const { return data_; }
    bool printEnabled() const { return !data_.empty(); }
    const std::u16string& sizeMm() const { return sizeMm_; }
    const std::u16string& sizePoints() const { return sizePoints_; }
    bool changed() const { return changed_; }

    BarcodeFont1DSlot& slot() { return s_.barcode1D[font_]; }
    const BarcodeFont1DSlot& slot() const { return s_.barcode1D[font_]; }

    static Group1D GroupOf(int type) {
        return type >= barcode::kFirstGs1Symbology ? Group1D::Gs1 : Group1D::General;
    }

  private:
    void LoadFields();
    void RefreshSize();
    void SetSampleData();
    void MarkChanged() { changed_ = true; }

    PrivateSettings& s_;
    int font_ = 0;
    std::array<std::u16string, kField1DCount> fields_;
    bool composite_ = false;
    bool expandedEnabled_ = false;
    std::u16string data_;
    std::u16string sizeMm_, sizePoints_;
    bool changed_ = false;
};

// Range captions beside the general group's fields (fixed, not translated).
inline constexpr std::u16string_view k1DElementWidthRange = u"[ 2. . 6 ]";
inline constexpr std::u16string_view k1DBarHeightRange = u"[ 1 . . 255 ]";

// Keys (section "1DCODE") of the entries of the three translated lists.
inline constexpr std::string_view k1DHriPositionKeys[] = {
    "RC_STATIC_1DCODE_POSITION1", "RC_STATIC_1DCODE_POSITION2", "RC_STATIC_1DCODE_POSITION3",
    "RC_STATIC_1DCODE_POSITION4"};
inline constexpr std::string_view k1DHriContentKeys[] = {"RC_CMB_HRI1", "RC_CMB_HRI2", "RC_CMB_HRI3",
                                                         "RC_CMB_HRI4"};
inline constexpr std::string_view k1DExpandedKeys[] = {"RC_CMB_AI1", "RC_CMB_AI2"};

}  // namespace k20::prnui
