#include <gtest/gtest.h>

#include <algorithm>

#include "drvsetup/silent.h"
#include "tests/drvsetup/wizard_fixture.h"

using namespace k20::drvsetup;
using namespace k20::drvsetup::testing;
using namespace k20::platform;
using sim::SimMachine;

namespace {

SilentOptions Parse(std::vector<std::string> args) {
    SilentParse r = ParseSilentArgs(args);
    EXPECT_TRUE(r.ok) << r.error;
    return r.options;
}

TEST(SilentCommandLine, GoodLines) {
    SilentOptions o = Parse({"/quiet",    "/acceptlicence",
                             "/model",    "K-20",
                             "/port",     "QXCOM2:",
                             "/baud",     "9600",
                             "/parity",   "E",
                             "/databits", "7",
                             "/stopbits", "1.5",
                             "/flow",     "n",
                             "/raster",   "/default",
                             "/mode",     "Advanced",
                             "/log",      "C:\\setup.log"});
    EXPECT_EQ(o.model, "K-20");
    EXPECT_EQ(o.port, "QXCOM2:");
    EXPECT_EQ(o.baud, 9600);
    EXPECT_EQ(o.parity, 'e');
    EXPECT_EQ(o.dataBits, 7);
    EXPECT_EQ(o.stopBits, 1.5);
    EXPECT_EQ(o.flow, ' ');
    EXPECT_TRUE(o.raster && o.setDefault);
    EXPECT_EQ(o.advanced, true);
    EXPECT_EQ(o.logFile, "C:\\setup.log");
    // An address alone chooses the network entry; switches may start with "-".
    o = Parse({"-QUIET", "-AcceptLicense", "-model", "K-20", "-ip", "10.0.0.7"});
    EXPECT_EQ(o.port, "NET:");
    EXPECT_TRUE(Parse({"/?"}).help);
    EXPECT_TRUE(WantsSilent({"/Quiet"}));
    EXPECT_TRUE(WantsSilent({"/?"}));
    EXPECT_FALSE(WantsSilent({}));
    EXPECT_NE(SilentUsage().find("/quiet /acceptlicence /model NAME /port PORT"), std::string::npos);
}

TEST(SilentCommandLine, BadLinesAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {"/model", "K-20", "/port", "LPT1:"},            // no /quiet
        {"/quiet", "/acceptlicence", "/port", "LPT1:"},  // no model
        {"/quiet", "/acceptlicence", "/model", "K-20"},  // no port
        {"/quiet", "/acceptlicence", "/model"},          // value missing
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/baud", "14400"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/baud", "9600x"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/parity", "q"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/databits", "9"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/stopbits", "3"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/flow", "hw"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/mode", "fast"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/ip", "300.1.1.1"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/ip", "1.2.3"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/ip", "1.2.3.4.5"},
        {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/reboot"},
        {"/quiet", "/acceptlicence", "K-20"},
    };
    for (const auto& args : bad) {
        SilentParse r = ParseSilentArgs(args);
        EXPECT_FALSE(r.ok) << args.back();
        EXPECT_FALSE(r.error.empty());
    }
}

class Silent : public ::testing::Test {
  protected:
    void SetUp() override { PrepareMachine(m); }
    SilentResult Run(std::vector<std::string> args) {
        SilentParse parsed = ParseSilentArgs(args);
        EXPECT_TRUE(parsed.ok) << parsed.error;
        return RunSilent(p, kPkg, "drvsetup", desk, parsed.options,
                         [this](const std::string& l) { err.push_back(l); });
    }
    static bool Has(const std::vector<std::string>& log, const std::string& line) {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    SimMachine m;
    AdminPlatform p = m.admin();
    FakeDesktop desk;
    std::vector<std::string> err;
};

TEST_F(Silent, RefusalsCarryTheWizardsTextsAndExitOne) {
    struct Case {
        const char* name;
        std::function<void(SimMachine&, FakeDesktop&)> arrange;
        std::vector<std::string> args;
        std::string line;
    };
    std::vector<std::string> lpt = {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:"};
    const Case cases[] = {
        {"uninstaller", [](SimMachine&, FakeDesktop& d) { d.uninstallerOpen = true; }, lpt,
         EnglishText("Setup", "Close")},
        {"second instance", [](SimMachine&, FakeDesktop& d) { d.running = true; }, lpt,
         "Another installer is running."},
        {"not admin", [](SimMachine&, FakeDesktop& d) { d.admin = false; }, lpt,
         EnglishText("Message", "IDS_ADMIN")},
        {"Windows 7 and later refused",
         [](SimMachine& m, FakeDesktop&) {
             SetPackageValue(m, "DRVCONFIG\\setup_receipt_64.ini", "K-20.PORT", "SystemWin7Supported", "0");
         },
         lpt, EnglishText("Message", "IDS_NOTSUPPORTWin7")},
        {"network without address",
         [](SimMachine&, FakeDesktop&) {},
         {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "NET:"},
         EnglishText("Message", "IDS_ERR_IPADDRISNULL")},
        {"unknown model",
         [](SimMachine&, FakeDesktop&) {},
         {"/quiet", "/acceptlicence", "/model", "K-99", "/port", "LPT1:"},
         "The model \"K-99\" is not in this package. Models: K-20"},
        {"port not offered",
         [](SimMachine&, FakeDesktop&) {},
         {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "COM1:"},
         "The port \"COM1:\" is not offered for \"K-20\". Ports: LPT1:, LPT2:, LPT3:, NET:, QXCOM1:, "
         "QXCOM2:, QXCOM3:, "
         "QXCOM4:, QXCOM5:, QXCOM6:, QXCOM7:, QXCOM8:, USB_K-20_1"},
        {"advanced not offered",
         [](SimMachine& m, FakeDesktop&) {
             SetPackageValue(m, "DRVCONFIG\\setup_receipt_64.ini", "K-20.PORT", "AdvancedSetup", "0");
         },
         {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/mode", "advanced"},
         "The model \"K-20\" offers only the typical installation."},
    };
    for (const auto& c : cases) {
        SimMachine m;
        PrepareMachine(m);
        FakeDesktop desk;
        c.arrange(m, desk);
        AdminPlatform p = m.admin();
        std::vector<std::string> err;
        SilentParse parsed = ParseSilentArgs(c.args);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        SilentResult r = RunSilent(p, kPkg, "drvsetup", desk, parsed.options,
                                   [&](const std::string& l) { err.push_back(l); });
        EXPECT_EQ(r.exitCode, kSilentRefused) << c.name;
        EXPECT_TRUE(Has(r.log, c.line)) << c.name << ": " << (r.log.empty() ? "" : r.log.back());
        EXPECT_EQ(err, r.log) << c.name;
        EXPECT_TRUE(m.printAdmin.drivers.empty()) << c.name;
    }
}

TEST_F(Silent, FailedInstallationExitsTwoWithTheWorkersMessage) {
    m.faults.FailAlways("AddPrinterDriver", kErrAccessDenied);
    SilentResult r =
        Run({"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:", "/log", "C:\\failed.log"});
    EXPECT_EQ(r.exitCode, kSilentFailed);
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log.back().rfind(EnglishText("Message", "IDS_ERR_ADDPRNDRV3"), 0), 0u) << r.log.back();
    std::vector<uint8_t> bytes;
    ASSERT_EQ(m.files.ReadFile("C:\\failed.log", bytes), kOk);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find(EnglishText("Message", "IDS_ERR_ADDPRNDRV3")), std::string::npos);
}

TEST_F(Silent, LogFileIsAppendedTo) {
    m.files.Put("C:\\setup.log", std::string("earlier run\r\n"));
    SilentResult r =
        Run({"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT2:", "/log", "C:\\setup.log"});
    ASSERT_EQ(r.exitCode, kSilentOk);
    std::vector<uint8_t> bytes;
    m.files.ReadFile("C:\\setup.log", bytes);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text, "earlier run\r\n" + EnglishText("Message", "IDS_INF_NTRESTART") + "\r\n");
    EXPECT_TRUE(m.processes.started.empty());  // no companion program without a desktop user
}

// What an installation leaves: the spooler's objects, the registry and the files.
struct Footprint {
    std::vector<std::string> drivers, printers, ports, keys;
    std::string defaultPrinter, serialValue;
    bool operator==(const Footprint&) const = default;
};

Footprint Capture(SimMachine& m) {
    Footprint f;
    for (const auto& d : m.printAdmin.drivers) {
        std::string deps;
        for (const auto& x : d.dependentFiles) deps += x + ";";
        f.drivers.push_back(d.name + "|" + d.driverPath + "|" + d.dataFile + "|" + d.configFile + "|" + deps);
    }
    std::vector<PrinterInfo2> printers;
    m.printAdmin.EnumPrinters(printers);
    for (const auto& pr : printers)
        f.printers.push_back(pr.printerName + "|" + pr.portName + "|" + pr.driverName + "|" +
                             pr.printProcessor);
    for (const auto& port : m.printAdmin.ports) f.ports.push_back(port.name);
    f.keys = m.registry.AllKeys();
    f.defaultPrinter = m.printAdmin.defaultPrinter;
    RegValue v;
    if (m.registry.GetValue(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
                            "COM2:", v, RegView::View64) == kOk) {
        std::u16string w;
        for (size_t i = 0; i + 1 < v.data.size(); i += 2)
            w.push_back(static_cast<char16_t>(v.data[i] | v.data[i + 1] << 8));
        while (!w.empty() && w.back() == 0) w.pop_back();
        f.serialValue = k20::Utf16ToUtf8(w);
    }
    return f;
}

struct Choice {
    const char* name;
    bool advanced;
    std::string port;
    std::vector<std::string> extra;
    std::function<void(WizardModel&)> wizard;
};

TEST(SilentEqualsWizard, SameChoicesSameInstallation) {
    const Choice choices[] = {
        {"parallel, default printer",
         false,
         "LPT1:",
         {"/default"},
         [](WizardModel& w) { w.SetAsDefault(true); }},
        {"serial, advanced, settings",
         true,
         "QXCOM2:",
         {"/baud", "19200", "/parity", "e", "/databits", "7", "/stopbits", "1.5", "/flow", "x"},
         [](WizardModel& w) {
             w.ChooseBaud(6);
             w.ChooseParity("Even");
             w.ChooseByteSize(7);
             w.ChooseStopBits(1.5);
             w.ChooseFlow("Xon/Xoff");
         }},
        {"network, advanced, raster off",
         true,
         "NET:",
         {"/ip", "10.1.2.3"},
         [](WizardModel& w) {
             w.SetIpAddress({10, 1, 2, 3});
             w.SetRaster(false);
         }},
    };
    for (const auto& c : choices) {
        // Through the wizard's pages, as the window drives them.
        SimMachine a;
        PrepareMachine(a);
        AdminPlatform pa = a.admin();
        FakeDesktop desk;
        Boxes boxes;
        WizardModel w(pa, kPkg, "drvsetup");
        ASSERT_EQ(w.Startup(desk, boxes.Ui()), StartVerdict::Run);
        w.SetAccepted(true);
        w.Next(boxes.Ui());
        w.Next(boxes.Ui());
        w.ChooseAdvanced(c.advanced);
        w.Next(boxes.Ui());
        ASSERT_EQ(w.Page(), kPagePort) << c.name;
        auto& e = w.Ports().entries;
        w.SelectPort(static_cast<int>(std::find(e.begin(), e.end(), c.port) - e.begin()));
        c.wizard(w);
        ASSERT_EQ(w.PrepareInstall(boxes.Ui()), InstallStep::RunWorker) << c.name;
        Installer inst(pa, w.Texts(), kPkg, w.Request());
        ASSERT_EQ(inst.Run(), kWorkerSuccess) << c.name << inst.Message();

        // From the command line.
        SimMachine b;
        PrepareMachine(b);
        AdminPlatform pb = b.admin();
        std::vector<std::string> args = {
            "/quiet", "/acceptlicence", "/model", "K-20",
            "/port",  c.port,           "/mode",  c.advanced ? "advanced" : "typical"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        SilentParse parsed = ParseSilentArgs(args);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        FakeDesktop desk2;
        SilentResult r = RunSilent(pb, kPkg, "drvsetup", desk2, parsed.options);
        ASSERT_EQ(r.exitCode, kSilentOk) << c.name << (r.log.empty() ? "" : r.log.back());
        EXPECT_EQ(r.printerName, inst.PrinterName()) << c.name;

        Footprint fa = Capture(a), fb = Capture(b);
        EXPECT_EQ(fa.drivers, fb.drivers) << c.name;
        EXPECT_EQ(fa.printers, fb.printers) << c.name;
        EXPECT_EQ(fa.ports, fb.ports) << c.name;
        EXPECT_EQ(fa.keys, fb.keys) << c.name;
        EXPECT_EQ(fa.defaultPrinter, fb.defaultPrinter) << c.name;
        EXPECT_EQ(fa.serialValue, fb.serialValue) << c.name;
        EXPECT_FALSE(fa.printers.empty()) << c.name;
    }
}

TEST(SilentEqualsWizard, SerialSettingsReachTheSpooler) {
    SimMachine m;
    PrepareMachine(m);
    AdminPlatform p = m.admin();
    FakeDesktop desk;
    SilentParse parsed = ParseSilentArgs({"/quiet", "/acceptlicence", "/model", "K-20", "/port",
                                          "QXCOM2:", "/baud", "9600", "/stopbits", "2"});
    ASSERT_TRUE(parsed.ok);
    SilentResult r = RunSilent(p, kPkg, "drvsetup", desk, parsed.options);
    ASSERT_EQ(r.exitCode, kSilentOk);
    EXPECT_EQ(Capture(m).serialValue, "9600,n,8,2,p");
    EXPECT_EQ(r.printerName, "K-20(S)");
}

}  // namespace
