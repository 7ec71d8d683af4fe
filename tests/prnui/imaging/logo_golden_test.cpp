// Byte-for-byte golden files for two pictures of ours: every working image and the full
// download streams. K20_REGENERATE_GOLDEN=1 rewrites them on purpose.
#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "prnui/imaging/logo_image.h"
#include "prnui/imaging/logo_stream.h"
#include "tests/prnui/core/golden.h"
#include "tests/prnui/imaging/golden_pictures.h"

using namespace k20;
using namespace k20::prnui;

namespace {

const char* kMethods[] = {"none", "m3", "m4", "diffuse"};

TEST(LogoGolden, PicturesThemselves) {
    EXPECT_EQ(test::CheckGolden("colour_logo.bmp", test::GoldenColourPicture()), "");
    EXPECT_EQ(test::CheckGolden("gray_logo.bmp", test::GoldenGrayPicture()), "");
}

TEST(LogoGolden, WorkingImages) {
    struct Pic {
        const char* name;
        std::vector<uint8_t> data;
        GrayVariant variant;
    } pics[] = {{"colour", test::GoldenColourPicture(), GrayVariant::Colour},
                {"gray", test::GoldenGrayPicture(), GrayVariant::Gray}};
    for (const auto& p : pics) {
        for (int m = 0; m < 4; ++m) {
            std::vector<uint8_t> out;
            ASSERT_EQ(ConvertToMonoImage(p.data, m, 20, -10, out), ConvertResult::Ok);
            EXPECT_EQ(test::CheckGolden(std::string(p.name) + "_mono_" + kMethods[m] + ".bmp", out), "");
        }
        std::vector<uint8_t> out;
        ASSERT_EQ(ConvertToGrayImage(p.data, p.variant, 20, -10, out), ConvertResult::Ok);
        EXPECT_EQ(test::CheckGolden(std::string(p.name) + "_gray.bmp", out), "");
    }
}

TEST(LogoGolden, DownloadStreams) {
    for (LogoType type : {LogoType::Mono, LogoType::Gray}) {
        const auto data = test::GoldenDownloadStream(type);
        ASSERT_FALSE(data.empty());
        EXPECT_EQ(test::CheckGolden(type == LogoType::Mono ? "download_mono.bin" : "download_gray.bin", data),
                  "");
    }
}

}  // namespace
