// Entry points of the COM server. DllMain only remembers the module: registry writes
// and file copies under the loader lock can hang the host application, so the
// start-up runs on the first call that reaches the plug-in instead.
#include <windows.h>

#include <mutex>

#include "prnui/core/plugin_object_win.h"

namespace k20::prnui {

HMODULE g_module = nullptr;

static std::once_flag g_started;

void StartUp();  // the language start-up; see the texts module

void EnsureStarted() {
    std::call_once(g_started, [] {
        try {
            StartUp();
        } catch (...) {
            // The plug-in works with its built-in texts when the start-up fails.
        }
    });
}

void ShutDown();  // releases what the sheets created (activation context)

}  // namespace k20::prnui

using namespace k20::prnui;

extern "C" BOOL WINAPI DllMain(HINSTANCE hInst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = hInst;
        DisableThreadLibraryCalls(hInst);
    } else if (reason == DLL_PROCESS_DETACH) {
        ShutDown();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    return k20::com::GetClassObject<PluginObject>(clsid, host::CLSID_OEMUI, iid, ppv, g_serverCounts,
                                                  EnsureStarted);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_serverCounts.CanUnload() ? S_OK : S_FALSE;
}
