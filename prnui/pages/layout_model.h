#pragma once
// The Layout ("Main") page without windows: print-as-image, zoom and scale, the paper
// list tied to the driver's paper-size item, the language list, the driver log box and
// the viewer launch.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "prnui/core/private_settings.h"
#include "prnui/pages/page_message.h"

namespace k20::prnui {

inline constexpr int kMinScale = 10;
inline constexpr int kMaxScale = 100;
inline constexpr size_t kMaxPaperNameChars = 31;
inline constexpr size_t kMaxLogFolderChars = 255;

struct LanguageChoice {
    std::u16string name;        // shown in the list
    std::string file;           // language file name
    std::u16string systemText;  // text of the system-language entry that stands for it
};

// What the page is opened with besides the record.
struct LayoutInputs {
    std::vector<LanguageChoice> languages;
    std::u16string systemLanguageEntry;      // the list's last entry
    std::string currentLanguageFile;         // LANGUAGE_K20
    std::u16string firstRun;                 // IsFirstRun_K20 as stored ("TRUE" when it was missing)
    std::vector<std::u16string> paperNames;  // option texts of the driver's paper-size item
    int paperSelection = 0;                  // the item's current selection
};

// Registry values to store for the chosen language, in order.
struct LanguageWrite {
    std::string file;
    std::string_view firstRun;  // "TRUE" or "FALSE"; compared by content, not by address
    bool operator==(const LanguageWrite&) const = default;
};

class LayoutPageModel {
  public:
    LayoutPageModel(PrivateSettings& s, LayoutInputs in);

    // Control state.
    bool yesChecked() const { return yesChecked_; }
    bool radiosEnabled() const { return radiosEnabled_; }
    bool zoomChecked() const { return s_.zoomEnabled != 0; }
    bool scaleEnabled() const { return s_.zoomEnabled != 0; }
    int scaleSpin() const { return scaleSpin_; }
    bool rotateChecked() const { return s_.rotate180 != 0; }
    bool logChecked() const { return s_.logEnabled != 0; }
    bool logControlsEnabled() const { return s_.logEnabled != 0; }
    bool savePrn() const { return s_.logSavePrn != 0; }
    bool saveBmp() const { return s_.logSaveBmp != 0; }
    bool saveJpeg() const { return s_.logSaveJpeg != 0; }
    std::u16string logFolder() const { return s_.logFolder.get(); }
    const std::vector<std::u16string>& languageItems() const { return languageItems_; }
    int languageIndex() const { return languageIndex_; }  // -1 when none is selected
    const std::vector<std::u16string>& paperItems() const { return in_.paperNames; }
    int paperIndex() const { return paperIndex_; }
    bool changed() const { return changed_; }

    // Actions; a returned message is shown by the window.
    void ClickYes();
    void ClickNo();
    std::optional<PageMessage> SetZoom(bool on);
    std::optional<PageMessage> SetRotate(bool rotate180);
    // Returns the value to put into the spin when the typed value had to be changed.
    std::optional<int> TypeScale(std::u16string_view text);
    // Returns the list position to give the driver's paper-size item.
    int SelectPaper(int index);
    void SetLog(bool on);
    void SetSavePrn(bool on);
    void SetSaveBmp(bool on);
    void SetSaveJpeg(bool on);
    // A folder chosen in the folder browser; refused (nothing stored) when it does not fit.
    std::optional<PageMessage> ChooseLogFolder(std::u16string_view folder);
    void SelectLanguage(int index);

    // The page becomes active again (the Watermark page may have changed things).
    void SetActive(int driverPaperSelection);

    // Apply: stores rotation and paper; returns the language registry writes.
    std::vector<LanguageWrite> Apply();
    void MarkUnchanged() { changed_ = false; }

  private:
    void UpdateRadios();
    PrivateSettings& s_;
    LayoutInputs in_;
    std::vector<std::u16string> languageItems_;
    // -1: the current language is not one of the list's, and no entry is preselected.
    int languageIndex_ = -1;
    int paperIndex_ = 0;
    int scaleSpin_ = kMaxScale;
    bool yesChecked_ = false;
    bool radiosEnabled_ = true;
    bool changed_ = false;
};

// The viewer program and its parameters ("K-20" and the folder, each quoted by the
// Windows command-line rules).
struct ViewerLaunch {
    std::u16string program;
    std::u16string parameters;
};
ViewerLaunch MakeViewerLaunch(std::u16string_view systemDirectory, std::u16string_view logFolder);
// The message for a failed launch (none when the system lacks it anyway, as on 5.0).
std::optional<PageMessage> ViewerLaunchFailure(uint32_t error, uint32_t osMajor, uint32_t osMinor);

}  // namespace k20::prnui
