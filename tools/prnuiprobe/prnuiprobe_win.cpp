// Loads prnui.dll the way the printing host does and prints what the host would see:
// signature, version, and the default private record decoded field by field.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "prnui/core/oem_host_win.h"
#include "prnui/core/private_settings.h"

using namespace k20::prnui;

int wmain(int argc, wchar_t** argv) {
    const wchar_t* path = argc > 1 ? argv[1] : L"prnui.dll";
    HMODULE dll = LoadLibraryW(path);
    if (!dll) {
        std::fprintf(stderr, "prnuiprobe: cannot load %ls (error %lu)\n", path, GetLastError());
        return 1;
    }
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    host::IPrintOemUI* ui = nullptr;
    if (!getClassObject || FAILED(getClassObject(host::CLSID_OEMUI, IID_IClassFactory, (void**)&factory)) ||
        FAILED(factory->CreateInstance(nullptr, host::IID_IPrintOemUI, (void**)&ui))) {
        std::fprintf(stderr, "prnuiprobe: the plug-in object could not be created\n");
        return 1;
    }
    factory->Release();

    DWORD sig = 0, ver = 0, needed = 0;
    ui->GetInfo(host::OEMGI_GETSIGNATURE, &sig, sizeof sig, &needed);
    ui->GetInfo(host::OEMGI_GETVERSION, &ver, sizeof ver, &needed);
    // Read as a multi-character constant: 0x00504C52 is 'PLR' (bytes 52 4C 50 00 in memory).
    char sigText[4] = {char(sig >> 16), char(sig >> 8), char(sig), 0};
    std::printf("plug-in: %ls\nsignature = 0x%08lX ('%s')\nversion = %lu\n", path, sig, sigText, ver);

    host::OEMDMPARAM p{};
    p.cbSize = sizeof p;
    ui->DevMode(host::OEMDM_SIZE, &p);
    std::printf("private record size = %lu\n\n", p.cbBufSize);
    PrivateSettings s{};
    p.pOEMDMOut = &s;
    p.cbBufSize = sizeof s;
    HRESULT hr = ui->DevMode(host::OEMDM_DEFAULT, &p);
    if (FAILED(hr)) {
        std::fprintf(stderr, "prnuiprobe: default record refused (0x%08lX)\n", hr);
        return 1;
    }
    std::fputs(DescribeSettings(s).c_str(), stdout);
    ui->Release();
    FreeLibrary(dll);
    return 0;
}
