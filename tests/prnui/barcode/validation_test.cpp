#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prnui/barcode/symbology.h"
#include "prnui/barcode/validation.h"

using namespace k20::barcode;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// The code a caller passes for a validation row: printer codes for the general rows.
int CodeForRow(int row) {
    if (row == 7) return 72;
    if (row == 8) return 73;
    return row;
}

// Data of length n that passes every rule of the row apart from the one under test;
// `mid` (when given) replaces a byte away from the first and last position.
Bytes Filler(int row, size_t n, int mid = -1) {
    Bytes d(n, '1');
    if (row == 7) d.assign(n, 'A');
    if (row == 13 || row == 17) d.assign(n, 0xFF);
    if (row == 1 && n) d[0] = '0';
    if (row == 6 && n) d.front() = d.back() = 'A';
    if (row == 8) {
        d.assign(n, 'A');
        if (n) d[0] = '{';
    }
    if (mid >= 0 && n >= 3) d[2] = uint8_t(mid);
    return d;
}

Verdict Check(int row, Bytes d) {
    return ValidateBarcodeData(CodeForRow(row), d).verdict;
}

}  // namespace

TEST(BarcodeValidation, LengthLimitsOfEveryRow) {
    for (int row = 0; row < kValidationRowCount; ++row) {
        const auto& r = ValidationRows()[size_t(row)];
        SCOPED_TRACE("row " + std::to_string(row));
        if (r.minLength > 1) {
            EXPECT_EQ(Check(row, Filler(row, r.minLength - 1u)), Verdict::TooShort);
        }
        EXPECT_EQ(Check(row, Filler(row, r.minLength)), Verdict::Accept);
        EXPECT_EQ(Check(row, Filler(row, r.maxLength)), Verdict::Accept);
        EXPECT_EQ(Check(row, Filler(row, r.maxLength + 1u)), Verdict::TooLong);
        EXPECT_EQ(Check(row, {}), Verdict::NoData);
    }
}

// An admitted and a refused byte at each edge of every range and value of the lists,
// through the whole validation.
TEST(BarcodeValidation, ByteAtEachEdgeOfEveryList) {
    for (int row = 0; row < kValidationRowCount; ++row) {
        const auto& r = ValidationRows()[size_t(row)];
        if (r.lengthOnly) continue;
        SCOPED_TRACE("row " + std::to_string(row));
        const size_t n = std::max<size_t>(r.minLength, 5);
        for (const CharEntry* e = r.allowed; e->kind != CharEntry::End; ++e) {
            if (e->kind != CharEntry::Value) continue;
            for (int b : {int(e->value) - 1, int(e->value), int(e->value) + 1}) {
                if (b < 0 || b > 255) continue;
                const bool admitted = RowAdmits(r, uint8_t(b));
                // The Code128 start and code set rules are tested separately; '{' opens one.
                if (row == 8 && b == '{') continue;
                EXPECT_EQ(Check(row, Filler(row, n, b)), admitted ? Verdict::Accept : Verdict::ForbiddenByte)
                    << "byte " << b;
            }
        }
    }
}

TEST(BarcodeValidation, LengthOnlyRowsIgnoreTheirLists) {
    Bytes maxi(84, 0x01);  // no digit, no capital: still accepted (a 00 would end the command)
    EXPECT_EQ(ValidateBarcodeData(18, maxi).verdict, Verdict::Accept);
    Bytes maxi85(85, 'A');
    EXPECT_EQ(ValidateBarcodeData(18, maxi85).verdict, Verdict::TooLong);
    Bytes any(255);
    for (size_t i = 0; i < any.size(); ++i) any[i] = uint8_t(i + 1);  // every byte but 00
    EXPECT_EQ(ValidateBarcodeData(13, any).verdict, Verdict::Accept);
    EXPECT_EQ(ValidateBarcodeData(17, any).verdict, Verdict::Accept);
}

TEST(BarcodeValidation, RowSpecificRules) {
    struct Case {
        int code;
        std::string data;
        Verdict want;
    };
    const Case cases[] = {
        {1, "023456789012", Verdict::Accept},
        {1, "123456789012", Verdict::UpcEFirstDigit},
        {0, "1234567890", Verdict::TooShort},     // 10 digits for UPC-A
        {0, "12345678901234", Verdict::TooLong},  // 14 digits
        {0, "12345678901", Verdict::Accept},
        {0, "12345678901A", Verdict::ForbiddenByte},
        {6, "A123456789A", Verdict::Accept},
        {6, "123A", Verdict::CodabarStart},
        {6, "A123X", Verdict::CodabarStop},
        {6, "E123A", Verdict::CodabarStart},  // E may end but not start
        {6, "D123E", Verdict::Accept},
        {6, "A12*", Verdict::Accept},
        {6, "A12T", Verdict::Accept},
        {6, "A1/N", Verdict::Accept},
        {6, "A1#N", Verdict::ForbiddenByte},
        {6, "A", Verdict::Accept},  // one byte is first and last
        {4, "123ABC*", Verdict::Accept},
        {4, "abc", Verdict::ForbiddenByte},
        {9, std::string(40, 'a'), Verdict::Accept},
        {9, std::string(41, 'a'), Verdict::TooLong},
        {14, std::string(41, '1'), Verdict::TooLong},
        {14, "0123#", Verdict::ForbiddenByte},
        {73, "A{C12", Verdict::Code128Start},
        {73, "{D12", Verdict::Code128Start},
        {73, "{a12", Verdict::Code128Start},
        {73, "{B", Verdict::Accept},
        {73, "{C1234", Verdict::Accept},
        {73, "{C123", Verdict::Code128OddDigits},
        {73, "{C12A4", Verdict::Code128NotDigit},
        {73, "{C1{A", Verdict::Code128OddDigits},  // run closed with an odd count
        {73, "{C12{B3", Verdict::Accept},
        {72, "{X", Verdict::Accept},  // Code93 has no start rule
        {99, "1", Verdict::BadRow},
    };
    for (const auto& c : cases) {
        Bytes d = B(c.data);
        EXPECT_EQ(ValidateBarcodeData(c.code, d).verdict, c.want) << c.code << " " << c.data;
    }
}

TEST(BarcodeValidation, Code128PacksCodeSetCRuns) {
    struct Case {
        std::string in;
        Bytes out;
    };
    const Case cases[] = {
        {"{C1234", {'{', 'C', 12, 34}},
        {"{A12{C34", {'{', 'A', '1', '2', '{', 'C', 34}},
        {"{C0099{A9", {'{', 'C', 0, 99, '{', 'A', '9'}},
        {"{C12{C34", {'{', 'C', 12, '{', 'C', 34}},
        {"{C12{", {'{', 'C', 12, '{'}},
        {"{C", {'{', 'C'}},
        {"{A{{C12", {'{', 'A', '{', '{', 'C', '1', '2'}},  // the second '{' is a selector, not a start
        {"{B1234", {'{', 'B', '1', '2', '3', '4'}},        // no "{C": left as it is
    };
    for (const auto& c : cases) {
        Bytes d = B(c.in);
        ASSERT_TRUE(ValidateBarcodeData(kCode128, d).ok()) << c.in;
        EXPECT_EQ(d, c.out) << c.in;
    }
}

TEST(BarcodeValidation, PackingNeverWritesPastItsBuffer) {
    const Bytes in = B("{A12{C3456");
    size_t len = 99;
    Bytes exact(8, 0xEE);
    ASSERT_TRUE(PackCode128(in, exact, len).ok());
    EXPECT_EQ(len, 8u);
    for (size_t cap = 0; cap < 8; ++cap) {
        Bytes buf(cap + 4, 0xEE);
        const auto r = PackCode128(in, std::span<uint8_t>(buf.data(), cap), len);
        EXPECT_EQ(r.verdict, Verdict::PackOverflow) << cap;
        EXPECT_EQ(len, 0u);
        for (size_t i = cap; i < buf.size(); ++i)
            EXPECT_EQ(buf[i], 0xEE) << "cap " << cap << " wrote at " << i;
    }
}

// Rows whose command ends at the first 00 refuse a 00 anywhere, before any other rule of
// their content; rows with a length byte take it where their list does.
TEST(BarcodeValidation, NulBytesNeverBreakTheFramingOfAnyRow) {
    for (int row = 0; row < kValidationRowCount; ++row) {
        const ValidationRow& vr = ValidationRows()[size_t(row)];
        const size_t n = vr.minLength < 4 ? 4 : vr.minLength;
        for (size_t at : {size_t(0), size_t(2), n - 1}) {
            Bytes d = Filler(row, n);
            d[at] = 0;
            const ValidationResult r = ValidateBarcodeData(CodeForRow(row), d);
            if (vr.framing == Framing::NulEnd) {
                EXPECT_EQ(r.verdict, Verdict::EndsCommand) << "row " << row << " at " << at;
                EXPECT_EQ(r.position, at) << "row " << row;
            } else {
                EXPECT_NE(r.verdict, Verdict::EndsCommand) << "row " << row;
            }
        }
    }
    Bytes code93 = B(std::string("AB\0C", 4));
    EXPECT_EQ(ValidateBarcodeData(72, code93).verdict, Verdict::Accept);
    Bytes code128 = B(std::string("{A\0C", 4));
    EXPECT_EQ(ValidateBarcodeData(73, code128).verdict, Verdict::Accept);
    Bytes qr = B(std::string("x\0", 2));
    EXPECT_NE(Describe(ValidateBarcodeData(17, qr)).find("0x00 at position 1"), std::string::npos);
}

TEST(BarcodeValidation, RejectionsNameTheActualValues) {
    Bytes d = B("1234567890");
    EXPECT_EQ(Describe(ValidateBarcodeData(0, d)), "length 10 too short (minimum 11)");
    d = B("{C123");
    EXPECT_EQ(Describe(ValidateBarcodeData(73, d)), "odd number of digits in code set C before position 5");
    d = B("12#");
    EXPECT_EQ(Describe(ValidateBarcodeData(4, d)), "byte '#' (0x23) at position 2 is not allowed");
}

TEST(BarcodeValidation, EverySampleDatumIsAccepted) {
    for (const auto& s : Symbologies1D()) {
        Bytes d = B(s.sampleData);
        const int code = s.validationRow >= 9 ? s.validationRow : s.printerCode;
        EXPECT_TRUE(ValidateBarcodeData(code, d).ok()) << s.name;
    }
}
