#include <gtest/gtest.h>

#include <cstring>

#include "prnui/core/plugin_logic.h"

using namespace k20::prnui;

TEST(GetInfo, SignatureVersionAndRefusals) {
    uint8_t buf[8] = {};
    uint32_t needed = 99;
    EXPECT_EQ(GetInfo(kOemGiGetSignature, buf, 4, &needed), CallResult{});
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), (std::vector<uint8_t>{0x52, 0x4C, 0x50, 0x00}));
    EXPECT_EQ(GetInfo(kOemGiGetVersion, buf, 8, &needed), CallResult{});
    EXPECT_EQ(buf[0], 1);

    needed = 0;
    EXPECT_EQ(GetInfo(kOemGiGetSignature, buf, 3, &needed),
              (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    EXPECT_EQ(needed, 4u);
    needed = 0;
    EXPECT_EQ(GetInfo(kOemGiGetVersion, nullptr, 4, &needed),
              (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    EXPECT_EQ(needed, 4u);
    needed = 7;
    EXPECT_EQ(GetInfo(kOemGiGetPublisherInfo, buf, 4, &needed), (CallResult{kE_FAIL, kERROR_NOT_SUPPORTED}));
    EXPECT_EQ(needed, 0u);
    needed = 0;
    EXPECT_EQ(GetInfo(kOemGiGetPublisherInfo, buf, 2, &needed),
              (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(GetInfo(kOemGiGetInterfaceVersion, buf, 4, &needed),
              (CallResult{kE_FAIL, kERROR_INVALID_PARAMETER}));
    EXPECT_EQ(GetInfo(9, buf, 4, &needed), (CallResult{kE_FAIL, kERROR_INVALID_PARAMETER}));
    EXPECT_EQ(GetInfo(kOemGiGetSignature, buf, 4, nullptr), (CallResult{kE_FAIL, kERROR_INVALID_PARAMETER}));
}

TEST(QueryColorProfile, NameOnlyWithRoomFor32Bytes) {
    char16_t name[16];
    std::memset(name, 0xCC, sizeof name);
    uint32_t size = 31, flags = 0;
    EXPECT_EQ(QueryColorProfile(kQcpDeviceProfile, name, &size, &flags),
              (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(name[0], 0xCCCC);  // untouched
    EXPECT_EQ(QueryColorProfile(kQcpDeviceProfile, name, &size, &flags), CallResult{});
    EXPECT_EQ(std::u16string(name), u"OEMPROFILE.icm");
    EXPECT_EQ(flags, 2u);
    size = 64;
    EXPECT_EQ(QueryColorProfile(kQcpDeviceProfile, nullptr, &size, &flags),
              (CallResult{kE_FAIL, kERROR_INSUFFICIENT_BUFFER}));
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(QueryColorProfile(1, name, &size, &flags).hr, kE_FAIL);
    EXPECT_EQ(QueryColorProfile(kQcpDeviceProfile, name, nullptr, &flags).hr, kE_FAIL);
}
