#include <gtest/gtest.h>

#include <set>

#include "common/bmp_file.h"
#include "platform/sim/sim_machine.h"
#include "prnui/pages/download_page_model.h"
#include "tests/prnui/imaging/reference.h"

using namespace k20;
using namespace k20::prnui;
using platform::sim::SimMachine;

namespace {

struct Page {
    SimMachine m;
    DownloadPageModel model{m.files, m.system.tempDir};
    platform::PrinterHandle h = 0;
    Page() {
        platform::PrinterInfo2 info;
        info.printerName = "K-20";
        m.spooler.AddPrinter(info);
        m.spooler.OpenPrinter("K-20", h);
    }
    std::string Put(const std::string& name, int w, int hgt, int bits) {
        const std::string path = "C:\\logos\\" + name;
        m.files.Put(path, EncodeBmp(test::RandomImage(uint32_t(w + hgt), w, hgt, bits)));
        return path;
    }
};

TEST(DownloadPage, OpensInOriginalWithEverythingDisabled) {
    Page p;
    EXPECT_EQ(p.model.previewType(), PreviewType::Original);
    EXPECT_FALSE(p.model.previewTypeEnabled());
    EXPECT_FALSE(p.model.halftoneEnabled());
    EXPECT_FALSE(p.model.slidersEnabled());
    EXPECT_FALSE(p.model.downloadAllEnabled());
    EXPECT_FALSE(p.model.firmwareDownloadEnabled());
}

TEST(DownloadPage, NineLogosAcceptedTheTenthRefused) {
    Page p;
    const std::string path = p.Put("a.bmp", 8, 8, 24);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(p.model.Add(path), std::nullopt) << i;
    EXPECT_EQ(p.model.Add(path), InfoMessage("MB_DOWNLOAD_ERROR4"));
    EXPECT_EQ(p.model.rows().size(), 9u);
}

TEST(DownloadPage, SizeLimitsOfAdd) {
    struct {
        int w, h;
        std::optional<PageMessage> want;
    } cases[] = {{1024, 768, std::nullopt},
                 {1025, 768, ErrorMessage("MB_DOWNLOAD_ERROR3")},
                 {1024, 769, ErrorMessage("MB_DOWNLOAD_ERROR3")},
                 {1, 1, std::nullopt}};
    for (const auto& c : cases) {
        Page p;
        EXPECT_EQ(p.model.Add(p.Put("x.bmp", c.w, c.h, 1)), c.want) << c.w << "x" << c.h;
    }
    Page p;
    EXPECT_EQ(p.model.Add("C:\\logos\\none.bmp"), ErrorMessage("MB_DOWNLOAD_ERROR1"));
    p.m.files.Put("C:\\logos\\short.bmp", std::vector<uint8_t>(61, 'B'));
    EXPECT_EQ(p.model.Add("C:\\logos\\short.bmp"), ErrorMessage("MB_DOWNLOAD_ERROR2"));
    EXPECT_TRUE(p.model.rows().empty());
}

// The checks read the headers through the bounded reader: a file shorter than a 1-bit
// logo's headers and palette is refused before any field is looked at.
TEST(DownloadPage, CheckLogoFileReadsTheHeadersOnlyWhenTheyAreThere) {
    SimMachine m;
    const std::vector<uint8_t> good = EncodeBmp(test::RandomImage(3, 20, 10, 1));
    BmpHeader header;
    for (size_t n : {size_t(0), size_t(2), size_t(53), size_t(54), size_t(61)}) {
        m.files.Put("C:\\l\\cut.bmp", std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
        EXPECT_EQ(CheckLogoFile(m.files, "C:\\l\\cut.bmp", header), ErrorMessage("MB_DOWNLOAD_ERROR2")) << n;
    }
    m.files.Put("C:\\l\\head.bmp", std::vector<uint8_t>(good.begin(), good.begin() + 62));
    EXPECT_EQ(CheckLogoFile(m.files, "C:\\l\\head.bmp", header), std::nullopt);
    EXPECT_EQ(header.signature, kBmpSignature);
    EXPECT_EQ(header.bitCount, 1);
    EXPECT_EQ(header.width, 20);
    EXPECT_EQ(header.height, 10);
    std::vector<uint8_t> wide = good;
    PutU32(wide.data(), 18, 1025);
    m.files.Put("C:\\l\\wide.bmp", wide);
    EXPECT_EQ(CheckLogoFile(m.files, "C:\\l\\wide.bmp", header), ErrorMessage("MB_DOWNLOAD_ERROR3"));
}

TEST(DownloadPage, AddByPreviewTypeWritesWorkingImages) {
    Page p;
    p.model.Add(p.Put("a.bmp", 10, 4, 24));
    EXPECT_TRUE(p.m.files.Exists(p.model.rows()[0].working));  // Original: None at 0/0
    EXPECT_EQ(p.model.rows()[0].settings, LogoSettings{});
    EXPECT_EQ(p.model.rows()[0].title, "a.bmp");
    p.model.ClickList(0);
    p.model.SetPreviewType(PreviewType::Mono);
    p.model.Add(p.Put("b.bmp", 10, 4, 8));
    EXPECT_EQ(p.model.rows()[1].settings, (LogoSettings{kHalftoneDitherM3, 0, 0}));
    p.model.SetPreviewType(PreviewType::Gray);
    p.m.files.Put("C:\\logos\\four.bmp", [] {
        auto d = EncodeBmp(test::RandomImage(1, 4, 4, 8));
        PutU16(d.data(), 28, 4);
        return d;
    }());
    p.model.Add("C:\\logos\\four.bmp");  // gray takes 24, 8 and 1 bits only
    EXPECT_EQ(p.model.rows().size(), 2u);
}

TEST(DownloadPage, DeleteRenumbersAndKeepsSettings) {
    Page p;
    p.model.SetPreviewType(PreviewType::Mono);
    for (const char* n : {"1.bmp", "2.bmp", "3.bmp", "4.bmp"}) p.model.Add(p.Put(n, 9, 9, 24));
    for (int i = 0; i < 4; ++i) {
        p.model.ClickList(i);
        p.model.SlidersMoved(i * 10, -i);
    }
    p.model.ClickList(1);
    const std::string second = p.model.rows()[1].working;
    EXPECT_TRUE(p.m.files.Exists(second));
    p.model.Delete();
    ASSERT_EQ(p.model.rows().size(), 3u);
    EXPECT_EQ(p.model.rows()[0].title, "1.bmp");
    EXPECT_EQ(p.model.rows()[1].title, "3.bmp");
    EXPECT_EQ(p.model.rows()[1].settings, (LogoSettings{kHalftoneDitherM3, 20, -2}));
    EXPECT_EQ(p.model.rows()[2].settings, (LogoSettings{kHalftoneDitherM3, 30, -3}));
    EXPECT_FALSE(p.m.files.Exists(second));
    EXPECT_EQ(p.model.selected(), -1);
    EXPECT_EQ(p.model.previewFile(), "");
    EXPECT_FALSE(p.model.previewTypeEnabled());
}

TEST(DownloadPage, PreviewFollowsTypeAndSelection) {
    Page p;
    const std::string colour = p.Put("c.bmp", 12, 6, 24), one = p.Put("o.bmp", 12, 6, 1);
    p.model.Add(colour);
    p.model.Add(one);
    p.model.ClickList(0);
    EXPECT_TRUE(p.model.previewTypeEnabled());
    EXPECT_EQ(p.model.previewFile(), colour);
    EXPECT_FALSE(p.model.halftoneEnabled());
    p.model.SetPreviewType(PreviewType::Mono);
    EXPECT_EQ(p.model.previewFile(), p.model.rows()[0].working);
    EXPECT_TRUE(p.model.halftoneEnabled());
    EXPECT_EQ(p.model.checkedHalftone(), kHalftoneDitherM3);
    EXPECT_TRUE(p.model.downloadAllEnabled());
    p.model.ClickList(1);  // 1-bit: shown as it is, nothing to tune
    EXPECT_EQ(p.model.previewFile(), one);
    EXPECT_FALSE(p.model.slidersEnabled());
    p.model.SetPreviewType(PreviewType::Gray);
    EXPECT_EQ(p.model.previewFile(), p.model.rows()[1].working);
    EXPECT_FALSE(p.model.halftoneEnabled());
    EXPECT_TRUE(p.model.slidersEnabled());
    p.model.ClickList(-1);
    EXPECT_EQ(p.model.previewFile(), "");
    EXPECT_FALSE(p.model.previewTypeEnabled());
    p.model.SetPreviewType(PreviewType::Original);
    EXPECT_FALSE(p.model.downloadAllEnabled());
}

TEST(DownloadPage, HalftoneAndSlidersChangeTheWorkingImage) {
    Page p;
    p.model.SetPreviewType(PreviewType::Mono);
    const std::string src = p.Put("c.bmp", 40, 20, 24);
    p.model.Add(src);
    p.model.ClickList(0);
    std::vector<uint8_t> before, after;
    p.m.files.ReadFile(p.model.rows()[0].working, before);
    p.model.SetHalftone(kHalftoneErrorDiffuse);
    p.model.SlidersMoved(40, 10);
    EXPECT_TRUE(p.model.SliderReleased(true, 45));
    EXPECT_EQ(p.model.rows()[0].settings, (LogoSettings{kHalftoneErrorDiffuse, 45, 10}));
    p.m.files.ReadFile(p.model.rows()[0].working, after);
    std::vector<uint8_t> source, want;
    p.m.files.ReadFile(src, source);
    ConvertToMonoImage(source, kHalftoneErrorDiffuse, 45, 10, want);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, want);
}

TEST(DownloadPage, DownloadAllAndWorkingImagesOnApply) {
    Page p;
    EXPECT_EQ(p.model.DownloadAll(p.m.spooler, p.h), ErrorMessage("MB_DOWNLOAD_ERROR5"));
    p.model.Add(p.Put("a.bmp", 16, 8, 24));
    p.model.Add(p.Put("b.bmp", 16, 8, 8));
    // Transformation without a selected row deletes the working images and converts none;
    // the download makes them again from each logo's settings.
    p.model.SetPreviewType(PreviewType::Mono);
    EXPECT_FALSE(p.m.files.Exists(p.model.rows()[0].working));
    DownloadResult r;
    EXPECT_EQ(p.model.DownloadAll(p.m.spooler, p.h, &r), std::nullopt);
    EXPECT_EQ(r, DownloadResult::Sent);
    ASSERT_EQ(p.m.spooler.jobs.size(), 1u);
    EXPECT_EQ(p.m.spooler.jobs[0].data[6], 2);
    p.model.DeleteWorkingImages();
    EXPECT_FALSE(p.m.files.Exists(p.model.rows()[0].working));
    EXPECT_FALSE(p.m.files.Exists(p.model.rows()[1].working));
    EXPECT_TRUE(p.m.files.Exists("C:\\logos\\a.bmp"));
}

// A user's own files are never written or deleted: the working images live in a folder
// of the page's own under the temporary folder, whatever the logos are called.
TEST(DownloadPage, WorkingImagesLiveInAFolderOfTheirOwn) {
    Page p;
    const std::string shop = p.Put("shop.bmp", 16, 8, 24);
    const std::string userTemp = p.Put("shopTemp.bmp", 16, 8, 24);  // the user's own file
    std::vector<uint8_t> userBytes;
    p.m.files.ReadFile(userTemp, userBytes);
    p.m.files.Put("C:\\dl\\sub\\ab", EncodeBmp(test::RandomImage(3, 16, 8, 24)));
    p.m.files.Put("C:\\dl\\suTemp.bmp", std::string("user"));
    p.model.Add(shop);
    p.model.Add(userTemp);
    p.model.Add("C:\\dl\\sub\\ab");
    p.model.Add(shop);  // the same logo twice
    ASSERT_EQ(p.model.rows().size(), 4u);
    const std::string folder = p.model.workingImages().folder();
    EXPECT_EQ(folder.rfind(p.m.system.tempDir, 0), 0u) << folder;
    std::set<std::string> seen;
    for (const auto& r : p.model.rows()) {
        EXPECT_EQ(platform::ParentPath(r.working), folder);
        EXPECT_TRUE(seen.insert(r.working).second) << r.working;  // no two logos share one
        EXPECT_TRUE(p.m.files.Exists(r.working));
    }
    p.model.ClickList(0);
    p.model.SetPreviewType(PreviewType::Mono);
    EXPECT_EQ(p.model.DownloadAll(p.m.spooler, p.h), std::nullopt);
    p.model.ClickList(1);
    p.model.Delete();
    p.model.DeleteWorkingImages();
    std::vector<uint8_t> after;
    ASSERT_EQ(p.m.files.ReadFile(userTemp, after), platform::kOk);
    EXPECT_EQ(after, userBytes);
    EXPECT_TRUE(p.m.files.Exists(shop));
    EXPECT_TRUE(p.m.files.Exists("C:\\dl\\sub\\ab"));
    p.m.files.ReadFile("C:\\dl\\suTemp.bmp", after);
    EXPECT_EQ(after, std::vector<uint8_t>({'u', 's', 'e', 'r'}));
    for (const auto& path : p.m.files.AllPaths())
        EXPECT_TRUE(path.rfind(folder, 0) != 0 || path == folder) << path << " left behind";
}

TEST(DownloadPage, TheFolderGoesWithThePageAndTwoPagesNeverShareOne) {
    SimMachine m;
    std::string first, second;
    {
        DownloadPageModel a(m.files, m.system.tempDir), b(m.files, m.system.tempDir);
        m.files.Put("C:\\l\\x.bmp", EncodeBmp(test::RandomImage(5, 8, 8, 24)));
        a.Add("C:\\l\\x.bmp");
        b.Add("C:\\l\\x.bmp");
        first = a.workingImages().folder();
        second = b.workingImages().folder();
        EXPECT_NE(first, second);
        EXPECT_NE(a.rows()[0].working, b.rows()[0].working);
    }
    EXPECT_FALSE(m.files.Exists(first));
    EXPECT_FALSE(m.files.Exists(second));
    EXPECT_TRUE(m.files.Exists("C:\\l\\x.bmp"));
}

TEST(DownloadPage, FirmwareHalf) {
    Page p;
    p.m.files.Put("C:\\fw\\k20.eep", std::vector<uint8_t>{});
    EXPECT_EQ(p.model.DownloadFirmwareFile(p.m.spooler, p.h), std::nullopt);  // no path: nothing happens
    EXPECT_TRUE(p.m.spooler.jobs.empty());
    p.model.FirmwareChosen("C:\\fw\\k20.eep");
    EXPECT_TRUE(p.model.firmwareDownloadEnabled());
    EXPECT_EQ(p.model.DownloadFirmwareFile(p.m.spooler, p.h), std::nullopt);
    ASSERT_EQ(p.m.spooler.jobs.size(), 1u);
    EXPECT_TRUE(p.m.spooler.jobs[0].data.empty());
    p.model.FirmwareChosen("C:\\fw\\gone.jk");
    EXPECT_EQ(p.model.DownloadFirmwareFile(p.m.spooler, p.h), ErrorMessage("MB_DOWNLOAD_ERROR1"));
}

TEST(FirmwareFilters, ByLanguageFile) {
    EXPECT_EQ(FirmwareFilters("CHF_K20.res")[0].text, u"*.JK(監控程式文件)");
    EXPECT_EQ(FirmwareFilters("CHF_K20.res")[3].text, u"*.ZK(字庫文件)");
    EXPECT_EQ(FirmwareFilters("CHN_K20.res")[2].text, u"*.FNT(字库文件)");
    EXPECT_EQ(FirmwareFilters("ENG_K20.res")[1].text, u"*.DAT(Data)");
    EXPECT_EQ(FirmwareFilters("CHF_K20.res.bak")[0].text, u"*.JK(Firmware)");  // names compared in full
    EXPECT_EQ(FirmwareFilters("xyz")[4].pattern, u"*.EEP");
}

}  // namespace
