// Code-page conversion on the build host, through the C library's iconv.
#include <iconv.h>

#include <cerrno>
#include <map>
#include <string>
#include <utility>

#include "common/text.h"

namespace k20 {

static const char* IconvName(unsigned cp) {
    switch (cp) {
        case 1252:
            return "CP1252";
        case 936:
            return "GBK";
        case 950:
            return "BIG5";
        case 65001:
            return "UTF-8";
        default:
            return nullptr;
    }
}

namespace {

// Opening a converter looks up and loads the character-set modules, which costs far
// more than converting a line; each thread keeps the few it uses open.
struct Converters {
    std::map<std::pair<std::string, std::string>, iconv_t> open;
    ~Converters() {
        for (auto& [names, cd] : open) iconv_close(cd);
    }
    iconv_t Get(const char* from, const char* to) {
        auto [it, added] = open.try_emplace({from, to}, iconv_t(-1));
        if (added) it->second = iconv_open(to, from);
        if (it->second != iconv_t(-1))
            iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // initial state
        return it->second;
    }
};

}  // namespace

static std::string Convert(const char* from, const char* to, std::string_view in, bool& ok) {
    ok = false;
    thread_local Converters converters;
    iconv_t cd = converters.Get(from, to);
    if (cd == iconv_t(-1)) return {};
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    ok = true;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) {
            if (errno == EILSEQ || errno == EINVAL) {
                // Skip a byte that the code page cannot decode, as the system's converter does.
                ++src;
                --srcLeft;
                continue;
            }
            ok = false;
            break;
        }
    }
    out.resize(out.size() - dstLeft);
    return out;
}

std::u16string CodePageToUtf16(std::string_view bytes, unsigned codePage) {
    const char* name = IconvName(codePage);
    if (name) {
        bool ok;
        std::string utf8 = Convert(name, "UTF-8", bytes, ok);
        if (ok) return Utf8ToUtf16(utf8);
    }
    std::u16string out;
    for (char c : bytes) out.push_back(char16_t(uint8_t(c)));
    return out;
}

std::string Utf16ToCodePage(std::u16string_view s, unsigned codePage) {
    const char* name = IconvName(codePage);
    std::string utf8 = Utf16ToUtf8(s);
    if (name) {
        bool ok;
        std::string out = Convert("UTF-8", (std::string(name) + "//TRANSLIT").c_str(), utf8, ok);
        if (ok) return out;
    }
    std::string out;
    for (char16_t c : s) out.push_back(c < 256 ? char(c) : '?');
    return out;
}

}  // namespace k20
