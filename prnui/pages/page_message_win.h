#pragma once
// Shows a page model's message box in the current language.
#include <windows.h>

#include <string>

#include "prnui/core/language.h"
#include "prnui/pages/page_message.h"

namespace k20::prnui {

inline std::wstring Wide(const std::u16string& s) {
    return std::wstring(s.begin(), s.end());
}
inline std::u16string FromWide(const std::wstring& s) {
    return std::u16string(s.begin(), s.end());
}

inline std::u16string WindowText16(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring s(size_t(n) + 1, L'\0');
    GetWindowTextW(w, s.data(), n + 1);
    s.resize(wcslen(s.c_str()));
    return FromWide(s);
}

inline int ShowPageMessage(HWND owner, const PageMessage& m) {
    const std::wstring text = Wide(Text(sec::MessageBox, m.key));
    const std::wstring caption = Wide(Text(sec::MessageBox, m.captionKey));
    UINT icon = m.icon == MessageIcon::Information ? MB_ICONINFORMATION
                : m.icon == MessageIcon::Warning   ? MB_ICONWARNING
                                                   : MB_ICONERROR;
    return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | icon);
}

}  // namespace k20::prnui
