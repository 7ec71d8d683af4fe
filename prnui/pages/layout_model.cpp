#include "prnui/pages/layout_model.h"

#include <algorithm>

#include "common/command_line.h"
#include "platform/errors.h"
#include "prnui/pages/operation_model.h"

namespace k20::prnui {

namespace {
bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}
}  // namespace

LayoutPageModel::LayoutPageModel(PrivateSettings& s, LayoutInputs in) : s_(s), in_(std::move(in)) {
    for (const auto& l : in_.languages) languageItems_.push_back(l.name);
    languageItems_.push_back(in_.systemLanguageEntry);
    for (size_t i = 0; i < in_.languages.size(); ++i) {
        const auto& l = in_.languages[i];
        if (l.file != in_.currentLanguageFile) continue;
        if (in_.firstRun.find(u"TRUE") != std::u16string::npos) {
            for (size_t j = 0; j < languageItems_.size(); ++j) {
                if (StartsWith(languageItems_[j], l.systemText)) {
                    languageIndex_ = int(j);
                    break;
                }
            }
        } else {
            languageIndex_ = int(i);
        }
        break;
    }

    paperIndex_ = in_.paperSelection;
    const std::u16string name = s_.paperSizeName.get();
    if (!name.empty()) {
        auto it = std::find(in_.paperNames.begin(), in_.paperNames.end(), name);
        if (it != in_.paperNames.end()) paperIndex_ = int(it - in_.paperNames.begin());
    }

    scaleSpin_ = std::clamp<int>(s_.zoomScale, kMinScale, kMaxScale);
    yesChecked_ = s_.printAsImage != 0;
    UpdateRadios();
}

void LayoutPageModel::UpdateRadios() {
    radiosEnabled_ = s_.zoomEnabled == 0 && s_.rotate180 == 0 && s_.watermarkMode == 0;
}

void LayoutPageModel::ClickYes() {
    s_.printAsImage = 1;
    yesChecked_ = true;
    changed_ = true;
}

void LayoutPageModel::ClickNo() {
    s_.printAsImage = 0;
    yesChecked_ = false;
    changed_ = true;
}

std::optional<PageMessage> LayoutPageModel::SetZoom(bool on) {
    changed_ = true;
    std::optional<PageMessage> msg;
    if (on) {
        if (s_.printAsImage == 0) {
            msg = InfoMessage("MB_LAYOUT_INFORMATION1");
            s_.printAsImage = 1;
        }
        yesChecked_ = true;
        s_.zoomEnabled = 1;
        radiosEnabled_ = false;
    } else {
        s_.zoomEnabled = 0;
        UpdateRadios();
    }
    return msg;
}

std::optional<PageMessage> LayoutPageModel::SetRotate(bool rotate180) {
    changed_ = true;
    std::optional<PageMessage> msg;
    if (rotate180) {
        if (s_.printAsImage == 0) {
            msg = InfoMessage("MB_LAYOUT_INFORMATION1");
            s_.printAsImage = 1;
        }
        yesChecked_ = true;
        s_.rotate180 = 1;
        radiosEnabled_ = false;
    } else {
        s_.rotate180 = 0;
        UpdateRadios();
    }
    return msg;
}

std::optional<int> LayoutPageModel::TypeScale(std::u16string_view text) {
    changed_ = true;
    const int v = ParseFieldNumber(text);
    if (v > kMaxScale) {
        s_.zoomScale = kMaxScale;
        scaleSpin_ = kMaxScale;
        return kMaxScale;
    }
    if (v == 0) {
        s_.zoomScale = kMinScale;
        scaleSpin_ = kMinScale;
        return kMinScale;
    }
    s_.zoomScale = uint8_t(v);
    scaleSpin_ = v;
    return std::nullopt;
}

int LayoutPageModel::SelectPaper(int index) {
    if (index < 0 || index >= int(in_.paperNames.size())) return paperIndex_;
    paperIndex_ = index;
    // The name field holds 31 characters; the driver item keeps the exact choice.
    s_.paperSizeName.set(std::u16string_view(in_.paperNames[size_t(index)]).substr(0, kMaxPaperNameChars));
    changed_ = true;
    return index;
}

void LayoutPageModel::SetLog(bool on) {
    changed_ = true;
    s_.logEnabled = on ? 1 : 0;
    s_.logSavePrn = on ? 1 : 0;
    s_.logSaveBmp = 0;
    s_.logSaveJpeg = 0;
}

void LayoutPageModel::SetSavePrn(bool on) {
    s_.logSavePrn = on;
    changed_ = true;
}
void LayoutPageModel::SetSaveBmp(bool on) {
    s_.logSaveBmp = on;
    changed_ = true;
}
void LayoutPageModel::SetSaveJpeg(bool on) {
    s_.logSaveJpeg = on;
    changed_ = true;
}

std::optional<PageMessage> LayoutPageModel::ChooseLogFolder(std::u16string_view folder) {
    if (folder.empty()) return std::nullopt;
    if (folder.size() > kMaxLogFolderChars) return ErrorMessage(kMbPathTooLong);
    s_.logFolder.set(folder);
    changed_ = true;
    return std::nullopt;
}

void LayoutPageModel::SelectLanguage(int index) {
    if (index < 0 || index >= int(languageItems_.size())) return;
    languageIndex_ = index;
    changed_ = true;
}

void LayoutPageModel::SetActive(int driverPaperSelection) {
    UpdateRadios();
    // The Watermark page clears printAsImage when it switches the watermark off.
    yesChecked_ = radiosEnabled_ ? s_.printAsImage != 0 : true;
    if (driverPaperSelection >= 0 && driverPaperSelection < int(in_.paperNames.size()))
        paperIndex_ = driverPaperSelection;
}

std::vector<LanguageWrite> LayoutPageModel::Apply() {
    SelectPaper(paperIndex_);
    std::vector<LanguageWrite> writes;
    // Nothing selected (the current language is not in the list): nothing is written.
    if (languageIndex_ < 0 || languageIndex_ >= int(languageItems_.size())) return writes;
    const std::u16string& chosen = languageItems_[size_t(languageIndex_)];
    for (const auto& l : in_.languages)
        if (l.name == chosen) writes.push_back({l.file, "FALSE"});
    for (const auto& l : in_.languages)
        if (l.systemText == chosen) writes.push_back({l.file, "TRUE"});
    return writes;
}

ViewerLaunch MakeViewerLaunch(std::u16string_view systemDirectory, std::u16string_view logFolder) {
    ViewerLaunch v;
    v.program = std::u16string(systemDirectory.substr(0, 3)) + u"PellamorDriverlog\\logviewer.exe";
    // A root folder ("D:\\") quoted as it is would end in an escaped quote.
    v.parameters =
        QuoteCommandLineArgument(std::u16string_view(u"K-20")) + u" " + QuoteCommandLineArgument(logFolder);
    return v;
}

std::optional<PageMessage> ViewerLaunchFailure(uint32_t error, uint32_t osMajor, uint32_t osMinor) {
    if (error == platform::kErrFileNotFound && !(osMajor == 5 && osMinor == 0))
        return ErrorMessage("MB_LAYOUT_VIEWER");
    return std::nullopt;
}

}  // namespace k20::prnui
