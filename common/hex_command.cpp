#include "common/hex_command.h"

namespace k20 {

uint8_t HexDigitValue(char32_t c) {
    if (c >= U'0' && c <= U'9') return uint8_t(c - U'0');
    if (c >= U'A' && c <= U'F') return uint8_t(c - U'A' + 10);
    if (c >= U'a' && c <= U'f') return uint8_t(c - U'a' + 10);
    return 0;
}

namespace {

template <class Char>
std::vector<uint8_t> Parse(std::basic_string_view<Char> text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 2 + 1);
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == Char(' ')) {
            ++i;
            continue;
        }
        const uint8_t hi = HexDigitValue(char32_t(text[i]));
        if (i + 1 == text.size() || text[i + 1] == Char(' ')) {
            out.push_back(hi);
            i += 1;
        } else {
            out.push_back(uint8_t(hi * 16 + HexDigitValue(char32_t(text[i + 1]))));
            i += 2;
        }
    }
    return out;
}

template <class Str>
Str Format(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Str out;
    out.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        out.push_back(typename Str::value_type(kDigits[b >> 4]));
        out.push_back(typename Str::value_type(kDigits[b & 15]));
        out.push_back(typename Str::value_type(' '));
    }
    return out;
}

}  // namespace

std::vector<uint8_t> ParseHexCommand(std::u16string_view text) {
    return Parse(text);
}
std::vector<uint8_t> ParseHexCommand(std::string_view text) {
    return Parse(text);
}

std::u16string FormatHexCommand(std::span<const uint8_t> bytes) {
    return Format<std::u16string>(bytes);
}
std::string FormatHexCommandA(std::span<const uint8_t> bytes) {
    return Format<std::string>(bytes);
}

HexKeyAction FilterHexKey(char32_t ch, bool ctrlHeld) {
    if (ch == U'\t') return HexKeyAction::NextControl;
    if (ch == U'\b' || ch == U'-' || ch == U'.') return HexKeyAction::Pass;
    static constexpr std::u32string_view kAllowed = U"0123456789abcdefABCDEF ";
    if (kAllowed.find(ch) != std::u32string_view::npos) return HexKeyAction::Pass;
    // Ctrl+C / Ctrl+V / Ctrl+X arrive as control characters and must reach the edit.
    if (ctrlHeld) return HexKeyAction::Pass;
    return HexKeyAction::Drop;
}

}  // namespace k20
