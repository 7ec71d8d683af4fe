#pragma once
// Barcode data validation shared by the 1D and 2D pages, with the Code128 code set C
// packing that turns each pair of digits into one byte.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace k20::barcode {

enum class Verdict : uint8_t {
    Accept,
    NoData,
    BadRow,  // a code that names no validation row
    TooShort,
    TooLong,
    UpcEFirstDigit,  // UPC-E must start with '0'
    CodabarStart,    // first byte not 'A'..'D'
    CodabarStop,     // last byte not 'A'..'E', '*', 'N', 'T'
    ForbiddenByte,
    Code128Start,      // not "{A", "{B" or "{C" at the start
    Code128OddDigits,  // a code set C run with an odd number of digits
    Code128NotDigit,   // a byte other than a digit or '{' inside code set C
    Gs1FirstByte,      // 2D GS1 symbologies: first byte above 128
    PackOverflow,      // the packed data would not fit the caller's buffer
    EndsCommand,       // a 00 byte in data that the command ends at its first 00
};

struct ValidationResult {
    Verdict verdict = Verdict::Accept;
    size_t position = 0;  // offending byte, where one is to blame
    uint8_t byte = 0;
    size_t length = 0;  // the length that was tested
    int row = -1;
    bool ok() const { return verdict == Verdict::Accept; }
};

// A sentence that names what was wrong, with the actual values (for the tool).
std::string Describe(const ValidationResult& r);

// Packs code set C runs of Code128 data into out. Never writes past out.size(); a buffer
// as long as the input always suffices, because packing never lengthens the data.
// On success outLen is the packed length.
ValidationResult PackCode128(std::span<const uint8_t> in, std::span<uint8_t> out, size_t& outLen);

// Validates data for a barcode command code (0..6, 72, 73) or a validation row (9..18)
// given directly. For code 73 the data is replaced by its packed form when it holds "{C".
ValidationResult ValidateBarcodeData(int code, std::vector<uint8_t>& data);

inline constexpr int kCode128 = 73;

}  // namespace k20::barcode
