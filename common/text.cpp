#include "common/text.h"

namespace k20 {

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t c = uint8_t(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        // Well-formed sequences only: the second byte's range excludes overlong forms
        // (E0 80..9F, F0 80..8F), the UTF-16 surrogates (ED A0..BF) and code points above
        // U+10FFFF (F4 90..BF); C0, C1 and F5..FF never start one.
        size_t n;
        uint32_t cp;
        uint8_t lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            cp = c & 0x0F;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            cp = c & 0x07;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k < n && i + k < s.size(); ++k) {
            const uint8_t cc = uint8_t(s[i + k]);
            if (cc < lo || cc > hi) break;
            lo = 0x80;
            hi = 0xBF;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (k < n) {
            // One replacement for the longest start of a sequence; the byte that broke it
            // is read again on its own.
            out.push_back(0xFFFD);
            i += k;
            continue;
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string DecodeTextFile(const std::vector<uint8_t>& b, unsigned codePage) {
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        std::u16string out;
        out.reserve((b.size() - 2) / 2);
        for (size_t i = 2; i + 1 < b.size(); i += 2) out.push_back(char16_t(b[i] | (b[i + 1] << 8)));
        return out;
    }
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(b.data()) + 3, b.size() - 3));
    return CodePageToUtf16(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()), codePage);
}

std::vector<uint8_t> EncodeUtf16LeWithBom(std::u16string_view s) {
    std::vector<uint8_t> out{0xFF, 0xFE};
    out.reserve(2 + 2 * s.size());
    for (char16_t c : s) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

static char16_t UpperUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') return char16_t(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
    return c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperUnit(a[i]) != UpperUnit(b[i])) return false;
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::u16string ToUpper(std::u16string_view s) {
    std::u16string r(s);
    for (auto& c : r) c = UpperUnit(c);
    return r;
}

std::string ToUpper(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return r;
}

}  // namespace k20
