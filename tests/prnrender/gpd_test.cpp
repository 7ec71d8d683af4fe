// K20.GPD as Unidrv will read it: what it names must exist, in the plug-in, in the
// resource DLL and in the file itself.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "prnrender/callbacks.h"
#include "prnrender/font_metrics.h"
#include "tests/prnrender/gpd_reader.h"

using namespace k20;
using namespace k20::test;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

const std::string kRoot = K20_SOURCE_DIR;

class GpdTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        text_ = ReadText(kRoot + "/package/" + GetParam() + "/K20.GPD");
        ASSERT_FALSE(text_.empty());
        gpd_ = ParseGpd(text_);
        ASSERT_EQ(gpd_.error, "");
    }
    const GpdEntry* Feature(std::string_view name) const {
        for (auto* f : gpd_.root.All("Feature"))
            if (f->value == name) return f;
        return nullptr;
    }
    std::vector<const GpdEntry*> Everything() const {
        std::vector<const GpdEntry*> all;
        gpd_.root.Walk(all);
        return all;
    }
    std::string text_;
    GpdFile gpd_;
};

}  // namespace

TEST(GpdReader, ReadsConstructsValuesAndComments) {
    GpdFile f = ParseGpd(
        "*% comment\n*A: \"x { y }\"\n*Feature: F\n{\n  *Option: O { *Cmd: \"\" }\n  *P: %d{Dest} *% "
        "trailing\n}\n");
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.root.children.size(), 2u);
    EXPECT_EQ(f.root.children[0].value, "\"x { y }\"");
    const GpdEntry& feat = f.root.children[1];
    ASSERT_EQ(feat.children.size(), 2u);
    EXPECT_EQ(feat.children[0].Find("Cmd")->value, "\"\"");
    EXPECT_EQ(feat.children[1].value, "%d{Dest}");
    EXPECT_NE(ParseGpd("*F: x\n{\n").error, "");
    EXPECT_NE(ParseGpd("}\n").error, "");
    EXPECT_NE(ParseGpd("*A: \"open\n").error, "");
    EXPECT_EQ(ListValues("LIST(1, 2,30)"), (std::vector<int>{1, 2, 30}));
}

TEST_P(GpdTest, NamesItselfTheResourceDllAndTheStandardNames) {
    EXPECT_EQ(Unquote(gpd_.root.Find("GPDFileName")->value), "K20.GPD");
    EXPECT_EQ(Unquote(gpd_.root.Find("ResourceDLL")->value), "K20RES.DLL");
    EXPECT_EQ(Unquote(gpd_.root.Find("Include")->value), "StdNames.gpd");
    EXPECT_EQ(gpd_.root.Find("MasterUnits")->value, "PAIR(203, 203)");
}

TEST_P(GpdTest, EveryCallbackIsOneThePlugInHandlesAndEveryOperationPointIsDeclared) {
    const std::set<int> handled = {prnrender::kCbStartDoc,     prnrender::kCbStartPage,
                                   prnrender::kCbEndPage,      prnrender::kCbEndDoc,
                                   prnrender::kCbDensityLight, prnrender::kCbDensityNormal,
                                   prnrender::kCbDensityDark,  prnrender::kCbYMoveAbsolute};
    std::set<int> declared;
    for (const GpdEntry* e : Everything()) {
        if (e->key == "CallbackID") {
            const int id = std::stoi(e->value);
            EXPECT_TRUE(handled.count(id)) << "line " << e->line << ": callback " << id;
            declared.insert(id);
        }
        if (e->key == "IPCallbackID") {
            EXPECT_EQ(std::stoi(e->value), int(prnrender::kImageProcessingCallback));
        }
    }
    EXPECT_EQ(declared, handled);
    const std::pair<const char*, int> points[] = {{"CmdStartDoc", prnrender::kCbStartDoc},
                                                  {"CmdStartPage", prnrender::kCbStartPage},
                                                  {"CmdEndPage", prnrender::kCbEndPage},
                                                  {"CmdEndJob", prnrender::kCbEndDoc},
                                                  {"CmdYMoveAbsolute", prnrender::kCbYMoveAbsolute}};
    for (auto [name, id] : points) {
        const GpdEntry* cmd = nullptr;
        for (auto* c : gpd_.root.All("Command"))
            if (c->value == name) cmd = c;
        ASSERT_TRUE(cmd) << name;
        ASSERT_TRUE(cmd->Find("CallbackID")) << name;
        EXPECT_EQ(std::stoi(cmd->Find("CallbackID")->value), id) << name;
    }
}

TEST_P(GpdTest, DeviceFontsAreTheResourceDllsFonts) {
    std::vector<int> listed = ListValues(gpd_.root.Find("DeviceFonts")->value);
    std::vector<int> fonts;
    for (auto& f : prnrender::DeviceFonts()) fonts.push_back(int(f.resourceId));
    EXPECT_EQ(listed, fonts);
    // Each number is a metric-file resource of the resource DLL, and the glyph table is there.
    const std::string rc = ReadText(kRoot + "/prnrender/k20res.rc");
    for (auto& f : prnrender::DeviceFonts()) {
        std::regex line(std::to_string(f.resourceId) + " " + std::to_string(prnrender::kResourceTypeUfm) +
                        " \"prnrender/fonts/" + f.fileName + "\"");
        EXPECT_TRUE(std::regex_search(rc, line)) << f.fileName;
    }
    EXPECT_NE(rc.find(std::to_string(prnrender::kGlyphSetResourceId) + " " +
                      std::to_string(prnrender::kResourceTypeGtt) + " \"prnrender/fonts/K20.GTT\""),
              std::string::npos);
}

TEST_P(GpdTest, EveryFeaturesDefaultIsOneOfItsOptions) {
    auto features = gpd_.root.All("Feature");
    EXPECT_GE(features.size(), 6u);
    for (const GpdEntry* f : features) {
        const GpdEntry* def = f->Find("DefaultOption");
        ASSERT_TRUE(def) << f->value;
        std::set<std::string> options;
        for (auto* o : f->All("Option"))
            EXPECT_TRUE(options.insert(o->value).second) << f->value << "." << o->value;
        EXPECT_TRUE(options.count(def->value)) << f->value << " defaults to " << def->value;
    }
}

TEST_P(GpdTest, DensityHasThreeOptionsAndTheFirstNameSaysDensity) {
    const GpdEntry* d = Feature("PrintDensity");
    ASSERT_TRUE(d);
    auto options = d->All("Option");
    ASSERT_EQ(options.size(), 3u);
    ASSERT_TRUE(options[0]->Find("Name"));
    EXPECT_NE(Unquote(options[0]->Find("Name")->value).find("Density"), std::string::npos);
    // Each option tells the plug-in its choice before the document starts.
    const int startOrder = 5;
    for (size_t i = 0; i < 3; ++i) {
        const GpdEntry* sel = options[i]->Find("Command");
        ASSERT_TRUE(sel);
        EXPECT_EQ(sel->value, "CmdSelect");
        EXPECT_EQ(std::stoi(sel->Find("CallbackID")->value), int(prnrender::kCbDensityLight + i));
        const std::string order = sel->Find("Order")->value;
        ASSERT_EQ(order.rfind("DOC_SETUP.", 0), 0u);
        EXPECT_LT(std::stoi(order.substr(10)), startOrder);
    }
}

TEST_P(GpdTest, RollPaperHasAVariableLengthAndNothingCutsByItself) {
    const GpdEntry* paper = Feature("PaperSize");
    ASSERT_TRUE(paper);
    bool custom = false;
    for (auto* o : paper->All("Option"))
        if (o->value == "CUSTOMSIZE") custom = o->Find("MaxSize") && o->Find("MinSize");
    EXPECT_TRUE(custom);
    EXPECT_EQ(paper->Find("DefaultOption")->value, "K20_80x3276");
    // The bands go to the plug-in, which alone writes the printer's bytes.
    const GpdEntry* mono = Feature("ColorMode")->Find("Option");
    EXPECT_EQ(mono->Find("DevBPP")->value, "0");
    EXPECT_EQ(mono->Find("DevNumOfPlanes")->value, "0");
    for (const GpdEntry* e : Everything())
        if (e->key == "Cmd") {
            EXPECT_EQ(e->value, "\"\"") << "line " << e->line << " sends bytes of its own";
        }
}

INSTANTIATE_TEST_SUITE_P(BothArchitectures, GpdTest, ::testing::Values("W64", "W32"));

TEST(GpdFiles, BothArchitecturesShipTheSameDescriptionAndPlugInIni) {
    EXPECT_EQ(ReadText(kRoot + "/package/W64/K20.GPD"), ReadText(kRoot + "/package/W32/K20.GPD"));
    const std::string ini = ReadText(kRoot + "/package/W64/K20UI.INI");
    EXPECT_EQ(ini, ReadText(kRoot + "/package/W32/K20UI.INI"));
    EXPECT_NE(ini.find("OEMDriverFile1=prnrender.dll"), std::string::npos);
    EXPECT_NE(ini.find("OEMConfigFile1=prnui.dll"), std::string::npos);
}
