// Under Wine, the two programs as they run from a downloaded package folder: each refuses
// to start while the other runs, whatever the window titles, in the window mode and
// unattended; and a version.dll planted beside drvsetup.exe is never loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/text.h"
#include "tests/support/program_win.h"

using namespace k20;
using namespace k20::test;

namespace {

namespace fs = std::filesystem;

std::string ReadFileText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The English text of a language file of the package.
std::wstring PackageText(const fs::path& file, const char* section, const char* key) {
    std::string bytes = ReadFileText(file);
    IniFile ini = IniFile::FromBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()), 1252);
    return Wide(ini.GetUtf8(section, key, ""));
}

class Guard : public ::testing::Test {
  public:
    void SetUp() override {
        fs::path from(Wide(K20_TEST_PACKAGE));
        if (!fs::exists(from / L".complete")) GTEST_SKIP() << "the Wine package copy was not assembled";
        wchar_t tmp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, tmp);
        pkg_ = fs::path(tmp) / Wide(std::string("k20guard_") +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::error_code ec;
        fs::remove_all(pkg_, ec);
        fs::copy(from, pkg_, fs::copy_options::recursive, ec);
        ASSERT_FALSE(ec) << ec.message();
    }
    void TearDown() override {
        for (const auto& exe : overridden_)
            RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + exe).c_str());
    }
    // Windows takes a library that is not a KnownDLL from the program's folder first; Wine
    // prefers its own unless told otherwise, so it is told so for these programs, as
    // Windows would behave.
    void PreferProgramFolderCopy(const wchar_t* dll, std::initializer_list<const wchar_t*> exes) {
        for (const wchar_t* exe : exes) {
            HKEY k = nullptr;
            std::wstring path = std::wstring(L"Software\\Wine\\AppDefaults\\") + exe + L"\\DllOverrides";
            if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                                nullptr))
                continue;
            const wchar_t order[] = L"native,builtin";
            RegSetValueExW(k, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
            RegCloseKey(k);
            overridden_.push_back(exe);
        }
    }
    std::vector<std::wstring> overridden_;
    PROCESS_INFORMATION Start(const wchar_t* exe, const std::string& args) {
        return Launch(Narrow((pkg_ / exe).wstring()), args, Narrow(pkg_.wstring()));
    }
    fs::path pkg_;
};

// The message box a program shows instead of its window, its text, and the program's end.
std::wstring RefusalBox(Running& run) {
    HWND box = WaitOtherWindow(run.pi.dwProcessId, nullptr, 60);
    if (!box) return L"(no window)";
    std::wstring text = MessageBoxText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
}

TEST_F(Guard, TheUninstallerRefusesWhileTheWizardIsOpen) {
    Running wizard{Start(L"drvsetup.exe", "")};
    ASSERT_NE(wizard.pi.hProcess, nullptr);
    HWND w = WaitOtherWindow(wizard.pi.dwProcessId, nullptr, 60);
    ASSERT_NE(w, nullptr);

    Running quiet{Start(L"drvremove.exe", "/quiet /all")};
    ASSERT_NE(quiet.pi.hProcess, nullptr);
    EXPECT_EQ(quiet.Wait(60), 3u);  // cannot start

    Running window{Start(L"drvremove.exe", "")};
    ASSERT_NE(window.pi.hProcess, nullptr);
    EXPECT_EQ(RefusalBox(window),
              PackageText(pkg_ / L"language" / L"uninstall_EN.ini", "Uninstall", "Close"));
    EXPECT_EQ(window.Wait(30), 0u);

    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    EXPECT_NE(wizard.Wait(30), ~0u);
}

TEST_F(Guard, TheInstallerRefusesWhileTheUninstallerIsOpen) {
    Running remover{Start(L"drvremove.exe", "")};
    ASSERT_NE(remover.pi.hProcess, nullptr);
    HWND w = WaitOtherWindow(remover.pi.dwProcessId, nullptr, 60);
    ASSERT_NE(w, nullptr);
    const std::wstring close = PackageText(pkg_ / L"language" / L"setup_EN.ini", "Setup", "Close");

    Running quiet{Start(L"drvsetup.exe", "/quiet /acceptlicence /model K-20 /port LPT1: /log guard.log")};
    ASSERT_NE(quiet.pi.hProcess, nullptr);
    EXPECT_EQ(quiet.Wait(60), 1u);  // refused
    EXPECT_NE(ReadFileText(pkg_ / L"guard.log").find(Narrow(close)), std::string::npos);

    Running wizard{Start(L"drvsetup.exe", "")};
    ASSERT_NE(wizard.pi.hProcess, nullptr);
    EXPECT_EQ(RefusalBox(wizard), close);
    EXPECT_EQ(wizard.Wait(30), 1u);

    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    EXPECT_NE(remover.Wait(30), ~0u);
}

// Runs the control program with the planted library in a folder of its own; whether it
// wrote its marker.
bool ControlLoads(const fs::path& pkg, const fs::path& planted, const wchar_t* as) {
    fs::path control = pkg / (std::wstring(L"control_") + as);
    fs::create_directories(control);
    fs::copy_file(planted, control / as);
    fs::copy_file(fs::path(Wide(K20_VERSION_IMPORTER)), control / L"importer.exe");
    Running importer{Launch(Narrow((control / L"importer.exe").wstring()), "", Narrow(control.wstring()))};
    importer.Wait(60);
    return fs::exists(control / L"planted.marker");
}

// The installer unattended as far as the port page (where the USB driver's version is
// read), its wizard window, and the uninstaller unattended: none may write the marker.
void ExpectNotLoaded(const fs::path& pkg,
                     const std::function<PROCESS_INFORMATION(const wchar_t*, const std::string&)>& start) {
    Running quiet{start(L"drvsetup.exe", "/quiet /acceptlicence /model K-20 /port NET: /log planted.log")};
    ASSERT_NE(quiet.pi.hProcess, nullptr);
    EXPECT_EQ(quiet.Wait(60), 1u) << ReadFileText(pkg / L"planted.log");  // refused: no address
    EXPECT_FALSE(fs::exists(pkg / L"planted.marker")) << "drvsetup /quiet";
    Running wizard{start(L"drvsetup.exe", "")};
    ASSERT_NE(wizard.pi.hProcess, nullptr);
    HWND w = WaitOtherWindow(wizard.pi.dwProcessId, nullptr, 60);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(fs::exists(pkg / L"planted.marker")) << "the wizard";
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    wizard.Wait(30);
    Running remover{start(L"drvremove.exe", "/quiet /item none")};
    ASSERT_NE(remover.pi.hProcess, nullptr);
    remover.Wait(60);
    EXPECT_FALSE(fs::exists(pkg / L"planted.marker")) << "drvremove /quiet";
}

TEST_F(Guard, AWinspoolDrvPlantedBesideTheProgramsIsNeverLoaded) {
    PreferProgramFolderCopy(L"winspool.drv", {L"importer.exe", L"drvsetup.exe", L"drvremove.exe"});
    const fs::path planted(Wide(K20_PLANTED_WINSPOOL));
    if (!ControlLoads(pkg_, planted, L"winspool.drv"))
        GTEST_SKIP() << "this Wine does not load a program-folder winspool.drv";
    fs::copy_file(planted, pkg_ / L"winspool.drv");
    ExpectNotLoaded(pkg_, [this](const wchar_t* exe, const std::string& args) { return Start(exe, args); });
}

TEST_F(Guard, AVersionDllPlantedBesideTheInstallerIsNeverLoaded) {
    PreferProgramFolderCopy(L"version", {L"importer.exe", L"drvsetup.exe", L"drvremove.exe"});
    const fs::path planted(Wide(K20_PLANTED_DLL));
    // The control imports the window library but not version.dll.
    if (ControlLoads(pkg_, planted, L"version.dll"))
        GTEST_SKIP()
            << "Wine's own user32 imports version.dll, so every window program of this Wine loads a "
               "program-folder copy; the import-table test and the winspool.drv case cover the programs";
    fs::copy_file(planted, pkg_ / L"version.dll");
    ExpectNotLoaded(pkg_, [this](const wchar_t* exe, const std::string& args) { return Start(exe, args); });
}

}  // namespace
