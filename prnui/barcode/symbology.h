#pragma once
// The barcode device fonts' fixed tables: the 1D symbologies, the 2D symbologies and the
// validation rows that both pages share. They are data so that the tests can walk every
// row and every limit.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace k20::barcode {

inline constexpr int k1DSymbologyCount = 13;
inline constexpr int k2DSymbologyCount = 6;
inline constexpr int kValidationRowCount = 19;
inline constexpr int k1DFontCount = 8;
inline constexpr int k2DFontCount = 2;

// First GS1 DataBar row of the 1D list; rows before it are printed with the plain barcode command.
inline constexpr int kFirstGs1Symbology = 9;
inline constexpr int kGs1ExpandedSymbology = 12;

// How a 1D symbology is laid out in the sample job.
enum class Shape1D : uint8_t {
    Plain,       // header, data, 00
    LengthByte,  // header, 00, short header, length byte, data, 00
    Gs1,         // GS1 parameter header, data, 00
};

struct Symbology1D {
    std::string_view name;  // as the "Type" list shows it
    uint8_t printerCode;    // barcode command symbology (13 for every GS1 row)
    uint8_t gs1Type;        // GS1 parameter, 0 for general barcodes
    std::string_view sampleData;
    uint8_t validationRow;
    Shape1D shape;
};

enum class Header2D : uint8_t { Pdf417, Gs1Stacked, Qr, MaxiCode };

struct Symbology2D {
    std::string_view name;
    Header2D header;
    uint8_t gs1Type;  // 0 unless a GS1 stacked symbology
    uint8_t validationRow;
};

// One entry of a validation row's list of admitted bytes.
struct CharEntry {
    enum Kind : uint8_t { Value, Range, End } kind;
    uint8_t value;
};

inline constexpr CharEntry V(uint8_t v) {
    return {CharEntry::Value, v};
}
inline constexpr CharEntry kRange{CharEntry::Range, 0};
inline constexpr CharEntry kEnd{CharEntry::End, 0};

// How the printer finds the end of the data in the command a row serves.
enum class Framing : uint8_t {
    NulEnd,      // the data ends at the first 00 byte: a 00 inside would end the command
                 // early and the rest would run as printer commands
    LengthByte,  // a length byte before the data: any byte may occur
};

struct ValidationRow {
    uint16_t minLength;
    uint16_t maxLength;
    bool lengthOnly;           // rows whose character list is never consulted
    const CharEntry* allowed;  // read up to the end marker
    Framing framing;
};

const std::array<Symbology1D, k1DSymbologyCount>& Symbologies1D();
const std::array<Symbology2D, k2DSymbologyCount>& Symbologies2D();
const std::array<ValidationRow, kValidationRowCount>& ValidationRows();

// The validation row of a barcode command code (0..6, 72, 73) or of a row given directly.
inline constexpr int ValidationRowForCode(int code) {
    return code >= 72 ? code - 65 : code;
}

// True when the row's list admits b (the list read in order, range markers between two values).
bool RowAdmits(const ValidationRow& row, uint8_t b);

// Case-insensitive lookups of the names the lists show.
std::optional<int> Find1DSymbology(std::string_view name);
std::optional<int> Find2DSymbology(std::string_view name);

// Printer names of the device fonts.
std::u16string_view FontName1D(int font);  // "1D Code1".."1D Code8", font 0..7
std::u16string_view FontName2D(int font);  // "2D Code1", "2D Code2"

}  // namespace k20::barcode
