#include <gtest/gtest.h>

#include "common/bmp_file.h"
#include "platform/sim/sim_machine.h"
#include "prnui/imaging/logo_image.h"
#include "prnui/imaging/logo_stream.h"
#include "tests/prnui/imaging/reference.h"

using namespace k20;
using namespace k20::prnui;
using namespace k20::test;
using platform::sim::SimMachine;

namespace {

BmpImage OneBit(int w, int h, BmpColor p0, BmpColor p1) {
    BmpImage img;
    img.width = w;
    img.height = h;
    img.bitCount = 1;
    img.stride = size_t(BmpStride(w, 1));
    img.pixels.assign(img.stride * size_t(h), 0);
    img.palette = {p0, p1};
    return img;
}
const BmpColor kBlack{0, 0, 0, 0}, kWhite{255, 255, 255, 0};

TEST(BuildColumnRaster, TenByFiveBlackFirstAllWhite) {
    // Every stored bit 1 (white) on a black-first palette: no dots at all after inversion.
    BmpImage img = OneBit(10, 5, kBlack, kWhite);
    std::fill(img.pixels.begin(), img.pixels.end(), 0xFF);
    LogoRaster r;
    ASSERT_TRUE(BuildColumnRaster(EncodeBmp(img), r));
    EXPECT_EQ(r.x, 4);
    EXPECT_EQ(r.y, 1);
    ASSERT_EQ(r.data.size(), 32u);
    for (uint8_t b : r.data) EXPECT_EQ(b, 0);
}

TEST(BuildColumnRaster, TenByFiveBlackFirstAllBlack) {
    // All black: the 10 picture columns carry five dots in the low bits (three blank rows
    // above the picture), the columns from 10 on are empty.
    BmpImage img = OneBit(10, 5, kBlack, kWhite);
    std::fill(img.pixels.begin(), img.pixels.end(), 0x00);
    LogoRaster r;
    ASSERT_TRUE(BuildColumnRaster(EncodeBmp(img), r));
    ASSERT_EQ(r.data.size(), 32u);
    for (size_t c = 0; c < 32; ++c) EXPECT_EQ(r.data[c], c < 10 ? 0x1F : 0x00) << "column " << c;
}

TEST(BuildColumnRaster, RowOrderAndBitPositions) {
    // One dot in stored row 0 (bottom), column 3; one in stored row 4 (top), column 9.
    BmpImage img = OneBit(10, 5, kWhite, kBlack);  // white first: bit 1 is a dot as read
    img.Row(0)[0] = 0x10;
    img.Row(4)[1] = 0x40;
    LogoRaster r;
    ASSERT_TRUE(BuildColumnRaster(EncodeBmp(img), r));
    std::vector<uint8_t> want(32, 0);
    want[3] = 0x01;  // buffer row 0 is the last bit of the byte
    want[9] = 0x10;  // buffer row 4
    EXPECT_EQ(r.data, want);
}

TEST(BuildColumnRaster, PaletteDecidesInversion) {
    BmpImage a = OneBit(8, 8, kWhite, kBlack), b = OneBit(8, 8, kBlack, kWhite);
    a.Row(0)[0] = 0x80;
    std::fill(b.pixels.begin(), b.pixels.end(), 0xFF);  // the same picture with the other palette
    b.Row(0)[0] = 0x7F;
    LogoRaster ra, rb;
    ASSERT_TRUE(BuildColumnRaster(EncodeBmp(a), ra));
    ASSERT_TRUE(BuildColumnRaster(EncodeBmp(b), rb));
    EXPECT_EQ(ra.data, rb.data);
    EXPECT_EQ(ra.data[0], 0x01);
    EXPECT_EQ(ra.data[1], 0x00);
    BmpImage c = OneBit(8, 8, BmpColor{0, 0, 255, 0}, kWhite);
    EXPECT_FALSE(BuildColumnRaster(EncodeBmp(c), ra));
}

TEST(BuildColumnRaster, RefusesTruncatedFiles) {
    auto data = EncodeBmp(OneBit(40, 20, kBlack, kWhite));
    LogoRaster r;
    data.pop_back();
    EXPECT_FALSE(BuildColumnRaster(data, r));
    data.resize(61);
    EXPECT_FALSE(BuildColumnRaster(data, r));
}

TEST(BuildGrayPlanes, SixByThree) {
    BmpImage img;
    img.width = 6;
    img.height = 3;
    img.bitCount = 8;
    img.stride = 8;
    img.pixels.assign(24, 0xAA);  // padding bytes must not matter
    const uint8_t rows[3][6] = {
        {0, 255, 0x80, 0x7F, 0x10, 0xF0}, {255, 255, 255, 255, 255, 255}, {0, 0, 0, 0, 0, 0}};
    for (int y = 0; y < 3; ++y) std::copy(rows[y], rows[y] + 6, img.Row(y));
    LogoRaster r;
    ASSERT_TRUE(BuildGrayPlanes(EncodeBmp(img), r));
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 2);
    // Upright: stored row 2 (black) first, then row 1 (white), then row 0; 4 zero rows.
    // Row 0 darkness: FF 00 7F 80 EF 0F; columns 6 and 7 are white.
    const std::vector<uint8_t> want = {
        0xFC, 0xFC, 0xFC, 0xFC,  // black row, planes 7..4
        0x00, 0x00, 0x00, 0x00,  // white row
        0x98, 0xA8, 0xA8, 0xA0,  // row 0: bit p of darkness per pixel
        0x00, 0x00, 0x00, 0x00,  // pad for the odd height
    };
    EXPECT_EQ(r.data, want);
}

TEST(BuildGrayPlanes, StrideWithHalfByteLeavesLowNibbleZero) {
    BmpImage img;
    img.width = 4;
    img.height = 2;
    img.bitCount = 8;
    img.stride = 4;
    img.pixels.assign(8, 0);  // all black
    LogoRaster r;
    ASSERT_TRUE(BuildGrayPlanes(EncodeBmp(img), r));
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 1);
    for (uint8_t b : r.data) EXPECT_EQ(b, 0xF0);
}

struct Logos {
    SimMachine m;
    platform::PrinterHandle h = 0;
    Logos() {
        {
            platform::PrinterInfo2 info;
            info.printerName = "K-20";
            m.spooler.AddPrinter(info);
        }
        EXPECT_EQ(m.spooler.OpenPrinter("K-20", h), platform::kOk);
    }
    LogoEntry Add(const std::string& name, const BmpImage& img, int method = kHalftoneDitherM3,
                  bool gray = false) {
        const std::string src = "C:\\logos\\" + name;
        m.files.Put(src, EncodeBmp(img));
        std::string out;
        if (gray) {
            GrayVariant v;
            GrayVariantFor(img.bitCount, v);
            EXPECT_EQ(ConvertToGray(m.files, src, out, v, 0, 0), ConvertResult::Ok);
        } else if (img.bitCount != 1) {
            EXPECT_EQ(ConvertToMono(m.files, src, out, method, 0, 0), ConvertResult::Ok);
        }
        return LogoEntry{src, WorkingImagePath(src)};
    }
};

TEST(DownloadAllLogos, MonoStreamFramesEveryLogo) {
    Logos t;
    std::vector<LogoEntry> logos = {t.Add("a.bmp", RandomImage(1, 10, 5, 24)),
                                    t.Add("b.bmp", OneBit(16, 9, kWhite, kBlack))};
    ASSERT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, logos), DownloadResult::Sent);
    ASSERT_EQ(t.m.spooler.jobs.size(), 1u);
    const auto& job = t.m.spooler.jobs[0];
    EXPECT_EQ(job.docName, "LOGO");
    EXPECT_EQ(job.dataType, "RAW");
    EXPECT_TRUE(job.ended);
    EXPECT_EQ(job.pagesEnded, 1);
    std::vector<uint8_t> want = {0x1B, 0x63, 0x3B, 0x01, 0x1C, 0x71, 0x02};
    for (const auto& l : logos) {
        std::vector<uint8_t> f;
        t.m.files.ReadFile(l.source.find("b.bmp") != std::string::npos ? l.source : l.working, f);
        LogoRaster r;
        ASSERT_TRUE(BuildColumnRaster(f, r));
        want.insert(want.end(), {uint8_t(r.x), 0, uint8_t(r.y), 0});
        want.insert(want.end(), r.data.begin(), r.data.end());
    }
    want.insert(want.end(), {0x0A, 0x1B, 0x63, 0x3B, 0x00});
    EXPECT_EQ(job.data, want);
}

TEST(DownloadAllLogos, GrayStreamHeaders) {
    Logos t;
    std::vector<LogoEntry> logos = {t.Add("g.bmp", RandomImage(3, 6, 3, 8), 0, true)};
    ASSERT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Gray, logos), DownloadResult::Sent);
    const auto& d = t.m.spooler.jobs.at(0).data;
    ASSERT_EQ(d.size(), 4u + 3 + 6 + 16 + 1 + 4);
    EXPECT_EQ(
        std::vector<uint8_t>(d.begin(), d.begin() + 13),
        (std::vector<uint8_t>{0x1B, 0x63, 0x3B, 0x01, 0x1C, 0x72, 0x01, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00}));
}

TEST(DownloadAllLogos, TotalSizeLimit) {
    // 1-bit sources are sent as they are and sized as they are: one file of the size wanted.
    for (auto [total, want] :
         {std::pair{98303u, DownloadResult::Sent}, std::pair{98304u, DownloadResult::TooLarge}}) {
        Logos t;
        auto small = EncodeBmp(OneBit(8, 1, kWhite, kBlack));
        auto data = EncodeBmp(OneBit(32, 8, kWhite, kBlack));
        data.resize(total - small.size(), 0);  // trailing bytes count toward the size
        t.m.files.Put("C:\\logos\\big.bmp", data);
        t.m.files.Put("C:\\logos\\small.bmp", small);
        std::vector<LogoEntry> logos = {{"C:\\logos\\big.bmp", "C:\\logos\\bigTemp.bmp"},
                                        {"C:\\logos\\small.bmp", "C:\\logos\\smallTemp.bmp"}};
        EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, logos), want) << total;
        EXPECT_EQ(t.m.spooler.jobs.size(), want == DownloadResult::Sent ? 1u : 0u);
    }
}

// A 1-bit source goes out as it is in a mono download, so it is the source that counts
// toward the limit, not a working image that happens to lie at the logo's working path.
TEST(DownloadAllLogos, TheLimitCountsWhatIsSent) {
    Logos t;
    const LogoEntry big = t.Add("big.bmp", OneBit(1024, 768, kWhite, kBlack));
    t.m.files.Put(big.working, EncodeBmp(OneBit(8, 8, kWhite, kBlack)));  // small, stale
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, {big}), DownloadResult::TooLarge);
    std::vector<LogoEntry> eight;
    for (int i = 0; i < 8; ++i) {
        eight.push_back(t.Add("l" + std::to_string(i) + ".bmp", OneBit(1024, 100, kWhite, kBlack)));
        t.m.files.Put(eight.back().working, EncodeBmp(OneBit(8, 8, kWhite, kBlack)));
    }
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, eight), DownloadResult::TooLarge);
    EXPECT_TRUE(t.m.spooler.jobs.empty());
    // Gray sends the working images, which are sized as before.
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Gray, {eight[0]}),
              DownloadResult::BadLogoFile);
}

TEST(DownloadAllLogos, RefusalsSendNothing) {
    Logos t;
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, {}), DownloadResult::NoLogos);
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, {{"C:\\x.bmp", "C:\\xTemp.bmp"}}),
              DownloadResult::CannotSize);
    // Other palette colours on a 1-bit source.
    t.Add("red.bmp", OneBit(8, 8, BmpColor{0, 0, 255, 0}, kWhite));
    auto ok = t.Add("ok.bmp", RandomImage(4, 9, 9, 24));
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono,
                               {ok, {"C:\\logos\\red.bmp", "C:\\logos\\redTemp.bmp"}}),
              DownloadResult::BadLogoFile);
    // A working image that shrank since it was written.
    std::vector<uint8_t> w;
    t.m.files.ReadFile(ok.working, w);
    w.resize(w.size() - 3);
    t.m.files.Put(ok.working, w);
    EXPECT_EQ(DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, {ok}),
              DownloadResult::BadLogoFile);
    EXPECT_TRUE(t.m.spooler.jobs.empty());
    EXPECT_STREQ(DownloadMessageKey(DownloadResult::TooLarge), "MB_DOWNLOAD_ERROR7");
    EXPECT_STREQ(DownloadMessageKey(DownloadResult::BadLogoFile), "");
}

TEST(DownloadAllLogos, EverySpoolerFailureClosesPageAndDocument) {
    for (const char* op : {"StartDocRaw", "StartPage", "WritePrinter", "EndPage", "EndDoc"})
        for (int n = 1; n <= 8; ++n) {
            Logos t;
            auto a = t.Add("a.bmp", RandomImage(1, 10, 5, 24));
            t.m.faults.FailOn(op, n, platform::kErrWriteFault);
            const int callsBefore = t.m.faults.Calls(op);
            DownloadResult r = DownloadAllLogos(t.m.files, t.m.spooler, t.h, LogoType::Mono, {a});
            const bool hit = t.m.faults.Calls(op) - callsBefore >= n;
            EXPECT_EQ(r, hit ? DownloadResult::SpoolerFailed : DownloadResult::Sent) << op << " " << n;
            for (const auto& j : t.m.spooler.jobs) {
                EXPECT_TRUE(j.ended) << op << " " << n;
                // A failed EndPage was still attempted; the document is closed after it.
                if (std::string(op) != "EndPage") {
                    EXPECT_EQ(j.pagesStarted, j.pagesEnded) << op << " " << n;
                }
            }
        }
}

TEST(ClearAllLogos, SendsTheClearStream) {
    Logos t;
    ASSERT_EQ(ClearAllLogos(t.m.spooler, t.h), platform::kOk);
    EXPECT_EQ(t.m.spooler.jobs.at(0).docName, "SELFTEST");
    EXPECT_EQ(t.m.spooler.jobs.at(0).data, (std::vector<uint8_t>{0x1B, 0x63, 0x3B, 0x01, 0x1C, 0x71, 0x00,
                                                                 0x00, 0x0A, 0x1B, 0x63, 0x3B, 0x00}));
}

TEST(DownloadFirmware, SendsTheFileUnchanged) {
    for (const char* name : {"C:\\fw\\k20.JK", "C:\\fw\\font.zk", "C:\\fw\\noext", "C:\\fw\\empty.DAT"}) {
        Logos t;
        std::vector<uint8_t> data;
        if (std::string(name).find("empty") == std::string::npos)
            for (int i = 0; i < 70000; ++i) data.push_back(uint8_t(i * 13));
        t.m.files.Put(name, data);
        ASSERT_EQ(DownloadFirmware(t.m.files, t.m.spooler, t.h, name), FirmwareResult::Sent) << name;
        ASSERT_EQ(t.m.spooler.jobs.size(), 1u);
        EXPECT_EQ(t.m.spooler.jobs[0].docName, "FIRMWARE");
        EXPECT_EQ(t.m.spooler.jobs[0].data, data);
        EXPECT_EQ(t.m.faults.Calls("WritePrinter"), 1);  // one write, even for zero bytes
    }
}

TEST(DownloadFirmware, Failures) {
    Logos t;
    EXPECT_EQ(DownloadFirmware(t.m.files, t.m.spooler, t.h, ""), FirmwareResult::NoPath);
    EXPECT_EQ(DownloadFirmware(t.m.files, t.m.spooler, t.h, "C:\\none.jk"), FirmwareResult::CannotOpen);
    t.m.files.Put("C:\\fw.jk", std::string("abc"));
    t.m.faults.FailOn("ReadFile", 1, platform::kErrWriteFault);
    EXPECT_EQ(DownloadFirmware(t.m.files, t.m.spooler, t.h, "C:\\fw.jk"), FirmwareResult::CannotRead);
    t.m.faults.FailOn("FindFiles", t.m.faults.Calls("FindFiles") + 1, platform::kErrAccessDenied);
    EXPECT_EQ(DownloadFirmware(t.m.files, t.m.spooler, t.h, "C:\\fw.jk"), FirmwareResult::CannotSize);
    EXPECT_TRUE(t.m.spooler.jobs.empty());
    t.m.faults.FailOn("WritePrinter", 1, platform::kErrWriteFault);
    EXPECT_EQ(DownloadFirmware(t.m.files, t.m.spooler, t.h, "C:\\fw.jk"), FirmwareResult::SpoolerFailed);
    EXPECT_TRUE(t.m.spooler.jobs.at(0).ended);
    EXPECT_STREQ(FirmwareMessageKey(FirmwareResult::CannotSize), "MB_DOWNLOAD_ERROR8");
    EXPECT_STREQ(FirmwareMessageKey(FirmwareResult::CannotRead), "MB_DOWNLOAD_ERROR2");
}

}  // namespace
