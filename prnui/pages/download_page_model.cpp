#include "prnui/pages/download_page_model.h"

#include "common/bmp_file.h"
#include "common/byte_reader.h"
#include "platform/bounded_read.h"

namespace k20::prnui {

using platform::kOk;

std::optional<PageMessage> CheckLogoFile(platform::FileSystem& fs, const std::string& path,
                                         BmpHeader& header) {
    std::vector<uint8_t> data;
    // No logo the page takes comes near the limit: a larger file is an image too big.
    const platform::Error e = platform::ReadBoundedFile(fs, path, platform::FileKind::Logo, data);
    if (e == platform::kErrFileTooLarge) return ErrorMessage("MB_DOWNLOAD_ERROR3");
    if (e != kOk) return ErrorMessage("MB_DOWNLOAD_ERROR1");
    // Shorter than the headers and a 1-bit palette, the smallest logo there is.
    ByteReader r(data);
    if (data.size() < kMonoPixelOffset || !ReadBmpHeader(r, header))
        return ErrorMessage("MB_DOWNLOAD_ERROR2");
    if (header.width > kMaxLogoWidth || header.height > kMaxLogoHeight)
        return ErrorMessage("MB_DOWNLOAD_ERROR3");
    return std::nullopt;
}

bool DownloadPageModel::ReadHeader(const std::string& path, int& bitCount) {
    std::vector<uint8_t> data;
    if (platform::ReadBoundedFile(fs_, path, platform::FileKind::Logo, data) != kOk) return false;
    ByteReader r(data);
    BmpHeader h;
    if (!ReadBmpHeader(r, h) || h.signature != kBmpSignature) return false;
    bitCount = h.bitCount;
    return true;
}

std::optional<PageMessage> DownloadPageModel::Add(const std::string& path) {
    if (!CanAdd()) return InfoMessage("MB_DOWNLOAD_ERROR4");
    BmpHeader header;
    if (auto m = CheckLogoFile(fs_, path, header)) return m;
    const bool bm = header.signature == kBmpSignature;
    const int bits = header.bitCount;
    if (type_ == PreviewType::Mono && !bm) return std::nullopt;
    GrayVariant v;
    if (type_ == PreviewType::Gray && (!bm || !GrayVariantFor(bits, v))) return std::nullopt;
    const std::string working = images_.NewPath();
    std::string out;
    switch (type_) {
        case PreviewType::Mono:
            if (bits == 24 || bits == 8) ConvertToMono(fs_, path, working, out, kHalftoneDitherM3, 0, 0);
            break;
        case PreviewType::Gray:
            ConvertToGray(fs_, path, working, out, v, 0, 0);
            break;
        case PreviewType::Original:
            if (bm && (bits == 24 || bits == 8)) ConvertToMono(fs_, path, working, out, kHalftoneNone, 0, 0);
            break;
    }
    LogoRow row;
    row.path = path;
    row.working = working;
    row.title = platform::FileNameOf(path);
    row.settings.halftone = type_ == PreviewType::Mono ? kHalftoneDitherM3 : kHalftoneNone;
    rows_.push_back(row);
    typeRadiosEnabled_ = !rows_.empty() && selected_ >= 0;
    return std::nullopt;
}

void DownloadPageModel::Delete() {
    if (selected_ < 0 || selected_ >= int(rows_.size())) return;
    images_.Delete(rows_[size_t(selected_)].working);
    // IDs are list positions, so the rows after it renumber and keep their settings.
    rows_.erase(rows_.begin() + selected_);
    selected_ = -1;
    typeRadiosEnabled_ = false;
    preview_.clear();
}

void DownloadPageModel::Refresh() {
    preview_.clear();
    if (selected_ < 0 || selected_ >= int(rows_.size())) return;
    const LogoRow& row = rows_[size_t(selected_)];
    if (type_ == PreviewType::Original) {
        halftoneEnabled_ = slidersEnabled_ = false;
        preview_ = row.path;
        return;
    }
    int bits = 0;
    if (!ReadHeader(row.path, bits)) return;
    std::string out;
    if (type_ == PreviewType::Mono) {
        if (bits == 24 || bits == 8) {
            halftoneEnabled_ = slidersEnabled_ = true;
            ConvertToMono(fs_, row.path, row.working, out, row.settings.halftone, row.settings.contrast,
                          row.settings.brightness);
            preview_ = out;
        } else {
            halftoneEnabled_ = slidersEnabled_ = false;
            preview_ = row.path;
        }
        return;
    }
    GrayVariant v;
    if (!GrayVariantFor(bits, v)) return;
    halftoneEnabled_ = false;
    slidersEnabled_ = true;
    ConvertToGray(fs_, row.path, row.working, out, v, row.settings.contrast, row.settings.brightness);
    preview_ = out;
}

void DownloadPageModel::ClickList(int row) {
    selected_ = row >= 0 && row < int(rows_.size()) ? row : -1;
    Refresh();
    if (!rows_.empty() && selected_ >= 0) {
        typeRadiosEnabled_ = true;
        const LogoSettings& s = rows_[size_t(selected_)].settings;
        contrast_ = s.contrast;
        brightness_ = s.brightness;
        checkedHalftone_ = s.halftone;
    } else {
        typeRadiosEnabled_ = false;
    }
}

void DownloadPageModel::SelectionChanged(int row) {
    selected_ = row >= 0 && row < int(rows_.size()) ? row : -1;
    Refresh();
}

void DownloadPageModel::SetPreviewType(PreviewType t) {
    const bool haveSelection = !rows_.empty() && selected_ >= 0;
    if (t == PreviewType::Original) {
        type_ = t;
        if (haveSelection) {
            for (auto& r : rows_) r.settings = LogoSettings{};
            contrast_ = brightness_ = 0;
            checkedHalftone_ = kHalftoneNone;
        }
        Refresh();
        return;
    }
    DeleteWorkingImages();
    type_ = t;
    if (haveSelection) {
        for (auto& r : rows_) {
            int bits = 0;
            if (!ReadHeader(r.path, bits)) break;  // the rest keep their settings, as the page always did
            std::string out;
            if (t == PreviewType::Mono) {
                if (bits == 24 || bits == 8)
                    ConvertToMono(fs_, r.path, r.working, out, kHalftoneDitherM3, 0, 0);
                r.settings = LogoSettings{kHalftoneDitherM3, 0, 0};
            } else {
                GrayVariant v;
                if (!GrayVariantFor(bits, v)) break;
                ConvertToGray(fs_, r.path, r.working, out, v, 0, 0);
                r.settings = LogoSettings{};
            }
            contrast_ = brightness_ = 0;
        }
        checkedHalftone_ = t == PreviewType::Mono ? kHalftoneDitherM3 : kHalftoneNone;
    }
    Refresh();
}

void DownloadPageModel::SetHalftone(int method) {
    if (method < kHalftoneNone || method > kHalftoneErrorDiffuse) return;
    checkedHalftone_ = method;
    if (selected_ >= 0 && selected_ < int(rows_.size())) rows_[size_t(selected_)].settings.halftone = method;
    Refresh();
}

static int ClampSlider(int v) {
    return v < -100 ? -100 : v > 100 ? 100 : v;
}

void DownloadPageModel::SlidersMoved(int contrast, int brightness) {
    if (selected_ < 0 || selected_ >= int(rows_.size())) return;
    contrast_ = ClampSlider(contrast);
    brightness_ = ClampSlider(brightness);
    rows_[size_t(selected_)].settings.contrast = contrast_;
    rows_[size_t(selected_)].settings.brightness = brightness_;
    Refresh();
}

bool DownloadPageModel::SliderReleased(bool contrastSlider, int position) {
    (contrastSlider ? contrast_ : brightness_) = ClampSlider(position);
    if (selected_ >= 0 && selected_ < int(rows_.size())) {
        auto& s = rows_[size_t(selected_)].settings;
        (contrastSlider ? s.contrast : s.brightness) = ClampSlider(position);
    }
    Refresh();
    return true;
}

bool DownloadPageModel::ConvertRow(const LogoRow& row, std::string& output) {
    int bits = 0;
    if (!ReadHeader(row.path, bits)) return false;
    const LogoSettings& s = row.settings;
    if (type_ == PreviewType::Mono) {
        if (bits != 24 && bits != 8) return true;  // 1-bit sources go as they are
        return ConvertToMono(fs_, row.path, row.working, output, s.halftone, s.contrast, s.brightness) ==
               ConvertResult::Ok;
    }
    GrayVariant v;
    return GrayVariantFor(bits, v) && ConvertToGray(fs_, row.path, row.working, output, v, s.contrast,
                                                    s.brightness) == ConvertResult::Ok;
}

std::vector<LogoEntry> DownloadPageModel::Entries() const {
    std::vector<LogoEntry> e;
    for (const auto& r : rows_) e.push_back({r.path, r.working});
    return e;
}

std::optional<PageMessage> DownloadPageModel::DownloadAll(platform::Spooler& sp, platform::PrinterHandle h,
                                                          DownloadResult* result) {
    DownloadResult r = DownloadResult::NoLogos;
    if (!rows_.empty()) {
        // Each working image is made afresh from the logo's own settings, so what is sent is
        // what those settings give even where a radio deleted the images without a selection.
        for (const auto& row : rows_) {
            std::string out;
            ConvertRow(row, out);
        }
        r = DownloadAllLogos(fs_, sp, h, type_ == PreviewType::Gray ? LogoType::Gray : LogoType::Mono,
                             Entries());
    }
    if (result) *result = r;
    const char* key = DownloadMessageKey(r);
    if (*key) return ErrorMessage(key);
    return std::nullopt;
}

void DownloadPageModel::DeleteWorkingImages() {
    images_.DeleteAll();
}

std::optional<PageMessage> DownloadPageModel::DownloadFirmwareFile(platform::Spooler& sp,
                                                                   platform::PrinterHandle h,
                                                                   FirmwareResult* result) {
    const FirmwareResult r = DownloadFirmware(fs_, sp, h, firmwarePath_);
    if (result) *result = r;
    const char* key = FirmwareMessageKey(r);
    if (*key) return ErrorMessage(key);
    return std::nullopt;
}

std::vector<FileFilterEntry> FirmwareFilters(std::string_view languageFile) {
    if (languageFile == "CHN_K20.res")
        return {{u"*.JK(监控程序文件)", u"*.JK"},
                {u"*.DAT(监控程序文件)", u"*.DAT"},
                {u"*.FNT(字库文件)", u"*.FNT"},
                {u"*.ZK(字库文件)", u"*.ZK"},
                {u"*.EEP(EEPROM文件)", u"*.EEP"}};
    if (languageFile == "CHF_K20.res")
        return {{u"*.JK(監控程式文件)", u"*.JK"},
                {u"*.DAT(監控程式文件)", u"*.DAT"},
                {u"*.FNT(字庫文件)", u"*.FNT"},
                {u"*.ZK(字庫文件)", u"*.ZK"},
                {u"*.EEP(EEPROM文件)", u"*.EEP"}};
    return {{u"*.JK(Firmware)", u"*.JK"},
            {u"*.DAT(Data)", u"*.DAT"},
            {u"*.FNT(Font)", u"*.FNT"},
            {u"*.ZK(Font)", u"*.ZK"},
            {u"*.EEP(EEPROM)", u"*.EEP"}};
}

std::u16string_view DownloadDefaultText(std::string_view key) {
    static constexpr DownloadText kTexts[] = {
        {"MessageBox", "MB_DOWNLOAD_ERROR1", u"Fail to open the selected file!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR2", u"Failed to get data from the file!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR3",
         u"The image is too big to be selected.\nthe width must be less than 1024 Byte,and the height must "
         u"be less "
         u"than 768 Byte!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR4",
         u"The total counts of the logos is 9,\nplease delete some logos before selecting another logo!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR5", u"Please select logos first!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR6", u"Failed to get the size of logo!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR7", u"The total sizes of all the logos is greater 96K!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR8", u"Failed to get the size of the selected file!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR9", u"Failed to Alloc the required memory!"},
        {"MessageBox", "MB_DOWNLOAD_ERROR10", u"Failed to set the file point to the head of the file!"},
        {"MessageBox", "MB_INFORMATION", u"Information"},
        {"MessageBox", "MB_ERROR", u"Error"},
    };
    for (const auto& t : kTexts)
        if (t.key == key) return t.text;
    return {};
}

}  // namespace k20::prnui
