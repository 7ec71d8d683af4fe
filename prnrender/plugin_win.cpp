// The COM server that Unidrv loads as the printer's rendering plug-in. Everything that
// decides what is printed lives in the portable job (render_job.h); this file only
// adapts Unidrv's calls to it and writes the engine's bytes through Unidrv's spool
// buffer. Nothing but an HRESULT leaves a method: a failure inside prints the page
// plainly or drops the piece that failed, never the job.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/win32/wide_string_win.h"
#include "prnrender/callbacks.h"
#include "prnrender/oem_uni_win.h"
#include "prnrender/render_job.h"
#include "prnui/core/plugin_logic.h"
#include "prnui/core/private_settings.h"
#include "render/engine.h"

namespace k20::prnrender {
namespace {

com::ServerCounts g_counts;
using com::Guard;

// Reads a regular file of at most maxBytes; anything else reads as missing.
bool ReadSmallFile(const std::wstring& path, uint64_t maxBytes, std::vector<uint8_t>& out) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size{};
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size) && size.QuadPart >= 0 &&
        uint64_t(size.QuadPart) <= maxBytes) {
        out.resize(size_t(size.QuadPart));
        DWORD got = 0;
        ok = out.empty() || (ReadFile(h, out.data(), DWORD(out.size()), &got, nullptr) && got == out.size());
    }
    CloseHandle(h);
    return ok;
}

// The watermark working file the Watermark page leaves: <temp>\<printer>1.bmp.
std::optional<prnui::KeptBitmap> LoadWatermark(const std::string& printerName) {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    std::string tempFolder = Narrow(temp);
    while (!tempFolder.empty() && tempFolder.back() == '\\') tempFolder.pop_back();
    std::vector<uint8_t> file;
    if (!ReadSmallFile(Wide(prnui::WatermarkWorkingFile(tempFolder, printerName)), 4 * prnui::kMaxKeptBytes,
                       file))
        return std::nullopt;
    prnui::KeptBitmap kept;
    if (prnui::ReadKeptBitmap(file, kept) != prnui::KeepResult::Kept) return std::nullopt;
    return kept;
}

std::optional<prnui::ControlFontTable> LoadControlFont() {
    wchar_t win[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryW(win, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    std::vector<uint8_t> file;
    if (!ReadSmallFile(Wide(prnui::ControlFontTablePath(Narrow(win))), 1 << 20, file)) return std::nullopt;
    return prnui::ParseControlFontTable(file, GetACP());
}

// Unidrv's spool buffer as the engine's sink.
class SpoolSink final : public render::ByteSink {
  public:
    SpoolSink(host::IPrintOemDriverUni* driver, host::PDEVOBJ* devobj) : driver_(driver), devobj_(devobj) {}
    bool Write(std::span<const uint8_t> bytes) override {
        if (failed_ || !driver_ || !*devobj_) return false;
        size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            HRESULT hr = driver_->DrvWriteSpoolBuf(*devobj_, const_cast<uint8_t*>(bytes.data() + done), chunk,
                                                   &written);
            if (FAILED(hr) || written != chunk) {
                failed_ = true;  // the user cancelled the job: nothing more may be written
                return false;
            }
            done += chunk;
        }
        return true;
    }

  private:
    host::IPrintOemDriverUni* driver_;
    host::PDEVOBJ* devobj_;
    bool failed_ = false;
};

class EngineOutput final : public JobOutput {
  public:
    EngineOutput(host::IPrintOemDriverUni* driver, host::PDEVOBJ* devobj, render::JobSettings settings)
        : sink_(driver, devobj), engine_(sink_, std::move(settings)) {}
    void StartDocument() override { engine_.StartDocument(); }
    void StartPage(uint32_t w) override { engine_.StartPage(w); }
    void WriteRow(std::span<const uint8_t> row) override { engine_.WriteRow(row); }
    void WriteCommand(std::span<const uint8_t> bytes) override { engine_.WriteCommand(bytes); }
    void EndPage() override { engine_.EndPage(); }
    void EndDocument() override { engine_.EndDocument(); }

  private:
    SpoolSink sink_;
    render::Engine engine_;
};

// The job of a device context. A context made anew within the job (ResetDC between
// pages) shares it, so the job and the output it writes through outlive the old context.
struct JobState {
    host::PDEVOBJ devobj = nullptr;
    std::unique_ptr<RenderJob> job;
};
// What the plug-in keeps per device context (Unidrv's PDEV).
struct PlugPdev {
    std::shared_ptr<JobState> state = std::make_shared<JobState>();
};

render::Density EngineDensity(Density d) {
    switch (d) {
        case Density::Light:
            return render::Density::Light;
        case Density::Dark:
            return render::Density::Dark;
        case Density::Normal:
            break;
    }
    return render::Density::Normal;
}

std::u16string FaceName(const host::UNIFONTOBJ* f) {
    // IFIMETRICS: the face name's offset from the structure's start is at byte 16.
    if (!f || !f->pIFIMetrics) return {};
    const auto* base = static_cast<const uint8_t*>(f->pIFIMetrics);
    ULONG size = 0;
    LONG off = 0;
    std::memcpy(&size, base, 4);
    std::memcpy(&off, base + 16, 4);
    if (off <= 0 || ULONG(off) >= size || size > 4096) return {};
    std::u16string name;
    for (ULONG at = ULONG(off); at + 1 < size; at += 2) {
        char16_t c = char16_t(base[at] | (base[at + 1] << 8));
        if (!c) break;
        name.push_back(c);
    }
    return name;
}

// The font's number: by face name where the font object carries its metrics (so that a
// renumbered description still matches), else by the resource number.
uint32_t FontNumber(const host::UNIFONTOBJ* f) {
    const std::u16string face = FaceName(f);
    for (uint32_t i = 0; i < 8; ++i)
        if (face == u"1D Code" + std::u16string(1, char16_t(u'1' + i))) return kFirst1DFontId + i;
    if (face == u"2D Code1") return kFirst2DFontId;
    if (face == u"2D Code2") return kFirst2DFontId + 1;
    if (face == u"Control") return kControlFontId;
    return f ? f->ulFontID : 0;
}

std::u16string GlyphText(host::UNIFONTOBJ* f, DWORD type, DWORD count, PVOID glyphs) {
    std::u16string text;
    if (!glyphs || count == 0 || count > 4096) return text;
    if (type == host::TYPE_UNICODE) {
        const auto* w = static_cast<const wchar_t*>(glyphs);
        return std::u16string(reinterpret_cast<const char16_t*>(w), count);
    }
    if (f && f->pfnGetInfo) {
        std::vector<wchar_t> out(count + 1, 0);
        host::GETINFO_GLYPHSTRING gs{};
        gs.dwSize = sizeof(gs);
        gs.dwCount = count;
        gs.dwTypeIn = type;
        gs.pGlyphIn = glyphs;
        gs.dwTypeOut = host::TYPE_UNICODE;
        gs.pGlyphOut = out.data();
        DWORD needed = 0;
        if (f->pfnGetInfo(f, host::UFO_GETINFO_GLYPHSTRING, &gs, sizeof(gs), &needed))
            return std::u16string(reinterpret_cast<const char16_t*>(out.data()), count);
    }
    // Without the font object's help: our glyph sets map character codes straight through.
    const auto* g = static_cast<const ULONG*>(glyphs);
    for (DWORD i = 0; i < count; ++i) text.push_back(char16_t(g[i] < 0x20 ? g[i] + 0x1F : g[i]));
    return text;
}

class RenderPlugin final : public com::Unknown<RenderPlugin, host::IPrintOemUni, host::IID_IPrintOemUni> {
  public:
    RenderPlugin() { ++g_counts.objects; }
    ~RenderPlugin() {
        if (driver_) driver_->Release();
        --g_counts.objects;
    }

    HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) override {
        return Guard([&] {
            uint32_t n = needed ? *needed : 0;
            prnui::CallResult r = prnui::GetInfo(mode, buffer, size, needed ? &n : nullptr);
            if (needed) *needed = n;
            if (r.lastError) SetLastError(r.lastError);
            return HRESULT(r.hr);
        });
    }

    // The same record as the user-interface plug-in: Unidrv keeps one private part per
    // plug-in pair, so both sides size, default and convert it alike.
    HRESULT STDMETHODCALLTYPE DevMode(DWORD mode, host::OEMDMPARAM* p) override {
        return Guard([&] {
            if (!p) return HRESULT(prnui::DevMode(mode, nullptr, {}).hr);
            prnui::DevModeParam dp;
            dp.in = static_cast<const uint8_t*>(p->pOEMDMIn);
            dp.out = static_cast<uint8_t*>(p->pOEMDMOut);
            dp.cbBufSize = p->cbBufSize;
            wchar_t sys[MAX_PATH] = {};
            GetSystemDirectoryW(sys, MAX_PATH);
            prnui::CallResult r = prnui::DevMode(mode, &dp, reinterpret_cast<const char16_t*>(sys));
            if (mode == host::OEMDM_SIZE) p->cbBufSize = dp.cbBufSize;
            if (r.lastError) SetLastError(r.lastError);
            return HRESULT(r.hr);
        });
    }

    // No graphics functions are hooked: the table handed back is empty.
    HRESULT STDMETHODCALLTYPE EnableDriver(DWORD version, DWORD size, PVOID pded) override {
        if (pded && size >= sizeof(host::DRVENABLEDATA)) {
            auto* d = static_cast<host::DRVENABLEDATA*>(pded);
            d->iDriverVersion = version;
            d->c = 0;
            d->pdrvfn = nullptr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DisableDriver() override { return S_OK; }

    HRESULT STDMETHODCALLTYPE EnablePDEV(host::PDEVOBJ devobj, PWSTR printerName, ULONG, PVOID, ULONG, PVOID,
                                         ULONG, PVOID, PVOID, PVOID* devOem) override {
        return Guard([&]() -> HRESULT {
            if (!devObjValid(devobj) || !devOem) return E_FAIL;
            auto pdev = std::make_unique<PlugPdev>();
            pdev->state->devobj = devobj;
            pdev->state->job = MakeJob(devobj, Narrow(printerName), pdev->state.get());
            *devOem = pdev.release();
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE DisablePDEV(host::PDEVOBJ devobj) override {
        return Guard([&]() -> HRESULT {
            PlugPdev* p = Pdev(devobj);
            if (!p) return S_OK;
            devobj->pdevOEM = nullptr;
            delete p;
            return S_OK;
        });
    }

    // A new device context within the same job (ResetDC between pages) carries the job on.
    HRESULT STDMETHODCALLTYPE ResetPDEV(host::PDEVOBJ oldObj, host::PDEVOBJ newObj) override {
        return Guard([&]() -> HRESULT {
            PlugPdev* from = Pdev(oldObj);
            PlugPdev* to = Pdev(newObj);
            if (!from || !to || from == to) return S_OK;
            to->state = from->state;
            to->state->devobj = newObj;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* unk) override {
        return Guard([&]() -> HRESULT {
            if (driver_) return S_OK;
            void* p = nullptr;
            if (unk && SUCCEEDED(unk->QueryInterface(host::IID_IPrintOemDriverUni, &p)) && p) {
                driver_ = static_cast<host::IPrintOemDriverUni*>(p);
                return S_OK;
            }
            return E_FAIL;
        });
    }

    HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR name) override {
        if (!name) return S_FALSE;
        for (const char* m :
             {"GetInfo", "DevMode", "EnableDriver", "DisableDriver", "EnablePDEV", "DisablePDEV", "ResetPDEV",
              "PublishDriverInterface", "GetImplementedMethod", "DriverDMS", "CommandCallback",
              "ImageProcessing", "OutputCharStr", "SendFontCmd"})
            if (std::strcmp(name, m) == 0) return S_OK;
        return S_FALSE;
    }

    // Unidrv expects S_OK here; no flags means it keeps its own GDI-managed surface, which
    // is what hands the page to ImageProcessing in bands.
    HRESULT STDMETHODCALLTYPE DriverDMS(PVOID, PVOID buffer, DWORD size, PDWORD needed) override {
        if (needed) *needed = sizeof(DWORD);
        if (!buffer || size < sizeof(DWORD)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return E_FAIL;
        }
        *static_cast<DWORD*>(buffer) = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE CommandCallback(host::PDEVOBJ devobj, DWORD id, DWORD count, PDWORD params,
                                              INT* result) override {
        return Guard([&]() -> HRESULT {
            if (result) *result = 0;
            JobState* p = State(devobj);
            if (!p) return S_OK;
            RenderJob& job = *p->job;
            switch (id) {
                case kCbStartDoc:
                    job.StartDocument();
                    break;
                case kCbStartPage:
                    job.StartPage();
                    break;
                case kCbEndPage:
                    job.EndPage();
                    break;
                case kCbEndDoc:
                    job.EndDocument();
                    break;
                case kCbDensityLight:
                    job.SetDensity(Density::Light);
                    break;
                case kCbDensityNormal:
                    job.SetDensity(Density::Normal);
                    break;
                case kCbDensityDark:
                    job.SetDensity(Density::Dark);
                    break;
                case kCbYMoveAbsolute:
                    // Unidrv expects the new cursor position back for cursor commands.
                    if (count >= 1 && params) {
                        job.MoveToRow(params[0]);
                        if (result) *result = INT(params[0]);
                    }
                    break;
                default:
                    break;
            }
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE ImageProcessing(host::PDEVOBJ devobj, PBYTE bits, PBITMAPINFOHEADER bih,
                                              PBYTE colors, DWORD, host::IPPARAMS* ip,
                                              PBYTE* result) override {
        return Guard([&]() -> HRESULT {
            // The band goes to the spooler through the engine, not back to Unidrv.
            if (result) *result = reinterpret_cast<PBYTE>(TRUE);
            JobState* p = State(devobj);
            if (!p || !bits || !bih) return S_OK;
            if (ip && ip->bBlankBand) return S_OK;
            if (bih->biBitCount != 1 || bih->biWidth <= 0 || bih->biHeight == 0 || bih->biPlanes != 1)
                return S_OK;
            Band b;
            b.bits = bits;
            b.width = uint32_t(bih->biWidth);
            // Unidrv hands ImageProcessing its bands top-down whatever the sign of the height,
            // so a positive height must not turn the rows over.
            b.bottomUp = false;
            b.height = uint32_t(bih->biHeight > 0 ? bih->biHeight : -int64_t(bih->biHeight));
            b.stride = ((size_t(b.width) + 31) / 32) * 4;
            b.size = b.stride * b.height;
            if (colors) {
                // A two-entry colour table: 1 is black when entry 1 is the darker one.
                const RGBQUAD* c = reinterpret_cast<const RGBQUAD*>(colors);
                const int l0 = c[0].rgbRed + c[0].rgbGreen + c[0].rgbBlue;
                const int l1 = c[1].rgbRed + c[1].rgbGreen + c[1].rgbBlue;
                if (l0 != l1) b.oneIsBlack = l1 < l0;
            }
            if (ip) {
                b.x = ip->ptOffset.x;
                b.y = ip->ptOffset.y;
            }
            p->job->AddBand(b);
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE FilterGraphics(host::PDEVOBJ, PBYTE, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Compression(host::PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE HalftonePattern(host::PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE,
                                              DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE MemoryUsage(host::PDEVOBJ, PVOID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TTYGetInfo(host::PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DownloadFontHeader(host::PDEVOBJ, host::UNIFONTOBJ*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DownloadCharGlyph(host::PDEVOBJ, host::UNIFONTOBJ*, ULONG, PDWORD,
                                                DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TTDownloadMethod(host::PDEVOBJ, host::UNIFONTOBJ*, DWORD*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE OutputCharStr(host::PDEVOBJ devobj, host::UNIFONTOBJ* font, DWORD type,
                                            DWORD count, PVOID glyphs) override {
        return Guard([&]() -> HRESULT {
            JobState* p = State(devobj);
            if (!p) return S_OK;
            p->job->DeviceText(FontNumber(font), GlyphText(font, type, count, glyphs));
            return S_OK;
        });
    }

    // The device fonts need no selection command: each text run is a whole command.
    HRESULT STDMETHODCALLTYPE SendFontCmd(host::PDEVOBJ, host::UNIFONTOBJ*, PVOID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TextOutAsBitmap(PVOID, PVOID, PVOID, PVOID, RECTL*, RECTL*, PVOID, PVOID,
                                              POINTL*, ULONG) override {
        return E_NOTIMPL;
    }

  private:
    static bool devObjValid(host::PDEVOBJ d) {
        return d && d->dwSize >= sizeof(host::DEVOBJ) - sizeof(PVOID);
    }
    static PlugPdev* Pdev(host::PDEVOBJ d) { return d ? static_cast<PlugPdev*>(d->pdevOEM) : nullptr; }
    // The job of the context the call names, which from now on writes through that context.
    static JobState* State(host::PDEVOBJ d) {
        PlugPdev* p = Pdev(d);
        if (!p || !p->state || !p->state->job) return nullptr;
        p->state->devobj = d;
        return p->state.get();
    }

    std::unique_ptr<RenderJob> MakeJob(host::PDEVOBJ devobj, const std::string& printerName,
                                       JobState* state) {
        JobConfig cfg;
        std::span<const uint8_t> priv;
        if (devobj->pOEMDM) priv = {static_cast<const uint8_t*>(devobj->pOEMDM), prnui::kPrivateSettingsSize};
        std::span<const uint8_t> extra;
        if (const DEVMODEW* dm = devobj->pPublicDM)
            extra = {reinterpret_cast<const uint8_t*>(dm) + dm->dmSize, dm->dmDriverExtra};
        if (auto rec = FindRecord(priv, extra)) cfg.record = std::move(*rec);
        if (!cfg.record.empty()) {
            const uint8_t mode = cfg.record[offsetof(prnui::PrivateSettings, watermarkMode)];
            if (mode == 1 || mode == 2) cfg.watermark = LoadWatermark(printerName);
        }
        cfg.controlFont = LoadControlFont();
        host::IPrintOemDriverUni* driver = driver_;
        std::string jobName = printerName;
        auto factory = [driver, state, jobName](std::span<const uint8_t> record,
                                                Density d) -> std::unique_ptr<JobOutput> {
            render::JobSettings s = render::SettingsFromRecordBytes(record);
            s.density = EngineDensity(d);
            s.jobName = jobName;
            return std::make_unique<EngineOutput>(driver, &state->devobj, std::move(s));
        };
        return std::make_unique<RenderJob>(std::move(cfg), factory);
    }

    host::IPrintOemDriverUni* driver_ = nullptr;
};

}  // namespace
}  // namespace k20::prnrender

using namespace k20::prnrender;

extern "C" BOOL WINAPI DllMain(HINSTANCE hInst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(hInst);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    return k20::com::GetClassObject<RenderPlugin>(clsid, host::CLSID_OEMRENDER, iid, ppv, g_counts);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_counts.CanUnload() ? S_OK : S_FALSE;
}
