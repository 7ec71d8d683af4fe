// Assembly of the document and device sheets: the plug-in's pages added to the host's
// sheets, the density option renamed, the language start-up, and retitling of open
// sheets after a language change.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <array>
#include <set>
#include <span>
#include <string>

#include "platform/win32/wide_string_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {

namespace {

platform::win32::Win32Machine& Machine() {
    static platform::win32::Win32Machine machine;
    return machine;
}

HANDLE g_actCtx = INVALID_HANDLE_VALUE;

// The pages use the common-controls version named by our manifest (resource 2), whatever
// the host process was built against.
HANDLE ActivationContext() {
    static bool tried = false;
    if (!tried) {
        tried = true;
        ACTCTXW ctx{};
        ctx.cbSize = sizeof(ctx);
        ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        ctx.hModule = g_module;
        ctx.lpResourceName = MAKEINTRESOURCEW(2);
        g_actCtx = CreateActCtxW(&ctx);
    }
    return g_actCtx;
}

// Texts handed to the host and to the pages live as long as the process: the host keeps
// pointing at them while its sheet is open, and a sheet may outlive our request.
const wchar_t* Keep(const std::u16string& s) {
    static std::set<std::wstring> pool;
    return pool.insert(Wide(s)).first->c_str();
}

bool AddPages(SheetContext& ctx, std::span<const PageTab> tabs) {
    const Texts& texts = CurrentTexts();
    HANDLE act = ActivationContext();
    bool all = true;
    for (const PageTab& tab : tabs) {
        PageEntry page = PageFor(tab.kind);
        if (!page.proc) {
            all = false;
            continue;
        }
        PROPSHEETPAGEW psp{};
        psp.dwSize = sizeof(psp);
        psp.dwFlags = PSP_USETITLE;
        psp.hInstance = g_module;
        psp.pszTemplate = MAKEINTRESOURCEW(page.templateId);
        psp.pfnDlgProc = page.proc;
        psp.pszTitle = Keep(PageTitle(texts, tab));
        psp.lParam = reinterpret_cast<LPARAM>(&ctx);
        if (act != INVALID_HANDLE_VALUE) {
            psp.dwFlags |= PSP_USEFUSIONCONTEXT;
            psp.hActCtx = act;
        }
        LONG_PTR h =
            ctx.pfnComPropSheet(ctx.hSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&psp), 0);
        if (h)
            ctx.hPage = reinterpret_cast<HANDLE>(h);
        else
            all = false;
    }
    return all;
}

// The request's common part: version check and the reasons other than building.
// Returns true when the caller should build the sheet.
bool Prepare(PPROPSHEETUI_INFO info, LPARAM lParam, HRESULT& hr) {
    hr = S_OK;
    if (!info || info->Version != PROPSHEETUI_INFO_VERSION) {
        SetLastError(ERROR_INVALID_PARAMETER);
        hr = E_FAIL;
        return false;
    }
    switch (info->Reason) {
        case PROPSHEETUI_REASON_INIT:
            return true;
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            static wchar_t title[] = L"OEM UI Page";
            if (auto* header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam)) header->pTitle = title;
            info->Result = TRUE;
            return false;
        }
        case PROPSHEETUI_REASON_DESTROY:
            info->Result = TRUE;
            return false;
        case PROPSHEETUI_REASON_SET_RESULT:
            if (auto* r = reinterpret_cast<PSETRESULT_INFO>(lParam)) info->Result = r->Result;
            return false;
        case PROPSHEETUI_REASON_GET_ICON:
            info->Result = 0;
            return false;
        default:
            return false;
    }
}

}  // namespace

void StartUp() {
    static Language language(Machine().registry, Machine().files, Machine().system);
    language.StartUp();
    SetProcessLanguage(&language);
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
}

void ShutDown() {
    SetProcessLanguage(nullptr);
    if (g_actCtx != INVALID_HANDLE_VALUE) ReleaseActCtx(g_actCtx);
    g_actCtx = INVALID_HANDLE_VALUE;
}

void RenameDensityOptions(SheetContext& ctx) {
    host::OEMCUIPPARAM* p = ctx.cuiParam;
    if (!p || !p->pDrvOptItems) return;
    const Texts& texts = CurrentTexts();
    for (DWORD i = 0; i < p->cDrvOptItems; ++i) {
        OPTITEM& item = p->pDrvOptItems[i];
        POPTTYPE type = item.pOptType;
        if (!type || !type->pOptParam || type->Count == 0) continue;
        // Option texts may be resource identifiers rather than strings.
        LPTSTR first = type->pOptParam[0].pData;
        if (IS_INTRESOURCE(first)) continue;
        std::u16string firstText(reinterpret_cast<const char16_t*>(first));
        if (!IsDensityItem(item.Level, item.DMPubID, firstText)) continue;
        item.Flags |= OPTIF_CHANGED;
        // The host owns the old texts and their buffers may be shorter than ours: point
        // the item at texts of our own instead of writing into them.
        item.pName = const_cast<LPTSTR>(Keep(DensityTitle(texts)));
        for (WORD k = 0; k < type->Count; ++k)
            type->pOptParam[k].pData = const_cast<LPTSTR>(Keep(DensityOptionName(texts, k)));
        if (ctx.driverUI) ctx.driverUI->DrvUpdateUISetting(p->poemuiobj, &item, 0, host::OEMCUIP_DOCPROP);
    }
}

HRESULT BuildDocumentSheet(PluginObject& obj, PPROPSHEETUI_INFO info, LPARAM lParam) {
    HRESULT hr;
    if (!Prepare(info, lParam, hr)) return hr;
    SheetContext& ctx = obj.documentContext();
    ctx.hSheet = info->hComPropSheet;
    ctx.uiParam = reinterpret_cast<host::OEMUIPSPARAM*>(info->lParamInit);
    ctx.pfnComPropSheet = info->pfnComPropSheet;
    RenameDensityOptions(ctx);
    if (ctx.pfnComPropSheet) AddPages(ctx, kDocumentPages);
    info->Result = CPSUI_OK;
    return S_OK;
}

HRESULT BuildDeviceSheet(PluginObject& obj, PPROPSHEETUI_INFO info, LPARAM lParam) {
    HRESULT hr;
    if (!Prepare(info, lParam, hr)) return hr;
    SheetContext& ctx = obj.deviceContext();
    if (ctx.cuiParam && ctx.cuiParam->hPrinter) {
        platform::PrinterInfo2 printer;
        auto handle = reinterpret_cast<platform::PrinterHandle>(ctx.cuiParam->hPrinter);
        if (Machine().spooler.GetPrinter2(handle, printer) == platform::kOk && ProcessLanguage())
            ProcessLanguage()->RememberPort(printer.portName);
    }
    ctx.hSheet = info->hComPropSheet;
    ctx.pfnComPropSheet = info->pfnComPropSheet;
    if (ctx.pfnComPropSheet) AddPages(ctx, kDevicePages);
    info->Result = CPSUI_OK;
    return S_OK;
}

}  // namespace k20::prnui
