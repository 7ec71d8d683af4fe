#pragma once
// The printing host's plug-in interface, declared from its public API documentation
// because the mingw-w64 headers do not carry it. The method order is the vtable order;
// the sizes and offsets below are checked on both architectures.
#include <windows.h>
#include <objbase.h>
#include <compstui.h>
#include <winddiui.h>

#include <cstddef>

#include "common/com_plugin_win.h"

namespace k20::prnui::host {

// The class and interface identifiers, and IPrintOemCommon's modes and parameter.
using namespace k20::com;

inline constexpr DWORD OEMGI_GETPUBLISHERINFO = 4;
inline constexpr DWORD OEMCUIP_DOCPROP = 1, OEMCUIP_PRNPROP = 2;
inline constexpr ULONG QCP_DEVICEPROFILE = 0, QCP_SOURCEPROFILE = 1;
inline constexpr FLONG QCP_PROFILEMEMORY = 1, QCP_PROFILEDISK = 2;

struct OEM_DMEXTRAHEADER {
    DWORD dwSize;
    DWORD dwSignature;
    DWORD dwVersion;
};

// Only passed through; the plug-in declines DevQueryPrintEx.
struct DEVQUERYPRINT_INFO;
using PDEVQUERYPRINT_INFO = DEVQUERYPRINT_INFO*;

struct OEMUIPROCS;
struct OEMUIOBJ {
    DWORD cbSize;
    OEMUIPROCS* pOemUIProcs;
};
using POEMUIOBJ = OEMUIOBJ*;

using OEMCUIPCALLBACK = LONG(APIENTRY*)(PCPSUICBPARAM, struct OEMCUIPPARAM*);

struct OEMCUIPPARAM {
    DWORD cbSize;
    POEMUIOBJ poemuiobj;
    HANDLE hPrinter;
    PWSTR pPrinterName;
    HANDLE hModule;
    HANDLE hOEMHeap;
    PDEVMODEW pPublicDM;
    PVOID pOEMDM;
    DWORD dwFlags;
    POPTITEM pDrvOptItems;
    DWORD cDrvOptItems;
    POPTITEM pOEMOptItems;
    DWORD cOEMOptItems;
    PVOID pOEMUserData;
    OEMCUIPCALLBACK OEMCUIPCallback;
};

struct OEMUIPSPARAM {
    DWORD cbSize;
    POEMUIOBJ poemuiobj;
    HANDLE hPrinter;
    PWSTR pPrinterName;
    HANDLE hModule;
    HANDLE hOEMHeap;
    PDEVMODEW pPublicDM;
    PVOID pOEMDM;
    PVOID pOEMUserData;
    DWORD dwFlags;
    PVOID pOemEntry;
};

#if defined(_WIN64)
static_assert(sizeof(OEMCUIPPARAM) == 120 && offsetof(OEMCUIPPARAM, pDrvOptItems) == 72 &&
              offsetof(OEMCUIPPARAM, cDrvOptItems) == 80 && offsetof(OEMCUIPPARAM, pOEMOptItems) == 88 &&
              offsetof(OEMCUIPPARAM, cOEMOptItems) == 96 && offsetof(OEMCUIPPARAM, OEMCUIPCallback) == 112);
static_assert(sizeof(OEMUIPSPARAM) == 88 && offsetof(OEMUIPSPARAM, pOEMDM) == 56 &&
              offsetof(OEMUIPSPARAM, dwFlags) == 72 && offsetof(OEMUIPSPARAM, pOemEntry) == 80);
static_assert(sizeof(OEMUIOBJ) == 16);
#else
static_assert(sizeof(OEMCUIPPARAM) == 60 && offsetof(OEMCUIPPARAM, pDrvOptItems) == 36 &&
              offsetof(OEMCUIPPARAM, cDrvOptItems) == 40 && offsetof(OEMCUIPPARAM, pOEMOptItems) == 44 &&
              offsetof(OEMCUIPPARAM, cOEMOptItems) == 48 && offsetof(OEMCUIPPARAM, OEMCUIPCallback) == 56);
static_assert(sizeof(OEMUIPSPARAM) == 44 && offsetof(OEMUIPSPARAM, pOEMDM) == 28 &&
              offsetof(OEMUIPSPARAM, dwFlags) == 36 && offsetof(OEMUIPSPARAM, pOemEntry) == 40);
static_assert(sizeof(OEMUIOBJ) == 8);
#endif
static_assert(sizeof(OEM_DMEXTRAHEADER) == 12);

// IPrintOemDriverUI: what the host offers back to the plug-in.
struct IPrintOemDriverUI : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pci, PCSTR Feature, PVOID pOutput,
                                                          DWORD cbSize, PDWORD pcbNeeded,
                                                          PDWORD pdwOptionsReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE hPrinter, PCSTR pFeature,
                                                                PCSTR pOption) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID pOptItem, DWORD dwPreviousSelection,
                                                         DWORD dwMode) = 0;
};

// IPrintOemUI, after IPrintOemCommon's GetInfo and DevMode.
struct IPrintOemUI : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, OEMCUIPPARAM* pOemCUIPParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ poemuiobj, PDEVQUERYPRINT_INFO pDQPInfo,
                                                      PDEVMODEW pPublicDM, PVOID pOEMDM) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ poemuiobj, HANDLE hPrinter,
                                                         PWSTR pDeviceName, WORD wCapability, PVOID pOutput,
                                                         PDEVMODEW pPublicDM, PVOID pOEMDM, DWORD dwOld,
                                                         DWORD* dwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR pPrinterName, INT iDriverEvent, DWORD dwFlags,
                                                   LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo,
                                                  LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE hPrinter, POEMUIOBJ poemuiobj,
                                                        PDEVMODEW pPublicDM, PVOID pOEMDM, ULONG ulQueryMode,
                                                        VOID* pvProfileData, ULONG* pcbProfileData,
                                                        FLONG* pflProfileData) = 0;
    virtual HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam,
                                                           LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap,
                                                          PWSTR pwstrCartridges) = 0;
};

}  // namespace k20::prnui::host
