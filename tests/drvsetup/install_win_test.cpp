// The package installed into the Wine prefix, without windows and through the wizard's
// window, and the printer it creates opened as an application opens it. The package copy
// names the stand-in configuration module where Wine has no Unidrv (scripts/demo_package.sh).
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "common/text.h"
#include "drvsetup/wizard_ids_win.h"
#include "tests/support/program_win.h"
#include "tools/printhost/printer_setup_win.h"
#include "tools/printhost/window_bitmap_win.h"

using namespace k20;
using namespace k20::test;

namespace {

const wchar_t* kDriver = L"K-20 Receipt";

bool Chinese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
}

std::wstring ScreensDir() {
    std::wstring dir = Wide(K20_SCREENS_DIR);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void Shot(HWND w, const std::string& name) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(400);
    printhost::SaveWindowBitmap(
        w, ScreensDir() + L"\\drvsetup_" + (Chinese() ? L"CN_" : L"EN_") + Wide(name) + L".bmp");
}

// What the spooler knows, through its own calls.
struct Spooler {
    static std::vector<std::wstring> PrintersOfOurDriver() {
        std::vector<std::wstring> names;
        DWORD need = 0, count = 0;
        EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &need, &count);
        std::vector<BYTE> buf(need + 1);
        if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), need, &need, &count)) return names;
        auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
        for (DWORD i = 0; i < count; ++i)
            if (p[i].pDriverName && lstrcmpiW(p[i].pDriverName, kDriver) == 0)
                names.push_back(p[i].pPrinterName);
        return names;
    }
    static bool Printer(const std::wstring& name, std::wstring& port, std::wstring& driver,
                        std::wstring& processor) {
        HANDLE h = nullptr;
        std::wstring n = name;
        if (!OpenPrinterW(n.data(), &h, nullptr)) return false;
        DWORD need = 0;
        GetPrinterW(h, 2, nullptr, 0, &need);
        std::vector<BYTE> buf(need + 1);
        bool ok = GetPrinterW(h, 2, buf.data(), need, &need);
        if (ok) {
            auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
            port = p->pPortName ? p->pPortName : L"";
            driver = p->pDriverName ? p->pDriverName : L"";
            processor = p->pPrintProcessor ? p->pPrintProcessor : L"";
        }
        ClosePrinter(h);
        return ok;
    }
    static bool Driver(std::wstring& config, std::wstring& data, std::vector<std::wstring>& dependent) {
        DWORD need = 0, count = 0;
        EnumPrinterDriversW(nullptr, nullptr, 3, nullptr, 0, &need, &count);
        std::vector<BYTE> buf(need + 1);
        if (!EnumPrinterDriversW(nullptr, nullptr, 3, buf.data(), need, &need, &count)) return false;
        auto* d = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
        for (DWORD i = 0; i < count; ++i) {
            if (!d[i].pName || lstrcmpiW(d[i].pName, kDriver) != 0) continue;
            config = d[i].pConfigFile ? d[i].pConfigFile : L"";
            data = d[i].pDataFile ? d[i].pDataFile : L"";
            for (const wchar_t* f = d[i].pDependentFiles; f && *f; f += lstrlenW(f) + 1)
                dependent.push_back(f);
            return true;
        }
        return false;
    }
    static bool HasPort(const std::wstring& port) {
        DWORD need = 0, count = 0;
        EnumPortsW(nullptr, 1, nullptr, 0, &need, &count);
        std::vector<BYTE> buf(need + 1);
        if (!EnumPortsW(nullptr, 1, buf.data(), need, &need, &count)) return false;
        auto* p = reinterpret_cast<PORT_INFO_1W*>(buf.data());
        for (DWORD i = 0; i < count; ++i)
            if (lstrcmpiW(p[i].pName, port.c_str()) == 0) return true;
        return false;
    }
    static std::wstring DefaultPrinter() {
        wchar_t buf[512] = {};
        DWORD n = 512;
        return GetDefaultPrinterW(buf, &n) ? buf : L"";
    }
    static void RemoveOurPrinters() {
        for (const std::wstring& name : PrintersOfOurDriver()) {
            HANDLE h = nullptr;
            std::wstring n = name;
            PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
            if (OpenPrinterW(n.data(), &h, &all)) {
                DeletePrinter(h);
                ClosePrinter(h);
            }
        }
    }
};

std::wstring RegString(HKEY root, const std::wstring& key, const wchar_t* value) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"";
    return buf;
}

bool EndsWithI(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && lstrcmpiW(s.c_str() + (s.size() - tail.size()), tail.c_str()) == 0;
}

// Wine has no driver store; the installer takes the Unidrv data files from there.
void SeedDriverStore() {
    wchar_t sys[MAX_PATH] = {};
    GetSystemDirectoryW(sys, MAX_PATH);
    std::filesystem::path store =
        std::filesystem::path(sys) / L"DriverStore" / L"FileRepository" / L"ntprint.inf_amd64_k20" / L"amd64";
    std::error_code ec;
    std::filesystem::create_directories(store, ec);
    for (const wchar_t* f : {L"TTFSUB.GPD", L"STDNAMES.GPD", L"UNIRES.DLL"})
        if (!std::filesystem::exists(store / f)) std::ofstream(store / f, std::ios::binary) << "placeholder";
}

// A fresh copy of the package in the prefix, so that every run installs from the same state.
class InstallInPrefix : public ::testing::Test {
  protected:
    void SetUp() override {
        Spooler::RemoveOurPrinters();
        SeedDriverStore();
        std::filesystem::path from(Wide(K20_TEST_PACKAGE));
        if (!std::filesystem::exists(from / L".complete"))
            GTEST_SKIP() << "the Wine package copy was not assembled";
        wchar_t tmp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, tmp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        pkg_ = std::filesystem::path(tmp) / Wide(std::string("k20pkg_") + info->name());
        std::error_code ec;
        std::filesystem::remove_all(pkg_, ec);
        std::filesystem::copy(from, pkg_, std::filesystem::copy_options::recursive, ec);
        ASSERT_FALSE(ec) << ec.message();
    }
    void TearDown() override { Spooler::RemoveOurPrinters(); }

    std::string Pkg() const { return Narrow(pkg_.wstring()); }
    std::string Exe() const { return Narrow((pkg_ / L"drvsetup.exe").wstring()); }
    std::string ReadPkgFile(const wchar_t* name) const {
        std::ifstream in(pkg_ / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    void SetConfig(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        WritePrivateProfileStringW(section, key, value, (pkg_ / L"DRVCONFIG" / file).c_str());
    }

    // The printer the installation made, on its port with our driver, and the pages an
    // application opens on it.
    void ExpectInstalledOn(const std::wstring& port, const std::string& shotName) {
        std::vector<std::wstring> printers = Spooler::PrintersOfOurDriver();
        ASSERT_EQ(printers.size(), 1u);
        const std::wstring printer = printers[0];
        EXPECT_EQ(printer.rfind(L"K-20", 0), 0u) << Narrow(printer);
        std::wstring gotPort, driver, processor;
        ASSERT_TRUE(Spooler::Printer(printer, gotPort, driver, processor));
        EXPECT_EQ(gotPort, port);
        EXPECT_EQ(driver, kDriver);
        EXPECT_EQ(lstrcmpiW(processor.c_str(), L"WinPrint"), 0) << Narrow(processor);
        EXPECT_TRUE(Spooler::HasPort(port));

        std::wstring config, data;
        std::vector<std::wstring> dependent;
        ASSERT_TRUE(Spooler::Driver(config, data, dependent));
        EXPECT_TRUE(EndsWithI(config, L"printhostui.dll")) << Narrow(config);
        EXPECT_TRUE(EndsWithI(data, L"K20.GPD")) << Narrow(data);
        auto has = [&](const wchar_t* f) {
            for (const auto& d : dependent)
                if (EndsWithI(d, f)) return true;
            return false;
        };
        for (const wchar_t* f : {L"prnui.dll", L"K20UI.INI", L"TTFSUB.GPD", L"UNIRES.DLL", L"STDNAMES.GPD",
                                 L"prnrender.dll", L"K20RES.DLL"})
            EXPECT_TRUE(has(f)) << Narrow(f);
        // The rendering plug-in and its INI lie in the driver's folder, and the INI names it.
        std::filesystem::path folder = std::filesystem::path(data).parent_path();
        for (const wchar_t* f : {L"prnrender.dll", L"K20RES.DLL", L"K20UI.INI"})
            EXPECT_TRUE(std::filesystem::exists(folder / f)) << Narrow(f);
        wchar_t renderer[64] = {};
        GetPrivateProfileStringW(L"OEMFiles", L"OEMDriverFile1", L"", renderer, 64,
                                 (folder / L"K20UI.INI").c_str());
        EXPECT_EQ(lstrcmpiW(renderer, L"prnrender.dll"), 0) << Narrow(renderer);

        // The spooler's records of the printer in the registry.
        const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + printer;
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, key, L"Port"), port);
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, key, L"Printer Driver"), kDriver);

        // The printing preferences come from our pages, through the configuration module.
        std::wstring picture =
            ScreensDir() + L"\\drvsetup_" + (Chinese() ? L"CN_" : L"EN_") + Wide(shotName) + L".bmp";
        printhost::PreferencesResult prefs = printhost::OpenPrintingPreferences(printer, picture);
        ASSERT_TRUE(prefs.error.empty()) << Narrow(prefs.error);
        EXPECT_GT(prefs.sizeResult, 0);
        EXPECT_NE(prefs.tabs.find(L"["), std::wstring::npos) << "no sheet opened";
        std::cout << "printing preferences of " << Narrow(printer) << ":" << Narrow(prefs.tabs) << "\n";
    }

    std::filesystem::path pkg_;
};

TEST_F(InstallInPrefix, SilentInstallationCreatesDriverPrinterAndPortAndOpensOurPages) {
    Running run{
        Launch(Exe(), "/quiet /acceptlicence /model K-20 /port LPT1: /default /log setup.log", Pkg())};
    ASSERT_NE(run.pi.hProcess, nullptr);
    const DWORD code = run.Wait(180);
    const std::string log = ReadPkgFile(L"setup.log");
    ASSERT_EQ(code, 0u) << log;
    EXPECT_NE(log.find("The printer driver was installed successfully."), std::string::npos) << log;
    ExpectInstalledOn(L"LPT1:", "silent_preferences");
    std::vector<std::wstring> printers = Spooler::PrintersOfOurDriver();
    ASSERT_FALSE(printers.empty());
    EXPECT_EQ(Spooler::DefaultPrinter(), printers[0]);
    // The default printer as the registry keeps it for the user.
    EXPECT_EQ(
        RegString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Device")
            .rfind(printers[0] + L",", 0),
        0u);
}

TEST_F(InstallInPrefix, SilentRefusalWritesTheWizardsTextAndInstallsNothing) {
    Running run{Launch(Exe(), "/quiet /acceptlicence /model K-99 /port LPT1: /log setup.log", Pkg())};
    ASSERT_NE(run.pi.hProcess, nullptr);
    EXPECT_EQ(run.Wait(120), 1u);
    EXPECT_FALSE(ReadPkgFile(L"setup.log").empty());
    EXPECT_TRUE(Spooler::PrintersOfOurDriver().empty());
}

// The wizard's window, driven from outside its process as a user's clicks would.
struct Wizard {
    HWND w = nullptr;
    HWND Item(int id) const { return GetDlgItem(w, id); }
    bool Visible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    void Click(int id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }
};

TEST_F(InstallInPrefix, WizardWindowInstallsThroughEveryPage) {
    Running run{Launch(Exe(), "", Pkg())};
    ASSERT_NE(run.pi.hProcess, nullptr);
    Wizard z;
    z.w = WaitOtherWindow(run.pi.dwProcessId, nullptr, 60);
    ASSERT_NE(z.w, nullptr);
    EXPECT_EQ(WindowText(z.w), Chinese() ? L"K-20 \x6253\x5370\x673A\x9A71\x52A8\x7A0B\x5E8F\x5B89\x88C5"
                                         : L"K-20 Printer Driver Setup");

    // Licence: Next only once accepted.
    ASSERT_TRUE(z.Visible(IDC_LIC_TEXT));
    EXPECT_FALSE(IsWindowEnabled(z.Item(IDC_BACK)));
    EXPECT_NE(WindowText(z.Item(IDC_LIC_TEXT)).find(L"K-20"), std::wstring::npos);
    Shot(z.w, "1_licence");
    z.Click(IDC_ACCEPT);
    ASSERT_TRUE(IsWindowEnabled(z.Item(IDC_NEXT)));
    z.Click(IDC_NEXT);

    // Model: the receipt type with the K-20 preselected; the printer becomes the default.
    ASSERT_TRUE(z.Visible(IDC_LIST0));
    EXPECT_EQ(IsDlgButtonChecked(z.w, IDC_TYPE0), BST_CHECKED);
    wchar_t model[64] = {};
    SendMessageW(z.Item(IDC_LIST0), LB_GETTEXT, SendMessageW(z.Item(IDC_LIST0), LB_GETCURSEL, 0, 0),
                 reinterpret_cast<LPARAM>(model));
    EXPECT_STREQ(model, L"K-20");
    EXPECT_FALSE(IsWindowEnabled(z.Item(IDC_TYPE0 + 1)));
    z.Click(IDC_DEFAULT);
    Shot(z.w, "2_model");
    z.Click(IDC_NEXT);

    // Mode: Typical.
    ASSERT_TRUE(z.Visible(IDC_TYPICAL));
    EXPECT_EQ(IsDlgButtonChecked(z.w, IDC_TYPICAL), BST_CHECKED);
    Shot(z.w, "3_mode");
    z.Click(IDC_NEXT);

    // The running system is supported: the OS page is passed, the port page comes.
    ASSERT_TRUE(z.Visible(IDC_PORTLIST));
    EXPECT_FALSE(z.Visible(IDC_OS0));
    // Back from the port page leads to the mode page, and forward again to the ports.
    z.Click(IDC_BACK);
    EXPECT_TRUE(z.Visible(IDC_TYPICAL));
    z.Click(IDC_NEXT);
    ASSERT_TRUE(z.Visible(IDC_PORTLIST));
    HWND list = z.Item(IDC_PORTLIST);
    const int lpt = int(SendMessageW(list, LB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(L"LPT1")));
    ASSERT_GE(lpt, 0);
    SendMessageW(list, LB_SETCURSEL, lpt, 0);
    SendMessageW(z.w, WM_COMMAND, MAKEWPARAM(IDC_PORTLIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_FALSE(IsWindowEnabled(z.Item(IDC_BAUD)));  // serial settings only for COM ports
    Shot(z.w, "5_port");

    // Install: the progress window, then the closing message.
    PostMessageW(z.Item(IDC_NEXT), BM_CLICK, 0, 0);
    HWND box = nullptr;
    for (int i = 0; i < 1800 && !box; ++i) {
        HWND other = WaitOtherWindow(run.pi.dwProcessId, z.w, 1);
        wchar_t cls[16] = {};
        if (other) GetClassNameW(other, cls, 16);
        if (other && lstrcmpW(cls, L"#32770") == 0 && !MessageBoxText(other).empty() &&
            !GetDlgItem(other, IDC_PROGRESS))
            box = other;
    }
    ASSERT_NE(box, nullptr) << "no closing message";
    const std::wstring done = MessageBoxText(box);
    EXPECT_EQ(done, Chinese() ? L"\x6253\x5370\x673A\x9A71\x52A8\x7A0B\x5E8F\x5B89\x88C5\x6210\x529F\x3002"
                              : L"The printer driver was installed successfully.")
        << Narrow(done);
    Shot(box, "6_finished");
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(run.Wait(60), 0u);
    ExpectInstalledOn(L"LPT1:", "wizard_preferences");
    std::vector<std::wstring> printers = Spooler::PrintersOfOurDriver();
    ASSERT_FALSE(printers.empty());
    EXPECT_EQ(Spooler::DefaultPrinter(), printers[0]);
}

// The OS page shows when the model does not support the running system (Windows 10 and
// later here): the refusal comes, the page stays, and nothing is installed.
TEST_F(InstallInPrefix, WizardStopsOnTheOsPageForAnUnsupportedSystem) {
    for (const wchar_t* f : {L"setup_receipt.ini", L"setup_receipt_64.ini"})
        SetConfig(f, L"K-20.PORT", L"SystemWin7Supported", L"0");
    Running run{Launch(Exe(), "", Pkg())};
    ASSERT_NE(run.pi.hProcess, nullptr);
    Wizard z;
    z.w = WaitOtherWindow(run.pi.dwProcessId, nullptr, 60);
    ASSERT_NE(z.w, nullptr);
    z.Click(IDC_ACCEPT);
    z.Click(IDC_NEXT);
    z.Click(IDC_NEXT);
    PostMessageW(z.Item(IDC_NEXT), BM_CLICK, 0, 0);
    HWND box = WaitOtherWindow(run.pi.dwProcessId, z.w, 30);
    ASSERT_NE(box, nullptr) << "no refusal";
    EXPECT_FALSE(MessageBoxText(box).empty());
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 50 && !z.Visible(IDC_OS0 + 7); ++i) Sleep(100);
    EXPECT_TRUE(z.Visible(IDC_OS_GROUP));
    EXPECT_FALSE(z.Visible(IDC_PORTLIST));
    Shot(z.w, "4_os");
    z.Click(IDCANCEL);
    EXPECT_EQ(run.Wait(30), 0u);
    EXPECT_TRUE(Spooler::PrintersOfOurDriver().empty());
}

}  // namespace
