#include "prnui/pages/layout_model.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace k20::prnui {
namespace {

LayoutInputs Inputs() {
    LayoutInputs in;
    in.languages = {{u"English", "ENG_K20.res", u"System Language"},
                    {u"简体中文", "CHN_K20.res", u"系统语言"}};
    in.systemLanguageEntry = u"System Language";
    in.currentLanguageFile = "ENG_K20.res";
    in.firstRun = u"FALSE";
    in.paperNames = {u"Roll Paper 80 x 297 mm", u"Roll Paper 58 x 297 mm",
                     u"A very long user paper name that does not fit"};
    in.paperSelection = 0;
    return in;
}

class Layout : public ::testing::Test {
  protected:
    void SetUp() override { SetDefaults(s, u"C:\\Windows\\system32"); }
    PrivateSettings s{};
};

TEST_F(Layout, ZoomOnWithNoShowsMessageOnceAndGreysRadios) {
    s.printAsImage = 0;
    LayoutPageModel m(s, Inputs());
    EXPECT_TRUE(m.radiosEnabled());
    EXPECT_FALSE(m.yesChecked());

    auto msg = m.SetZoom(true);
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->key, "MB_LAYOUT_INFORMATION1");
    EXPECT_EQ(msg->icon, MessageIcon::Information);
    EXPECT_TRUE(m.yesChecked());
    EXPECT_FALSE(m.radiosEnabled());
    EXPECT_TRUE(m.scaleEnabled());
    EXPECT_EQ(s.printAsImage, 1);
    EXPECT_EQ(s.zoomEnabled, 1);

    EXPECT_FALSE(m.SetZoom(false).has_value());
    EXPECT_TRUE(m.yesChecked());
    EXPECT_TRUE(m.radiosEnabled());
    EXPECT_FALSE(m.scaleEnabled());
    EXPECT_EQ(s.printAsImage, 1);

    EXPECT_FALSE(m.SetZoom(true).has_value());  // "Yes" already: no second message
    EXPECT_TRUE(m.changed());
}

TEST_F(Layout, ScaleIsLimitedAsTyped) {
    LayoutPageModel m(s, Inputs());
    struct Row {
        const char16_t* typed;
        int stored;
        std::optional<int> spin;
    } rows[] = {{u"0", 10, 10},
                {u"150", 100, 100},
                {u"5", 5, std::nullopt},
                {u"100", 100, std::nullopt},
                {u"10", 10, std::nullopt},
                {u"", 10, 10}};
    for (const auto& r : rows) {
        EXPECT_EQ(m.TypeScale(r.typed), r.spin);
        EXPECT_EQ(s.zoomScale, r.stored);
    }
}

TEST_F(Layout, LogSwitchSetsTheFileKinds) {
    s.logEnabled = 0;
    LayoutPageModel m(s, Inputs());
    EXPECT_FALSE(m.logControlsEnabled());
    m.SetLog(true);
    EXPECT_TRUE(m.logControlsEnabled());
    EXPECT_EQ(s.logEnabled, 1);
    EXPECT_TRUE(m.savePrn());
    EXPECT_FALSE(m.saveBmp());
    EXPECT_FALSE(m.saveJpeg());
    m.SetSaveBmp(true);
    m.SetSaveJpeg(true);
    m.SetLog(false);
    EXPECT_FALSE(m.logControlsEnabled());
    EXPECT_EQ(s.logEnabled + s.logSavePrn + s.logSaveBmp + s.logSaveJpeg, 0);
}

TEST_F(Layout, LogFolderTooLongIsRefusedNotCut) {
    LayoutPageModel m(s, Inputs());
    const std::u16string before = s.logFolder.get();
    std::u16string longPath = u"D:\\" + std::u16string(253, u'x');  // 256 characters
    auto msg = m.ChooseLogFolder(longPath);
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->key, kMbPathTooLong);
    EXPECT_EQ(s.logFolder.get(), before);
    longPath.pop_back();
    EXPECT_FALSE(m.ChooseLogFolder(longPath).has_value());
    EXPECT_EQ(s.logFolder.get(), longPath);
}

TEST(LayoutViewer, ArgumentsAreModelAndFolderQuoted) {
    const ViewerLaunch v = MakeViewerLaunch(u"C:\\WINDOWS\\system32", u"D:\\Logs");
    EXPECT_EQ(v.program, u"C:\\PellamorDriverlog\\logviewer.exe");
    EXPECT_EQ(v.parameters, u"\"K-20\" \"D:\\Logs\"");
    // A root folder's backslash would otherwise escape the closing quote.
    EXPECT_EQ(MakeViewerLaunch(u"C:\\WINDOWS\\system32", u"D:\\").parameters, u"\"K-20\" \"D:\\\\\"");
    EXPECT_EQ(MakeViewerLaunch(u"C:\\WINDOWS\\system32", u"\\\\srv\\logs\\").parameters,
              u"\"K-20\" \"\\\\srv\\logs\\\\\"");
    EXPECT_EQ(ViewerLaunchFailure(2, 10, 0)->key, "MB_LAYOUT_VIEWER");
    EXPECT_FALSE(ViewerLaunchFailure(2, 5, 0).has_value());
    EXPECT_TRUE(ViewerLaunchFailure(2, 5, 1).has_value());
    EXPECT_FALSE(ViewerLaunchFailure(5, 10, 0).has_value());
}

TEST_F(Layout, LanguageListAndApply) {
    LayoutPageModel m(s, Inputs());
    ASSERT_EQ(m.languageItems().size(), 3u);
    EXPECT_EQ(m.languageItems()[2], u"System Language");
    EXPECT_EQ(m.languageIndex(), 0);

    m.SelectLanguage(2);
    EXPECT_TRUE(m.changed());
    EXPECT_EQ(m.Apply(), (std::vector<LanguageWrite>{{"ENG_K20.res", "TRUE"}}));

    m.SelectLanguage(1);
    EXPECT_EQ(m.Apply(), (std::vector<LanguageWrite>{{"CHN_K20.res", "FALSE"}}));
}

TEST_F(Layout, FirstRunSelectsTheSystemLanguageEntry) {
    LayoutInputs in = Inputs();
    in.firstRun = u"TRUE";
    LayoutPageModel m(s, in);
    EXPECT_EQ(m.languageIndex(), 2);
    in.currentLanguageFile = "CHN_K20.res";
    in.firstRun = u"FALSE";
    EXPECT_EQ(LayoutPageModel(s, in).languageIndex(), 1);
}

TEST_F(Layout, CurrentLanguageOutsideTheListSelectsNothingAndWritesNothing) {
    // An older list file, or a language the user's list does not have.
    for (const char* firstRun : {"FALSE", "TRUE"}) {
        LayoutInputs in = Inputs();
        in.currentLanguageFile = "CHF_K20.res";
        in.firstRun = Utf8ToUtf16(firstRun);
        LayoutPageModel m(s, in);
        EXPECT_EQ(m.languageIndex(), -1) << firstRun;
        EXPECT_TRUE(m.Apply().empty()) << firstRun;
        m.SelectLanguage(-1);
        m.SelectLanguage(3);
        EXPECT_TRUE(m.Apply().empty()) << firstRun;
        m.SelectLanguage(1);
        EXPECT_EQ(m.Apply(), (std::vector<LanguageWrite>{{"CHN_K20.res", "FALSE"}})) << firstRun;
    }
    // First run with a system-language text that no entry carries.
    LayoutInputs in = Inputs();
    in.firstRun = u"TRUE";
    in.languages[0].systemText = u"Systemsprache";
    EXPECT_EQ(LayoutPageModel(s, in).languageIndex(), -1);
}

TEST_F(Layout, WatermarkDisablesRadiosWithYes) {
    s.watermarkMode = 2;
    s.printAsImage = 1;
    LayoutPageModel m(s, Inputs());
    EXPECT_FALSE(m.radiosEnabled());
    EXPECT_TRUE(m.yesChecked());
    // The Watermark page switches the watermark off and clears printAsImage.
    s.watermarkMode = 0;
    s.printAsImage = 0;
    m.SetActive(1);
    EXPECT_TRUE(m.radiosEnabled());
    EXPECT_FALSE(m.yesChecked());
    EXPECT_EQ(m.paperIndex(), 1);
}

TEST_F(Layout, PaperNameKeepsThirtyOneCharacters) {
    s.paperSizeName.set(u"Roll Paper 58 x 297 mm");
    LayoutPageModel m(s, Inputs());
    EXPECT_EQ(m.paperIndex(), 1);
    EXPECT_EQ(m.SelectPaper(2), 2);
    EXPECT_EQ(s.paperSizeName.get(), u"A very long user paper name tha");
}

TEST_F(Layout, RotationPassesThroughApply) {
    s.rotate180 = 1;
    LayoutPageModel m(s, Inputs());
    EXPECT_FALSE(m.radiosEnabled());
    m.Apply();
    EXPECT_EQ(s.rotate180, 1);
}

}  // namespace
}  // namespace k20::prnui
