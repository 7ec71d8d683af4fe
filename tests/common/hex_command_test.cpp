#include "common/hex_command.h"

#include <gtest/gtest.h>

namespace k20 {
namespace {

struct ParseCase {
    const char16_t* text;
    std::vector<uint8_t> bytes;
};

TEST(HexCommand, ParsesTextAsStoredSettingsExpect) {
    const ParseCase cases[] = {
        {u"1D 56 42 00", {0x1D, 0x56, 0x42, 0x00}},
        {u"1D5642", {0x1D, 0x56, 0x42}},
        {u"1 2", {0x01, 0x02}},
        {u"123", {0x12, 0x03}},
        {u"", {}},
        {u"   ", {}},
        {u"  ff  A", {0xFF, 0x0A}},
        {u"0a FF ", {0x0A, 0xFF}},
        {u"zz", {0x00}},  // pasted non-hex characters count as 0
        {u"1g", {0x10}},
        {u"F", {0x0F}},
        {u"-1.", {0x01, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHexCommand(std::u16string_view(c.text)), c.bytes)
            << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    }
    EXPECT_EQ(ParseHexCommand(std::string_view("1D 5642 1")), (std::vector<uint8_t>{0x1D, 0x56, 0x42, 0x01}));
}

TEST(HexCommand, FormatsTwoUpperDigitsAndSpacePerByte) {
    const uint8_t b[] = {0x0A, 0xFF};
    EXPECT_EQ(FormatHexCommand(b), u"0A FF ");
    EXPECT_EQ(FormatHexCommandA(b), "0A FF ");
    EXPECT_EQ(FormatHexCommand({}), u"");
}

TEST(HexCommand, FormatThenParseRoundTripsEveryByte) {
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
    EXPECT_EQ(ParseHexCommand(FormatHexCommand(all)), all);
}

TEST(HexCommand, KeyFilter) {
    for (char32_t c : U"0123456789abcdefABCDEF -.\b") {
        if (c == 0) continue;
        EXPECT_EQ(FilterHexKey(c, false), HexKeyAction::Pass) << uint32_t(c);
    }
    for (char32_t c : {U'g', U'G', U'x', U',', U'\r', char32_t(0x16), char32_t(0x4E2D)})
        EXPECT_EQ(FilterHexKey(c, false), HexKeyAction::Drop) << uint32_t(c);
    EXPECT_EQ(FilterHexKey(char32_t(0x16), true), HexKeyAction::Pass);  // Ctrl+V
    EXPECT_EQ(FilterHexKey(U'\t', false), HexKeyAction::NextControl);
}

}  // namespace
}  // namespace k20
