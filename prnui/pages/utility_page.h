#pragma once
// The Utility device page without its window: the self-test job and the user-defined
// paper sizes, which live only as spooler forms named "Custom Paper-...". The dialog
// procedure copies between its controls and this model and shows what it is told.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler.h"

namespace k20::prnui {

inline constexpr std::u16string_view kFormPrefix = u"Custom Paper-";
inline constexpr size_t kFormPrefixChars = 13;
inline constexpr std::u16string_view kDefaultFormName = u"Custom Paper-K20";
inline constexpr int32_t kDefaultFormWidth = 80000;  // thousandths of a millimetre
inline constexpr int32_t kDefaultFormHeight = 297000;

// Edit limits and accepted ranges; the edits take tenths of a millimetre.
inline constexpr int kFormNameMaxChars = 18;
inline constexpr int kFormWidthMaxDigits = 3;
inline constexpr int kFormHeightMaxDigits = 5;
inline constexpr int kFormWidthMin = 410;
inline constexpr int kFormWidthMax = 800;
inline constexpr int kFormHeightMin = 254;
inline constexpr int kFormHeightMax = 32760;
inline constexpr std::u16string_view kFormWidthRangeText = u"[ 410 - 800 (0.1mm) ]";
inline constexpr std::u16string_view kFormHeightRangeText = u"[ 254 - 32760 (0.1mm) ]";
// The name edit is read through a 255-character buffer.
inline constexpr size_t kFormNameReadChars = 254;

inline constexpr std::string_view kMsgUtilitySaveFailed = "MB_UTILITY_ERROR1";

// The self-test job: opening bytes, "print the test page", closing bytes, one write each.
std::vector<std::vector<uint8_t>> SelfTestWrites();
std::vector<uint8_t> SelfTestBytes();
inline constexpr std::string_view kSelfTestDocName = "SELFTEST";
// One raw job on the printer handle; the first failing call ends it.
platform::Error PrintSelfTest(platform::Spooler& spooler, platform::PrinterHandle printer);

// An edit read as a signed integer the way the dialog manager reads it: blanks around an
// optional sign and digits; anything else, or a value out of 32-bit range, reads as 0.
int32_t ReadSignedEdit(std::u16string_view text);

// The value limited to lo..hi comparing as unsigned, so that a negative entry lands on
// hi and an empty one (read as 0) on lo. clamped tells whether the value changed.
int32_t ClampAsUnsigned(int32_t value, int32_t lo, int32_t hi, bool& clamped);

class UtilityPageModel {
  public:
    UtilityPageModel(platform::Spooler& spooler, platform::PrinterHandle printer)
        : spooler_(spooler), printer_(printer) {}

    // Creates the default form when missing and fills the list. False when the set-up
    // stopped (enumeration or the default form's creation failed); the page stays empty.
    bool Open();

    platform::Error SelfTest() { return PrintSelfTest(spooler_, printer_); }

    // Saves the edits as a form. Returns the message key to show, empty when none. The
    // width and height edits show the limited values afterwards.
    std::string_view Save();
    // Deletes the selected form when that is allowed and moves the selection.
    void Delete();
    // A list selection: shows the entry's name and size.
    void Select(int index);

    void SetNameEdit(std::u16string text) { name_ = std::move(text); }
    void SetWidthEdit(std::u16string text) { width_ = std::move(text); }
    void SetHeightEdit(std::u16string text) { height_ = std::move(text); }

    const std::vector<std::u16string>& List() const { return list_; }
    int Selected() const { return selected_; }
    const std::u16string& NameEdit() const { return name_; }
    const std::u16string& WidthEdit() const { return width_; }
    const std::u16string& HeightEdit() const { return height_; }
    bool DeleteEnabled() const { return deleteEnabled_; }

  private:
    bool Enumerate(std::vector<platform::FormInfo1>& forms);
    void ShowSize(const platform::FormInfo1& form);
    void UpdateDeleteButton();

    platform::Spooler& spooler_;
    platform::PrinterHandle printer_;
    std::vector<std::u16string> list_;
    int selected_ = -1;
    std::u16string name_, width_, height_;
    bool deleteEnabled_ = false;
};

// True for the names the page lists besides the default form.
bool IsUserPaperForm(std::u16string_view formName);
// The part of a listed name after the 13-character prefix (empty when shorter).
std::u16string EnteredFormName(std::u16string_view formName);

}  // namespace k20::prnui
