#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "prnui/barcode/sample_job.h"
#include "prnui/core/texts.h"
#include "prnui/pages/code2d_page_model.h"

using namespace k20;
using namespace k20::prnui;

namespace {

struct Page2D : ::testing::Test {
    PrivateSettings s;
    Code2DPageModel page{s};
    platform::sim::SimMachine m;
    platform::PrinterHandle h = 0;
    void SetUp() override {
        SetDefaults(s, u"C:\\Windows\\system32");
        page.Open();
        platform::PrinterInfo2 p;
        p.printerName = "K-20";
        m.spooler.AddPrinter(p);
        ASSERT_EQ(m.spooler.OpenPrinter("K-20", h), platform::kOk);
    }
    const uint8_t* Rec() const { return reinterpret_cast<const uint8_t*>(&s); }
};

}  // namespace

TEST_F(Page2D, OpensOnFontOne) {
    EXPECT_EQ(page.group(), Group2D::Pdf417);
    EXPECT_EQ(page.data(), u"01234567890123");
    EXPECT_FALSE(page.composite());
    EXPECT_FALSE(page.compositeRowHeightEnabled());
    EXPECT_FALSE(page.segmentsEnabled());
    EXPECT_FALSE(page.expandedEnabled());
    EXPECT_EQ(page.segmentsRangeCaption(), u"[ 2 . . 20 ]");
    EXPECT_EQ(page.qrModel(), 0);
    EXPECT_EQ(page.hri(), 0);
    EXPECT_FALSE(page.changed());
}

TEST_F(Page2D, NumericFieldsClampAsTyped) {
    struct Case {
        Field2D f;
        std::u16string typed, shown;
        size_t off;
        uint32_t stored;
    };
    const Case cases[] = {
        {Field2D::PdfColumns, u"0", u"1", 3, 1},      {Field2D::PdfColumns, u"40", u"30", 3, 30},
        {Field2D::PdfElementWidth, u"8", u"7", 1, 7}, {Field2D::PdfRows, u"2", u"3", 4, 3},
        {Field2D::PdfRows, u"91", u"90", 4, 90},      {Field2D::PdfElementHeight, u"", u"2", 2, 2},
        {Field2D::Gs1ElementWidth, u"9", u"6", 6, 6}, {Field2D::Gs1SeparatorHeight, u"0", u"1", 16, 1},
        {Field2D::Gs1Segments, u"1", u"2", 17, 2},    {Field2D::QrElementWidth, u"25", u"24", 20, 24},
        {Field2D::QrElementWidth, u"0", u"1", 20, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(page.EditNumber(c.f, c.typed), c.shown);
        EXPECT_EQ(Rec()[884 + c.off], c.stored) << int(c.f);
    }
    page.EditNumber(Field2D::Gs1RowHeight, u"300");
    EXPECT_EQ(s.barcode2D[0].gs1RowHeight, 250u);
    page.EditNumber(Field2D::Gs1CompositeRowHeight, u"0");
    EXPECT_EQ(s.barcode2D[0].gs1CompositeRowHeight, 1u);
    EXPECT_TRUE(page.changed());
}

TEST_F(Page2D, GroupsAndEnableRulesBySymbology) {
    struct Case {
        int type;
        Group2D group;
        bool segments;
    };
    const Case cases[] = {{0, Group2D::Pdf417, false}, {1, Group2D::Gs1, false}, {2, Group2D::Gs1, false},
                          {3, Group2D::Gs1, true},     {4, Group2D::Qr, false},  {5, Group2D::None, false}};
    for (const auto& c : cases) {
        page.SelectSymbology(c.type);
        EXPECT_EQ(s.barcode2D[0].type, c.type);
        EXPECT_EQ(page.group(), c.group) << c.type;
        EXPECT_EQ(page.segmentsEnabled(), c.segments) << c.type;
        EXPECT_EQ(page.expandedEnabled(), c.segments) << c.type;
    }
}

TEST_F(Page2D, SwitchingFromPdf417ToAQrFontShowsItsValues) {
    s.barcode2D[1].type = 4;
    s.barcode2D[1].qrElementWidth = 11;
    s.barcode2D[1].qrErrorLevel = 2;
    s.barcode2D[1].qrModel = 2;
    page.SetComposite(true);
    page.SetData(u"x");
    page.SelectFont(1);
    EXPECT_EQ(page.group(), Group2D::Qr);
    EXPECT_EQ(page.fieldText(Field2D::QrElementWidth), u"11");
    EXPECT_EQ(page.qrErrorLevel(), 2);
    EXPECT_EQ(k2DQrErrorLevels[size_t(page.qrErrorLevel())], u"H");
    EXPECT_EQ(page.qrModel(), 1);
    EXPECT_FALSE(page.composite());
    EXPECT_EQ(page.data(), u"01234567890123");
    s.barcode2D[0].type = 5;
    page.SelectFont(0);
    EXPECT_EQ(page.group(), Group2D::None);
}

TEST_F(Page2D, CompositeRaisesTheSegmentNumberToFour) {
    page.SelectSymbology(3);
    page.EditNumber(Field2D::Gs1Segments, u"2");
    page.Apply();
    page.SetComposite(true);
    EXPECT_TRUE(page.compositeRowHeightEnabled());
    EXPECT_EQ(page.segmentsRangeCaption(), u"[ 4 . . 20 ]");
    EXPECT_EQ(page.fieldText(Field2D::Gs1Segments), u"4");
    EXPECT_EQ(Rec()[884 + 17], 4);
    EXPECT_TRUE(page.changed());
    // In Composite the minimum is 4 as typed, too.
    EXPECT_EQ(page.EditNumber(Field2D::Gs1Segments, u"3"), u"4");
    page.SetComposite(false);
    EXPECT_EQ(page.segmentsRangeCaption(), u"[ 2 . . 20 ]");
    EXPECT_EQ(page.EditNumber(Field2D::Gs1Segments, u"3"), u"3");
    EXPECT_FALSE(page.compositeRowHeightEnabled());
}

TEST_F(Page2D, CompositeLeavesFourOrMoreSegmentsAlone) {
    page.EditNumber(Field2D::Gs1Segments, u"9");
    page.Apply();
    page.SetComposite(true);
    EXPECT_EQ(s.barcode2D[0].gs1Segments, 9);
    EXPECT_FALSE(page.changed());
}

TEST_F(Page2D, ListsStoreTheirPositions) {
    page.SelectErrorLevel(8);
    page.SelectHri(2);
    page.SelectExpanded(0);
    page.SelectQrLanguage(1);
    page.SelectQrModel(1);
    page.SelectQrErrorLevel(3);
    const auto& b = s.barcode2D[0];
    EXPECT_EQ(b.pdfErrorLevel, 8);
    EXPECT_EQ(b.gs1Hri, 3);
    EXPECT_EQ(b.gs1ApplyAi, 0);
    EXPECT_EQ(b.qrLanguage, 1);
    EXPECT_EQ(b.qrModel, 2);
    EXPECT_EQ(b.qrErrorLevel, 3);
    page.SelectErrorLevel(9);
    EXPECT_EQ(b.pdfErrorLevel, 8);
}

TEST_F(Page2D, PrintRejectsAndSends) {
    page.SelectSymbology(1);
    page.SetData(std::u16string(41, u'1'));
    auto out = page.Print(m.spooler, h, 1252);
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->key, "MB_2DCODE_ERROR1");
    EXPECT_TRUE(m.spooler.jobs.empty());

    page.SelectSymbology(4);
    s.barcode2D[0].qrErrorLevel = 2;
    page.SetData(u"HELLO");
    out = page.Print(m.spooler, h, 1252);
    EXPECT_FALSE(out.message.has_value());
    ASSERT_EQ(m.spooler.jobs.size(), 1u);
    EXPECT_EQ(m.spooler.jobs[0].docName, "2Dcode");
    const auto& d = m.spooler.jobs[0].data;
    EXPECT_EQ(std::string(d.begin() + 9, d.begin() + 17), "HA,HELLO");
}

// The 2D command ends at the data's first 00 byte: what followed it (here ESC @ and a
// full cut) would reach the printer as commands of its own.
TEST_F(Page2D, DataWithANulByteIsRefusedForEverySymbology) {
    using namespace std::string_literals;
    for (int sym = 0; sym < 6; ++sym) {
        page.SelectSymbology(sym);
        page.SetData(u"12\0\x1B@\x1DV\x01"s);
        const auto out = page.Print(m.spooler, h, 1252);
        ASSERT_TRUE(out.message.has_value()) << sym;
        EXPECT_EQ(out.message->key, "MB_2DCODE_ERROR1") << sym;
        EXPECT_TRUE(m.spooler.jobs.empty()) << sym;
    }
}

TEST_F(Page2D, MaxiCodeLengthLimit) {
    page.SelectSymbology(5);
    page.SetData(std::u16string(85, u'A'));
    EXPECT_TRUE(page.Print(m.spooler, h, 1252).message.has_value());
    page.SetData(std::u16string(84, u'a'));  // only the length is tested
    EXPECT_FALSE(page.Print(m.spooler, h, 1252).message.has_value());
}

TEST_F(Page2D, AFirstFontOfTypeExpandedStackedOpensWithItsFieldsEnabled) {
    s.barcode2D[0].type = 3;
    Code2DPageModel fresh(s);
    fresh.Open();
    EXPECT_TRUE(fresh.segmentsEnabled());
    EXPECT_TRUE(fresh.expandedEnabled());
    EXPECT_FALSE(fresh.compositeRowHeightEnabled());
}

TEST(Code2DTexts, ListKeysAndMessageAreBuiltIn) {
    EXPECT_EQ(std::size(k2DErrorLevelKeys), 9u);
    EXPECT_EQ(FindBuiltIn("2DCODE", k2DErrorLevelKeys[8])->english, u"Error Correction Level 8");
    for (auto keys :
         {std::span<const std::string_view>(k2DErrorLevelKeys), std::span<const std::string_view>(k2DHriKeys),
          std::span<const std::string_view>(k2DExpandedKeys),
          std::span<const std::string_view>(k2DQrLanguageKeys)})
        for (auto k : keys) EXPECT_NE(FindBuiltIn("2DCODE", k), nullptr) << k;
    EXPECT_NE(FindBuiltIn("MessageBox", kMsg2DCodeError.key), nullptr);
}
