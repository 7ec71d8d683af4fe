#include "tools/renderhost/render_host_win.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "prnrender/callbacks.h"
#include "prnrender/font_metrics.h"
#include "prnrender/oem_uni_win.h"

namespace k20::renderhost {

namespace host = k20::prnrender::host;

HostPage DrawTextPage(uint32_t width, uint32_t height, const std::vector<std::wstring>& lines,
                      int pointSize) {
    HostPage page;
    page.width = width;
    page.height = height;
    page.bits.assign(page.Stride() * height, 0);
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } bi{};
    bi.h.biSize = sizeof(BITMAPINFOHEADER);
    bi.h.biWidth = LONG(width);
    bi.h.biHeight = -LONG(height);  // top-down
    bi.h.biPlanes = 1;
    bi.h.biBitCount = 1;
    bi.colors[0] = {255, 255, 255, 0};  // 0 = white
    bi.colors[1] = {0, 0, 0, 0};        // 1 = black
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    void* pixels = nullptr;
    HBITMAP dib =
        CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!dib || !pixels) {
        DeleteDC(dc);
        return page;
    }
    HGDIOBJ oldBmp = SelectObject(dc, dib);
    RECT all = {0, 0, LONG(width), LONG(height)};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // At the printer's 203 dpi.
    HFONT font =
        CreateFontW(-MulDiv(pointSize, 203, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    int y = 4;
    for (const std::wstring& l : lines) {
        TextOutW(dc, 8, y, l.c_str(), int(l.size()));
        SIZE sz{};
        GetTextExtentPoint32W(dc, l.c_str(), int(l.size()), &sz);
        y += sz.cy + 4;
    }
    GdiFlush();
    const size_t dibStride = ((size_t(width) + 31) / 32) * 4;
    for (uint32_t r = 0; r < height; ++r)
        std::memcpy(page.bits.data() + size_t(r) * page.Stride(),
                    static_cast<uint8_t*>(pixels) + r * dibStride, page.Stride());
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteObject(font);
    DeleteObject(dib);
    DeleteDC(dc);
    return page;
}

namespace {

// The driver interface Unidrv publishes: only the spool buffer is served.
class CaptureDriver final : public host::IPrintOemDriverUni {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, host::IID_IPrintOemDriverUni)) {
            *ppv = static_cast<host::IPrintOemDriverUni*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }  // lives on the host's stack

    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(host::PDEVOBJ pdevobj, PVOID buffer, DWORD size,
                                               DWORD* written) override {
        if (pdevobj != expected || (!buffer && size)) {
            wrongDevobj = true;
            return E_FAIL;
        }
        const auto* b = static_cast<const uint8_t*>(buffer);
        bytes.insert(bytes.end(), b, b + size);
        ++calls;
        if (written) *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DrvXMoveTo(host::PDEVOBJ, INT, DWORD, INT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvYMoveTo(host::PDEVOBJ, INT, DWORD, INT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvGetStandardVariable(host::PDEVOBJ, DWORD, PVOID, DWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvGetGPDData(host::PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUniTextOut(PVOID, PVOID, PVOID, PVOID, RECTL*, RECTL*, PVOID, PVOID, POINTL*,
                                            ULONG) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvWriteAbortBuf(host::PDEVOBJ, PVOID, DWORD, DWORD) override {
        return E_NOTIMPL;
    }

    std::atomic<LONG> refs{1};
    host::PDEVOBJ expected = nullptr;
    std::vector<uint8_t> bytes;
    int calls = 0;
    bool wrongDevobj = false;
};

// A device font as Unidrv hands it to OutputCharStr: its number, its metrics (from the
// metric file the description names) and the callback that turns glyph handles into text.
struct HostFont {
    host::UNIFONTOBJ obj{};
    std::vector<uint8_t> ufm;
};

// Our glyph table maps 0x20..0x7E to glyphs 1..95: a handle is the code less 0x1F.
BOOL APIENTRY GetFontInfo(host::UNIFONTOBJ*, DWORD id, PVOID data, DWORD size, PDWORD needed) {
    if (id != host::UFO_GETINFO_GLYPHSTRING || !data || size < sizeof(host::GETINFO_GLYPHSTRING))
        return FALSE;
    auto* gs = static_cast<host::GETINFO_GLYPHSTRING*>(data);
    if (needed) *needed = 0;
    if (gs->dwTypeIn != host::TYPE_GLYPHHANDLE || gs->dwTypeOut != host::TYPE_UNICODE || !gs->pGlyphOut)
        return FALSE;
    const auto* in = static_cast<const ULONG*>(gs->pGlyphIn);
    auto* out = static_cast<wchar_t*>(gs->pGlyphOut);
    for (DWORD i = 0; i < gs->dwCount; ++i) out[i] = wchar_t(in[i] + 0x1F);
    return TRUE;
}

HostFont MakeFont(uint32_t fontId) {
    HostFont f;
    f.obj.ulFontID = fontId;
    f.obj.pfnGetInfo = GetFontInfo;
    for (const auto& font : prnrender::DeviceFonts())
        if (font.resourceId == fontId) f.ufm = prnrender::BuildUfm(font);
    if (f.ufm.size() > sizeof(prnrender::UnifmHdr)) {
        prnrender::UnifmHdr h;
        std::memcpy(&h, f.ufm.data(), sizeof(h));
        f.obj.pIFIMetrics = f.ufm.data() + h.loIFIMetrics;
    }
    return f;
}

}  // namespace

HostResult RunJob(const std::wstring& pluginPath, const HostJob& job) {
    HostResult res;
    auto fail = [&](const std::string& what, HRESULT hr) {
        char b[16];
        std::snprintf(b, sizeof b, "%08lX", static_cast<unsigned long>(hr));
        res.error = what + " failed: " + b;
        return res;
    };
    HMODULE dll = LoadLibraryW(pluginPath.c_str());
    if (!dll) return fail("LoadLibrary", HRESULT_FROM_WIN32(GetLastError()));
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClass =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    if (!getClass) return fail("DllGetClassObject lookup", E_FAIL);

    CaptureDriver driver;
    {
        IClassFactory* factory = nullptr;
        HRESULT hr = getClass(host::CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(hr) || !factory) return fail("DllGetClassObject", hr);
        host::IPrintOemUni* uni = nullptr;
        hr = factory->CreateInstance(nullptr, host::IID_IPrintOemUni, reinterpret_cast<void**>(&uni));
        factory->Release();
        if (FAILED(hr) || !uni) return fail("CreateInstance", hr);
        std::unique_ptr<host::IPrintOemUni, void (*)(host::IPrintOemUni*)> hold(
            uni, [](host::IPrintOemUni* u) { u->Release(); });

        DWORD needed = 0, sig = 0;
        hr = uni->GetInfo(host::OEMGI_GETSIGNATURE, &sig, sizeof sig, &needed);
        if (FAILED(hr)) return fail("GetInfo", hr);
        res.signature = sig;
        res.calls.push_back("GetInfo");
        hr = uni->PublishDriverInterface(&driver);
        if (FAILED(hr)) return fail("PublishDriverInterface", hr);
        res.calls.push_back("PublishDriverInterface");
        for (const char* m : {"ImageProcessing", "CommandCallback", "OutputCharStr"}) {
            std::string name = m;
            if (uni->GetImplementedMethod(name.data()) != S_OK)
                return fail(std::string("GetImplementedMethod ") + m, E_FAIL);
        }
        DWORD dmsFlags = ~0u;
        hr = uni->DriverDMS(nullptr, &dmsFlags, sizeof dmsFlags, &needed);
        if (hr != S_OK || dmsFlags != 0) return fail("DriverDMS", hr == S_OK ? E_FAIL : hr);
        res.calls.push_back("DriverDMS");
        host::OEMDMPARAM dm{};
        dm.cbSize = sizeof dm;
        hr = uni->DevMode(host::OEMDM_SIZE, &dm);
        if (FAILED(hr)) return fail("DevMode size", hr);
        res.recordSize = dm.cbBufSize;
        res.calls.push_back("DevMode");

        // The job's DEVMODE: the public part and, where the plug-in's part lies, the record.
        DEVMODEW publicDm{};
        publicDm.dmSize = sizeof publicDm;
        publicDm.dmSpecVersion = DM_SPECVERSION;
        std::vector<uint8_t> oemDm = job.privateRecord;
        oemDm.resize(std::max<size_t>(oemDm.size(), dm.cbBufSize), 0);
        // Two device objects: a ResetDC between pages makes a new one that takes the job over.
        host::DEVOBJ devobjs[2] = {};
        host::DEVOBJ* dev = &devobjs[0];
        std::wstring printer = job.printerName;
        auto enable = [&](host::DEVOBJ* d) {
            *d = host::DEVOBJ{};
            d->dwSize = sizeof *d;
            d->hOEM = dll;
            d->pPublicDM = &publicDm;
            d->pOEMDM = oemDm.data();
            PVOID pdev = nullptr;
            HRESULT h =
                uni->EnablePDEV(d, printer.data(), 0, nullptr, 0, nullptr, 0, nullptr, nullptr, &pdev);
            d->pdevOEM = pdev;
            res.calls.push_back("EnablePDEV");
            return SUCCEEDED(h) && pdev ? S_OK : E_FAIL;
        };
        if (FAILED(hr = enable(dev))) return fail("EnablePDEV", hr);
        driver.expected = dev;

        auto callback = [&](DWORD id, std::vector<DWORD> params = {}) {
            INT result = -1;
            HRESULT h = uni->CommandCallback(dev, id, DWORD(params.size()),
                                             params.empty() ? nullptr : params.data(), &result);
            res.calls.push_back("CommandCallback " + std::to_string(id));
            return SUCCEEDED(h) ? result : -2;
        };
        callback(job.densityCallback);
        callback(prnrender::kCbStartDoc);
        for (size_t pageIndex = 0; pageIndex < job.pages.size(); ++pageIndex) {
            const HostPage& page = job.pages[pageIndex];
            if (pageIndex > 0 && pageIndex == job.resetBeforePage) {
                host::DEVOBJ* next = dev == &devobjs[0] ? &devobjs[1] : &devobjs[0];
                if (FAILED(hr = enable(next))) return fail("EnablePDEV after ResetDC", hr);
                if (FAILED(hr = uni->ResetPDEV(dev, next))) return fail("ResetPDEV", hr);
                if (FAILED(hr = uni->DisablePDEV(dev))) return fail("DisablePDEV of the old context", hr);
                res.calls.push_back("ResetPDEV");
                dev = next;
                driver.expected = dev;
            }
            callback(prnrender::kCbStartPage);
            // Unidrv's bands: rows top-down, padded to four bytes. The documentation fixes the
            // row order but not the sign of the height, so the bands alternate between both.
            const size_t dibStride = ((size_t(page.width) + 31) / 32) * 4;
            size_t nextText = 0;
            bool positiveHeight = true;
            for (uint32_t top = 0; top < page.height; top += job.bandRows) {
                const uint32_t rows = std::min(job.bandRows, page.height - top);
                std::vector<uint8_t> band(dibStride * rows, 0);
                for (uint32_t r = 0; r < rows; ++r)
                    std::memcpy(band.data() + size_t(r) * dibStride, page.Row(top + r), page.Stride());
                struct {
                    BITMAPINFOHEADER h;
                    RGBQUAD colors[2];
                } bi{};
                bi.h.biSize = sizeof(BITMAPINFOHEADER);
                bi.h.biWidth = LONG(page.width);
                bi.h.biHeight = positiveHeight ? LONG(rows) : -LONG(rows);
                positiveHeight = !positiveHeight;
                bi.h.biPlanes = 1;
                bi.h.biBitCount = 1;
                bi.colors[0] = {255, 255, 255, 0};
                bi.colors[1] = {0, 0, 0, 0};
                host::IPPARAMS ip{};
                ip.dwSize = sizeof ip;
                ip.ptOffset = {0, LONG(top)};
                ip.bBanding = TRUE;
                PBYTE out = nullptr;
                HRESULT h = uni->ImageProcessing(dev, band.data(), &bi.h, reinterpret_cast<PBYTE>(bi.colors),
                                                 prnrender::kImageProcessingCallback, &ip, &out);
                if (FAILED(h) || out != reinterpret_cast<PBYTE>(TRUE)) return fail("ImageProcessing", h);
                // Text whose row lies in this band follows the band.
                while (nextText < page.texts.size() && page.texts[nextText].row < top + rows) {
                    const HostPage::Text& t = page.texts[nextText++];
                    if (callback(prnrender::kCbYMoveAbsolute, {DWORD(t.row)}) != INT(t.row))
                        return fail("CommandCallback move", E_FAIL);
                    HostFont f = MakeFont(t.fontId);
                    if (t.faceOnly) f.obj.ulFontID = 0x4000 + t.fontId;
                    std::vector<ULONG> glyphs;
                    for (char16_t c : t.text) glyphs.push_back(ULONG(c) - 0x1F);
                    h = uni->OutputCharStr(dev, &f.obj, host::TYPE_GLYPHHANDLE, DWORD(glyphs.size()),
                                           glyphs.data());
                    if (FAILED(h)) return fail("OutputCharStr", h);
                    res.calls.push_back("OutputCharStr");
                }
            }
            res.calls.push_back("ImageProcessing");
            callback(prnrender::kCbEndPage);
        }
        callback(prnrender::kCbEndDoc);
        hr = uni->DisablePDEV(dev);
        if (FAILED(hr)) return fail("DisablePDEV", hr);
        res.calls.push_back("DisablePDEV");
    }
    res.spooled = std::move(driver.bytes);
    res.writeCalls = driver.calls;
    if (driver.wrongDevobj) res.error = "DrvWriteSpoolBuf got another device object";
    if (driver.refs.load() != 1)
        res.error = "the plug-in kept " + std::to_string(driver.refs.load() - 1) + " driver references";
    FreeLibrary(dll);
    return res;
}

}  // namespace k20::renderhost
