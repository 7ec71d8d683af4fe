#pragma once
// The shipped package (package/) on a simulated machine, a desktop whose answers a test
// sets, and a message-box recorder.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/text.h"
#include "drvsetup/wizard_model.h"
#include "tests/drvsetup/setup_fixture.h"

namespace k20::drvsetup::testing {

inline constexpr const char* kPackageSource = "../../package";

inline std::vector<uint8_t> ReadHostFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

// The package as assemble_package.sh lays it out, with stand-ins for the build products.
inline void LoadShippedPackage(platform::sim::SimMachine& m, const std::string& dir = kPkg) {
    namespace fs = std::filesystem;
    for (auto& e : fs::recursive_directory_iterator(kPackageSource)) {
        if (!e.is_regular_file()) continue;
        std::string rel = fs::relative(e.path(), kPackageSource).generic_string();
        if (rel.rfind("PellamorDriverlog/", 0) == 0) continue;
        for (auto& c : rel)
            if (c == '/') c = '\\';
        m.files.Put(platform::JoinPath(dir, rel), ReadHostFile(e.path()));
    }
    for (const char* arch : {"W32", "W64"}) {
        for (const char* f : {"ENG_K20.res", "CHN_K20.res", "CHF_K20.res", "LANGUAGE_K20.dat"})
            m.files.Put(platform::JoinPath(dir, std::string(arch) + "\\" + f),
                        ReadHostFile(fs::path(kPackageSource) / f));
        for (const char* f : {"prnui.dll", "prnrender.dll", "K20RES.DLL", "logviewer.exe", "QXCOMMON.DLL",
                              "QXCOMUI.DLL", "QXUSBMON.DLL", "QXUSBUI.DLL"})
            m.files.Put(platform::JoinPath(dir, std::string(arch) + "\\" + f), std::string(arch) + ":" + f);
    }
    m.printAdmin.portsOfMonitor["QXCOM Monitor"] = {
        "QXCOM1:", "QXCOM2:", "QXCOM3:", "QXCOM4:", "QXCOM5:", "QXCOM6:", "QXCOM7:", "QXCOM8:"};
}

// Rewrites one value of a package INI file on the machine.
inline void SetPackageValue(platform::sim::SimMachine& m, const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value, const std::string& dir = kPkg) {
    std::string path = platform::JoinPath(dir, file);
    std::vector<uint8_t> bytes;
    m.files.ReadFile(path, bytes);
    IniFile ini = IniFile::FromBytes(bytes, 1252);
    ini.Set(Utf8ToUtf16(section), Utf8ToUtf16(key), Utf8ToUtf16(value));
    m.files.Put(path, Utf16ToCodePage(ini.Serialize(), 1252));
}

struct FakeDesktop : WizardDesktop {
    bool running = false, uninstallerOpen = false, pictureLoads = true, admin = true;
    std::string claimedMutex;
    std::vector<std::string> broughtForward;
    bool ClaimSingleInstance(const std::string& name) override {
        claimedMutex = name;
        return !running;
    }
    void BringRunningWizardForward(const std::string& en, const std::string& cn) override {
        broughtForward = {en, cn};
    }
    bool UninstallerWindowOpen() override { return uninstallerOpen; }
    bool LeftPictureLoads(const std::string& path) override { return pictureLoads && !path.empty(); }
    bool UserIsAdministrator() override { return admin; }
};

struct Boxes {
    std::vector<std::string> shown, asked;
    bool answer = true;
    WizardUi Ui() {
        WizardUi ui;
        ui.show = [this](const std::string& s) { shown.push_back(s); };
        ui.ask = [this](const std::string& s) {
            asked.push_back(s);
            return answer;
        };
        ui.showTitled = [this](const std::string& t, const std::string& s) { shown.push_back(t + ": " + s); };
        return ui;
    }
};

// English texts of the shipped language file, for expectations.
inline std::string EnglishText(const std::string& section, const std::string& key) {
    IniFile ini =
        IniFile::FromBytes(ReadHostFile(std::string(kPackageSource) + "/language/setup_EN.ini"), 1252);
    return ExpandLineBreaks(ini.GetUtf8(section, key, ""));
}

inline void PrepareMachine(platform::sim::SimMachine& m, WinVersion os = WinVersion::Win7, bool w64 = true) {
    LoadShippedPackage(m);
    DressMachine(m, os, w64);
    m.system.language = 0x0409;
    m.system.codePage = 1252;
}

}  // namespace k20::drvsetup::testing
