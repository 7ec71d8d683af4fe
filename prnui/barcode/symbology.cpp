#include "prnui/barcode/symbology.h"

#include <string>

#include "common/text.h"

namespace k20::barcode {
namespace {

constexpr std::array<Symbology1D, k1DSymbologyCount> k1D{{
    {"UPC-A", 0, 0, "123456789012", 0, Shape1D::Plain},
    {"UPC-E", 1, 0, "023456789012", 1, Shape1D::Plain},
    // The list shows EAN8 before EAN13, the printer numbers them the other way round.
    {"EAN8", 3, 0, "12345678", 3, Shape1D::Plain},
    {"EAN13", 2, 0, "1234567890123", 2, Shape1D::Plain},
    {"Code39", 4, 0, "123ABC*", 4, Shape1D::Plain},
    {"ITF", 5, 0, "123456789", 5, Shape1D::Plain},
    {"Codabar", 6, 0, "A123456789A", 6, Shape1D::Plain},
    // The printer takes these two with an explicit length byte instead of a NUL end.
    {"Code93", 72, 0, "123ABC", 7, Shape1D::LengthByte},
    {"Code128", 73, 0, "{A1234", 8, Shape1D::LengthByte},
    {"GS1 DataBar Omnidirectional", 13, 1, "01234567890123", 9, Shape1D::Gs1},
    {"GS1 DataBar Truncated", 13, 2, "01234567890123", 10, Shape1D::Gs1},
    {"GS1 DataBar Limited", 13, 5, "01234567890123", 11, Shape1D::Gs1},
    {"GS1 DataBar Expanded", 13, 6, "01234567890123", 12, Shape1D::Gs1},
}};

constexpr std::array<Symbology2D, k2DSymbologyCount> k2D{{
    {"PDF417", Header2D::Pdf417, 0, 13},
    {"GS1 DataBar Stacked", Header2D::Gs1Stacked, 3, 14},
    {"GS1 DataBar Stacked Omnidirectional", Header2D::Gs1Stacked, 4, 15},
    {"GS1 DataBar Expanded Stacked", Header2D::Gs1Stacked, 7, 16},
    {"QR Code", Header2D::Qr, 0, 17},
    {"Maxi Code", Header2D::MaxiCode, 0, 18},
}};

constexpr CharEntry kDigits[] = {V('0'), kRange, V('9'), kEnd};
constexpr CharEntry kCode39[] = {V(' '), V('$'), V('%'), V('*'), V('+'), V('-'),
                                 kRange, V('9'), V('A'), kRange, V('Z'), kEnd};
constexpr CharEntry kCodabar[] = {V('$'), V('*'), V('+'), V('-'), kRange, V(':'),
                                  V('A'), kRange, V('E'), V('N'), V('T'), kEnd};
constexpr CharEntry kAscii[] = {V(0), kRange, V(127), kEnd};
constexpr CharEntry kGs1[] = {V(' '), kRange, V('"'), V('%'), kRange, V('?'), V('A'),
                              kRange, V('Z'), V('_'), V('a'), kRange, V('|'), kEnd};
constexpr CharEntry kAnyByte[] = {V(0), kRange, V(255), kEnd};
constexpr CharEntry kMaxiCode[] = {V('0'), kRange, V('9'), V('A'), kRange, V('Z'), kEnd};

constexpr std::array<ValidationRow, kValidationRowCount> kRows{{
    {11, 12, false, kDigits, Framing::NulEnd},     // 0 UPC-A
    {11, 12, false, kDigits, Framing::NulEnd},     // 1 UPC-E
    {12, 13, false, kDigits, Framing::NulEnd},     // 2 EAN13
    {7, 8, false, kDigits, Framing::NulEnd},       // 3 EAN8
    {1, 255, false, kCode39, Framing::NulEnd},     // 4 Code39
    {1, 255, false, kDigits, Framing::NulEnd},     // 5 ITF
    {1, 255, false, kCodabar, Framing::NulEnd},    // 6 Codabar
    {1, 255, false, kAscii, Framing::LengthByte},  // 7 Code93
    {2, 255, false, kAscii, Framing::LengthByte},  // 8 Code128
    {1, 40, false, kGs1, Framing::NulEnd},         // 9 GS1 DataBar Omnidirectional
    {1, 40, false, kGs1, Framing::NulEnd},         // 10 Truncated
    {1, 40, false, kGs1, Framing::NulEnd},         // 11 Limited
    {1, 40, false, kGs1, Framing::NulEnd},         // 12 Expanded
    {1, 255, true, kAnyByte, Framing::NulEnd},     // 13 PDF417
    {1, 40, false, kGs1, Framing::NulEnd},         // 14 GS1 DataBar Stacked
    {1, 40, false, kGs1, Framing::NulEnd},         // 15 Stacked Omnidirectional
    {1, 40, false, kGs1, Framing::NulEnd},         // 16 Expanded Stacked
    {1, 255, true, kAnyByte, Framing::NulEnd},     // 17 QR Code
    {1, 84, true, kMaxiCode, Framing::NulEnd},     // 18 MaxiCode
}};

constexpr std::u16string_view kFontNames1D[k1DFontCount] = {
    u"1D Code1", u"1D Code2", u"1D Code3", u"1D Code4", u"1D Code5", u"1D Code6", u"1D Code7", u"1D Code8"};
constexpr std::u16string_view kFontNames2D[k2DFontCount] = {u"2D Code1", u"2D Code2"};

}  // namespace

const std::array<Symbology1D, k1DSymbologyCount>& Symbologies1D() {
    return k1D;
}
const std::array<Symbology2D, k2DSymbologyCount>& Symbologies2D() {
    return k2D;
}
const std::array<ValidationRow, kValidationRowCount>& ValidationRows() {
    return kRows;
}

bool RowAdmits(const ValidationRow& row, uint8_t b) {
    const CharEntry* e = row.allowed;
    // A range marker joins the value before it to the value after it; a value that
    // starts a range is also admitted on its own, which the range already covers.
    for (size_t i = 0; e[i].kind != CharEntry::End; ++i) {
        if (e[i].kind == CharEntry::Value) {
            if (e[i].value == b) return true;
            continue;
        }
        if (i == 0 || e[i + 1].kind != CharEntry::Value) continue;  // malformed marker: ignore
        if (b >= e[i - 1].value && b <= e[i + 1].value) return true;
    }
    return false;
}

std::optional<int> Find1DSymbology(std::string_view name) {
    for (int i = 0; i < k1DSymbologyCount; ++i)
        if (EqualsNoCase(k1D[size_t(i)].name, name)) return i;
    return std::nullopt;
}

std::optional<int> Find2DSymbology(std::string_view name) {
    for (int i = 0; i < k2DSymbologyCount; ++i)
        if (EqualsNoCase(k2D[size_t(i)].name, name)) return i;
    return std::nullopt;
}

std::u16string_view FontName1D(int font) {
    return font >= 0 && font < k1DFontCount ? kFontNames1D[font] : std::u16string_view{};
}
std::u16string_view FontName2D(int font) {
    return font >= 0 && font < k2DFontCount ? kFontNames2D[font] : std::u16string_view{};
}

}  // namespace k20::barcode
