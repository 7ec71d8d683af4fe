#include <gtest/gtest.h>

#include <cstring>

#include "common/byte_reader.h"
#include "prnui/core/private_settings.h"
#include "tests/prnui/core/golden.h"

using namespace k20;
using namespace k20::prnui;

namespace {

std::vector<uint8_t> Defaults(std::u16string_view sys = u"C:\\Windows\\system32") {
    PrivateSettings s;
    SetDefaults(s, sys);
    std::vector<uint8_t> v(sizeof s);
    std::memcpy(v.data(), &s, sizeof s);
    return v;
}

CallResult RunDevMode(uint32_t mode, std::vector<uint8_t>& out, const std::vector<uint8_t>& in) {
    DevModeParam p;
    p.in = in.data();
    p.inAvailable = in.size();
    p.out = out.data();
    p.cbBufSize = uint32_t(out.size());
    return DevMode(mode, &p, u"C:\\Windows\\system32");
}

}  // namespace

TEST(PrivateSettings, DefaultRecordMatchesGoldenFileByteForByte) {
    auto d = Defaults();
    EXPECT_EQ(test::CheckGolden("default_settings.bin", d), "");
    // Spot checks that do not depend on the golden file.
    EXPECT_EQ(GetU32(d.data(), 0), 1980u);
    EXPECT_EQ(std::vector<uint8_t>(d.begin() + 4, d.begin() + 8),
              (std::vector<uint8_t>{0x52, 0x4C, 0x50, 0x00}));
    EXPECT_EQ(d[16 + 131], 12);     // startDoc.drawer
    EXPECT_EQ(d[308 + 1], 1);       // endDoc.feedToCut
    EXPECT_EQ(d[308 + 132], 1);     // endDoc.cut
    EXPECT_EQ(d[596 + 36 * 2], 3);  // slot 2 type (type 2 is no slot's default)
    EXPECT_EQ(GetU32(d.data(), 596 + 4), 163u);
    EXPECT_EQ(d[884 + 24 + 16], 2);  // barcode2D[1].gs1SeparatorHeight
    EXPECT_EQ(GetU32(d.data(), 1388), 45u);
    EXPECT_EQ(d[1395], 100);
}

TEST(PrivateSettings, DefaultLogFolderFollowsTheSystemDrive) {
    EXPECT_EQ(DefaultLogFolder(u"D:\\WINNT\\system32"), u"D:\\PellamorDriverlog\\K-20");
    PrivateSettings s;
    SetDefaults(s, u"C:\\Windows\\system32");
    EXPECT_EQ(s.logFolder.get(), u"C:\\PellamorDriverlog\\K-20");
    EXPECT_EQ(DefaultLogFolder(u"X"), u"XPellamorDriverlog\\K-20");
}

TEST(PrivateSettings, OperationBlocksRoundTripInAllThreeLayouts) {
    PrivateSettings s;
    SetDefaults(s, u"C:\\");
    for (int p = 0; p < 4; ++p) {
        OperationValues v;
        v.commandEnabled = 1;
        v.command[0] = 0x1B;
        v.command[127] = 0x7F;
        v.commandLength = 128;
        v.drawer = uint8_t(p + 1);
        v.cut = 2;
        v.feedMm = 100;
        v.herald = 1;
        v.drawerOrHerald = 1;
        v.buzzerVolume = 255;
        v.buzzer = 5;
        v.logo = 9;
        v.logoAlign = 2;
        v.logoPosition = 1;
        WriteOperation(s, OperationPoint(p), v);
        EXPECT_EQ(ReadOperation(s, OperationPoint(p)), v);
    }
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&s);
    EXPECT_EQ(b[161 + 134], 255);  // startPage.buzzerVolume sits before herald in layout B
    EXPECT_EQ(GetU32(b, 161 + 139), 1u);
    EXPECT_EQ(b[16 + 135], 0);  // reserved byte of layout A stays zero
}

TEST(DevModeOperation, SizeAndInvalidModes) {
    DevModeParam p;
    p.cbBufSize = 7;
    EXPECT_EQ(DevMode(kOemDmSize, &p, u""), CallResult{});
    EXPECT_EQ(p.cbBufSize, 1980u);
    EXPECT_EQ(DevMode(kOemDmDefault, nullptr, u""), (CallResult{kE_FAIL, kERROR_INVALID_PARAMETER}));
    EXPECT_EQ(DevMode(0, &p, u""), (CallResult{kE_FAIL, kERROR_INVALID_PARAMETER}));
    EXPECT_EQ(DevMode(5, &p, u""), (CallResult{kE_FAIL, kERROR_INVALID_PARAMETER}));
}

TEST(DevModeOperation, ConvertForeignSignatureGivesExactDefaults) {
    auto in = Defaults();
    in[4] = 'X';
    in[20] = 0x55;
    auto out = Defaults();
    std::memset(out.data() + 12, 0xAA, out.size() - 12);
    EXPECT_EQ(RunDevMode(kOemDmConvert, out, in), CallResult{});
    EXPECT_EQ(out, Defaults());
}

TEST(DevModeOperation, ConvertShortRecordKeepsItsHeadAndNewDefaultsAfter) {
    auto in = Defaults();
    std::memset(in.data() + 12, 0x11, in.size() - 12);
    PutU32(in.data(), 0, 100);
    PutU32(in.data(), 8, 7);
    auto out = Defaults();
    EXPECT_EQ(RunDevMode(kOemDmConvert, out, in), CallResult{});
    auto want = Defaults();
    std::memcpy(want.data() + 12, in.data() + 12, 88);
    EXPECT_EQ(out, want);
    EXPECT_EQ(GetU32(out.data(), 0), 1980u);
    EXPECT_EQ(GetU32(out.data(), 8), 1u);

    // A longer record is cut to the record size.
    std::vector<uint8_t> longer(3000, 0x22);
    std::memcpy(longer.data(), Defaults().data(), 12);
    PutU32(longer.data(), 0, 3000);
    out = Defaults();
    EXPECT_EQ(RunDevMode(kOemDmConvert, out, longer), CallResult{});
    EXPECT_EQ(out[1979], 0x22);
    EXPECT_EQ(GetU32(out.data(), 0), 1980u);
}

TEST(DevModeOperation, HostileSizesNeverReachOutsideTheRecords) {
    auto out = Defaults();
    // dwSize below the header: treated as a foreign record.
    std::vector<uint8_t> tiny = {4, 0, 0, 0, 0x52, 0x4C, 0x50, 0x00, 1, 0, 0, 0};
    EXPECT_EQ(RunDevMode(kOemDmConvert, out, tiny), CallResult{});
    EXPECT_EQ(out, Defaults());
    // A record that claims more than it holds is read only as far as it goes.
    std::vector<uint8_t> claims(40, 0x33);
    std::memcpy(claims.data(), Defaults().data(), 12);
    PutU32(claims.data(), 0, 0xFFFFFFFF);
    out = Defaults();
    EXPECT_EQ(RunDevMode(kOemDmMerge, out, claims), CallResult{});
    EXPECT_EQ(out[39], 0x33);
    EXPECT_EQ(out[40], Defaults()[40]);
    // An output buffer smaller than the record is refused rather than overrun.
    std::vector<uint8_t> small(100);
    EXPECT_EQ(RunDevMode(kOemDmConvert, small, Defaults()),
              (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    EXPECT_EQ(RunDevMode(kOemDmDefault, small, {}), (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    // Missing records: nothing happens, nothing fails.
    DevModeParam p;
    p.cbBufSize = 1980;
    EXPECT_EQ(DevMode(kOemDmConvert, &p, u""), CallResult{});
}

TEST(DevModeOperation, MergeRewritesHeaderAndLimitsReservedLevel) {
    for (auto [level, want] : {std::pair{101, 0}, {100, 100}, {-5, -5}, {0x7FFFFFFF, 0}}) {
        auto in = Defaults();
        PutU32(in.data(), 12, uint32_t(level));
        PutU32(in.data(), 8, 9);
        auto out = Defaults();
        EXPECT_EQ(RunDevMode(kOemDmMerge, out, in), CallResult{});
        EXPECT_EQ(int32_t(GetU32(out.data(), 12)), want) << level;
        EXPECT_EQ(GetU32(out.data(), 8), 1u);
    }
}
