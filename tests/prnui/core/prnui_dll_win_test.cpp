// The real prnui.dll, loaded the way the printing host loads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "prnui/core/oem_host_win.h"
#include "tests/prnui/core/golden.h"
#include "tests/support/pe_exports.h"

using namespace k20::prnui::host;

namespace {

constexpr DWORD kPoison = 0xDEADBEEF;

struct Dll {
    HMODULE h = nullptr;
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadFn canUnload = nullptr;
    Dll() {
        std::string path = std::string(K20_PRNUI_DLL_DIR) + "/prnui.dll";
        h = LoadLibraryA(path.c_str());
        if (h) {
            getClassObject = reinterpret_cast<GetClassObjectFn>(
                reinterpret_cast<void*>(GetProcAddress(h, "DllGetClassObject")));
            canUnload =
                reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(h, "DllCanUnloadNow")));
        }
    }
    ~Dll() {
        if (h) FreeLibrary(h);
    }
};

Dll& TheDll() {
    static Dll d;
    return d;
}

IPrintOemUI* NewPlugin() {
    IClassFactory* f = nullptr;
    if (FAILED(TheDll().getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&f))))
        return nullptr;
    IPrintOemUI* ui = nullptr;
    f->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&ui));
    f->Release();
    return ui;
}

// A host driver-UI object that counts what it is asked.
struct FakeDriverUI : IPrintOemDriverUI {
    LONG refs = 1;
    int queries = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        ++queries;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemDriverUI)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override { return S_OK; }
};

struct NoDriverUI : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

std::vector<uint8_t> Record(IPrintOemUI* ui, DWORD mode, const std::vector<uint8_t>& in, HRESULT& hr,
                            DWORD& err) {
    std::vector<uint8_t> out(1980);
    OEMDMPARAM p{};
    p.cbSize = sizeof p;
    p.pOEMDMIn = in.empty() ? nullptr : const_cast<uint8_t*>(in.data());
    p.pOEMDMOut = out.data();
    p.cbBufSize = DWORD(out.size());
    if (mode != OEMDM_DEFAULT) {  // the host's output starts as the default record
        OEMDMPARAM d = p;
        ui->DevMode(OEMDM_DEFAULT, &d);
    }
    SetLastError(kPoison);
    hr = ui->DevMode(mode, &p);
    err = GetLastError();
    return out;
}

}  // namespace

TEST(PrnuiDll, BothArchitecturesExportExactlyTheTwoComEntryPoints) {
    struct Want {
        std::string path;
        uint16_t machine;
    };
    const Want dlls[] = {{std::string(K20_PRNUI_DLL_DIR) + "/prnui.dll", 0x8664},
                         {std::string(K20_SOURCE_DIR) + "/build/win32/prnui/prnui.dll", 0x14C}};
    for (const auto& w : dlls) {
        std::ifstream f(w.path, std::ios::binary);
        if (!f) {
            ADD_FAILURE() << "not built: " << w.path;
            continue;
        }
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        auto e = k20::test::ReadPeExports(bytes);
        ASSERT_TRUE(e.has_value()) << w.path;
        EXPECT_EQ(e->machine, w.machine) << w.path;
        EXPECT_EQ(e->functionCount, 2u) << w.path;
        EXPECT_EQ(e->names, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject"})) << w.path;
    }
}

TEST(PrnuiDll, ClassFactoryAndObjectLifetime) {
    Dll& d = TheDll();
    ASSERT_NE(d.h, nullptr);
    ASSERT_NE(d.getClassObject, nullptr);
    ASSERT_NE(d.canUnload, nullptr);
    EXPECT_EQ(d.canUnload(), S_OK);

    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(d.getClassObject(IID_IPrintOemUI, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(d.canUnload(), S_OK);

    IClassFactory* f = nullptr;
    ASSERT_EQ(d.getClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    IUnknown* unk = nullptr;
    EXPECT_EQ(f->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
    EXPECT_EQ(unk->Release(), 1u);
    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->QueryInterface(IID_IPrintOemUI, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);

    FakeDriverUI outer;
    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->CreateInstance(&outer, IID_IPrintOemUI, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(d.canUnload(), S_OK);

    EXPECT_EQ(f->LockServer(TRUE), S_OK);
    EXPECT_EQ(d.canUnload(), S_FALSE);
    EXPECT_EQ(f->LockServer(FALSE), S_OK);
    EXPECT_EQ(d.canUnload(), S_OK);

    IPrintOemUI* ui = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&ui)), S_OK);
    EXPECT_EQ(d.canUnload(), S_FALSE);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(f->Release(), 0u);

    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(ui->QueryInterface(IID_IPrintOemDriverUI, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    IUnknown* u2 = nullptr;
    EXPECT_EQ(ui->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&u2)), S_OK);
    EXPECT_EQ(ui->AddRef(), 3u);
    EXPECT_EQ(ui->Release(), 2u);
    EXPECT_EQ(u2->Release(), 1u);

    // The driver-UI interface is taken once and released with the object.
    FakeDriverUI host;
    EXPECT_EQ(ui->PublishDriverInterface(&host), S_OK);
    EXPECT_EQ(host.refs, 2);
    EXPECT_EQ(ui->PublishDriverInterface(&host), S_OK);
    EXPECT_EQ(host.queries, 1);
    EXPECT_EQ(ui->Release(), 0u);
    EXPECT_EQ(host.refs, 1);
    EXPECT_EQ(d.canUnload(), S_OK);

    IPrintOemUI* ui2 = NewPlugin();
    ASSERT_NE(ui2, nullptr);
    NoDriverUI none;
    EXPECT_EQ(ui2->PublishDriverInterface(&none), E_FAIL);
    EXPECT_EQ(ui2->PublishDriverInterface(nullptr), E_FAIL);
    EXPECT_EQ(ui2->Release(), 0u);
}

TEST(PrnuiDll, GetInfoAndColorProfileSetLastError) {
    IPrintOemUI* ui = NewPlugin();
    ASSERT_NE(ui, nullptr);
    DWORD buf = 0, needed = 0;
    SetLastError(kPoison);
    EXPECT_EQ(ui->GetInfo(OEMGI_GETSIGNATURE, &buf, 4, &needed), S_OK);
    EXPECT_EQ(buf, 0x00504C52u);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(ui->GetInfo(OEMGI_GETVERSION, &buf, 4, &needed), S_OK);
    EXPECT_EQ(buf, 1u);
    SetLastError(kPoison);
    EXPECT_EQ(ui->GetInfo(OEMGI_GETSIGNATURE, &buf, 3, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 4u);
    SetLastError(kPoison);
    EXPECT_EQ(ui->GetInfo(OEMGI_GETPUBLISHERINFO, &buf, 4, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(needed, 0u);
    SetLastError(kPoison);
    EXPECT_EQ(ui->GetInfo(OEMGI_GETINTERFACEVERSION, &buf, 4, &needed), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(kPoison);
    EXPECT_EQ(ui->GetInfo(OEMGI_GETSIGNATURE, &buf, 4, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    wchar_t name[16] = {};
    ULONG size = 31;
    FLONG flags = 0;
    SetLastError(kPoison);
    EXPECT_EQ(
        ui->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, name, &size, &flags),
        E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(
        ui->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, name, &size, &flags),
        S_OK);
    EXPECT_STREQ(name, L"OEMPROFILE.icm");
    EXPECT_EQ(flags, QCP_PROFILEDISK);
    EXPECT_EQ(
        ui->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_SOURCEPROFILE, name, &size, &flags),
        E_FAIL);

    EXPECT_EQ(ui->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(ui->DeviceCapabilities(nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr),
              E_NOTIMPL);
    EXPECT_EQ(ui->UpgradePrinter(0, nullptr), E_NOTIMPL);
    EXPECT_EQ(ui->PrinterEvent(nullptr, 0, 0, 0), E_NOTIMPL);
    EXPECT_EQ(ui->DriverEvent(0, 0, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(ui->FontInstallerDlgProc(nullptr, 0, 0, 0), E_NOTIMPL);
    EXPECT_EQ(ui->UpdateExternalFonts(nullptr, nullptr, nullptr), E_NOTIMPL);

    OEMCUIPPARAM cui{};
    cui.cbSize = sizeof cui;
    cui.cOEMOptItems = 5;
    EXPECT_EQ(ui->CommonUIProp(OEMCUIP_PRNPROP, &cui), S_OK);
    EXPECT_EQ(cui.cOEMOptItems, 0u);
    EXPECT_EQ(ui->CommonUIProp(OEMCUIP_DOCPROP, &cui), S_OK);
    SetLastError(kPoison);
    EXPECT_EQ(ui->CommonUIProp(7, &cui), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    ui->Release();
}

TEST(PrnuiDll, DevModeInEveryMode) {
    IPrintOemUI* ui = NewPlugin();
    ASSERT_NE(ui, nullptr);
    HRESULT hr;
    DWORD err;

    OEMDMPARAM p{};
    p.cbBufSize = 3;
    EXPECT_EQ(ui->DevMode(OEMDM_SIZE, &p), S_OK);
    EXPECT_EQ(p.cbBufSize, 1980u);
    SetLastError(kPoison);
    EXPECT_EQ(ui->DevMode(OEMDM_DEFAULT, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(kPoison);
    EXPECT_EQ(ui->DevMode(9, &p), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // The default record depends on the system drive: compare with the golden record
    // after putting the prefix's drive letter where the golden one has C.
    auto def = Record(ui, OEMDM_DEFAULT, {}, hr, err);
    EXPECT_EQ(hr, S_OK);
    wchar_t sys[MAX_PATH];
    GetSystemDirectoryW(sys, MAX_PATH);
    std::vector<uint8_t> normalized = def;
    normalized[1464] = 'C';
    EXPECT_EQ(def[1464], uint8_t(sys[0]));
    EXPECT_EQ(k20::test::CheckGolden("default_settings.bin", normalized), "");

    auto foreign = def;
    foreign[5] = 'X';
    foreign[100] = 0x77;
    auto conv = Record(ui, OEMDM_CONVERT, foreign, hr, err);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(conv, def);

    auto shortRec = def;
    shortRec[0] = 100;
    shortRec[1] = 0;
    shortRec[50] = 0x99;
    shortRec[200] = 0x99;
    conv = Record(ui, OEMDM_CONVERT, shortRec, hr, err);
    EXPECT_EQ(conv[50], 0x99);
    EXPECT_EQ(conv[200], def[200]);
    EXPECT_EQ(conv[0] | conv[1] << 8, 1980);

    auto level = def;
    level[12] = 101;
    auto merged = Record(ui, OEMDM_MERGE, level, hr, err);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(merged[12], 0);
    level[12] = 100;
    merged = Record(ui, OEMDM_MERGE, level, hr, err);
    EXPECT_EQ(merged[12], 100);
    ui->Release();
}
