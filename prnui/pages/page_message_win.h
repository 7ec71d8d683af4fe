#pragma once
// Shows a page model's message box in the current language.
#include <windows.h>

#include <string>

#include "platform/win32/wide_string_win.h"
#include "prnui/core/language.h"
#include "prnui/pages/page_message.h"

namespace k20::prnui {

inline int ShowPageMessage(HWND owner, const PageMessage& m) {
    const std::wstring text = Wide(Text(sec::MessageBox, m.key));
    const std::wstring caption = Wide(Text(sec::MessageBox, m.captionKey));
    UINT icon = m.icon == MessageIcon::Information ? MB_ICONINFORMATION
                : m.icon == MessageIcon::Warning   ? MB_ICONWARNING
                                                   : MB_ICONERROR;
    return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | icon);
}

}  // namespace k20::prnui
