// The control-font table written through the system's profile functions, which the
// driver's rendering side reads it with.
#include <windows.h>

#include "platform/win32/wide_string_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/pages/control_font_dialog_win.h"

namespace k20::prnui {

platform::Error Win32ProfileWriter::WriteString(const std::string& path, std::u16string_view section,
                                                std::u16string_view key, std::u16string_view value) {
    const std::wstring file = Wide(path);
    const std::wstring s = Wide(section), k = Wide(key), v = Wide(value);
    return WritePrivateProfileStringW(s.c_str(), k.c_str(), v.c_str(), file.c_str()) ? platform::kOk
                                                                                     : GetLastError();
}

platform::Error Win32ProfileWriter::Flush(const std::string& path) {
    // All three names null asks the profile functions to write their cache for the file.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, Wide(path).c_str());
    return platform::kOk;
}

std::string ControlFontTablePathHere() {
    return ControlFontTablePath(platform::win32::Win32SystemInfo().WindowsDirectory());
}

}  // namespace k20::prnui
