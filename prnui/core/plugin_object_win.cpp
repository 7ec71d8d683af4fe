#include "prnui/core/plugin_object_win.h"

#include "platform/win32/win32_platform.h"
#include "prnui/core/plugin_logic.h"
#include "prnui/core/private_settings.h"

namespace k20::prnui {

com::ServerCounts g_serverCounts;

namespace {

using com::Guard;

HRESULT Finish(const CallResult& r) {
    if (r.lastError) SetLastError(r.lastError);
    return HRESULT(r.hr);
}

std::u16string SystemDirectory() {
    wchar_t b[MAX_PATH] = {};
    GetSystemDirectoryW(b, MAX_PATH);
    return std::u16string(reinterpret_cast<const char16_t*>(b));
}

}  // namespace

PluginObject::PluginObject() {
    ++g_serverCounts.objects;
}

PluginObject::~PluginObject() {
    if (driverUI_) driverUI_->Release();
    --g_serverCounts.objects;
}

HRESULT PluginObject::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
    return Guard([&] {
        uint32_t needed = pcbNeeded ? *pcbNeeded : 0;
        CallResult r = prnui::GetInfo(dwMode, pBuffer, cbSize, pcbNeeded ? &needed : nullptr);
        if (pcbNeeded) *pcbNeeded = needed;
        return Finish(r);
    });
}

HRESULT PluginObject::DevMode(DWORD dwMode, host::OEMDMPARAM* p) {
    return Guard([&] {
        EnsureStarted();
        if (!p) return Finish(prnui::DevMode(dwMode, nullptr, {}));
        DevModeParam dp;
        dp.in = static_cast<const uint8_t*>(p->pOEMDMIn);
        dp.out = static_cast<uint8_t*>(p->pOEMDMOut);
        dp.cbBufSize = p->cbBufSize;
        CallResult r = prnui::DevMode(dwMode, &dp, SystemDirectory());
        if (dwMode == host::OEMDM_SIZE) p->cbBufSize = dp.cbBufSize;
        return Finish(r);
    });
}

HRESULT PluginObject::PublishDriverInterface(IUnknown* pIUnknown) {
    return Guard([&]() -> HRESULT {
        if (driverUI_) return S_OK;
        void* p = nullptr;
        if (pIUnknown && SUCCEEDED(pIUnknown->QueryInterface(host::IID_IPrintOemDriverUI, &p)) && p) {
            driverUI_ = static_cast<host::IPrintOemDriverUI*>(p);
            return S_OK;
        }
        driverUI_ = nullptr;
        return E_FAIL;
    });
}

HRESULT PluginObject::CommonUIProp(DWORD dwMode, host::OEMCUIPPARAM* p) {
    return Guard([&]() -> HRESULT {
        device_.cuiParam = p;
        document_.cuiParam = p;
        if (dwMode == host::OEMCUIP_DOCPROP) return S_OK;
        if (dwMode == host::OEMCUIP_PRNPROP) {
            if (p && !p->pOEMOptItems) p->cOEMOptItems = 0;
            return S_OK;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    });
}

HRESULT PluginObject::DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    return Guard([&] {
        EnsureStarted();
        document_.driverUI = driverUI_;
        return BuildDocumentSheet(*this, info, lParam);
    });
}

HRESULT PluginObject::DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    return Guard([&] {
        EnsureStarted();
        device_.driverUI = driverUI_;
        return BuildDeviceSheet(*this, info, lParam);
    });
}

HRESULT PluginObject::DevQueryPrintEx(host::POEMUIOBJ, host::PDEVQUERYPRINT_INFO, PDEVMODEW, PVOID) {
    return E_NOTIMPL;
}
HRESULT PluginObject::DeviceCapabilities(host::POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID, DWORD,
                                         DWORD*) {
    return E_NOTIMPL;
}
HRESULT PluginObject::UpgradePrinter(DWORD, PBYTE) {
    return E_NOTIMPL;
}
HRESULT PluginObject::PrinterEvent(PWSTR, INT, DWORD, LPARAM) {
    return E_NOTIMPL;
}
HRESULT PluginObject::DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) {
    return E_NOTIMPL;
}
HRESULT PluginObject::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) {
    return E_NOTIMPL;
}
HRESULT PluginObject::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) {
    return E_NOTIMPL;
}

HRESULT PluginObject::QueryColorProfile(HANDLE, host::POEMUIOBJ, PDEVMODEW, PVOID, ULONG ulQueryMode,
                                        VOID* pvProfileData, ULONG* pcbProfileData, FLONG* pflProfileData) {
    return Guard([&] {
        uint32_t size = pcbProfileData ? uint32_t(*pcbProfileData) : 0, flags = 0;
        CallResult r =
            prnui::QueryColorProfile(ulQueryMode, pvProfileData, pcbProfileData ? &size : nullptr, &flags);
        if (pcbProfileData) *pcbProfileData = size;
        if (r.hr == kS_OK && pflProfileData) *pflProfileData = flags;
        return Finish(r);
    });
}

}  // namespace k20::prnui
