#include "prnui/pages/watermark_model.h"

#include <gtest/gtest.h>

#include "prnui/pages/watermark_bitmap.h"

namespace k20::prnui {
namespace {

class Watermark : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDefaults(s, u"C:\\Windows\\system32");
        s.printAsImage = 0;
    }
    WatermarkPageModel Page() { return WatermarkPageModel(s, {u"Arial", u"Arial Black", u"Courier New"}); }
    PrivateSettings s{};
};

TEST_F(Watermark, ImageOrTextMessageOnlyTheFirstTime) {
    auto m = Page();
    auto first = m.ChooseMode(kWatermarkImage);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->key, "MB_WATERMARK_INFORMATION1");
    EXPECT_EQ(s.printAsImage, 1);
    EXPECT_FALSE(m.ChooseMode(kWatermarkText).has_value());
    EXPECT_FALSE(m.ChooseMode(kWatermarkImage).has_value());
    EXPECT_FALSE(m.ChooseMode(kWatermarkNone).has_value());
    EXPECT_EQ(s.printAsImage, 0);
    EXPECT_TRUE(m.ChooseMode(kWatermarkText).has_value());
}

TEST(WatermarkEnables, ByMode) {
    EXPECT_EQ(EnablesFor(0), (WatermarkEnables{false, false, false}));
    EXPECT_EQ(EnablesFor(1), (WatermarkEnables{true, false, true}));
    EXPECT_EQ(EnablesFor(2), (WatermarkEnables{false, true, true}));
    EXPECT_EQ(EnablesFor(7), (WatermarkEnables{false, false, false}));
}

TEST_F(Watermark, UnknownStoredModeShowsNone) {
    s.watermarkMode = 5;
    EXPECT_EQ(Page().mode(), kWatermarkNone);
}

TEST_F(Watermark, TiledKeepsSizeAtLeastTwenty) {
    s.watermarkSize = 10;
    auto m = Page();
    EXPECT_EQ(m.SelectPosition(kTiledPosition), 20);
    EXPECT_EQ(s.watermarkSize, 20);
    m.MoveSliders(30, 5, 100);
    EXPECT_EQ(s.watermarkSize, 20);
    EXPECT_EQ(s.watermarkAngle, 30u);
    EXPECT_EQ(s.watermarkBrightness, 100);
    EXPECT_FALSE(m.SelectPosition(0).has_value());
    m.MoveSliders(30, 5, 100);
    EXPECT_EQ(s.watermarkSize, 5);
}

TEST_F(Watermark, FontSizeLimits) {
    auto m = Page();
    EXPECT_EQ(m.TypeFontSize(u"99"), 72);
    EXPECT_EQ(s.watermarkFontSize, 72);
    EXPECT_FALSE(m.TypeFontSize(u"5").has_value());
    EXPECT_EQ(s.watermarkFontSize, 5);
    EXPECT_EQ(m.LeaveFontSize(), 8);
    EXPECT_EQ(s.watermarkFontSize, 8);
    EXPECT_FALSE(m.LeaveFontSize().has_value());
}

TEST_F(Watermark, TextIsCutToFifteenCharacters) {
    auto m = Page();
    EXPECT_EQ(m.text(), u"CONFIDENTIAL");  // empty stored text selects the first preset
    m.TypeText(u"ABCDEFGHIJKLMNOP");
    EXPECT_EQ(s.watermarkText.get(), u"ABCDEFGHIJKLMNO");
    m.SelectPreset(7);
    EXPECT_EQ(s.watermarkText.get(), u"FILE COPY");
}

TEST_F(Watermark, FontFaceStoresAtMostFortyNineCharactersWithTerminator) {
    const std::u16string longFace(60, u'F');
    WatermarkPageModel m(s, {u"Arial", longFace});
    m.SelectFace(1);
    EXPECT_EQ(s.watermarkFontFace.get(), std::u16string(49, u'F'));
    EXPECT_EQ(s.watermarkFontFace.bytes[98], 0);
    EXPECT_EQ(s.watermarkFontFace.bytes[99], 0);
}

TEST_F(Watermark, FaceSelectionByPrefixOfTheStoredFace) {
    s.watermarkFontFace.set(u"Arial B");
    EXPECT_EQ(Page().faceIndex(), 1);
    s.watermarkFontFace.set(u"Nothing");
    EXPECT_EQ(Page().faceIndex(), 0);
}

TEST_F(Watermark, BrowseResults) {
    auto m = Page();
    EXPECT_EQ(m.BrowseResult(u"C:\\x.bmp", CopyResult::CannotCreate)->key, "MB_WATERMARK_ERROR2");
    EXPECT_EQ(m.BrowseResult(u"C:\\x.bmp", CopyResult::Unsupported)->key, "MB_WATERMARK_ERROR5");
    EXPECT_EQ(m.BrowseResult(u"", CopyResult::Done)->key, "MB_WATERMARK_ERROR6");
    m.BitmapReloaded();
    EXPECT_FALSE(m.BrowseResult(u"C:\\x.bmp", CopyResult::Done).has_value());
    EXPECT_EQ(s.watermarkBitmapPath.get(), u"C:\\x.bmp");
    EXPECT_TRUE(m.reloadDue());
    EXPECT_TRUE(m.changed());
}

TEST_F(Watermark, ClickingTheCurrentModeCountsOnlyWhenAlsoStored) {
    auto m = Page();
    EXPECT_TRUE(m.IsCurrentMode(kWatermarkNone));
    EXPECT_FALSE(m.IsCurrentMode(kWatermarkText));
    // A stored mode the page does not know shows as none; clicking none stores it.
    s.watermarkMode = 5;
    auto unknown = Page();
    EXPECT_FALSE(unknown.IsCurrentMode(kWatermarkNone));
    unknown.ChooseMode(kWatermarkNone);
    EXPECT_TRUE(unknown.IsCurrentMode(kWatermarkNone));
}

TEST_F(Watermark, ApplyIsRefusedWhenTheRenderedTextWasNotWritten) {
    auto m = Page();
    m.ChooseMode(kWatermarkText);
    ASSERT_TRUE(m.Apply());
    const auto refused = m.RenderedTextWritten(false);
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->key, "MB_WATERMARK_ERROR2");
    EXPECT_EQ(refused->icon, MessageIcon::Error);
    EXPECT_TRUE(m.changed()) << "the change is still to be applied";
    EXPECT_FALSE(m.RenderedTextWritten(true).has_value());
    EXPECT_FALSE(m.changed());
}

TEST_F(Watermark, RenderedTextIsTheKeptText) {
    auto m = Page();
    m.TypeText(u"ABCDEFGHIJKLMNOPQ");
    EXPECT_EQ(m.text(), u"ABCDEFGHIJKLMNOP");
    EXPECT_EQ(m.keptText(), u"ABCDEFGHIJKLMNO");
    EXPECT_EQ(m.keptText(), s.watermarkText.get());
}

TEST_F(Watermark, PathLongerThanTheFieldIsRefused) {
    auto m = Page();
    const std::u16string fits = u"C:\\" + std::u16string(117, u'p') + u".bmp";  // 124
    const std::u16string tooLong = u"C:\\" + std::u16string(118, u'p') + u".bmp";
    ASSERT_EQ(fits.size(), 124u);
    EXPECT_EQ(WatermarkPageModel::CheckBrowsePath(tooLong)->key, kMbPathTooLong);
    EXPECT_EQ(m.BrowseResult(tooLong, CopyResult::Done)->key, kMbPathTooLong);
    EXPECT_EQ(s.watermarkBitmapPath.get(), u"");
    EXPECT_FALSE(m.BrowseResult(fits, CopyResult::Done).has_value());
    EXPECT_EQ(s.watermarkBitmapPath.get(), fits);
}

TEST_F(Watermark, ApplyInTextModeStoresFaceAndText) {
    auto m = Page();
    m.ChooseMode(kWatermarkText);
    m.SelectFace(2);
    m.TypeText(u"PAID");
    s.printAsImage = 0;
    EXPECT_TRUE(m.Apply());
    EXPECT_EQ(s.watermarkMode, 2);
    EXPECT_EQ(s.printAsImage, 1);
    EXPECT_EQ(s.watermarkFontFace.get(), u"Courier New");
    EXPECT_EQ(s.watermarkText.get(), u"PAID");
    m.ChooseMode(kWatermarkNone);
    EXPECT_FALSE(m.Apply());
}

TEST(WatermarkMessages, LoadFailureShownOnce) {
    OnceOnlyMessages once;
    EXPECT_TRUE(once.Filter(ErrorMessage("MB_WATERMARK_ERROR1")).has_value());
    EXPECT_FALSE(once.Filter(ErrorMessage("MB_WATERMARK_ERROR2")).has_value());
    EXPECT_FALSE(once.Filter(std::nullopt).has_value());
}

}  // namespace
}  // namespace k20::prnui
