// The rendering plug-in driven by the stand-in Unidrv under Wine: what it spools must be,
// byte for byte, what the engine writes for the same pages and record when called
// directly, and it must decode back into those pages.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "prnrender/oem_uni_win.h"
#include "prnui/barcode/sample_job.h"
#include "prnui/barcode/symbology.h"
#include "prnui/core/private_settings.h"
#include "render/engine.h"
#include "tests/render/roundtrip_check.h"
#include "tools/renderhost/render_host_win.h"

using namespace k20;
using namespace k20::renderhost;

namespace {

const std::wstring kPlugin = std::wstring(L"" K20_PRNRENDER_DLL);

std::vector<uint8_t> DefaultRecord() {
    prnui::PrivateSettings s{};
    prnui::SetDefaults(s, u"C:\\windows\\system32");
    std::vector<uint8_t> b(sizeof s);
    std::memcpy(b.data(), &s, sizeof s);
    return b;
}
prnui::PrivateSettings& As(std::vector<uint8_t>& r) {
    return *reinterpret_cast<prnui::PrivateSettings*>(r.data());
}

// The engine called directly with the pages' rows, and each text's command placed
// before the row it stands at.
struct Command {
    uint32_t page, row;
    std::vector<uint8_t> bytes;
};
std::vector<uint8_t> EngineBytes(std::span<const uint8_t> record, render::Density density,
                                 const std::vector<HostPage>& pages,
                                 const std::vector<Command>& commands = {}) {
    render::MemorySink sink;
    render::JobSettings s = render::SettingsFromRecordBytes(record);
    s.density = density;
    s.jobName = "K-20 Stand-in";
    render::Engine e(sink, s);
    e.StartDocument();
    for (uint32_t p = 0; p < pages.size(); ++p) {
        e.StartPage(pages[p].width);
        for (uint32_t y = 0; y <= pages[p].height; ++y) {
            for (const Command& c : commands)
                if (c.page == p && c.row == y) e.WriteCommand(c.bytes);
            if (y < pages[p].height) e.WriteRow({pages[p].Row(y), pages[p].Stride()});
        }
        e.EndPage();
    }
    e.EndDocument();
    EXPECT_TRUE(e.Ok()) << e.Error();
    return sink.data;
}

std::vector<render::testing::TestPage> AsTestPages(const std::vector<HostPage>& pages) {
    std::vector<render::testing::TestPage> out;
    for (const HostPage& p : pages) {
        render::testing::TestPage t;
        t.width = p.width;
        for (uint32_t y = 0; y < p.height; ++y) t.rows.emplace_back(p.Row(y), p.Row(y) + p.Stride());
        out.push_back(std::move(t));
    }
    return out;
}

size_t InkOf(const HostPage& p) {
    size_t n = 0;
    for (uint8_t b : p.bits) n += size_t(__builtin_popcount(b));
    return n;
}

std::filesystem::path WatermarkFile(const std::wstring& printer) {
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    return std::filesystem::path(tmp) / (printer + L"1.bmp");
}

// A 24-bit bitmap of w x h pixels, all of one grey level.
void WriteBitmap(const std::filesystem::path& path, int w, int h, uint8_t level) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> b(54 + size_t(stride) * h, level);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, uint32_t(b.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put32(26, 1 | (24 << 16));
    for (size_t i = 30; i < 54; ++i) b[i] = 0;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

}  // namespace

TEST(RenderHost, TextPagesSpoolTheEnginesBytesAndDecodeIntoThePages) {
    HostJob job;
    job.privateRecord = DefaultRecord();
    job.pages.push_back(DrawTextPage(576, 260, {L"K-20 receipt", L"Total 12.50"}));
    job.pages.push_back(DrawTextPage(576, 180, {L"Second page"}));
    ASSERT_GT(InkOf(job.pages[0]), 500u) << "GDI drew no text";
    HostResult r = RunJob(kPlugin, job);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.signature, prnui::kPrivateSettingsSignature);
    EXPECT_EQ(r.recordSize, prnui::kPrivateSettingsSize);
    EXPECT_GT(r.writeCalls, 0);
    EXPECT_EQ(r.spooled, EngineBytes(job.privateRecord, render::Density::Normal, job.pages));
    EXPECT_EQ(render::testing::CheckDecodes(r.spooled, AsTestPages(job.pages)), "");
}

TEST(RenderHost, ANewDeviceContextBetweenPagesCarriesTheJobOn) {
    HostJob job;
    job.privateRecord = DefaultRecord();
    job.resetBeforePage = 1;
    job.pages.push_back(DrawTextPage(576, 120, {L"Before ResetDC"}));
    job.pages.push_back(DrawTextPage(576, 120, {L"After ResetDC"}));
    HostResult r = RunJob(kPlugin, job);
    ASSERT_EQ(r.error, "");
    EXPECT_NE(std::find(r.calls.begin(), r.calls.end(), "ResetPDEV"), r.calls.end());
    EXPECT_EQ(r.spooled, EngineBytes(job.privateRecord, render::Density::Normal, job.pages));
}

TEST(RenderHost, DensityChoiceReachesTheEngine) {
    for (auto [cb, d] : {std::pair{10u, render::Density::Light}, std::pair{12u, render::Density::Dark}}) {
        HostJob job;
        job.privateRecord = DefaultRecord();
        job.densityCallback = cb;
        job.pages.push_back(DrawTextPage(576, 120, {L"Density"}));
        HostResult r = RunJob(kPlugin, job);
        ASSERT_EQ(r.error, "");
        EXPECT_EQ(r.spooled, EngineBytes(job.privateRecord, d, job.pages)) << cb;
        EXPECT_NE(r.spooled, EngineBytes(job.privateRecord, render::Density::Normal, job.pages)) << cb;
    }
}

TEST(RenderHost, DeviceFontTextBecomesBarcodeAndControlCommands) {
    // The control-font table where the Font page's dialog keeps it.
    wchar_t win[MAX_PATH] = {};
    GetWindowsDirectoryW(win, MAX_PATH);
    const std::filesystem::path table =
        std::filesystem::path(win) / L"system32\\spool\\drivers\\w32x86\\3\\K20CONTROL.dat";
    std::error_code ec;
    std::filesystem::create_directories(table.parent_path(), ec);
    const bool hadTable = std::filesystem::exists(table);
    std::string oldTable;
    if (hadTable) {
        std::ifstream in(table, std::ios::binary);
        oldTable.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::ofstream(table, std::ios::binary) << "[Character Translation Table]\r\n41=1B 70 00 19 FA \r\n";

    HostJob job;
    job.privateRecord = DefaultRecord();
    HostPage page = DrawTextPage(576, 300, {L"Barcodes"});
    page.texts = {{120, 1, u"123456789012"},
                  {150, 9, u"0123"},
                  {150, 11, u"AxA"},
                  {250, 2, u"99"},
                  {280, 1, u"123456789012", true}};
    job.pages.push_back(page);
    HostResult r = RunJob(kPlugin, job);

    if (hadTable)
        std::ofstream(table, std::ios::binary) << oldTable;
    else
        std::filesystem::remove(table, ec);
    ASSERT_EQ(r.error, "");

    // Font 1 (UPC-A, element width 3, bar height 163, no HRI) and font 9 (PDF417 with the
    // 2D defaults), as the barcode pages' sample jobs shape them; "99" is no UPC-E and
    // prints nothing.
    std::vector<uint8_t> upca = {0x1D, 0x66, 0x00, 0x1D, 0x48, 0x00, 0x1D, 0x77,
                                 0x03, 0x1D, 0x68, 0xA3, 0x1D, 0x6B, 0x00};
    for (char c : std::string("123456789012")) upca.push_back(uint8_t(c));
    upca.push_back(0x00);
    std::vector<uint8_t> pdf = {0x1D, 0x70, 0x01, 0x01, 3,   3,   3,   3,   0x1D, 0x71,
                                5,    0x1D, 0x6B, 0x0A, '0', '1', '2', '3', 0x00};
    std::vector<uint8_t> control = {0x1B, 0x70, 0x00, 0x19, 0xFA, 0x1B, 0x70, 0x00, 0x19, 0xFA};
    std::vector<Command> cmds = {{0, 120, upca}, {0, 150, pdf}, {0, 150, control}, {0, 280, upca}};
    EXPECT_EQ(r.spooled, EngineBytes(job.privateRecord, render::Density::Normal, job.pages, cmds));
    int texts = 0;
    for (auto& c : r.calls) texts += c == "OutputCharStr";
    EXPECT_EQ(texts, 5);
}

TEST(RenderHost, EveryDeviceFontReachesItsSlot) {
    HostJob job;
    job.privateRecord = DefaultRecord();
    const prnui::PrivateSettings& s = As(job.privateRecord);
    HostPage page = DrawTextPage(576, 400, {L"All fonts"});
    std::vector<Command> cmds;
    auto bytesOf = [](const barcode::SamplePlan& plan) {
        barcode::JobWrites body(plan.writes.begin(), plan.writes.end() - 1);  // without feed and cut
        return barcode::Flatten(body);
    };
    for (uint32_t font = 1; font <= 10; ++font) {
        const uint32_t row = 30 * font;
        std::string data;
        barcode::SamplePlan plan;
        if (font <= 8) {
            data = std::string(barcode::Symbologies1D()[s.barcode1D[font - 1].type].sampleData);
            plan =
                barcode::Plan1DSample(s.barcode1D[font - 1], std::vector<uint8_t>(data.begin(), data.end()));
        } else {
            data = "01234567890123";
            plan =
                barcode::Plan2DSample(s.barcode2D[font - 9], std::vector<uint8_t>(data.begin(), data.end()));
        }
        ASSERT_TRUE(plan.ok()) << font;
        page.texts.push_back({row, font, std::u16string(data.begin(), data.end())});
        cmds.push_back({0, row, bytesOf(plan)});
    }
    job.pages.push_back(page);
    HostResult r = RunJob(kPlugin, job);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.spooled, EngineBytes(job.privateRecord, render::Density::Normal, job.pages, cmds));
}

TEST(RenderHost, WatermarkFileIsDrawnUnderThePageAndItsAbsencePrintsPlainly) {
    HostJob job;
    job.printerName = L"K-20 Watermark";
    job.privateRecord = DefaultRecord();
    As(job.privateRecord).watermarkMode = 1;
    As(job.privateRecord).watermarkPosition = 0;  // Left-Top
    As(job.privateRecord).watermarkSize = 100;
    As(job.privateRecord).watermarkBrightness = 0;
    job.pages.push_back(DrawTextPage(576, 300, {L"Under the mark"}));
    const std::filesystem::path mark = WatermarkFile(job.printerName);
    // A black 2 x 1 mark as wide as the page: its height is half the width, 288 rows.
    WriteBitmap(mark, 2, 1, 0);
    HostResult r = RunJob(kPlugin, job);
    std::error_code ec;
    std::filesystem::remove(mark, ec);
    ASSERT_EQ(r.error, "");
    HostPage marked = job.pages[0];
    for (uint32_t y = 0; y < 288; ++y)
        std::memset(marked.bits.data() + y * marked.Stride(), 0xFF, marked.Stride());
    EXPECT_EQ(r.spooled, EngineBytes(job.privateRecord, render::Density::Normal, {marked}));

    // Without the working file the page prints as drawn.
    HostResult plain = RunJob(kPlugin, job);
    ASSERT_EQ(plain.error, "");
    EXPECT_EQ(plain.spooled, EngineBytes(job.privateRecord, render::Density::Normal, job.pages));
}

TEST(RenderHost, ARecordThatIsNotOursPrintsWithTheDefaults) {
    HostJob job;
    job.privateRecord = DefaultRecord();
    As(job.privateRecord).rotate180 = 1;
    job.privateRecord[4] ^= 0xFF;  // another plug-in's signature
    job.pages.push_back(DrawTextPage(576, 100, {L"Plain"}));
    HostResult r = RunJob(kPlugin, job);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.spooled, EngineBytes({}, render::Density::Normal, job.pages));
}

TEST(RenderHost, ClassFactoryRefusesOtherClassesAndAggregation) {
    HMODULE dll = LoadLibraryW(kPlugin.c_str());
    ASSERT_TRUE(dll);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    ASSERT_TRUE(get);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(IID_IUnknown, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    IClassFactory* f = nullptr;
    ASSERT_EQ(get(prnrender::host::CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    int outer = 0;  // never called: aggregation is refused first
    void* obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->CreateInstance(reinterpret_cast<IUnknown*>(&outer), prnrender::host::IID_IPrintOemUni, &obj),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(obj, nullptr);
    prnrender::host::IPrintOemUni* uni = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, prnrender::host::IID_IPrintOemUni, reinterpret_cast<void**>(&uni)),
              S_OK);
    f->Release();
    // Calls without a device context of ours fail quietly inside the plug-in.
    INT result = 7;
    EXPECT_EQ(uni->CommandCallback(nullptr, 1, 0, nullptr, &result), S_OK);
    EXPECT_EQ(result, 0);
    PBYTE out = nullptr;
    EXPECT_EQ(uni->ImageProcessing(nullptr, nullptr, nullptr, nullptr, 100, nullptr, &out), S_OK);
    EXPECT_EQ(uni->EnablePDEV(nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr),
              E_FAIL);
    EXPECT_EQ(uni->PublishDriverInterface(nullptr), E_FAIL);
    // No graphics function is hooked.
    prnrender::host::DRVENABLEDATA ded{7, 7, &ded};
    EXPECT_EQ(uni->EnableDriver(0x00030000, sizeof ded, &ded), S_OK);
    EXPECT_EQ(ded.c, 0u);
    EXPECT_EQ(ded.pdrvfn, nullptr);
    uni->Release();
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload =
        reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(dll);
}

TEST(RenderHost, DriverLogKeepsTheSpooledJobInADayFolder) {
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    const std::filesystem::path root = std::filesystem::path(tmp) / L"k20_render_log";
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    HostJob job;
    job.privateRecord = DefaultRecord();
    As(job.privateRecord).logEnabled = 1;
    As(job.privateRecord).logSavePrn = 1;
    As(job.privateRecord)
        .logFolder.set(std::u16string(reinterpret_cast<const char16_t*>(root.wstring().c_str())));
    job.pages.push_back(DrawTextPage(576, 120, {L"Logged"}));
    HostResult r = RunJob(kPlugin, job);
    ASSERT_EQ(r.error, "");
    std::vector<std::filesystem::path> jobs;
    for (auto& e : std::filesystem::recursive_directory_iterator(root, ec))
        if (e.path().extension() == L".prn") jobs.push_back(e.path());
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].parent_path().parent_path(), root);
    std::ifstream in(jobs[0], std::ios::binary);
    std::vector<uint8_t> logged((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(logged, r.spooled);
    std::filesystem::remove_all(root, ec);
}
