#include "prnui/barcode/validation.h"

#include <algorithm>
#include <cstdio>

#include "prnui/barcode/symbology.h"

namespace k20::barcode {
namespace {

ValidationResult Reject(Verdict v, size_t pos = 0, uint8_t b = 0) {
    ValidationResult r;
    r.verdict = v;
    r.position = pos;
    r.byte = b;
    return r;
}

bool IsDigit(uint8_t b) {
    return b >= '0' && b <= '9';
}

bool HasCodeSetC(std::span<const uint8_t> d) {
    for (size_t i = 0; i + 1 < d.size(); ++i)
        if (d[i] == '{' && d[i + 1] == 'C') return true;
    return false;
}

std::string ByteText(uint8_t b) {
    char buf[32];
    if (b >= 0x20 && b < 0x7F)
        std::snprintf(buf, sizeof buf, "'%c' (0x%02X)", char(b), b);
    else
        std::snprintf(buf, sizeof buf, "0x%02X", b);
    return buf;
}

}  // namespace

ValidationResult PackCode128(std::span<const uint8_t> in, std::span<uint8_t> out, size_t& outLen) {
    outLen = 0;
    size_t w = 0;
    auto put = [&](uint8_t b) {
        if (w >= out.size()) return false;
        out[w++] = b;
        return true;
    };
    bool afterBrace = false;  // the previous byte was a copied '{', so this one selects a code set
    bool inC = false;
    size_t digits = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const uint8_t b = in[i];
        if (afterBrace) {
            afterBrace = false;
            if (inC && digits % 2) return Reject(Verdict::Code128OddDigits, i, b);
            if (!put(b)) return Reject(Verdict::PackOverflow, i, b);
            inC = b == 'C';
            digits = 0;
            continue;
        }
        if (b == '{') {
            if (!put(b)) return Reject(Verdict::PackOverflow, i, b);
            afterBrace = true;
            continue;
        }
        if (!inC) {
            if (!put(b)) return Reject(Verdict::PackOverflow, i, b);
            continue;
        }
        if (!IsDigit(b)) return Reject(Verdict::Code128NotDigit, i, b);
        const uint8_t v = uint8_t(b - '0');
        if (digits % 2 == 0) {
            if (!put(uint8_t(v * 10))) return Reject(Verdict::PackOverflow, i, b);
        } else {
            out[w - 1] = uint8_t(out[w - 1] + v);  // w > 0: the pair's first digit was written
        }
        ++digits;
    }
    if (inC && digits % 2) return Reject(Verdict::Code128OddDigits, in.size(), 0);
    outLen = w;
    return {};
}

ValidationResult ValidateBarcodeData(int code, std::vector<uint8_t>& data) {
    const size_t n = data.size();
    if (n == 0) return Reject(Verdict::NoData);
    const int row = ValidationRowForCode(code);
    auto rejected = [&](ValidationResult r) {
        r.row = row;
        r.length = n;
        return r;
    };
    if (row < 0 || row >= kValidationRowCount) return rejected(Reject(Verdict::BadRow));
    const ValidationRow& vr = ValidationRows()[size_t(row)];
    if (n < vr.minLength) return rejected(Reject(Verdict::TooShort));
    if (n > vr.maxLength) return rejected(Reject(Verdict::TooLong));
    // Checked before anything else of the content, and for the rows that check nothing
    // else too: what follows a 00 would reach the printer as commands of its own.
    if (vr.framing == Framing::NulEnd)
        for (size_t i = 0; i < n; ++i)
            if (data[i] == 0) return rejected(Reject(Verdict::EndsCommand, i, 0));
    if (vr.lengthOnly) return rejected({});
    if (row == 1 && data[0] != '0') return rejected(Reject(Verdict::UpcEFirstDigit, 0, data[0]));
    if (row == 6) {
        const uint8_t first = data[0], last = data[n - 1];
        if (first < 'A' || first > 'D') return rejected(Reject(Verdict::CodabarStart, 0, first));
        if (!((last >= 'A' && last <= 'E') || last == '*' || last == 'N' || last == 'T'))
            return rejected(Reject(Verdict::CodabarStop, n - 1, last));
    }
    for (size_t i = 0; i < n; ++i)
        if (!RowAdmits(vr, data[i])) return rejected(Reject(Verdict::ForbiddenByte, i, data[i]));
    if (code == kCode128) {
        if (data[0] != '{' || (data[1] != 'A' && data[1] != 'B' && data[1] != 'C'))
            return rejected(
                Reject(Verdict::Code128Start, data[0] != '{' ? 0 : 1, data[0] != '{' ? data[0] : data[1]));
        if (HasCodeSetC(data)) {
            std::vector<uint8_t> packed(n);
            size_t len = 0;
            ValidationResult r = PackCode128(data, packed, len);
            if (!r.ok()) return rejected(r);
            packed.resize(len);
            data.swap(packed);
        }
    }
    return rejected({});
}

std::string Describe(const ValidationResult& r) {
    const std::string at = " at position " + std::to_string(r.position);
    switch (r.verdict) {
        case Verdict::Accept:
            return "accepted";
        case Verdict::NoData:
            return "no data";
        case Verdict::BadRow:
            return "no validation row " + std::to_string(r.row);
        case Verdict::TooShort:
            return "length " + std::to_string(r.length) + " too short (minimum " +
                   std::to_string(ValidationRows()[size_t(r.row)].minLength) + ")";
        case Verdict::TooLong:
            return "length " + std::to_string(r.length) + " too long (maximum " +
                   std::to_string(ValidationRows()[size_t(r.row)].maxLength) + ")";
        case Verdict::UpcEFirstDigit:
            return "UPC-E data must start with '0', not " + ByteText(r.byte);
        case Verdict::CodabarStart:
            return "Codabar data must start with 'A'..'D', not " + ByteText(r.byte);
        case Verdict::CodabarStop:
            return "Codabar data must end with 'A'..'E', '*', 'N' or 'T', not " + ByteText(r.byte);
        case Verdict::ForbiddenByte:
            return "byte " + ByteText(r.byte) + at + " is not allowed";
        case Verdict::Code128Start:
            return "Code128 data must start with {A, {B or {C";
        case Verdict::Code128OddDigits:
            return "odd number of digits in code set C before position " + std::to_string(r.position);
        case Verdict::Code128NotDigit:
            return "byte " + ByteText(r.byte) + at + " is not a digit in code set C";
        case Verdict::Gs1FirstByte:
            return "first byte " + ByteText(r.byte) + " above 128";
        case Verdict::PackOverflow:
            return "packed data does not fit";
        case Verdict::EndsCommand:
            return "byte 0x00" + at +
                   " would end the barcode command early; what follows would reach the "
                   "printer as commands";
    }
    return "rejected";
}

}  // namespace k20::barcode
