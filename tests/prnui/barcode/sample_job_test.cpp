#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/sim/sim_machine.h"
#include "prnui/barcode/sample_job.h"
#include "prnui/barcode/symbology.h"
#include "tests/prnui/core/golden.h"

using namespace k20;
using namespace k20::barcode;
using k20::prnui::PrivateSettings;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes B(std::string_view s) {
    return Bytes(s.begin(), s.end());
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes r;
    for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
    return r;
}
const Bytes kTrailer = {0x0A, 0x1D, 0x56, 0x42, 0x00};

PrivateSettings Defaults() {
    PrivateSettings s;
    prnui::SetDefaults(s, u"C:\\Windows\\system32");
    return s;
}

Bytes Job1D(int type, std::string_view data) {
    auto s = Defaults();
    s.barcode1D[0].type = uint8_t(type);
    return Flatten(Plan1DSample(s.barcode1D[0], B(data)).writes);
}

}  // namespace

TEST(BarcodeSampleJob, PlainShape) {
    auto s = Defaults();
    auto& b = s.barcode1D[0];
    b.type = 3;  // EAN13, printer code 2
    b.hriFont = 1;
    b.hriPosition = 2;
    b.barHeight = 0x1FF;  // only the low byte travels
    EXPECT_EQ(Flatten(Plan1DSample(b, B("1234567890123")).writes),
              Cat({{0x1D, 0x66, 1, 0x1D, 0x48, 2, 0x1D, 0x77, 3, 0x1D, 0x68, 0xFF, 0x1D, 0x6B, 2},
                   B("1234567890123"),
                   {0},
                   kTrailer}));
}

TEST(BarcodeSampleJob, LengthByteShapeSendsPackedCode128) {
    EXPECT_EQ(Job1D(8, "{C1234"),
              Cat({{0x1D, 0x66, 0, 0x1D, 0x48, 0, 0x1D, 0x77, 3, 0x1D, 0x68, 163, 0x1D, 0x6B, 73, 0},
                   {0x1D, 0x77, 3, 0x1D, 0x68, 163, 0x1D, 0x6B, 73},
                   {4, '{', 'C', 12, 34, 0},
                   kTrailer}));
    EXPECT_EQ(Job1D(7, "123ABC")[25], 6);  // Code93: length byte after the 15 + 1 + 9 bytes
    EXPECT_TRUE(Job1D(8, "{C123").empty());
}

TEST(BarcodeSampleJob, Gs1ShapeHasTheConstantTwo) {
    auto s = Defaults();
    auto& b = s.barcode1D[0];
    b.type = 11;  // Limited, GS1 type 5
    b.gs1RowHeight = 0x1FA;
    EXPECT_EQ(Flatten(Plan1DSample(b, B("0123")).writes),
              Cat({{0x1D, 0x66, 0, 0x1D, 0x48, 0, 0x1D, 0x73, 5, 2, 0xFA, 2, 1, 2, 1, 1, 0x1D, 0x6B, 0x0D},
                   B("0123"),
                   {0},
                   kTrailer}));
}

TEST(BarcodeSampleJob, TwoDHeaders) {
    auto s = Defaults();
    auto& b = s.barcode2D[0];
    struct Case {
        uint8_t type;
        Bytes header;
    };
    b.pdfRows = 9;
    b.pdfColumns = 8;
    b.gs1Segments = 6;
    b.qrErrorLevel = 2;
    const Case cases[] = {
        {0, {0x1D, 0x70, 1, 1, 9, 8, 3, 3, 0x1D, 0x71, 5, 0x1D, 0x6B, 0x0A}},
        {3, {0x1D, 0x66, 0, 0x1D, 0x48, 0, 0x1D, 0x73, 7, 2, 100, 2, 2, 6, 1, 1, 0x1D, 0x6B, 0x0D}},
        {4, {0x1D, 0x6F, 0, 3, 0, 1, 0x1D, 0x6B, 0x0B, 'H', 'A', ','}},
        {5, {0x1D, 0x71, 0, 0x1D, 0x6B, 0x0C}},
    };
    for (const auto& c : cases) {
        b.type = c.type;
        EXPECT_EQ(Flatten(Plan2DSample(b, B("0123")).writes), Cat({c.header, B("0123"), {0}, kTrailer}))
            << int(c.type);
    }
}

TEST(BarcodeSampleJob, QrErrorLetters) {
    auto s = Defaults();
    auto& b = s.barcode2D[0];
    b.type = 4;
    const char want[] = {'L', 'M', 'H', 'Q', 'Q', 'Q'};
    for (uint8_t level = 0; level < 6; ++level) {
        b.qrErrorLevel = level == 5 ? 255 : level;
        EXPECT_EQ(Flatten(Plan2DSample(b, B("x")).writes)[9], want[level]) << int(level);
    }
}

TEST(BarcodeSampleJob, TwoDValidationAndGs1FirstByte) {
    Bytes d = B("0123");
    EXPECT_TRUE(Validate2DData(1, d).ok());
    Bytes high = {0x81, '1'};
    EXPECT_FALSE(Validate2DData(1, high).ok());
    Bytes pdf = {0x81, '1'};
    EXPECT_TRUE(Validate2DData(0, pdf).ok());
    Bytes maxi(85, '1');
    EXPECT_FALSE(Validate2DData(5, maxi).ok());
    Bytes none;
    EXPECT_FALSE(Validate2DData(6, none).ok());
    EXPECT_FALSE(Validate2DData(4, none).ok());
}

TEST(BarcodeSampleJob, GoldenJobForEverySymbology) {
    auto s = Defaults();
    for (int t = 0; t < k1DSymbologyCount; ++t) {
        s.barcode1D[0].type = uint8_t(t);
        const auto& sym = Symbologies1D()[size_t(t)];
        auto plan = Plan1DSample(s.barcode1D[0], B(sym.sampleData));
        ASSERT_TRUE(plan.ok()) << sym.name;
        char name[32];
        std::snprintf(name, sizeof name, "sample_1d_%02d.bin", t);
        EXPECT_EQ(test::CheckGolden(name, Flatten(plan.writes)), "") << sym.name;
    }
    for (int t = 0; t < k2DSymbologyCount; ++t) {
        s.barcode2D[0].type = uint8_t(t);
        auto plan = Plan2DSample(s.barcode2D[0], B("01234567890123"));
        ASSERT_TRUE(plan.ok()) << t;
        char name[32];
        std::snprintf(name, sizeof name, "sample_2d_%02d.bin", t);
        EXPECT_EQ(test::CheckGolden(name, Flatten(plan.writes)), "") << Symbologies2D()[size_t(t)].name;
    }
}

namespace {

struct Rig {
    platform::sim::SimMachine m;
    platform::PrinterHandle h = 0;
    Rig() {
        platform::PrinterInfo2 p;
        p.printerName = "K-20";
        m.spooler.AddPrinter(p);
        EXPECT_EQ(m.spooler.OpenPrinter("K-20", h), platform::kOk);
        m.faults.Reset();
    }
};

}  // namespace

TEST(BarcodeSampleJob, SendsOneRawJobNamedBarcode) {
    Rig r;
    auto s = Defaults();
    auto plan = Plan1DSample(s.barcode1D[7], B("{A1234"));
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(SendSampleJob(r.m.spooler, r.h, kDocName1D, plan.writes), platform::kOk);
    ASSERT_EQ(r.m.spooler.jobs.size(), 1u);
    const auto& j = r.m.spooler.jobs[0];
    EXPECT_EQ(j.docName, "Barcode");
    EXPECT_EQ(j.dataType, "RAW");
    EXPECT_TRUE(j.ended);
    EXPECT_EQ(j.pagesStarted, 1);
    EXPECT_EQ(j.pagesEnded, 1);
    EXPECT_EQ(j.data, Flatten(plan.writes));
}

// Every spooler step of the job failing in turn: what was written and what was closed.
TEST(BarcodeSampleJob, EveryFailurePoint) {
    auto s = Defaults();
    s.barcode1D[0].type = 8;
    const auto plan = Plan1DSample(s.barcode1D[0], B("{C1234"));
    ASSERT_TRUE(plan.ok());
    const size_t writes = plan.writes.size();

    std::vector<std::string> clean;
    {
        Rig r;
        ASSERT_EQ(SendSampleJob(r.m.spooler, r.h, kDocName1D, plan.writes), platform::kOk);
        clean = r.m.faults.Trace();
    }
    ASSERT_EQ(clean.size(), 4 + writes);
    std::map<std::string, int> seen;
    for (const auto& op : clean) {
        const int nth = ++seen[op];
        SCOPED_TRACE(op + " #" + std::to_string(nth));
        Rig r;
        r.m.faults.FailOn(op, nth, platform::kErrWriteFault);
        EXPECT_EQ(SendSampleJob(r.m.spooler, r.h, kDocName1D, plan.writes), platform::kErrWriteFault);
        const auto& trace = r.m.faults.Trace();
        if (op == "StartDoc") {
            EXPECT_EQ(trace, std::vector<std::string>{"StartDoc"});
            EXPECT_TRUE(r.m.spooler.jobs.empty());
            continue;
        }
        ASSERT_EQ(r.m.spooler.jobs.size(), 1u);
        const auto& j = r.m.spooler.jobs[0];
        EXPECT_EQ(trace.back(), "EndDoc");
        if (op == "StartPage") {
            EXPECT_EQ(trace, (std::vector<std::string>{"StartDoc", "StartPage", "EndDoc"}));
            EXPECT_TRUE(j.data.empty());
        } else if (op == "WritePrinter") {
            // Page and job ended at once; nothing after the failed write.
            EXPECT_EQ(trace.size(), 2u + size_t(nth) + 2u);
            EXPECT_EQ(trace[trace.size() - 2], "EndPage");
            JobWrites before(plan.writes.begin(), plan.writes.begin() + (nth - 1));
            EXPECT_EQ(j.data, Flatten(before));
        } else {
            EXPECT_EQ(trace, clean);
            EXPECT_EQ(j.data, Flatten(plan.writes));
        }
    }
}
