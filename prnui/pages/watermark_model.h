#pragma once
// The Water Mark page without windows: modes and their enabling, the text and font
// choices, size and slider rules, the bitmap chosen with Browse and what Apply stores.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "prnui/core/private_settings.h"
#include "prnui/pages/page_message.h"
#include "prnui/pages/watermark_bitmap.h"

namespace k20::prnui {

enum WatermarkMode : int { kWatermarkNone = 0, kWatermarkImage = 1, kWatermarkText = 2 };

inline constexpr std::u16string_view kWatermarkPresets[] = {
    u"CONFIDENTIAL", u"DO NOT COPY", u"TOP SECRET", u"DRAFT", u"PROOF", u"FINAL", u"COPY", u"FILE COPY"};
inline constexpr size_t kWatermarkTextEditChars = 16;
inline constexpr size_t kWatermarkTextChars = 15;
inline constexpr size_t kWatermarkFaceChars = 49;   // 50 units with the terminator
inline constexpr size_t kWatermarkPathChars = 124;  // 125 units with the terminator
inline constexpr int kMinFontSize = 8;
inline constexpr int kMaxFontSize = 72;

std::span<const std::string_view> WatermarkPositionKeys();  // 10, WATERMARK section
std::span<const std::string_view> WatermarkStyleKeys();     // 4

struct WatermarkEnables {
    bool bitmap;     // path edit and "Browse..."
    bool text;       // text, font, style, size, spin and angle
    bool placement;  // position, size and brightness
    bool operator==(const WatermarkEnables&) const = default;
};
WatermarkEnables EnablesFor(int mode);

// A path that reaches another machine or a device rather than a local file:
// "\\server\share\x.bmp", "//server/share/x.bmp", "\\?\UNC\server\...", "\\.\pipe\...".
// Opening one connects with the user's credentials to whatever server the document
// settings name. "\\?\C:\..." and "\\.\C:\..." are local.
bool IsNetworkPath(std::u16string_view path);

// How loading the preview's bitmap ended.
enum class PreviewLoad { Loaded, NotOpened, TooBig, CannotCreate, Unreadable };
// What the preview draws.
enum class PreviewSource { Nothing, Bitmap, Text };

// The load-failure messages of the preview are shown at most once per loaded plug-in.
class OnceOnlyMessages {
  public:
    std::optional<PageMessage> Filter(std::optional<PageMessage> m) {
        if (!m || shown_) return std::nullopt;
        shown_ = true;
        return m;
    }

  private:
    bool shown_ = false;
};

class WatermarkPageModel {
  public:
    // `faces`: the TrueType faces in the system's enumeration order.
    WatermarkPageModel(PrivateSettings& s, std::vector<std::u16string> faces);

    int mode() const { return mode_; }
    WatermarkEnables enables() const { return EnablesFor(mode_); }
    const std::u16string& path() const { return path_; }
    const std::u16string& text() const { return text_; }
    int presetIndex() const { return presetIndex_; }  // -1 when the edit holds other text
    const std::vector<std::u16string>& faces() const { return faces_; }
    int faceIndex() const { return faceIndex_; }
    int style() const { return s_.watermarkFontStyle; }
    int fontSize() const { return fontSize_; }
    int angle() const { return int(s_.watermarkAngle); }
    int size() const { return s_.watermarkSize; }
    int brightness() const { return s_.watermarkBrightness; }
    int position() const { return s_.watermarkPosition; }
    bool reloadDue() const { return reloadDue_; }
    void BitmapReloaded() { reloadDue_ = false; }
    bool changed() const { return changed_; }
    void MarkUnchanged() { changed_ = false; }

    // Clicking the mode that is both shown and stored changes nothing and tells nothing.
    bool IsCurrentMode(int mode) const { return mode == mode_ && s_.watermarkMode == mode; }
    std::optional<PageMessage> ChooseMode(int mode);
    // A file chosen with Browse and the result of copying it to the working file.
    std::optional<PageMessage> BrowseResult(std::u16string_view file, CopyResult copyResult);
    // Browse's file is checked before it is copied: a path that does not fit is refused.
    static std::optional<PageMessage> CheckBrowsePath(std::u16string_view file);
    // The file chosen with Browse: checked, copied into the working file (an empty name is
    // not copied) and taken. Returns the message to show; none when the file was taken.
    std::optional<PageMessage> TakeBrowsedFile(platform::FileSystem& fs, std::u16string_view file,
                                               const std::string& workingFile);

    // The stored bitmap may be opened: a local path always, a network path only when the
    // user chose it with Browse while this page was open. The document settings come from
    // the printing application, which may have put any path there.
    bool MayOpenBitmap() const;
    // The preview's load ended: what to show. "Too big" is told once per chosen file, and
    // neither it nor a path that may not be opened is tried again until the user chooses
    // anew; the other failures are retried and told once per loaded plug-in.
    std::optional<PageMessage> PreviewLoaded(PreviewLoad result, OnceOnlyMessages& loadFailures);
    // A refresh of the preview loads the chosen bitmap first when this is true.
    bool PreviewLoadDue() const { return mode_ == kWatermarkImage && !path_.empty() && reloadDue_; }
    // What the preview draws once the load it asked for has ended. With no watermark the
    // bitmap is loaded afresh when one is chosen again.
    PreviewSource PreviewRefreshed();

    void SelectPreset(int index);
    void TypeText(std::u16string_view edit);
    void SelectFace(int index);
    void SelectStyle(int index);
    // Returns the value to put back into the edit and spin when it had to change.
    std::optional<int> TypeFontSize(std::u16string_view text);
    std::optional<int> LeaveFontSize();
    // Returns the size slider's value when Tiled raised it.
    std::optional<int> SelectPosition(int index);
    // All three sliders read at once; the size is raised to 20 for Tiled.
    void MoveSliders(int angle, int size, int brightness);
    void Cancel() { reloadDue_ = true; }

    // Apply: true when the text must be rendered into the working file.
    bool Apply();
    // The text as the record keeps it: the edit may hold one character more.
    std::u16string keptText() const { return text_.substr(0, kWatermarkTextChars); }
    // Whether Apply's rendered text reached the working file. The rendering side reads the
    // text watermark from there: a page that reported success without it would print no
    // watermark. Returns the message that refuses the Apply.
    std::optional<PageMessage> RenderedTextWritten(bool written);

  private:
    PrivateSettings& s_;
    std::vector<std::u16string> faces_;
    int mode_ = 0;
    std::u16string path_;
    std::u16string text_;
    int presetIndex_ = 0;
    int faceIndex_ = 0;
    int fontSize_ = 0;
    bool reloadDue_ = true;
    bool changed_ = false;
    std::u16string browsed_;    // the network path chosen with Browse, if any
    std::u16string tooBigFor_;  // the file "too big" was told for
};

// Loads the stored bitmap for the preview: not at all when the model may not open it, the
// size checked before a byte is read, copied into the working file and kept from there.
PreviewLoad LoadWatermarkPreview(platform::FileSystem& fs, const WatermarkPageModel& model,
                                 const std::string& workingFile, KeptBitmap& kept);

}  // namespace k20::prnui
