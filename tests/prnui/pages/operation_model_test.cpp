#include "prnui/pages/operation_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace k20::prnui {
namespace {

std::u16string Repeat(std::u16string_view unit, int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

TEST(OperationDialog, ShowsStoredCommandAsHexText) {
    OperationValues v;
    v.command[0] = 0x0A;
    v.command[1] = 0xFF;
    v.commandLength = 2;
    v.commandEnabled = 1;
    OperationDialogModel d(OperationIndex::EndPage, v);
    EXPECT_EQ(d.commandText, u"0A FF ");
    EXPECT_TRUE(d.CommandFieldEnabled());
    EXPECT_EQ(d.TitleKey(), "RC_DOCUMENT_ENDPAGE");
}

TEST(OperationDialog, CommandOf129BytesIsRefusedAnd128Accepted) {
    OperationValues working;
    working.commandLength = 3;
    working.command[0] = 0x1B;
    const OperationValues before = working;

    OperationDialogModel d(OperationIndex::StartDoc, working);
    d.commandText = Repeat(u"1D ", 129);
    const auto msg = d.Ok(working);
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->key, "MB_OPERATION_ERROR1");
    EXPECT_EQ(msg->captionKey, "MB_ERROR");
    EXPECT_EQ(working, before);

    d.commandText = Repeat(u"1D", 128);
    EXPECT_FALSE(d.Ok(working).has_value());
    EXPECT_EQ(working.commandLength, 128);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(working.command[i], 0x1D) << i;
}

TEST(OperationDialog, ShorterCommandZeroFillsTheRest) {
    OperationValues working;
    std::memset(working.command, 0x77, sizeof working.command);
    OperationDialogModel d(OperationIndex::StartDoc, working);
    d.sendCommand = true;
    d.commandText = u"123";
    ASSERT_FALSE(d.Ok(working).has_value());
    EXPECT_EQ(working.commandLength, 2);
    EXPECT_EQ(working.command[0], 0x12);
    EXPECT_EQ(working.command[1], 0x03);
    for (int i = 2; i < 128; ++i) ASSERT_EQ(working.command[i], 0) << i;
    EXPECT_EQ(working.commandEnabled, 1);
}

TEST(OperationDialog, TypedNumbersAreLimitedNotRefused) {
    OperationValues w;
    OperationDialogModel d(OperationIndex::StartPage, w);
    EXPECT_EQ(d.TypeFeed(u"250"), 100);
    EXPECT_EQ(d.TypeVolume(u"999"), 255);
    EXPECT_EQ(d.TypeFeed(u""), 0);
    EXPECT_EQ(d.TypeFeed(u"250"), 100);
    ASSERT_FALSE(d.Ok(w).has_value());
    EXPECT_EQ(w.feedMm, 100);
    EXPECT_EQ(w.buzzerVolume, 255);
    EXPECT_FALSE(OperationDialogModel::VolumeEnabled());
}

TEST(OperationDialog, DefaultDependsOnTheOperation) {
    OperationValues w;
    w.drawer = 3;
    w.cut = 2;
    w.logo = 4;
    w.drawerOrHerald = 1;
    w.commandEnabled = 1;
    w.commandLength = 1;
    struct Row {
        OperationIndex index;
        int drawer, cut;
        bool feedToCut;
    };
    for (const Row& r :
         {Row{OperationIndex::StartDoc, 12, 0, false}, Row{OperationIndex::StartPage, 0, 0, false},
          Row{OperationIndex::EndPage, 0, 0, false}, Row{OperationIndex::EndDoc, 0, 1, true}}) {
        OperationValues working = w;
        OperationDialogModel d(r.index, working);
        d.Default();
        EXPECT_EQ(d.drawer, r.drawer) << int(r.index);
        EXPECT_EQ(d.cut, r.cut) << int(r.index);
        EXPECT_EQ(d.feedToCut, r.feedToCut) << int(r.index);
        EXPECT_FALSE(d.sendCommand);
        EXPECT_TRUE(d.commandText.empty());
        EXPECT_FALSE(d.heraldChosen);
        EXPECT_TRUE(d.DrawerListEnabled());
        EXPECT_FALSE(d.LogoPlacementEnabled());
        // Nothing reaches the working copy before OK.
        EXPECT_EQ(working, w);
    }
}

TEST(OperationDialog, EnableRulesAndPreviewPicture) {
    OperationValues w;
    OperationDialogModel d(OperationIndex::EndDoc, w);
    EXPECT_TRUE(d.DrawerListEnabled());
    EXPECT_FALSE(d.HeraldListEnabled());
    d.heraldChosen = true;
    EXPECT_FALSE(d.DrawerListEnabled());
    EXPECT_TRUE(d.HeraldListEnabled());
    EXPECT_FALSE(d.LogoPlacementEnabled());
    d.logo = 3;
    EXPECT_TRUE(d.LogoPlacementEnabled());
    EXPECT_EQ(d.PreviewIndex(), 12);
    d.cut = 2;
    EXPECT_EQ(d.PreviewIndex(), 13);
    d.feedToCut = true;
    EXPECT_EQ(d.PreviewIndex(), 15);
}

TEST(OperationDialog, HeraldListFollowsSortedTexts) {
    auto english = [](std::string_view k) { return k == "RC_ORDERMESSENGER1" ? u"Enable" : u"Disable"; };
    auto less = [](const std::u16string& a, const std::u16string& b) { return a < b; };
    const auto entries = HeraldEntries(english, less);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, u"Disable");
    EXPECT_EQ(entries[1].key, "RC_ORDERMESSENGER1");
    EXPECT_EQ(DrawerKeys().size(), 13u);
    EXPECT_EQ(BuzzerKeys().size(), 6u);
    EXPECT_EQ(CutKeys().size(), 3u);
    EXPECT_EQ(LogoKeys().size(), 10u);
}

class OperationPage : public ::testing::Test {
  protected:
    void SetUp() override { SetDefaults(s, u"C:\\Windows\\system32"); }
    PrivateSettings s{};
};

TEST_F(OperationPage, CancelLeavesTheRecordByteForByte) {
    PrivateSettings before = s;
    OperationPageModel page(s);
    for (int i = 0; i < kOperationCount; ++i) {
        const bool changed = page.Edit(OperationIndex(i), [](OperationDialogModel& d, OperationValues& w) {
            d.commandText = u"1B 40";
            d.drawer = 5;
            d.Default();
            (void)d.Ok(w);  // even a stored working copy is dropped on Cancel
            return false;
        });
        EXPECT_FALSE(changed);
    }
    EXPECT_EQ(std::memcmp(&before, &s, sizeof s), 0);
}

TEST_F(OperationPage, OkStoresIntoTheButtonsBlockOnly) {
    PrivateSettings before = s;
    OperationPageModel page(s);
    const bool changed = page.Edit(OperationIndex::EndPage, [](OperationDialogModel& d, OperationValues& w) {
        d.sendCommand = true;
        d.commandText = u"1D 56 42 00";
        d.heraldChosen = true;
        d.herald = 1;
        d.logo = 2;
        d.logoAlign = 2;
        d.logoPosition = 1;
        d.buzzer = 5;
        return !d.Ok(w).has_value();
    });
    EXPECT_TRUE(changed);
    const OperationValues v = ReadOperation(s, OperationPoint::EndPage);
    EXPECT_EQ(v.commandLength, 4);
    EXPECT_EQ(v.command[1], 0x56);
    EXPECT_EQ(v.drawerOrHerald, 1u);
    EXPECT_EQ(v.herald, 1);
    EXPECT_EQ(v.logoAlign, 2);
    EXPECT_EQ(v.logoPosition, 1);
    EXPECT_EQ(v.buzzer, 5);
    // The other blocks keep their bytes.
    EXPECT_EQ(std::memcmp(&before.startDoc, &s.startDoc, sizeof s.startDoc), 0);
    EXPECT_EQ(std::memcmp(&before.startPage, &s.startPage, sizeof s.startPage), 0);
    EXPECT_EQ(std::memcmp(&before.endDoc, &s.endDoc, sizeof s.endDoc), 0);
}

}  // namespace
}  // namespace k20::prnui
