// The vendor attribute table and the job settings made from it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "printerapp/job_options.h"

namespace k20::printerapp {
namespace {

using render::Cut;
using render::Density;
using render::LogoAlign;
using render::OperationPoint;

OptionLookup Values(std::map<std::string, std::string> m) {
    return [m = std::move(m)](std::string_view name) -> const char* {
        auto it = m.find(std::string(name));
        return it == m.end() ? nullptr : it->second.c_str();
    };
}

const render::Operation& Op(const render::JobSettings& s, OperationPoint p) {
    return s.operations[static_cast<size_t>(p)];
}

TEST(VendorOptions, EveryDefaultIsOneOfItsValues) {
    for (const VendorOption& o : VendorOptions()) {
        EXPECT_TRUE(IsValidValue(o, o.defaultValue)) << o.name;
    }
}

TEST(VendorOptions, KeywordsAreIppKeywords) {
    // A keyword starts with a lowercase letter and holds lowercase letters, digits, "-".
    for (const VendorOption& o : VendorOptions()) {
        for (const char* k : o.keywords) {
            std::string s = k;
            ASSERT_FALSE(s.empty());
            EXPECT_TRUE(s[0] >= 'a' && s[0] <= 'z') << s;
            for (char c : s) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << s;
        }
    }
}

TEST(VendorOptions, RangeLimits) {
    const VendorOption* feed = FindVendorOption("feed");
    ASSERT_NE(feed, nullptr);
    EXPECT_TRUE(IsValidValue(*feed, "0"));
    EXPECT_TRUE(IsValidValue(*feed, "100"));
    EXPECT_FALSE(IsValidValue(*feed, "101"));
    EXPECT_FALSE(IsValidValue(*feed, "-1"));
    EXPECT_FALSE(IsValidValue(*feed, "10mm"));
    EXPECT_FALSE(IsValidValue(*feed, ""));
    const VendorOption* logo = FindVendorOption("logo");
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(IsValidValue(*logo, "9"));
    EXPECT_FALSE(IsValidValue(*logo, "10"));
    const VendorOption* buzzer = FindVendorOption("buzzer");
    ASSERT_NE(buzzer, nullptr);
    EXPECT_TRUE(IsValidValue(*buzzer, "20"));
    EXPECT_FALSE(IsValidValue(*buzzer, "2"));
    EXPECT_FALSE(IsValidValue(*buzzer, "21"));
    EXPECT_EQ(FindVendorOption("no-such"), nullptr);
}

TEST(JobSettings, DefaultsCutTheJobPartiallyAfterFeedingAndNothingElse) {
    render::JobSettings s = SettingsFromOptions(Values({}), 0, 50, {}, "j");
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).cut, Cut::Partial);
    EXPECT_TRUE(Op(s, OperationPoint::EndDocument).feedToCut);
    EXPECT_EQ(Op(s, OperationPoint::EndPage).cut, Cut::None);
    EXPECT_EQ(Op(s, OperationPoint::StartDocument).drawer, 0);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).buzzer, 0);
    EXPECT_EQ(Op(s, OperationPoint::StartDocument).logo, 0);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).logo, 0);
    EXPECT_EQ(s.density, Density::Normal);
    EXPECT_FALSE(s.log.enabled);
    EXPECT_EQ(s.jobName, "j");
}

TEST(JobSettings, CutValues) {
    struct Row {
        const char* value;
        Cut cut;
        bool feed;
    };
    const Row rows[] = {{"none", Cut::None, false},
                        {"partial", Cut::Partial, false},
                        {"full", Cut::Full, false},
                        {"partial-feed", Cut::Partial, true},
                        {"full-feed", Cut::Full, true}};
    for (const Row& r : rows) {
        render::JobSettings page =
            SettingsFromOptions(Values({{"cut-page", r.value}, {"cut-job", "none"}}), 0, 50, {}, "");
        EXPECT_EQ(Op(page, OperationPoint::EndPage).cut, r.cut) << r.value;
        EXPECT_EQ(Op(page, OperationPoint::EndPage).feedToCut, r.feed) << r.value;
        render::JobSettings job = SettingsFromOptions(Values({{"cut-job", r.value}}), 0, 50, {}, "");
        EXPECT_EQ(Op(job, OperationPoint::EndDocument).cut, r.cut) << r.value;
        EXPECT_EQ(Op(job, OperationPoint::EndDocument).feedToCut, r.feed) << r.value;
    }
}

TEST(JobSettings, APageCutEndsTheReceiptWithoutASecondCut) {
    render::JobSettings s = SettingsFromOptions(
        Values({{"cut-page", "partial"}, {"cut-job", "full-feed"}, {"buzzer", "1"}, {"feed", "5"}}), 0, 50,
        {}, "");
    EXPECT_EQ(Op(s, OperationPoint::EndPage).cut, Cut::Partial);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).cut, Cut::None);
    EXPECT_FALSE(Op(s, OperationPoint::EndDocument).feedToCut);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).buzzer, 1);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).feedMm, 5);
}

TEST(JobSettings, DrawerValuesFollowTheEnginesList) {
    const char* values[] = {"none",         "drawer1-10ms", "drawer1-20ms", "drawer1-40ms", "drawer1-60ms",
                            "drawer2-10ms", "drawer2-20ms", "drawer2-40ms", "drawer2-60ms", "both-10ms",
                            "both-20ms",    "both-40ms",    "both-60ms"};
    for (int i = 0; i < 13; ++i) {
        render::JobSettings s = SettingsFromOptions(Values({{"drawer", values[i]}}), 0, 50, {}, "");
        EXPECT_EQ(Op(s, OperationPoint::StartDocument).drawer, i) << values[i];
        EXPECT_FALSE(Op(s, OperationPoint::StartDocument).herald);
    }
}

TEST(JobSettings, BuzzerCountsAreTheEnginesSteps) {
    const std::pair<const char*, int> rows[] = {{"0", 0}, {"1", 1}, {"3", 2}, {"5", 3}, {"10", 4}, {"20", 5}};
    for (auto [value, index] : rows) {
        render::JobSettings s = SettingsFromOptions(Values({{"buzzer", value}}), 0, 50, {}, "");
        EXPECT_EQ(Op(s, OperationPoint::EndDocument).buzzer, index) << value;
    }
}

TEST(JobSettings, LogoAtTopOrBottomWithItsAlignment) {
    render::JobSettings top =
        SettingsFromOptions(Values({{"logo", "3"}, {"logo-align", "right"}}), 0, 50, {}, "");
    EXPECT_EQ(Op(top, OperationPoint::StartDocument).logo, 3);
    EXPECT_EQ(Op(top, OperationPoint::StartDocument).logoAlign, LogoAlign::Right);
    EXPECT_EQ(Op(top, OperationPoint::EndDocument).logo, 0);
    render::JobSettings bottom = SettingsFromOptions(
        Values({{"logo", "9"}, {"logo-position", "bottom"}, {"logo-align", "left"}}), 0, 50, {}, "");
    EXPECT_EQ(Op(bottom, OperationPoint::EndDocument).logo, 9);
    EXPECT_EQ(Op(bottom, OperationPoint::EndDocument).logoAlign, LogoAlign::Left);
    EXPECT_EQ(Op(bottom, OperationPoint::EndDocument).logoPosition, render::LogoPosition::BeforeCut);
    EXPECT_EQ(Op(bottom, OperationPoint::StartDocument).logo, 0);
    render::JobSettings none =
        SettingsFromOptions(Values({{"logo", "0"}, {"logo-position", "bottom"}}), 0, 50, {}, "");
    EXPECT_EQ(Op(none, OperationPoint::EndDocument).logo, 0);
}

TEST(JobSettings, ValuesOutsideTheirListFallBackToTheDefault) {
    render::JobSettings s = SettingsFromOptions(Values({{"feed", "101"},
                                                        {"logo", "10"},
                                                        {"buzzer", "2"},
                                                        {"drawer", "drawer3-10ms"},
                                                        {"cut-job", "half"}}),
                                                0, 50, {}, "");
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).feedMm, 0);
    EXPECT_EQ(Op(s, OperationPoint::StartDocument).logo, 0);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).buzzer, 0);
    EXPECT_EQ(Op(s, OperationPoint::StartDocument).drawer, 0);
    EXPECT_EQ(Op(s, OperationPoint::EndDocument).cut, Cut::Partial);
    render::JobSettings f = SettingsFromOptions(Values({{"feed", "100"}}), 0, 50, {}, "");
    EXPECT_EQ(Op(f, OperationPoint::EndDocument).feedMm, 100);
}

TEST(JobSettings, DarknessLimits) {
    EXPECT_EQ(DensityFor(0, 50), Density::Normal);
    EXPECT_EQ(DensityFor(-100, 50), Density::Light);
    EXPECT_EQ(DensityFor(100, 50), Density::Dark);
    EXPECT_EQ(DensityFor(-34, 50), Density::Light);   // 50 - 17 = 33
    EXPECT_EQ(DensityFor(-32, 50), Density::Normal);  // 34
    EXPECT_EQ(DensityFor(32, 50), Density::Normal);   // 66
    EXPECT_EQ(DensityFor(34, 50), Density::Dark);     // 67
    EXPECT_EQ(DensityFor(0, 0), Density::Light);
    EXPECT_EQ(DensityFor(0, 100), Density::Dark);
    EXPECT_EQ(DensityFor(500, -20), Density::Normal);  // both limited first: 0 + 50
}

TEST(JobSettings, DriverLogNeedsAFolder) {
    render::JobSettings off = SettingsFromOptions(Values({{"driver-log", "prn-bmp"}}), 0, 50, {}, "");
    EXPECT_FALSE(off.log.enabled);
    render::JobSettings on =
        SettingsFromOptions(Values({{"driver-log", "prn-bmp"}}), 0, 50, {"/logs/k20"}, "");
    EXPECT_TRUE(on.log.enabled);
    EXPECT_TRUE(on.log.savePrn);
    EXPECT_TRUE(on.log.saveBmp);
    EXPECT_FALSE(on.log.saveJpeg);
    EXPECT_EQ(on.log.folder, "/logs/k20");
}

}  // namespace
}  // namespace k20::printerapp
