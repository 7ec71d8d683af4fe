// Code-page conversion on Windows, through the system's own tables.
#include <windows.h>

#include "common/text.h"

namespace k20 {

std::u16string CodePageToUtf16(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0) {
        std::u16string out;
        for (char c : bytes) out.push_back(char16_t(uint8_t(c)));
        return out;
    }
    std::u16string out(size_t(n), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(out.data()),
                        n);
    return out;
}

std::string Utf16ToCodePage(std::u16string_view s, unsigned codePage) {
    if (s.empty()) return {};
    auto w = reinterpret_cast<const wchar_t*>(s.data());
    int n = WideCharToMultiByte(codePage, 0, w, int(s.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, w, int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace k20
