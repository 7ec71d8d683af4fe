// The Layout page's language list and the writes made on Apply, on the simulated machine.
#include "prnui/pages/layout_language.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "platform/sim/sim_machine.h"

namespace k20::prnui {
namespace {

using platform::RegRoot;

const std::string kShipped = "C:\\Windows\\system32\\spool\\drivers\\x64\\3";
const std::string kUserDir = "C:\\Users\\user\\AppData\\Roaming\\Pellamor";

class LayoutLanguage : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::u16string list =
            u"[LANGUAGE]\r\nCOUNT=2\r\nLanguage0=English\r\nINI0=ENG_K20.res\r\nSYSLANG0=System Language\r\n"
            u"Language1=Chinese\r\nINI1=CHN_K20.res\r\nSYSLANG1=System Language\r\n";
        m.files.Put(kShipped + "\\" + kLanguageListName, EncodeUtf16LeWithBom(list));
        m.files.Put(kShipped + "\\CHN_K20.res", EncodeUtf16LeWithBom(u"[LAYOUT]\r\nRC_LAYOUTFORM=Zhu\r\n"));
        lang.StartUp();
    }
    std::string Stored(const char* name) {
        std::string v;
        m.registry.GetString(RegRoot::CurrentUser, kLanguageKey, name, v);
        return v;
    }
    platform::sim::SimMachine m;
    Language lang{m.registry, m.files, m.system};
    PrivateSettings s{};
};

TEST_F(LayoutLanguage, ListIsReadAndEveryListedFileIsCopiedForTheUser) {
    LayoutInputs in;
    ReadLanguageInputs(lang, m.registry, in);
    ASSERT_EQ(in.languages.size(), 2u);
    EXPECT_EQ(in.languages[1].name, u"Chinese");
    EXPECT_EQ(in.languages[1].file, "CHN_K20.res");
    EXPECT_EQ(in.systemLanguageEntry, u"System Language");
    EXPECT_TRUE(m.files.Exists(kUserDir + "\\CHN_K20.res"));
    EXPECT_TRUE(m.files.Exists(kUserDir + "\\" + kLanguageListName));
}

TEST_F(LayoutLanguage, MissingFirstRunIsWrittenTrueAndSelectsTheSystemEntry) {
    m.registry.DeleteValue(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue);
    LayoutInputs in;
    ReadLanguageInputs(lang, m.registry, in);
    EXPECT_EQ(Stored(kFirstRunValue), "TRUE");
    LayoutPageModel model(s, in);
    EXPECT_EQ(model.languageIndex(), 2);  // the entry after the two names
}

TEST_F(LayoutLanguage, SystemEntryAppliedFollowsTheSystemFromNextStart) {
    LayoutInputs in;
    m.registry.SetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, "FALSE");
    m.registry.SetString(RegRoot::CurrentUser, kLanguageKey, kLanguageValue, "CHN_K20.res");
    ReadLanguageInputs(lang, m.registry, in);
    LayoutPageModel model(s, in);
    EXPECT_EQ(model.languageIndex(), 1);

    model.SelectLanguage(2);
    ASSERT_TRUE(StoreLanguageChoice(lang, model.Apply()));
    EXPECT_EQ(Stored(kFirstRunValue), "TRUE");

    model.SelectLanguage(1);
    ASSERT_TRUE(StoreLanguageChoice(lang, model.Apply()));
    EXPECT_EQ(Stored(kLanguageValue), "CHN_K20.res");
    EXPECT_EQ(Stored(kFirstRunValue), "FALSE");
    EXPECT_EQ(lang.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"Zhu");
}

TEST(LayoutLanguageWithoutAppData, EnglishAloneAndNothingWritten) {
    platform::sim::SimMachine m;
    m.system.appDataDir = "";
    Language lang{m.registry, m.files, m.system};
    lang.StartUp();
    const auto paths = m.files.AllPaths();
    const auto keys = m.registry.AllKeys();
    LayoutInputs in;
    ReadLanguageInputs(lang, m.registry, in);
    ASSERT_EQ(in.languages.size(), 1u);
    EXPECT_EQ(in.languages[0].file, kEnglishFile);
    PrivateSettings s{};
    LayoutPageModel model(s, in);
    EXPECT_EQ(model.languageIndex(), 0);
    EXPECT_FALSE(StoreLanguageChoice(lang, model.Apply()));
    EXPECT_EQ(m.files.AllPaths(), paths);
    EXPECT_EQ(m.registry.AllKeys(), keys);
    std::string v;
    EXPECT_NE(m.registry.GetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, v), platform::kOk);
}

TEST_F(LayoutLanguage, FailedRegistryWriteIsReported) {
    m.faults.FailAlways("RegSetValue", platform::kErrAccessDenied);
    EXPECT_FALSE(StoreLanguageChoice(lang, {{"ENG_K20.res", "FALSE"}}));
}

}  // namespace
}  // namespace k20::prnui
