#include "tools/printhost/language_setup_win.h"

#include <windows.h>
#include <shlobj.h>

namespace k20::printhost {

void ShipLanguageFiles(const std::wstring& fromDir) {
    wchar_t win[MAX_PATH] = {};
    GetWindowsDirectoryW(win, MAX_PATH);
    SYSTEM_INFO si{};
    GetNativeSystemInfo(&si);
    const bool x64 = si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                     si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    const std::wstring dir = std::wstring(win) + (x64 ? L"\\system32\\spool\\drivers\\x64\\3"
                                                      : L"\\system32\\spool\\drivers\\w32x86\\3");
    SHCreateDirectory(nullptr, dir.c_str());
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    const std::wstring user = std::wstring(appData) + L"\\Pellamor";
    SHCreateDirectory(nullptr, user.c_str());
    for (const wchar_t* f : {L"ENG_K20.res", L"CHN_K20.res", L"CHF_K20.res", L"LANGUAGE_K20.dat"}) {
        const std::wstring from = fromDir + L"\\" + f;
        if (GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        CopyFileW(from.c_str(), (dir + L"\\" + f).c_str(), FALSE);
        CopyFileW(from.c_str(), (user + L"\\" + f).c_str(), FALSE);
    }
}

void SetLanguage(const std::wstring& file) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\KESTRAN\\LANGUAGE", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"LANGUAGE_K20", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                   DWORD((file.size() + 1) * sizeof(wchar_t)));
    const wchar_t f[] = L"FALSE";
    RegSetValueExW(key, L"IsFirstRun_K20", 0, REG_SZ, reinterpret_cast<const BYTE*>(f), sizeof(f));
    RegCloseKey(key);
}

}  // namespace k20::printhost
