#include <gtest/gtest.h>

#include "prnui/barcode/symbology.h"

using namespace k20::barcode;

namespace {

// The admitted bytes of each character list, written out independently of the table.
std::string Span(char lo, char hi) {
    std::string s;
    for (int c = lo; c <= hi; ++c) s.push_back(char(c));
    return s;
}
const std::string kDigits = Span('0', '9');
const std::string kCode39 = " $%*+" + Span('-', '9') + Span('A', 'Z');
const std::string kCodabar = "$*+" + Span('-', ':') + Span('A', 'E') + "NT";
const std::string kGs1 = Span(' ', '"') + Span('%', '?') + Span('A', 'Z') + "_" + Span('a', '|');

bool Expected(int row, int b) {
    auto in = [b](const std::string& s) { return s.find(char(b)) != std::string::npos; };
    switch (row) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 5:
            return in(kDigits);
        case 4:
            return in(kCode39);
        case 6:
            return in(kCodabar);
        case 7:
        case 8:
            return b <= 127;
        case 13:
        case 17:
            return true;
        case 18:
            return in(kDigits) || in(Span('A', 'Z'));
        default:
            return in(kGs1);  // 9..12, 14..16
    }
}

}  // namespace

TEST(BarcodeTables, EveryRowAdmitsExactlyItsListedBytes) {
    for (int row = 0; row < kValidationRowCount; ++row)
        for (int b = 0; b < 256; ++b)
            EXPECT_EQ(RowAdmits(ValidationRows()[size_t(row)], uint8_t(b)), Expected(row, b))
                << "row " << row << " byte " << b;
}

TEST(BarcodeTables, LengthLimitsAndLengthOnlyRows) {
    struct L {
        int min, max;
        bool lengthOnly;
    };
    const L want[kValidationRowCount] = {{11, 12, 0}, {11, 12, 0}, {12, 13, 0}, {7, 8, 0},   {1, 255, 0},
                                         {1, 255, 0}, {1, 255, 0}, {1, 255, 0}, {2, 255, 0}, {1, 40, 0},
                                         {1, 40, 0},  {1, 40, 0},  {1, 40, 0},  {1, 255, 1}, {1, 40, 0},
                                         {1, 40, 0},  {1, 40, 0},  {1, 255, 1}, {1, 84, 1}};
    for (int r = 0; r < kValidationRowCount; ++r) {
        const auto& row = ValidationRows()[size_t(r)];
        EXPECT_EQ(row.minLength, want[r].min) << r;
        EXPECT_EQ(row.maxLength, want[r].max) << r;
        EXPECT_EQ(row.lengthOnly, want[r].lengthOnly) << r;
    }
}

TEST(BarcodeTables, ListOrderPrinterCodesAndValidationRows) {
    const auto& t = Symbologies1D();
    // The validation row of a general barcode is its printer code (less 65 from 72 on).
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(ValidationRowForCode(t[size_t(i)].printerCode), t[size_t(i)].validationRow);
    for (int i = 9; i < 13; ++i) EXPECT_EQ(t[size_t(i)].validationRow, i);
    EXPECT_EQ(t[2].name, "EAN8");
    EXPECT_EQ(t[2].printerCode, 3);
    EXPECT_EQ(t[3].name, "EAN13");
    EXPECT_EQ(t[3].printerCode, 2);
    EXPECT_EQ(t[12].gs1Type, 6);
    EXPECT_EQ(Symbologies2D()[3].gs1Type, 7);
    EXPECT_EQ(Symbologies2D()[5].validationRow, 18);
}

TEST(BarcodeTables, NamesAreFoundAsTheListsShowThem) {
    EXPECT_EQ(Find1DSymbology("gs1 databar limited"), 11);
    EXPECT_EQ(Find1DSymbology("Code128"), 8);
    EXPECT_EQ(Find1DSymbology("QR Code"), std::nullopt);
    EXPECT_EQ(Find2DSymbology("Maxi Code"), 5);
    EXPECT_EQ(Find2DSymbology("MaxiCode"), std::nullopt);
    EXPECT_EQ(FontName1D(7), u"1D Code8");
    EXPECT_EQ(FontName2D(1), u"2D Code2");
    EXPECT_TRUE(FontName1D(8).empty());
}
