#pragma once
// Copies between our strings and the wchar_t strings of the W functions. wchar_t is a
// UTF-16 unit on Windows, so char16_t text is copied unit for unit; UTF-8 goes through the
// one converter every platform uses, so a name reads the same on both sides of a file.
#include <string>
#include <string_view>

#include "common/text.h"

namespace k20 {

inline std::wstring Wide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
inline std::wstring Wide(std::string_view utf8) {
    return Wide(Utf8ToUtf16(utf8));
}

inline std::u16string FromWide(std::wstring_view w) {
    return std::u16string(w.begin(), w.end());
}

inline std::string Narrow(std::wstring_view w) {
    return Utf16ToUtf8(FromWide(w));
}
// Windows passes a null pointer for a name it does not have.
inline std::string Narrow(const wchar_t* w) {
    return w ? Narrow(std::wstring_view(w)) : std::string();
}

}  // namespace k20
