#include <gtest/gtest.h>

#include "prnui/pages/sheet_logic.h"

namespace k20::prnui {
namespace {

TEST(SheetLogic, DensityItemIsRecognisedByLevelPubIdAndFirstOption) {
    struct Row {
        int level, pubId;
        std::u16string first;
        bool density;
    } rows[] = {
        {2, 0, u"Density 1", true},  {2, 0, u"浓度1", true},    {2, 0, u"打印濃度", true},
        {1, 0, u"Density 1", false}, {3, 0, u"Density", false}, {2, 7, u"Density", false},
        {2, 0, u"density 1", false}, {2, 0, u"Speed", false},   {2, 0, u"", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsDensityItem(r.level, r.pubId, r.first), r.density) << r.level << " " << r.pubId;
}

TEST(SheetLogic, DensityNamesFromTheLanguageFile) {
    Texts english;
    EXPECT_EQ(DensityTitle(english), u"Print Density");
    EXPECT_EQ(DensityOptionName(english, 0), u"Density0");
    EXPECT_EQ(DensityOptionName(english, 2), u"Density2");
    EXPECT_EQ(DensityOptionName(english, 10), u"Density10");
    Texts chinese(IniFile::Parse(u"[GPD]\r\nRC_DENSITY=打印浓度\r\nRC_DENSITY_INDEX=浓度\r\n"));
    EXPECT_EQ(DensityTitle(chinese), u"打印浓度");
    EXPECT_EQ(DensityOptionName(chinese, 1), u"浓度1");
}

TEST(SheetLogic, TabTitlesWithoutLanguageFileAreTheDefaults) {
    Texts none;
    std::u16string doc, dev;
    for (const auto& t : kDocumentPages) doc += PageTitle(none, t) + u"|";
    for (const auto& t : kDevicePages) dev += PageTitle(none, t) + u"|";
    EXPECT_EQ(doc, u"Main|Water Mark|Operation|1D Code|2D Code|Version|");
    EXPECT_EQ(dev, u"Utility|Download|Font|Version|");
}

}  // namespace
}  // namespace k20::prnui
