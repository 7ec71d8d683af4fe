#pragma once
// Printer commands typed as hexadecimal text ("1D 56 42 00"), shared by the operation
// dialog and the control-font dialog. The parse rules are deliberately lenient and
// reproduce what stored settings were written with, odd cases included: "123" is
// 12 03, a lone digit before a space is one byte, and any non-hex character is 0.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace k20 {

// Digit value of one character: 0-9, A-F, a-f; anything else counts as 0.
uint8_t HexDigitValue(char32_t c);

// Text to bytes. Spaces separate; a character followed by a non-space forms a byte
// with it; a character at the end or before a space is a byte on its own.
std::vector<uint8_t> ParseHexCommand(std::u16string_view text);
std::vector<uint8_t> ParseHexCommand(std::string_view text);

// Bytes to text: two upper-case digits and one space per byte ("0A FF ").
std::u16string FormatHexCommand(std::span<const uint8_t> bytes);
std::string FormatHexCommandA(std::span<const uint8_t> bytes);

// Key filter of a hex edit field, deciding on each typed character.
enum class HexKeyAction {
    Pass,         // hand the character to the edit control
    Drop,         // swallow it
    NextControl,  // Tab: the field takes all keys, so it moves the focus itself
};
HexKeyAction FilterHexKey(char32_t ch, bool ctrlHeld);

}  // namespace k20
