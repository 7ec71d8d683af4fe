#pragma once
// A message box a page model asks its window to show: the text and caption are
// `MessageBox` keys of the language file, looked up when shown.
#include <string_view>

namespace k20::prnui {

enum class MessageIcon { Information, Warning, Error };

struct PageMessage {
    std::string_view key;
    std::string_view captionKey;
    MessageIcon icon;
    bool operator==(const PageMessage&) const = default;
};

inline constexpr PageMessage InfoMessage(std::string_view key) {
    return {key, "MB_INFORMATION", MessageIcon::Information};
}
inline constexpr PageMessage ErrorMessage(std::string_view key) {
    return {key, "MB_ERROR", MessageIcon::Error};
}

// Ours: a chosen path that does not fit its settings field is refused rather than cut
// short, because a cut path names some other file or folder.
inline constexpr std::string_view kMbPathTooLong = "MB_PATH_TOO_LONG";

}  // namespace k20::prnui
