#include "tools/printhost/host_session_win.h"

#include <winspool.h>

#include <cstring>

namespace k20::printhost {

using namespace k20::prnui;

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);

struct HostSession::DriverUI final : host::IPrintOemDriverUI {
    LONG refs = 1;
    std::vector<UiUpdate> updates;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, host::IID_IPrintOemDriverUI)) {
            *ppv = static_cast<host::IPrintOemDriverUI*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        return ULONG(InterlockedDecrement(&refs));
    }  // owned by the session
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID pOptItem, DWORD previous, DWORD mode) override {
        UiUpdate u;
        if (auto* item = static_cast<OPTITEM*>(pOptItem)) {
            if (item->pName && !IS_INTRESOURCE(item->pName)) u.itemName = item->pName;
            if (item->pOptType)
                for (WORD k = 0; k < item->pOptType->Count; ++k) {
                    LPTSTR d = item->pOptType->pOptParam[k].pData;
                    u.options.push_back(d && !IS_INTRESOURCE(d) ? d : L"");
                }
        }
        u.previous = previous;
        u.mode = mode;
        updates.push_back(std::move(u));
        return S_OK;
    }
};

namespace {

// The host's own option texts, in buffers just long enough for them.
wchar_t kFormItem[] = L"Paper Size";
wchar_t kForms[][20] = {L"Roll Paper 80 x 297", L"A4", L"Letter", L"Custom Paper-K20"};
wchar_t kDensityItem[] = L"Density";
wchar_t kDensities[][10] = {L"Density 1", L"Density 2", L"Density 3"};

// The host's own pages: a template built in memory with one label.
std::vector<WORD> HostPageTemplate(const wchar_t* text) {
    std::vector<WORD> t;
    auto align = [&] {
        if (t.size() % 2) t.push_back(0);
    };
    auto str = [&](const wchar_t* s) {
        for (; *s; ++s) t.push_back(WORD(*s));
        t.push_back(0);
    };
    DWORD style = DS_SETFONT | WS_CHILD | WS_CAPTION;
    t.push_back(LOWORD(style));
    t.push_back(HIWORD(style));
    t.push_back(0);
    t.push_back(0);  // extended style
    t.push_back(1);  // items
    t.push_back(0);
    t.push_back(0);
    t.push_back(252);
    t.push_back(218);
    t.push_back(0);  // menu
    t.push_back(0);  // class
    t.push_back(0);  // title
    t.push_back(8);
    str(L"MS Shell Dlg");
    align();
    DWORD cs = WS_CHILD | WS_VISIBLE | SS_LEFT;
    t.push_back(LOWORD(cs));
    t.push_back(HIWORD(cs));
    t.push_back(0);
    t.push_back(0);
    t.push_back(7);
    t.push_back(7);
    t.push_back(238);
    t.push_back(40);
    t.push_back(0xFFFF);  // id
    t.push_back(0xFFFF);
    t.push_back(0x0082);  // static
    str(text);
    t.push_back(0);  // no creation data
    return t;
}

INT_PTR CALLBACK HostPageProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

}  // namespace

HostSession::HostSession() : driverUI_(std::make_unique<DriverUI>()) {
    BuildOptionItems();
}

HostSession::~HostSession() {
    if (plugin_) plugin_->Release();
    if (hPrinter_) ClosePrinter(hPrinter_);
    // The plug-in stays loaded: windows it created may still be alive in a test process.
}

const std::vector<UiUpdate>& HostSession::uiUpdates() const {
    return driverUI_->updates;
}

void HostSession::BuildOptionItems() {
    params_.assign(2, {});
    for (auto& f : kForms) {
        OPTPARAM p{};
        p.cbSize = sizeof(p);
        p.pData = f;
        params_[0].push_back(p);
    }
    for (auto& d : kDensities) {
        OPTPARAM p{};
        p.cbSize = sizeof(p);
        p.pData = d;
        params_[1].push_back(p);
    }
    types_.assign(2, OPTTYPE{});
    for (size_t i = 0; i < 2; ++i) {
        types_[i].cbSize = sizeof(OPTTYPE);
        types_[i].Type = TVOT_LISTBOX;
        types_[i].Count = WORD(params_[i].size());
        types_[i].pOptParam = params_[i].data();
    }
    items_.assign(2, OPTITEM{});
    items_[0].cbSize = sizeof(OPTITEM);
    items_[0].Level = 2;
    items_[0].pName = kFormItem;
    items_[0].Sel = 0;
    items_[0].pOptType = &types_[0];
    items_[0].DMPubID = DMPUB_FORMNAME;
    items_[1].cbSize = sizeof(OPTITEM);
    items_[1].Level = 2;
    items_[1].pName = kDensityItem;
    items_[1].Sel = 1;
    items_[1].pOptType = &types_[1];
    items_[1].DMPubID = DMPUB_NONE;
}

bool HostSession::Load(const std::wstring& dllPath, std::wstring& error) {
    dll_ = LoadLibraryW(dllPath.c_str());
    if (!dll_) {
        error = L"cannot load " + dllPath;
        return false;
    }
    auto get = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (!get || FAILED(get(host::CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        error = L"no class factory";
        return false;
    }
    HRESULT hr = factory->CreateInstance(nullptr, host::IID_IPrintOemUI, reinterpret_cast<void**>(&plugin_));
    factory->Release();
    if (FAILED(hr) || !plugin_) {
        error = L"no plug-in object";
        return false;
    }
    if (FAILED(plugin_->PublishDriverInterface(driverUI_.get()))) {
        error = L"PublishDriverInterface failed";
        return false;
    }
    DWORD signature = 0, version = 0, needed = 0;
    plugin_->GetInfo(host::OEMGI_GETSIGNATURE, &signature, sizeof(signature), &needed);
    plugin_->GetInfo(host::OEMGI_GETVERSION, &version, sizeof(version), &needed);

    host::OEMDMPARAM dm{};
    dm.cbSize = sizeof(dm);
    if (FAILED(plugin_->DevMode(host::OEMDM_SIZE, &dm)) || dm.cbBufSize < sizeof(host::OEM_DMEXTRAHEADER)) {
        error = L"DevMode size failed";
        return false;
    }
    DWORD size = dm.cbBufSize;
    devmode_.assign(sizeof(DEVMODEW) + size, 0);
    auto* pub = reinterpret_cast<DEVMODEW*>(devmode_.data());
    pub->dmSize = sizeof(DEVMODEW);
    pub->dmDriverExtra = WORD(size);
    pub->dmSpecVersion = DM_SPECVERSION;
    record_.assign(size, 0);
    dm.pPublicDMIn = dm.pPublicDMOut = pub;
    dm.pOEMDMOut = record_.data();
    dm.cbBufSize = size;
    if (FAILED(plugin_->DevMode(host::OEMDM_DEFAULT, &dm))) {
        error = L"DevMode default failed";
        return false;
    }
    std::vector<uint8_t> merged(size);
    dm.pOEMDMIn = record_.data();
    dm.pOEMDMOut = merged.data();
    if (FAILED(plugin_->DevMode(host::OEMDM_MERGE, &dm))) {
        error = L"DevMode merge failed";
        return false;
    }
    record_ = merged;
    return signature == 0x00504C52 && version == 1;
}

bool HostSession::UsePrinter(const std::wstring& printerName) {
    printer_ = printerName;
    if (hPrinter_) ClosePrinter(hPrinter_);
    hPrinter_ = nullptr;
    return OpenPrinterW(printer_.data(), &hPrinter_, nullptr) && hPrinter_;
}

std::wstring HostSession::WindowTitle(Sheet sheet) const {
    return printer_ + (sheet == Sheet::Document ? L" Printing Preferences" : L" Properties");
}

LONG_PTR CALLBACK HostSession::ComPropSheet(HANDLE hComPropSheet, UINT function, LPARAM lParam1,
                                            LPARAM lParam2) {
    auto* self = static_cast<HostSession*>(hComPropSheet);
    if (!self) return 0;
    switch (function) {
        case CPSFUNC_ADD_PROPSHEETPAGEW: {
            auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lParam1);
            if (!psp) return 0;
            HPROPSHEETPAGE page = CreatePropertySheetPageW(psp);
            if (!page) return 0;
            self->pages_.push_back(page);
            self->titles_.push_back((psp->dwFlags & PSP_USETITLE) && psp->pszTitle &&
                                            !IS_INTRESOURCE(psp->pszTitle)
                                        ? psp->pszTitle
                                        : L"");
            return reinterpret_cast<LONG_PTR>(page);
        }
        case CPSFUNC_SET_RESULT:
            self->setResults_.push_back({reinterpret_cast<HANDLE>(lParam1), lParam2});
            if (lParam2 == CPSUI_OK) self->applied_ = true;
            return 1;
        default:
            return 0;
    }
}

void HostSession::AddHostPages(Sheet sheet) {
    static std::vector<WORD> templates[2] = {HostPageTemplate(L"Page of the printing host."),
                                             HostPageTemplate(L"Another page of the printing host.")};
    const wchar_t* names[2][2] = {{L"Layout", L"Paper/Quality"}, {L"General", L"Device Settings"}};
    for (int i = 0; i < 2; ++i) {
        PROPSHEETPAGEW p{};
        p.dwSize = sizeof(p);
        p.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        p.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(templates[i].data());
        p.pfnDlgProc = HostPageProc;
        p.pszTitle = names[sheet == Sheet::Document ? 0 : 1][i];
        ComPropSheet(this, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&p), 0);
    }
}

HRESULT HostSession::Collect(Sheet sheet) {
    return Request(sheet, this, &ComPropSheet, true);
}

HRESULT HostSession::CollectInto(Sheet sheet, HANDLE hComPropSheet, PFNCOMPROPSHEET pfn) {
    return Request(sheet, hComPropSheet, pfn, false);
}

HRESULT HostSession::Request(Sheet sheet, HANDLE hComPropSheet, PFNCOMPROPSHEET pfn, bool hostPages) {
    pages_.clear();
    titles_.clear();
    setResults_.clear();
    applied_ = false;
    // The pages edit the record inside the DEVMODE; the host's copy changes on Apply only.
    std::memcpy(devmode_.data() + sizeof(DEVMODEW), record_.data(), record_.size());
    auto* pub = reinterpret_cast<DEVMODEW*>(devmode_.data());

    cuip_ = {};
    cuip_.cbSize = sizeof(cuip_);
    cuip_.hPrinter = hPrinter_;
    cuip_.pPrinterName = printer_.data();
    cuip_.pPublicDM = pub;
    cuip_.pOEMDM = devmode_.data() + sizeof(DEVMODEW);
    cuip_.pDrvOptItems = items_.data();
    cuip_.cDrvOptItems = DWORD(items_.size());
    psp_ = {};
    psp_.cbSize = sizeof(psp_);
    psp_.hPrinter = hPrinter_;
    psp_.pPrinterName = printer_.data();
    psp_.pPublicDM = pub;
    psp_.pOEMDM = cuip_.pOEMDM;

    HRESULT hr = plugin_->CommonUIProp(
        sheet == Sheet::Document ? host::OEMCUIP_DOCPROP : host::OEMCUIP_PRNPROP, &cuip_);
    if (FAILED(hr)) return hr;
    if (hostPages) AddHostPages(sheet);
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof(info);
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Reason = PROPSHEETUI_REASON_INIT;
    info.hComPropSheet = hComPropSheet;
    info.pfnComPropSheet = pfn;
    info.lParamInit = reinterpret_cast<LPARAM>(&psp_);
    return sheet == Sheet::Document ? plugin_->DocumentPropertySheets(&info, 0)
                                    : plugin_->DevicePropertySheets(&info, 0);
}

HWND HostSession::Show(Sheet sheet, bool modeless, HWND owner) {
    static std::wstring caption;
    caption = WindowTitle(sheet);
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof(h);
    h.dwFlags = PSH_NOCONTEXTHELP | (modeless ? PSH_MODELESS : 0);
    h.hwndParent = owner;
    h.pszCaption = caption.c_str();
    h.nPages = UINT(pages_.size());
    h.phpage = pages_.data();
    INT_PTR r = PropertySheetW(&h);
    pages_.clear();
    if (modeless) return reinterpret_cast<HWND>(r);
    lastResult_ = r;
    Finish();
    return nullptr;
}

void HostSession::Finish() {
    if (applied_) std::memcpy(record_.data(), devmode_.data() + sizeof(DEVMODEW), record_.size());
    applied_ = false;
}

}  // namespace k20::printhost
