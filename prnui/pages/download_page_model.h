#pragma once
// The Download device page without its window: the logo list with per-logo halftone
// settings, the preview type, enable rules, the preview file, the logo and clear jobs,
// and the file (firmware) half. Messages come back as MessageBox keys.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bmp_file.h"
#include "platform/filesystem.h"
#include "platform/spooler.h"
#include "prnui/imaging/logo_image.h"
#include "prnui/imaging/logo_stream.h"
#include "prnui/imaging/working_images.h"
#include "prnui/pages/page_message.h"

namespace k20::prnui {

inline constexpr int kMaxLogoWidth = 1024;
inline constexpr int kMaxLogoHeight = 768;

enum class PreviewType { Original = 0, Mono = 1, Gray = 2 };

struct LogoRow {
    std::string path;     // full path of the source bitmap
    std::string title;    // file name without folder
    std::string working;  // its working image, in the page's own folder
    LogoSettings settings;
};

// The checks of "Add" on a file's bytes: null when the logo may be added, with the file's
// headers in header (the signature not yet checked).
std::optional<PageMessage> CheckLogoFile(platform::FileSystem& fs, const std::string& path,
                                         BmpHeader& header);

class DownloadPageModel {
  public:
    // tempDir: the user's temporary folder, under which the page keeps its working images.
    DownloadPageModel(platform::FileSystem& fs, std::string tempDir)
        : fs_(fs), images_(fs, std::move(tempDir)) {}

    // --- logo half ---
    const std::vector<LogoRow>& rows() const { return rows_; }
    int selected() const { return selected_; }
    PreviewType previewType() const { return type_; }

    bool previewTypeEnabled() const { return typeRadiosEnabled_; }
    bool halftoneEnabled() const { return halftoneEnabled_; }
    bool slidersEnabled() const { return slidersEnabled_; }
    bool downloadAllEnabled() const { return type_ != PreviewType::Original && !rows_.empty(); }
    int checkedHalftone() const { return checkedHalftone_; }
    int contrastPosition() const { return contrast_; }
    int brightnessPosition() const { return brightness_; }
    std::string previewFile() const { return preview_; }  // empty: clear the box

    // Add: null when nothing is to be shown (added, or quietly not added).
    std::optional<PageMessage> Add(const std::string& path);
    bool CanAdd() const { return rows_.size() < size_t(kMaxLogos); }
    void Delete();
    void ClickList(int row);  // a click on the list (row -1: outside any row)
    void SelectionChanged(int row);
    void SetPreviewType(PreviewType t);
    void SetHalftone(int method);
    // While dragging: both positions are stored.
    void SlidersMoved(int contrast, int brightness);
    // The mouse let go of a slider: true when the sheet should be told of a change.
    bool SliderReleased(bool contrastSlider, int position);
    void Refresh();

    // "Download all"; the message to show, if any.
    std::optional<PageMessage> DownloadAll(platform::Spooler& sp, platform::PrinterHandle h,
                                           DownloadResult* result = nullptr);
    platform::Error ClearAll(platform::Spooler& sp, platform::PrinterHandle h) {
        return ClearAllLogos(sp, h);
    }
    // Apply and Cancel: the working images the page made (and nothing else) are deleted.
    void DeleteWorkingImages();
    const WorkingImages& workingImages() const { return images_; }

    // --- file half ---
    const std::string& firmwarePath() const { return firmwarePath_; }
    bool firmwareDownloadEnabled() const { return !firmwarePath_.empty(); }
    void FirmwareChosen(const std::string& path) { firmwarePath_ = path; }
    std::optional<PageMessage> DownloadFirmwareFile(platform::Spooler& sp, platform::PrinterHandle h,
                                                    FirmwareResult* result = nullptr);

  private:
    bool ReadHeader(const std::string& path, int& bitCount);
    bool ConvertRow(const LogoRow& row, std::string& output);
    std::vector<LogoEntry> Entries() const;

    platform::FileSystem& fs_;
    WorkingImages images_;
    std::vector<LogoRow> rows_;
    int selected_ = -1;
    PreviewType type_ = PreviewType::Original;
    bool typeRadiosEnabled_ = false;
    bool halftoneEnabled_ = false;
    bool slidersEnabled_ = false;
    int checkedHalftone_ = kHalftoneNone;
    int contrast_ = 0, brightness_ = 0;
    std::string preview_;
    std::string firmwarePath_;
};

// The open-file dialog's filter for firmware and data files, by language file name.
struct FileFilterEntry {
    std::u16string text;
    std::u16string pattern;
};
std::vector<FileFilterEntry> FirmwareFilters(std::string_view languageFile);

// English texts of the page's messages and labels (section, key, text).
struct DownloadText {
    std::string_view section, key;
    std::u16string_view text;
};
std::u16string_view DownloadDefaultText(std::string_view key);

}  // namespace k20::prnui
