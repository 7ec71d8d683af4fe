#pragma once
// The plug-in object the host talks to, and the class factory that makes it.
#include "prnui/core/oem_host_win.h"

namespace k20::prnui {

// What a property page receives from its sheet.
struct SheetContext {
    HANDLE hSheet = INVALID_HANDLE_VALUE;  // the host's property-sheet handle
    HANDLE hPage = INVALID_HANDLE_VALUE;   // the last page added
    PFNCOMPROPSHEET pfnComPropSheet = nullptr;
    host::OEMUIPSPARAM* uiParam = nullptr;   // document sheet: lParamInit of the sheet request
    host::OEMCUIPPARAM* cuiParam = nullptr;  // the last CommonUIProp parameter
    host::IPrintOemDriverUI* driverUI = nullptr;
};

class PluginObject final : public com::Unknown<PluginObject, host::IPrintOemUI, host::IID_IPrintOemUI> {
  public:
    PluginObject();
    ~PluginObject();

    HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, host::OEMDMPARAM* pOemDMParam) override;
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) override;
    HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, host::OEMCUIPPARAM* pOemCUIPParam) override;
    HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE DevQueryPrintEx(host::POEMUIOBJ, host::PDEVQUERYPRINT_INFO, PDEVMODEW,
                                              PVOID) override;
    HRESULT STDMETHODCALLTYPE DeviceCapabilities(host::POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW,
                                                 PVOID, DWORD, DWORD*) override;
    HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD, PBYTE) override;
    HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR, INT, DWORD, LPARAM) override;
    HRESULT STDMETHODCALLTYPE DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) override;
    HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE, host::POEMUIOBJ, PDEVMODEW, PVOID, ULONG ulQueryMode,
                                                VOID* pvProfileData, ULONG* pcbProfileData,
                                                FLONG* pflProfileData) override;
    HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) override;
    HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE, HANDLE, PWSTR) override;

    SheetContext& deviceContext() { return device_; }
    SheetContext& documentContext() { return document_; }

  private:
    host::IPrintOemDriverUI* driverUI_ = nullptr;
    SheetContext device_;
    SheetContext document_;
};

// Process-wide counts read by DllCanUnloadNow.
extern com::ServerCounts g_serverCounts;
extern HMODULE g_module;

// Runs the plug-in's one-time start-up on the first call that reaches us (never under
// the loader lock). Safe to call on every entry.
void EnsureStarted();

// Sheet building; the pages are added by the sheet module.
HRESULT BuildDocumentSheet(PluginObject& obj, PPROPSHEETUI_INFO info, LPARAM lParam);
HRESULT BuildDeviceSheet(PluginObject& obj, PPROPSHEETUI_INFO info, LPARAM lParam);

}  // namespace k20::prnui
