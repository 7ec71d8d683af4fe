#pragma once
// The system Unidrv's rendering plug-in interfaces, declared from their public API
// documentation because the mingw-w64 headers do not carry them. The method order is
// the vtable order; the stand-in host in tools/ uses these same declarations, so what
// only the real Unidrv can confirm is listed in prnrender/README.md.
#include <windows.h>
#include <objbase.h>

#include <cstddef>

#include "common/com_plugin_win.h"

namespace k20::prnrender::host {

// The class and interface identifiers, and IPrintOemCommon's modes and parameter.
using namespace k20::com;

// Glyph array kinds of OutputCharStr and of the font object's GetInfo.
inline constexpr DWORD TYPE_UNICODE = 1, TYPE_TRANSDATA = 2, TYPE_GLYPHHANDLE = 3, TYPE_GLYPHID = 4;
inline constexpr DWORD UFO_GETINFO_FONTOBJ = 1, UFO_GETINFO_GLYPHSTRING = 2;

struct DEVOBJ {
    DWORD dwSize;
    PVOID pdevOEM;
    HANDLE hEngine;
    HANDLE hPrinter;
    HANDLE hOEM;
    PDEVMODEW pPublicDM;
    PVOID pOEMDM;
    PVOID pDrvProcs;
};
using PDEVOBJ = DEVOBJ*;

struct IPPARAMS {
    DWORD dwSize;
    POINT ptOffset;
    PSTR pHalftoneOption;
    BOOL bBanding;
    BOOL bBlankBand;
};

// What EnableDriver hands back: the graphics functions the plug-in hooks.
struct DRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    PVOID pdrvfn;
};

struct UNIFONTOBJ;
using PFNGETINFO = BOOL(APIENTRY*)(UNIFONTOBJ*, DWORD dwInfoID, PVOID pData, DWORD dwDataSize,
                                   PDWORD pcbNeeded);
struct UNIFONTOBJ {
    ULONG ulFontID;
    DWORD dwFlags;
    PVOID pIFIMetrics;
    PFNGETINFO pfnGetInfo;
};

struct GETINFO_GLYPHSTRING {
    DWORD dwSize;
    DWORD dwCount;
    DWORD dwTypeIn;
    PVOID pGlyphIn;
    DWORD dwTypeOut;
    PVOID pGlyphOut;
    DWORD dwGlyphOutSize;
};

#if defined(_WIN64)
static_assert(sizeof(DEVOBJ) == 64 && offsetof(DEVOBJ, pPublicDM) == 40 && offsetof(DEVOBJ, pOEMDM) == 48);
static_assert(sizeof(IPPARAMS) == 32 && offsetof(IPPARAMS, pHalftoneOption) == 16 &&
              offsetof(IPPARAMS, bBlankBand) == 28);
static_assert(sizeof(UNIFONTOBJ) == 24 && offsetof(UNIFONTOBJ, pfnGetInfo) == 16);
static_assert(sizeof(DRVENABLEDATA) == 16 && offsetof(DRVENABLEDATA, pdrvfn) == 8);
static_assert(sizeof(GETINFO_GLYPHSTRING) == 48 && offsetof(GETINFO_GLYPHSTRING, pGlyphOut) == 32);
#else
static_assert(sizeof(DEVOBJ) == 32 && offsetof(DEVOBJ, pPublicDM) == 20 && offsetof(DEVOBJ, pOEMDM) == 24);
static_assert(sizeof(IPPARAMS) == 24 && offsetof(IPPARAMS, pHalftoneOption) == 12 &&
              offsetof(IPPARAMS, bBlankBand) == 20);
static_assert(sizeof(UNIFONTOBJ) == 16 && offsetof(UNIFONTOBJ, pfnGetInfo) == 12);
static_assert(sizeof(DRVENABLEDATA) == 12 && offsetof(DRVENABLEDATA, pdrvfn) == 8);
static_assert(sizeof(GETINFO_GLYPHSTRING) == 28 && offsetof(GETINFO_GLYPHSTRING, pGlyphOut) == 20);
#endif

// What Unidrv offers back to a rendering plug-in.
struct IPrintOemDriverUni : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                          DWORD cbSize, PDWORD pcbNeeded,
                                                          PDWORD pdwOptionsReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize,
                                                       DWORD* pdwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvXMoveTo(PDEVOBJ pdevobj, INT x, DWORD dwFlags, INT* piResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvYMoveTo(PDEVOBJ pdevobj, INT y, DWORD dwFlags, INT* piResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvGetStandardVariable(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pBuffer,
                                                             DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvGetGPDData(PDEVOBJ pdevobj, DWORD dwType, PVOID pInputData,
                                                    PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUniTextOut(PVOID pso, PVOID pstro, PVOID pfo, PVOID pco,
                                                    RECTL* prclExtra, RECTL* prclOpaque, PVOID pboFore,
                                                    PVOID pboOpaque, POINTL* pptlBrushOrg, ULONG mix) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvWriteAbortBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize,
                                                       DWORD dwWait) = 0;
};

// IPrintOemUni: IPrintOemCommon (GetInfo, DevMode), then IPrintOemEngine, then its own.
// Graphics-engine types the plug-in never looks into are plain pointers here.
struct IPrintOemUni : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE EnableDriver(DWORD DriverVersion, DWORD cbSize, PVOID pded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableDriver() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                                                 PVOID phsurfPatterns, ULONG cjGdiInfo, PVOID pGdiInfo,
                                                 ULONG cjDevInfo, PVOID pDevInfo, PVOID pded,
                                                 PVOID* pDevOem) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ pdevobj) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) = 0;
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImplementedMethod(PSTR pMethodName) = 0;
    virtual HRESULT STDMETHODCALLTYPE DriverDMS(PVOID pDevObj, PVOID pBuffer, DWORD cbSize,
                                                PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommandCallback(PDEVOBJ pdevobj, DWORD dwCallbackID, DWORD dwCount,
                                                      PDWORD pdwParams, INT* piResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                                                      PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE pColorTable,
                                                      DWORD dwCallbackID, IPPARAMS* pIPParams,
                                                      PBYTE* ppbResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE FilterGraphics(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compression(PDEVOBJ pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen,
                                                  DWORD dwOutLen, INT* piResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE HalftonePattern(PDEVOBJ pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX,
                                                      DWORD dwHTPatternY, DWORD dwHTNumPatterns,
                                                      DWORD dwCallbackID, PBYTE pResource,
                                                      DWORD dwResourceSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE MemoryUsage(PDEVOBJ pdevobj, PVOID pMemoryUsage) = 0;
    virtual HRESULT STDMETHODCALLTYPE TTYGetInfo(PDEVOBJ pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf,
                                                 DWORD dwSize, DWORD* pcbcNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DownloadFontHeader(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj,
                                                         DWORD* pdwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DownloadCharGlyph(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, ULONG hGlyph,
                                                        PDWORD pdwWidth, DWORD* pdwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE TTDownloadMethod(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj,
                                                       DWORD* pdwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE OutputCharStr(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, DWORD dwType,
                                                    DWORD dwCount, PVOID pGlyph) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendFontCmd(PDEVOBJ pdevobj, UNIFONTOBJ* pUFObj, PVOID pFInv) = 0;
    virtual HRESULT STDMETHODCALLTYPE TextOutAsBitmap(PVOID pso, PVOID pstro, PVOID pfo, PVOID pco,
                                                      RECTL* prclExtra, RECTL* prclOpaque, PVOID pboFore,
                                                      PVOID pboOpaque, POINTL* pptlOrg, ULONG mix) = 0;
};

}  // namespace k20::prnrender::host
