#include "prnui/pages/watermark_model.h"

#include <algorithm>

#include "common/text.h"
#include "prnui/pages/operation_model.h"

namespace k20::prnui {

namespace {
constexpr std::string_view kPositions[] = {"RC_STATIC_WATERMARK_POSITION1", "RC_STATIC_WATERMARK_POSITION2",
                                           "RC_STATIC_WATERMARK_POSITION3", "RC_STATIC_WATERMARK_POSITION4",
                                           "RC_STATIC_WATERMARK_POSITION5", "RC_STATIC_WATERMARK_POSITION6",
                                           "RC_STATIC_WATERMARK_POSITION7", "RC_STATIC_WATERMARK_POSITION8",
                                           "RC_STATIC_WATERMARK_POSITION9", "RC_STATIC_WATERMARK_POSITION10"};
constexpr std::string_view kStyles[] = {"RC_STATIC_WATERMARK_FONTSTYLE1", "RC_STATIC_WATERMARK_FONTSTYLE2",
                                        "RC_STATIC_WATERMARK_FONTSTYLE3", "RC_STATIC_WATERMARK_FONTSTYLE4"};

bool StartsWith(std::u16string_view s, std::u16string_view p) {
    return s.size() >= p.size() && s.substr(0, p.size()) == p;
}
}  // namespace

bool IsNetworkPath(std::u16string_view path) {
    auto sep = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (path.size() < 2 || !sep(path[0]) || !sep(path[1])) return false;
    // "\\?\X:\" and "\\.\X:\" name a local drive; every other form (UNC, "\\?\UNC\",
    // devices and pipes) is treated as leaving the machine.
    if (path.size() >= 7 && (path[2] == u'?' || path[2] == u'.') && sep(path[3]) && path[5] == u':' &&
        sep(path[6])) {
        const char16_t d = path[4] | 0x20;
        return !(d >= u'a' && d <= u'z');
    }
    return true;
}

std::span<const std::string_view> WatermarkPositionKeys() {
    return kPositions;
}
std::span<const std::string_view> WatermarkStyleKeys() {
    return kStyles;
}

WatermarkEnables EnablesFor(int mode) {
    switch (mode) {
        case kWatermarkImage:
            return {true, false, true};
        case kWatermarkText:
            return {false, true, true};
        default:
            return {false, false, false};
    }
}

WatermarkPageModel::WatermarkPageModel(PrivateSettings& s, std::vector<std::u16string> faces)
    : s_(s), faces_(std::move(faces)) {
    mode_ = (s_.watermarkMode == kWatermarkImage || s_.watermarkMode == kWatermarkText)
                ? int(s_.watermarkMode)
                : int(kWatermarkNone);
    path_ = s_.watermarkBitmapPath.get();
    const std::u16string stored = s_.watermarkText.get();
    if (stored.empty()) {
        text_ = std::u16string(kWatermarkPresets[0]);
        presetIndex_ = 0;
    } else {
        text_ = stored;
        presetIndex_ = -1;
    }
    const std::u16string face = s_.watermarkFontFace.get();
    faceIndex_ = 0;
    for (size_t i = 0; i < faces_.size(); ++i) {
        if (StartsWith(faces_[i], face)) {
            faceIndex_ = int(i);
            break;
        }
    }
    fontSize_ = s_.watermarkFontSize;
}

std::optional<PageMessage> WatermarkPageModel::ChooseMode(int mode) {
    changed_ = true;
    mode_ = mode;
    s_.watermarkMode = uint8_t(mode);
    if (mode == kWatermarkNone) {
        s_.printAsImage = 0;
        reloadDue_ = true;
        return std::nullopt;
    }
    reloadDue_ = true;
    if (s_.printAsImage == 0) {
        s_.printAsImage = 1;
        return InfoMessage("MB_WATERMARK_INFORMATION1");
    }
    return std::nullopt;
}

std::optional<PageMessage> WatermarkPageModel::CheckBrowsePath(std::u16string_view file) {
    if (file.size() > kWatermarkPathChars) return ErrorMessage(kMbPathTooLong);
    return std::nullopt;
}

std::optional<PageMessage> WatermarkPageModel::BrowseResult(std::u16string_view file, CopyResult copyResult) {
    if (auto m = CheckBrowsePath(file)) return m;
    switch (copyResult) {
        case CopyResult::Done:
            if (file.empty()) return ErrorMessage("MB_WATERMARK_ERROR6");
            path_ = std::u16string(file);
            if (IsNetworkPath(path_)) browsed_ = path_;
            s_.watermarkBitmapPath.set(path_);
            reloadDue_ = true;
            changed_ = true;
            return std::nullopt;
        case CopyResult::CannotCreate:
            return ErrorMessage("MB_WATERMARK_ERROR2");
        case CopyResult::TooBig:
            tooBigFor_ = std::u16string(file);
            return ErrorMessage("MB_WATERMARK_ERROR4");
        case CopyResult::Unsupported:
            break;
    }
    return ErrorMessage("MB_WATERMARK_ERROR5");
}

std::optional<PageMessage> WatermarkPageModel::TakeBrowsedFile(platform::FileSystem& fs,
                                                               std::u16string_view file,
                                                               const std::string& workingFile) {
    // A path cut to fit its field would name another file: refuse it before copying.
    if (auto m = CheckBrowsePath(file)) return m;
    const CopyResult copied =
        file.empty() ? CopyResult::Done : CopyAsTrueColor(fs, Utf16ToUtf8(file), workingFile);
    return BrowseResult(file, copied);
}

bool WatermarkPageModel::MayOpenBitmap() const {
    if (path_.empty()) return false;
    return !IsNetworkPath(path_) || path_ == browsed_;
}

std::optional<PageMessage> WatermarkPageModel::PreviewLoaded(PreviewLoad result,
                                                             OnceOnlyMessages& loadFailures) {
    switch (result) {
        case PreviewLoad::Loaded:
        case PreviewLoad::NotOpened:
            reloadDue_ = false;
            return std::nullopt;
        case PreviewLoad::TooBig:
            reloadDue_ = false;
            if (tooBigFor_ == path_) return std::nullopt;
            tooBigFor_ = path_;
            return ErrorMessage("MB_WATERMARK_ERROR4");
        case PreviewLoad::CannotCreate:
            return loadFailures.Filter(ErrorMessage("MB_WATERMARK_ERROR2"));
        case PreviewLoad::Unreadable:
            return loadFailures.Filter(ErrorMessage("MB_WATERMARK_ERROR1"));
    }
    return std::nullopt;
}

PreviewSource WatermarkPageModel::PreviewRefreshed() {
    if (mode_ == kWatermarkImage)
        return !path_.empty() && !reloadDue_ ? PreviewSource::Bitmap : PreviewSource::Nothing;
    if (mode_ == kWatermarkText) return PreviewSource::Text;
    if (mode_ == kWatermarkNone) reloadDue_ = true;
    return PreviewSource::Nothing;
}

PreviewLoad LoadWatermarkPreview(platform::FileSystem& fs, const WatermarkPageModel& model,
                                 const std::string& workingFile, KeptBitmap& kept) {
    kept = {};
    if (!model.MayOpenBitmap()) return PreviewLoad::NotOpened;
    const CopyResult copied = CopyAsTrueColor(fs, Utf16ToUtf8(model.path()), workingFile);
    if (copied == CopyResult::TooBig) return PreviewLoad::TooBig;
    if (copied == CopyResult::CannotCreate) return PreviewLoad::CannotCreate;
    if (copied != CopyResult::Done) return PreviewLoad::Unreadable;
    std::vector<uint8_t> bytes;
    if (fs.ReadFile(workingFile, bytes) != platform::kOk) return PreviewLoad::Unreadable;
    switch (ReadKeptBitmap(bytes, kept)) {
        case KeepResult::Kept:
            return PreviewLoad::Loaded;
        case KeepResult::TooBig:
            return PreviewLoad::TooBig;
        default:
            return PreviewLoad::Unreadable;
    }
}

void WatermarkPageModel::SelectPreset(int index) {
    if (index < 0 || index >= int(std::size(kWatermarkPresets))) return;
    presetIndex_ = index;
    text_ = std::u16string(kWatermarkPresets[size_t(index)]);
    s_.watermarkText.set(text_);
    changed_ = true;
}

void WatermarkPageModel::TypeText(std::u16string_view edit) {
    presetIndex_ = -1;
    text_ = std::u16string(edit.substr(0, kWatermarkTextEditChars));
    s_.watermarkText.set(std::u16string_view(text_).substr(0, kWatermarkTextChars));
    changed_ = true;
}

void WatermarkPageModel::SelectFace(int index) {
    if (index < 0 || index >= int(faces_.size())) return;
    faceIndex_ = index;
    // The field holds 49 characters and its terminator; TextField cuts there.
    s_.watermarkFontFace.set(faces_[size_t(index)]);
    changed_ = true;
}

void WatermarkPageModel::SelectStyle(int index) {
    if (index < 0 || index > 3) return;
    s_.watermarkFontStyle = uint8_t(index);
    changed_ = true;
}

std::optional<int> WatermarkPageModel::TypeFontSize(std::u16string_view text) {
    changed_ = true;
    fontSize_ = ParseFieldNumber(text);
    std::optional<int> put;
    if (fontSize_ > kMaxFontSize) {
        fontSize_ = kMaxFontSize;
        put = fontSize_;
    }
    s_.watermarkFontSize = uint8_t(fontSize_);
    return put;
}

std::optional<int> WatermarkPageModel::LeaveFontSize() {
    if (fontSize_ >= kMinFontSize) return std::nullopt;
    fontSize_ = kMinFontSize;
    s_.watermarkFontSize = uint8_t(fontSize_);
    changed_ = true;
    return fontSize_;
}

std::optional<int> WatermarkPageModel::SelectPosition(int index) {
    if (index < 0 || index > kTiledPosition) return std::nullopt;
    s_.watermarkPosition = uint8_t(index);
    changed_ = true;
    if (index == kTiledPosition && s_.watermarkSize < kMinTiledSize) {
        s_.watermarkSize = kMinTiledSize;
        return kMinTiledSize;
    }
    return std::nullopt;
}

void WatermarkPageModel::MoveSliders(int angle, int size, int brightness) {
    s_.watermarkAngle = uint32_t(std::clamp(angle, 0, 360));
    size = std::clamp(size, 0, 100);
    if (s_.watermarkPosition == kTiledPosition) size = std::max(size, kMinTiledSize);
    s_.watermarkSize = uint8_t(size);
    s_.watermarkBrightness = uint8_t(std::clamp(brightness, 0, 255));
    changed_ = true;
}

bool WatermarkPageModel::Apply() {
    s_.watermarkMode = uint8_t(mode_);
    if (mode_ == kWatermarkImage || mode_ == kWatermarkText) s_.printAsImage = 1;
    s_.watermarkFontSize = uint8_t(std::clamp(fontSize_, 0, kMaxFontSize));
    if (mode_ == kWatermarkImage) s_.watermarkBitmapPath.set(path_);
    if (mode_ == kWatermarkText) {
        if (faceIndex_ >= 0 && faceIndex_ < int(faces_.size()))
            s_.watermarkFontFace.set(faces_[size_t(faceIndex_)]);
        s_.watermarkText.set(std::u16string_view(text_).substr(0, kWatermarkTextChars));
        return true;
    }
    return false;
}

std::optional<PageMessage> WatermarkPageModel::RenderedTextWritten(bool written) {
    if (!written) return ErrorMessage("MB_WATERMARK_ERROR2");
    changed_ = false;
    return std::nullopt;
}

}  // namespace k20::prnui
