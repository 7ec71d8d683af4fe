#include "prnrender/render_job.h"

#include <gtest/gtest.h>

#include <cstring>

#include "prnui/barcode/sample_job.h"

using namespace k20;
using namespace k20::prnrender;

namespace {

std::vector<uint8_t> DefaultRecord() {
    prnui::PrivateSettings s{};
    prnui::SetDefaults(s, u"C:\\Windows\\system32");
    std::vector<uint8_t> b(sizeof(s));
    std::memcpy(b.data(), &s, sizeof(s));
    return b;
}

prnui::PrivateSettings& As(std::vector<uint8_t>& rec) {
    return *reinterpret_cast<prnui::PrivateSettings*>(rec.data());
}

// Every call the job makes on its output, as text, and the rows and commands as bytes.
struct Recorder : JobOutput {
    std::vector<std::string>* events;
    std::vector<std::vector<uint8_t>>* rows;
    explicit Recorder(std::vector<std::string>* e, std::vector<std::vector<uint8_t>>* r)
        : events(e), rows(r) {}
    void StartDocument() override { events->push_back("doc"); }
    void StartPage(uint32_t w) override { events->push_back("page " + std::to_string(w)); }
    void WriteRow(std::span<const uint8_t> row) override {
        events->push_back("row");
        rows->emplace_back(row.begin(), row.end());
    }
    void WriteCommand(std::span<const uint8_t> b) override {
        events->push_back("cmd " + std::to_string(b.size()));
        rows->emplace_back(b.begin(), b.end());
    }
    void EndPage() override { events->push_back("endpage"); }
    void EndDocument() override { events->push_back("enddoc"); }
};

struct Harness {
    std::vector<std::string> events;
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> seenRecord;
    Density seenDensity = Density::Normal;
    int made = 0;
    OutputFactory Factory() {
        return [this](std::span<const uint8_t> rec, Density d) -> std::unique_ptr<JobOutput> {
            seenRecord.assign(rec.begin(), rec.end());
            seenDensity = d;
            ++made;
            return std::make_unique<Recorder>(&events, &rows);
        };
    }
};

// A top-down band of `h` rows, 16 dots wide, with row i holding the byte pattern i+1.
std::vector<uint8_t> BandBits(uint32_t h, size_t stride) {
    std::vector<uint8_t> b(stride * h, 0);
    for (uint32_t i = 0; i < h; ++i) b[i * stride] = uint8_t(i + 1);
    return b;
}

Band MakeBand(const std::vector<uint8_t>& bits, uint32_t h, size_t stride, int32_t y) {
    Band b;
    b.bits = bits.data();
    b.size = bits.size();
    b.width = 16;
    b.height = h;
    b.stride = stride;
    b.y = y;
    return b;
}

}  // namespace

TEST(RenderRecord, RecognisesOurRecordOnlyWithSizeSignatureAndVersion) {
    std::vector<uint8_t> rec = DefaultRecord();
    EXPECT_TRUE(IsOurRecord(rec));
    auto bad = rec;
    bad[4] ^= 1;  // signature
    EXPECT_FALSE(IsOurRecord(bad));
    bad = rec;
    bad[8] = 2;  // version
    EXPECT_FALSE(IsOurRecord(bad));
    bad = rec;
    bad[0] = 100;  // size of an older, shorter record
    EXPECT_FALSE(IsOurRecord(bad));
    EXPECT_FALSE(IsOurRecord(std::span(rec).first(prnui::kPrivateSettingsSize - 1)));
    EXPECT_FALSE(IsOurRecord({}));
}

TEST(RenderRecord, FindsTheRecordBehindTheSystemDriversPrivatePart) {
    std::vector<uint8_t> rec = DefaultRecord();
    // The system driver's own part comes first.
    std::vector<uint8_t> extra(34 + rec.size(), 0xEE);
    std::copy(rec.begin(), rec.end(), extra.begin() + 34);
    auto found = FindRecord({}, extra);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, rec);
    // The private part the host hands over wins when it is ours.
    auto own = FindRecord(rec, {});
    ASSERT_TRUE(own);
    EXPECT_EQ(*own, rec);
    // A record cut short by the end of the extra part is not taken.
    extra.pop_back();
    EXPECT_FALSE(FindRecord({}, extra));
}

TEST(RenderFonts, FontNumbersNameTheRecordsSlots) {
    struct Row {
        uint32_t id;
        FontKind kind;
        int slot;
    } rows[] = {{0, FontKind::None, 0},   {1, FontKind::Code1D, 0},  {8, FontKind::Code1D, 7},
                {9, FontKind::Code2D, 0}, {10, FontKind::Code2D, 1}, {11, FontKind::Control, 0},
                {12, FontKind::None, 0}};
    for (const Row& r : rows) {
        DeviceFont f = FontFromId(r.id);
        EXPECT_EQ(f.kind, r.kind) << r.id;
        if (r.kind != FontKind::None) {
            EXPECT_EQ(f.slot, r.slot) << r.id;
        }
    }
}

TEST(RenderFonts, BarcodeTextBecomesTheSampleCommandWithoutFeedAndCut) {
    std::vector<uint8_t> rec = DefaultRecord();
    const prnui::PrivateSettings& s = As(rec);
    // Font 1 defaults to UPC-A.
    std::vector<uint8_t> data = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1', '2'};
    std::vector<uint8_t> expect = barcode::Flatten(barcode::Build1DSample(s.barcode1D[0], data));
    expect.resize(expect.size() - sizeof(barcode::kSampleTrailer));
    EXPECT_EQ(DeviceFontCommand(s, FontFromId(1), u"123456789012", nullptr), expect);
    // UPC-A takes 11 or 12 digits: 13 prints nothing.
    EXPECT_TRUE(DeviceFontCommand(s, FontFromId(1), u"1234567890123", nullptr).empty());
    // Font 8 is Code128: code set C pairs are packed as on the 1D Code page.
    std::vector<uint8_t> c128 = DeviceFontCommand(s, FontFromId(8), u"{C1234", nullptr);
    ASSERT_GE(c128.size(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(c128.end() - 5, c128.end()), (std::vector<uint8_t>{'{', 'C', 12, 34, 0}));
    // A 2D font: QR code with its error-correction letter.
    As(rec).barcode2D[1].type = 4;
    std::vector<uint8_t> qr = DeviceFontCommand(As(rec), FontFromId(10), u"AB", nullptr);
    std::vector<uint8_t> qrExpect = {0x1D, 0x6F, 0x00, 3,   0,   1,   0x1D, 0x6B,
                                     0x0B, 'M',  'A',  ',', 'A', 'B', 0x00};
    EXPECT_EQ(qr, qrExpect);
}

TEST(RenderFonts, ControlFontCharactersBecomeTheirTableCommands) {
    std::vector<uint8_t> rec = DefaultRecord();
    prnui::ControlFontTable table = prnui::EmptyControlFontTable();
    table['A' - 0x20].command = u"1B 40 ";
    table['B' - 0x20].command = u"0A ";
    EXPECT_EQ(DeviceFontCommand(As(rec), FontFromId(11), u"ABxA\u00e9", &table),
              (std::vector<uint8_t>{0x1B, 0x40, 0x0A, 0x1B, 0x40}));
    EXPECT_TRUE(DeviceFontCommand(As(rec), FontFromId(11), u"AB", nullptr).empty());
}

TEST(RenderPage, ZoomHalvesBothSidesAndKeepsTheDots) {
    PageRaster p;
    p.width = 16;
    p.height = 4;
    p.stride = 2;
    p.bits.assign(8, 0);
    p.SetDot(0, 0);
    p.SetDot(14, 2);
    PageRaster z = ZoomPage(p, 50);
    EXPECT_EQ(z.width, 8u);
    EXPECT_EQ(z.height, 2u);
    EXPECT_TRUE(z.Dot(0, 0));
    EXPECT_TRUE(z.Dot(7, 1));
    EXPECT_EQ(ZoomPage(p, 100).bits, p.bits);
}

TEST(RenderPage, RotationTurnsTheFirstDotIntoTheLast) {
    PageRaster p;
    p.width = 10;
    p.height = 3;
    p.stride = 2;
    p.bits.assign(6, 0);
    p.SetDot(0, 0);
    p.SetDot(3, 1);
    RotatePage180(p);
    EXPECT_TRUE(p.Dot(9, 2));
    EXPECT_TRUE(p.Dot(6, 1));
    EXPECT_FALSE(p.Dot(0, 0));
    // Dots beyond the width inside the last byte stay clear.
    EXPECT_EQ(p.Row(0)[1] & 0x3F, 0);
}

TEST(RenderPage, WatermarkDarkPixelsLandWhereThePreviewPutsThem) {
    // A 2 x 2 mark: black at the top left, white elsewhere (rows bottom-up).
    prnui::KeptBitmap m;
    m.width = 2;
    m.height = 2;
    m.stride = 8;
    m.pixels.assign(16, 255);
    std::memset(m.pixels.data() + 8, 0, 3);  // stored row 1 = top row, pixel 0
    PageRaster p;
    p.width = 8;
    p.height = 8;
    p.stride = 1;
    p.bits.assign(8, 0);
    CompositeWatermark(p, m, /*Left-Top*/ 0, 50, 0);
    // 50% of 8 dots: a 4 x 4 copy at the top left; its top-left quarter is black.
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(p.Dot(x, y), x < 2 && y < 2) << x << "," << y;
    // Brightness lifts the black above the threshold: nothing is drawn.
    PageRaster q = p;
    std::fill(q.bits.begin(), q.bits.end(), 0);
    CompositeWatermark(q, m, 0, 50, 200);
    EXPECT_EQ(q.bits, std::vector<uint8_t>(8, 0));
}

TEST(RenderJobFlow, BandsBecomeRowsAndTextIsPlacedAtItsRow) {
    Harness h;
    JobConfig cfg;
    cfg.record = DefaultRecord();
    RenderJob job(cfg, h.Factory());
    job.SetDensity(Density::Dark);
    job.StartDocument();
    job.StartPage();
    auto bits = BandBits(3, 4);
    job.AddBand(MakeBand(bits, 3, 4, 0));
    job.DeviceText(1, u"123456789012");
    job.AddBand(MakeBand(bits, 3, 4, 3));
    job.EndPage();
    job.EndDocument();
    EXPECT_EQ(h.made, 1);
    EXPECT_EQ(h.seenDensity, Density::Dark);
    EXPECT_EQ(h.seenRecord, cfg.record);
    std::vector<std::string> expect = {"doc", "page 16", "row", "row",     "row",   "cmd 28",
                                       "row", "row",     "row", "endpage", "enddoc"};
    EXPECT_EQ(h.events, expect);
    EXPECT_EQ(h.rows[0], (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(h.rows[3].size(), 28u);
    EXPECT_EQ(h.rows[5], (std::vector<uint8_t>{2, 0}));
}

TEST(RenderJobFlow, BottomUpBandsWithWhiteOnesAreTurnedRightWayUp) {
    Harness h;
    JobConfig cfg;
    RenderJob job(cfg, h.Factory());
    job.StartDocument();
    job.StartPage();
    // Two rows, stored bottom-up, 1 = white: the top row is all white except its first dot.
    std::vector<uint8_t> bits = {0xFF, 0xFF, 0, 0, 0x7F, 0xFF, 0, 0};
    Band b = MakeBand(bits, 2, 4, 0);
    b.bottomUp = true;
    b.oneIsBlack = false;
    job.AddBand(b);
    job.EndDocument();
    ASSERT_EQ(h.rows.size(), 2u);
    EXPECT_EQ(h.rows[0], (std::vector<uint8_t>{0x80, 0x00}));
    EXPECT_EQ(h.rows[1], (std::vector<uint8_t>{0x00, 0x00}));
    EXPECT_TRUE(h.seenRecord.empty());
}

TEST(RenderJobFlow, DamagedBandsAreSkippedNotRead) {
    Harness h;
    RenderJob job(JobConfig{}, h.Factory());
    job.StartPage();
    std::vector<uint8_t> bits(8, 0xFF);
    Band b = MakeBand(bits, 3, 4, 0);  // claims 12 bytes, has 8
    job.AddBand(b);
    b = MakeBand(bits, 2, 1, 0);  // stride shorter than a row
    job.AddBand(b);
    b = MakeBand(bits, 2, 4, -1);
    job.AddBand(b);
    job.EndDocument();
    for (auto& e : h.events) EXPECT_NE(e, "row");
}

TEST(RenderJobFlow, ZoomRotationAndMovesApplyFromTheRecord) {
    Harness h;
    JobConfig cfg;
    cfg.record = DefaultRecord();
    As(cfg.record).rotate180 = 1;
    RenderJob job(cfg, h.Factory());
    job.StartPage();
    auto bits = BandBits(4, 4);
    job.AddBand(MakeBand(bits, 4, 4, 0));
    job.MoveToRow(1);
    job.DeviceText(11, u"A");  // no control-font table: nothing
    job.DeviceText(1, u"123456789012");
    job.EndDocument();
    // Rotated: the command at row 1 of 4 comes before the last row; the first row out is
    // the last row in, mirrored.
    std::vector<std::string> expect = {"doc",    "page 16", "row",     "row",   "row",
                                       "cmd 28", "row",     "endpage", "enddoc"};
    EXPECT_EQ(h.events, expect);
    EXPECT_EQ(h.rows[0], (std::vector<uint8_t>{0x00, 0x20}));
}

TEST(RenderJobFlow, ARecordNotOursPrintsPlainlyAndIgnoresTheWatermark) {
    Harness h;
    JobConfig cfg;
    cfg.record = DefaultRecord();
    cfg.record[4] = 0;  // not our signature
    prnui::KeptBitmap black;
    black.width = black.height = 1;
    black.stride = 4;
    black.pixels.assign(4, 0);
    cfg.watermark = black;
    RenderJob job(cfg, h.Factory());
    EXPECT_FALSE(job.HasRecord());
    job.StartPage();
    std::vector<uint8_t> bits(4, 0);
    job.AddBand(MakeBand(bits, 1, 4, 0));
    job.EndDocument();
    EXPECT_TRUE(h.seenRecord.empty());
    ASSERT_EQ(h.rows.size(), 1u);
    EXPECT_EQ(h.rows[0], (std::vector<uint8_t>{0, 0}));
}

TEST(RenderJobFlow, ImageWatermarkIsDrawnUnderEveryPage) {
    Harness h;
    JobConfig cfg;
    cfg.record = DefaultRecord();
    As(cfg.record).watermarkMode = 1;
    As(cfg.record).watermarkPosition = 0;
    As(cfg.record).watermarkSize = 100;
    As(cfg.record).watermarkBrightness = 0;
    prnui::KeptBitmap black;
    black.width = black.height = 1;
    black.stride = 4;
    black.pixels.assign(4, 0);
    cfg.watermark = black;
    RenderJob job(cfg, h.Factory());
    for (int page = 0; page < 2; ++page) {
        job.StartPage();
        // A 1 x 1 mark at 100% is as wide as the page and, on a square page, as tall.
        std::vector<uint8_t> bits(64, 0);
        job.AddBand(MakeBand(bits, 16, 4, 0));
        job.EndPage();
    }
    job.EndDocument();
    ASSERT_EQ(h.rows.size(), 32u);
    for (auto& r : h.rows) EXPECT_EQ(r, (std::vector<uint8_t>{0xFF, 0xFF}));
}
