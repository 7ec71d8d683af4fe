#include <gtest/gtest.h>

#include <cstring>

#include "common/byte_reader.h"
#include "platform/sim/sim_machine.h"
#include "prnui/barcode/sample_job.h"
#include "prnui/core/texts.h"
#include "prnui/pages/code1d_page_model.h"

using namespace k20;
using namespace k20::prnui;

namespace {

struct Page1D : ::testing::Test {
    PrivateSettings s;
    Code1DPageModel page{s};
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
    size_t SlotOff(int font) const { return 596 + 36 * size_t(font); }
};

}  // namespace

TEST_F(Page1D, OpensOnFontOneWithItsSampleData) {
    EXPECT_EQ(page.font(), 0);
    EXPECT_EQ(page.group(), Group1D::General);
    EXPECT_EQ(page.data(), u"123456789012");
    EXPECT_EQ(page.fieldText(Field1D::BarHeight), u"163");
    EXPECT_FALSE(page.hriFontEnabled());
    EXPECT_FALSE(page.compositeRowHeightEnabled());
    EXPECT_FALSE(page.expandedEnabled());
    EXPECT_EQ(page.sizeMm(), u" 23.0");  // the default size 163, stored as it is
    EXPECT_EQ(page.sizePoints(), u" 65.0");
    EXPECT_FALSE(page.changed());
}

// Typed values are clamped as they are typed, stored, and shown back.
TEST_F(Page1D, NumericFieldsClampAsTyped) {
    struct Case {
        Field1D f;
        std::u16string typed;
        std::u16string shown;
        size_t off;
        int width;
        uint32_t stored;
    };
    const Case cases[] = {
        {Field1D::Gs1RowHeight, u"1", u"2", 24, 4, 2},
        {Field1D::Gs1RowHeight, u"251", u"250", 24, 4, 250},
        {Field1D::BarHeight, u"0", u"1", 4, 4, 1},
        {Field1D::BarHeight, u"300", u"255", 4, 4, 255},
        {Field1D::BarHeight, u"", u"1", 4, 4, 1},
        {Field1D::BarHeight, u"99999999999999", u"255", 4, 4, 255},
        {Field1D::ElementWidth, u"", u"2", 1, 1, 2},
        {Field1D::ElementWidth, u"7", u"6", 1, 1, 6},
        {Field1D::Gs1ElementWidth, u"0", u"1", 20, 1, 1},
        {Field1D::Gs1CompositeRowHeight, u"0", u"1", 28, 4, 1},
        {Field1D::Gs1SeparatorHeight, u"11", u"10", 32, 1, 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(page.EditNumber(c.f, c.typed), c.shown);
        EXPECT_EQ(page.fieldText(c.f), c.shown);
        const uint32_t got = c.width == 4 ? GetU32(Rec(), SlotOff(0) + c.off) : Rec()[SlotOff(0) + c.off];
        EXPECT_EQ(got, c.stored) << int(c.f);
    }
    EXPECT_TRUE(page.changed());
}

TEST_F(Page1D, ElementWidthSetsCellWidthAndLeavesFontSize) {
    page.EditNumber(Field1D::ElementWidth, u"5");
    EXPECT_EQ(GetU32(Rec(), SlotOff(0) + 12), 40u);
    EXPECT_EQ(GetU32(Rec(), SlotOff(0) + 16), 163u);  // the default, not recomputed
}

TEST_F(Page1D, FontSizeFollowsHeightAndHri) {
    page.EditNumber(Field1D::BarHeight, u"163");
    EXPECT_EQ(s.barcode1D[0].fontSize, 162u);
    page.SelectHriPosition(2);
    EXPECT_TRUE(page.hriFontEnabled());
    EXPECT_EQ(s.barcode1D[0].fontSize, 187u);
    page.SelectHriPosition(3);
    page.SelectHriFont(1);
    EXPECT_EQ(s.barcode1D[0].fontSize, 197u);
    // The displays change only on apply (and on open or font change).
    EXPECT_EQ(page.sizePoints(), u" 65.0");
    page.Apply();
    EXPECT_EQ(page.sizePoints(), u" 79.0");
    EXPECT_EQ(page.sizeMm(), u" 27.8");
    EXPECT_FALSE(page.changed());
    page.SelectHriPosition(0);
    EXPECT_FALSE(page.hriFontEnabled());
}

TEST_F(Page1D, TypeChangeStoresSwitchesGroupAndSetsSample) {
    page.SelectType(12);
    EXPECT_EQ(s.barcode1D[0].type, 12);
    EXPECT_EQ(page.group(), Group1D::Gs1);
    EXPECT_TRUE(page.expandedEnabled());
    EXPECT_EQ(page.data(), u"01234567890123");
    EXPECT_TRUE(page.changed());
    page.SelectType(9);
    EXPECT_FALSE(page.expandedEnabled());
    page.SelectType(13);  // not in the list: ignored
    EXPECT_EQ(s.barcode1D[0].type, 9);
}

TEST_F(Page1D, SwitchingToAGs1FontShowsItsValuesWithIndependence) {
    s.barcode1D[4].type = 12;
    s.barcode1D[4].gs1RowHeight = 77;
    s.barcode1D[4].gs1Hri = 3;
    page.SetComposite(true);
    EXPECT_TRUE(page.compositeRowHeightEnabled());
    page.SelectFont(4);
    EXPECT_EQ(page.group(), Group1D::Gs1);
    EXPECT_FALSE(page.composite());
    EXPECT_FALSE(page.compositeRowHeightEnabled());
    EXPECT_TRUE(page.expandedEnabled());
    EXPECT_EQ(page.fieldText(Field1D::Gs1RowHeight), u"77");
    EXPECT_EQ(page.hriContent(), 2);
    EXPECT_EQ(page.data(), u"01234567890123");
    EXPECT_FALSE(page.changed());  // loading a font stores nothing
    // Edits now go to font 5's slot.
    page.EditNumber(Field1D::Gs1RowHeight, u"120");
    EXPECT_EQ(GetU32(Rec(), SlotOff(4) + 24), 120u);
    EXPECT_EQ(s.barcode1D[0].gs1RowHeight, 100u);
}

TEST_F(Page1D, ListsStoreTheirPositions) {
    page.SelectHriContent(3);
    page.SelectExpanded(0);
    EXPECT_EQ(s.barcode1D[0].gs1Hri, 4);
    EXPECT_EQ(s.barcode1D[0].gs1ApplyAi, 0);
    page.SelectHriContent(4);  // out of the list: ignored
    EXPECT_EQ(s.barcode1D[0].gs1Hri, 4);
}

TEST_F(Page1D, PrintButtonFollowsTheDataField) {
    page.SetData(u"");
    EXPECT_FALSE(page.printEnabled());
    page.SetData(u"1");
    EXPECT_TRUE(page.printEnabled());
    page.SetData(std::u16string(500, u'1'));
    EXPECT_EQ(page.data().size(), kSampleDataMaxChars);
}

TEST_F(Page1D, RejectedDataShowsTheMessageAndSendsNothing) {
    page.SetData(u"12345");
    auto out = page.Print(m.spooler, h, 1252);
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->key, "MB_1DCODE_ERROR1");
    EXPECT_EQ(out.message->captionKey, "MB_ERROR");
    EXPECT_FALSE(out.sent);
    EXPECT_TRUE(m.spooler.jobs.empty());
    // Characters outside the code page do not pass as digits.
    page.SetData(u"12345678901\u4E2D");
    EXPECT_TRUE(page.Print(m.spooler, h, 1252).message.has_value());
}

TEST_F(Page1D, PrintSendsTheSampleOfTheCurrentFont) {
    page.SelectFont(7);  // Code128
    page.SetData(u"{C1234");
    auto out = page.Print(m.spooler, h, 1252);
    EXPECT_FALSE(out.message.has_value());
    EXPECT_TRUE(out.sent);
    EXPECT_EQ(out.error, platform::kOk);
    ASSERT_EQ(m.spooler.jobs.size(), 1u);
    EXPECT_EQ(m.spooler.jobs[0].docName, "Barcode");
    auto plan = barcode::Plan1DSample(s.barcode1D[7], {'{', 'C', '1', '2', '3', '4'});
    EXPECT_EQ(m.spooler.jobs[0].data, barcode::Flatten(plan.writes));
}

TEST_F(Page1D, SpoolerFailureIsReportedWithoutMessage) {
    m.faults.FailOn("WritePrinter", 2, platform::kErrWriteFault);
    auto out = page.Print(m.spooler, h, 1252);
    EXPECT_FALSE(out.message.has_value());
    EXPECT_EQ(out.error, platform::kErrWriteFault);
    ASSERT_EQ(m.spooler.jobs.size(), 1u);
    EXPECT_TRUE(m.spooler.jobs[0].ended);
}

TEST_F(Page1D, AFirstFontOfTypeExpandedOpensWithItsListEnabled) {
    s.barcode1D[0].type = 12;
    Code1DPageModel fresh(s);
    fresh.Open();
    EXPECT_EQ(fresh.group(), Group1D::Gs1);
    EXPECT_TRUE(fresh.expandedEnabled());
}

TEST(Code1DTexts, ListKeysAndMessageAreBuiltIn) {
    for (auto keys : {std::span<const std::string_view>(k1DHriPositionKeys),
                      std::span<const std::string_view>(k1DHriContentKeys),
                      std::span<const std::string_view>(k1DExpandedKeys)})
        for (auto k : keys) EXPECT_NE(FindBuiltIn("1DCODE", k), nullptr) << k;
    const BuiltInText* t = FindBuiltIn("MessageBox", kMsg1DCodeError.key);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->english, u"BarCode data error!");
    EXPECT_EQ(kMsg1DCodeError.captionKey, "MB_ERROR");
}
