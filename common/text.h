#pragma once
// Text conversions. The portable core keeps strings as UTF-8 (std::string);
// UTF-16 (std::u16string) is what Windows and our stored records use.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k20 {

std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Code pages of the 8-bit text files we read: 1252 (Western), 936 (GBK), 950 (Big5),
// 65001 (UTF-8). Unknown code pages fall back to Latin-1 so that no input is refused.
std::u16string CodePageToUtf16(std::string_view bytes, unsigned codePage);
std::string Utf16ToCodePage(std::u16string_view s, unsigned codePage);

// Decodes a whole text file: UTF-16LE with BOM, UTF-8 with BOM, else 8-bit text in codePage.
std::u16string DecodeTextFile(const std::vector<uint8_t>& bytes, unsigned codePage);
std::vector<uint8_t> EncodeUtf16LeWithBom(std::u16string_view s);

// Case-insensitive comparison as the profile and registry functions do it (ASCII and Latin-1 letters).
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::u16string ToUpper(std::u16string_view s);
std::string ToUpper(std::string_view s);

}  // namespace k20
