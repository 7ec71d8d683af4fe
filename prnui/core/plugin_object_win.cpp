#include "prnui/core/plugin_object_win.h"

#include <new>

#include "platform/win32/win32_platform.h"
#include "prnui/core/plugin_logic.h"
#include "prnui/core/private_settings.h"

namespace k20::prnui {

std::atomic<LONG> g_lockCount{0};
std::atomic<LONG> g_objectCount{0};

namespace {

// Nothing may cross the COM boundary but an HRESULT: a failure inside becomes E_FAIL.
template <class F>
HRESULT Guard(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

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

// ---- class factory ----

HRESULT PluginClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG PluginClassFactory::AddRef() {
    return ULONG(++refs_);
}

ULONG PluginClassFactory::Release() {
    LONG n = --refs_;
    if (n == 0) {
        delete this;
        return 0;
    }
    return ULONG(n);
}

HRESULT PluginClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    return Guard([&]() -> HRESULT {
        if (ppv) *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        EnsureStarted();
        auto* obj = new (std::nothrow) PluginObject();
        if (!obj) return E_OUTOFMEMORY;
        HRESULT hr = obj->QueryInterface(riid, ppv);
        obj->Release();
        return hr;
    });
}

HRESULT PluginClassFactory::LockServer(BOOL lock) {
    if (lock)
        ++g_lockCount;
    else
        --g_lockCount;
    return S_OK;
}

// ---- plug-in object ----

PluginObject::PluginObject() {
    ++g_objectCount;
}

PluginObject::~PluginObject() {
    if (driverUI_) driverUI_->Release();
    --g_objectCount;
}

HRESULT PluginObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, host::IID_IPrintOemUI)) {
        *ppv = static_cast<host::IPrintOemUI*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG PluginObject::AddRef() {
    return ULONG(++refs_);
}

ULONG PluginObject::Release() {
    LONG n = --refs_;
    if (n == 0) {
        delete this;
        return 0;
    }
    return ULONG(n);
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
