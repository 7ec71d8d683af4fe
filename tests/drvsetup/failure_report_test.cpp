// An installation that did not complete is never reported as a success: files in use are
// replaced at the next start and said so, a worker that throws or never starts reports its
// failure, a failed run takes back the network port it created, and the unattended mode
// needs an explicit acceptance of the licence.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "common/text.h"
#include "drvsetup/install_records.h"
#include "drvsetup/silent.h"
#include "tests/drvsetup/wizard_fixture.h"

using namespace k20;
using namespace k20::drvsetup;
using namespace k20::drvsetup::testing;
using namespace k20::platform;
using sim::SimMachine;

namespace {

// The spooler's administration throwing where the sequence reaches it, as an allocation
// failure deep inside a real call would.
class ThrowingAdmin : public sim::SimPrintAdmin {
  public:
    using SimPrintAdmin::SimPrintAdmin;
    Error AddPrinterDriver(const DriverInfo3&) override { throw std::bad_alloc(); }
};

class Failures : public ::testing::Test {
  protected:
    void SetUp() override { PrepareMachine(m); }
    std::unique_ptr<WizardModel> ToPortPage() {
        auto model = std::make_unique<WizardModel>(p, kPkg, "drvsetup");
        EXPECT_EQ(model->Startup(desk, boxes.Ui()), StartVerdict::Run);
        model->SetAccepted(true);
        for (int i = 0; i < 3; ++i) model->Next(boxes.Ui());
        EXPECT_EQ(model->Page(), kPagePort);
        return model;
    }
    static void Select(WizardModel& model, const std::string& port) {
        auto& e = model.Ports().entries;
        model.SelectPort(static_cast<int>(std::find(e.begin(), e.end(), port) - e.begin()));
    }
    SimMachine m;
    AdminPlatform p = m.admin();
    FakeDesktop desk;
    Boxes boxes;
};

TEST_F(Failures, DriverFileInUseIsReplacedAtRestartAndTheRestartIsSaid) {
    auto model = ToPortPage();
    Select(*model, "LPT1:");
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    const std::string target = m.printAdmin.DriverDirectory("") + "\\PRNUI.DLL";
    m.files.Put(target, std::string("old"));
    m.files.HoldOpen(target);
    Installer inst(p, model->Texts(), kPkg, model->Request());
    ASSERT_EQ(inst.Run(), kWorkerSuccess) << inst.Message();
    EXPECT_TRUE(inst.RestartNeeded());
    EXPECT_EQ(inst.Message(), RestartNeededText(model->Texts()));
    EXPECT_NE(inst.Message().find(EnglishText("Message", "IDS_INF_REPLACEATRESTART")), std::string::npos);
    ASSERT_EQ(m.files.pendingReplacements.size(), 1u);
    EXPECT_EQ(ToUpper(m.files.pendingReplacements[0].second), ToUpper(target));
    std::vector<uint8_t> bytes;
    m.files.ReadFile(target, bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old");  // until Windows starts again
    m.files.RestartWindows();
    m.files.ReadFile(target, bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "W64:prnui.dll");
}

TEST_F(Failures, AFileInUseThatCannotBeScheduledFailsNamingTheFile) {
    auto model = ToPortPage();
    Select(*model, "LPT1:");
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    const std::string target = m.printAdmin.DriverDirectory("") + "\\PRNUI.DLL";
    m.files.Put(target, std::string("old"));
    m.files.HoldOpen(target);
    m.faults.FailAlways("ReplaceAtRestart", kErrAccessDenied);
    Installer inst(p, model->Texts(), kPkg, model->Request());
    EXPECT_EQ(inst.Run(), kWorkerFailure);
    EXPECT_NE(inst.Message().find("PRNUI.DLL"), std::string::npos) << inst.Message();
    EXPECT_FALSE(m.files.Exists(target + ".K20NEW"));  // the staged copy does not stay behind
}

TEST_F(Failures, QuietInstallWithAFileInUseExits3010) {
    const std::string target = m.printAdmin.DriverDirectory("") + "\\PRNUI.DLL";
    m.files.Put(target, std::string("old"));
    m.files.HoldOpen(target);
    SilentParse parsed = ParseSilentArgs({"/quiet", "/acceptlicence", "/model", "K-20", "/port", "LPT1:"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    SilentResult r = RunSilent(p, kPkg, "drvsetup", desk, parsed.options);
    EXPECT_EQ(r.exitCode, kSilentRestartRequired);
    ASSERT_FALSE(r.log.empty());
    EXPECT_NE(r.log.back().find(EnglishText("Message", "IDS_INF_REPLACEATRESTART")), std::string::npos);
}

TEST_F(Failures, MonitorInUseUnderBothNamesGetsNoVersionRecord) {
    // The serial monitor is installed with an older version, so this run updates its files.
    InstallRecords rec(m.registry, true, WinVersion::Win7);
    m.files.Put(m.system.systemDir + "\\QXCOMMON.DLL", std::string("old"));
    m.files.Put(m.system.systemDir + "\\nQXCOMMON.DLL", std::string("older"));
    m.printAdmin.AddMonitor({"QXCOM Monitor", "", "QXCOMMON.DLL"});
    rec.WriteMonitorVersion("QXCOM Monitor", 0);
    m.files.HoldOpen(m.system.systemDir + "\\QXCOMMON.DLL");
    m.files.HoldOpen(m.system.systemDir + "\\nQXCOMMON.DLL");
    m.faults.Reset();
    auto model = ToPortPage();
    Select(*model, "QXCOM1:");
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    Installer inst(p, model->Texts(), kPkg, model->Request());
    ASSERT_EQ(inst.Run(), kWorkerSuccess) << inst.Message();
    EXPECT_TRUE(inst.RestartNeeded());
    auto v = rec.MonitorVersion("QXCOM Monitor");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, 0u);  // the next run checks the files again
}

TEST_F(Failures, AnExceptionInTheWorkerIsReportedWithItsStep) {
    ThrowingAdmin admin(m.faults, m.system, m.registry, m.files, m.spooler, m.services);
    AdminPlatform throwing{m.platform(), admin, m.services, m.devices, m.usb, m.processes, m.wow64};
    auto model = ToPortPage();
    Select(*model, "LPT1:");
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    Installer inst(throwing, model->Texts(), kPkg, model->Request());
    EXPECT_EQ(inst.Run(), kWorkerFailure);
    EXPECT_EQ(inst.Message().rfind(EnglishText("Message", "IDS_ERR_WORKERSTOPPED") + " (printer driver)", 0),
              0u)
        << inst.Message();
}

TEST_F(Failures, AWorkerThatNeverRanIsShownAsAFailure) {
    auto model = ToPortPage();
    // What the window shows when the worker thread cannot be created.
    model->Finish(kWorkerFailure, WorkerNotStartedText(model->Texts(), "Not enough memory."), boxes.Ui(), {});
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_ERR_NOWORKER") + "\nNot enough memory.");
    // And with no text at all, still no success text.
    model->Finish(kWorkerFailure, "", boxes.Ui(), {});
    EXPECT_NE(boxes.shown.back(), EnglishText("Message", "IDS_INF_NTRESTART"));
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_ERR_WORKERSTOPPED"));
    EXPECT_TRUE(m.processes.started.empty());  // no companion program after a failure
}

TEST_F(Failures, AFailedNetworkInstallationTakesBackItsPortSoARetryWorks) {
    auto model = ToPortPage();
    Select(*model, "NET:");
    model->SetIpAddress({192, 168, 1, 50});
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    EXPECT_EQ(model->CreatedPort(), "QXIP_192.168.1.50");
    m.faults.FailOn("AddPrinterDriver", 1, kErrAccessDenied);
    Installer inst(p, model->Texts(), kPkg, model->Request());
    ASSERT_EQ(inst.Run(), kWorkerFailure);
    model->Finish(kWorkerFailure, inst.Message(), boxes.Ui(), {}, false);
    for (auto& port : m.printAdmin.ports) EXPECT_NE(port.name, "QXIP_192.168.1.50");
    // The retry on the same address creates the port again instead of IDS_ERR_ADDPORTERROR.
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    Installer again(p, model->Texts(), kPkg, model->Request());
    ASSERT_EQ(again.Run(), kWorkerSuccess) << again.Message();
    model->Finish(kWorkerSuccess, again.Message(), boxes.Ui(), {}, false);
    bool kept = false;
    for (auto& port : m.printAdmin.ports) kept |= port.name == "QXIP_192.168.1.50";
    EXPECT_TRUE(kept);  // a successful run keeps its port
}

TEST_F(Failures, UsbInstallersThatCannotStartAreReported) {
    SetupConfig cfg(m.files, kPkg, true, 1252);
    SetupTexts texts(m.files, kPkg, 0x0409, 1252);
    std::vector<std::string> shown;
    UsbUi ui{[&](const std::string& s) { shown.push_back(s); }, [](const std::string&) { return true; }};
    // No kernel driver installed: the driver installer must run, and it is not there.
    m.files.Put("C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\QXPUSB.sys", std::vector<uint8_t>{1}, "2.0.0.0");
    EXPECT_FALSE(UpdateKernelDriverIfNeeded(p, cfg, 11, ui));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Install.exe"), std::string::npos);
    EXPECT_TRUE(m.processes.started.empty());
    // The class-printer hand-over likewise: the wizard stays, /quiet does not exit 0.
    m.files.Put("C:\\pkg\\UsbPrnEnum.dll", std::string("MZ"));
    m.usb.enumText = "ZRP-C30(U)3@";
    m.usb.enumResult = 1;
    SetPackageValue(m, "DRVCONFIG\\setup.ini", "USBCLASSPRINTER", "K-20(U)", "USBPRINT\\K-20 \"A\"");
    m.usb.enumText = "K-20(U)@";
    SetupConfig cfg2(m.files, kPkg, true, 1252);
    shown.clear();
    EXPECT_FALSE(
        InstallClassPrinter(p, cfg2, texts, ui, "K-20", 0, WinVersion::Win7, Flavour::Std, true, 11));
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find("could not be started"), std::string::npos) << shown.back();
}

TEST_F(Failures, RenumberingIsOfferedOnlyWithAPrefixAndQuietRenumbersOnlyOnItsSwitch) {
    m.files.Put("C:\\pkg\\QxUsbInt.dll", std::string("MZ"));
    sim::SimUsbDevice d;
    d.bcdDevice = 1;  // number 2, the typical installation wants 1
    m.usb.devices = {d};
    SetupConfig cfg(m.files, kPkg, true, 1252);
    SetupTexts texts(m.files, kPkg, 0x0409, 1252);
    std::vector<std::string> asked;
    UsbUi ui{[](const std::string&) {},
             [&](const std::string& q) {
                 asked.push_back(q);
                 return true;
             }};
    // The shipped package has no USBSETIDPREFIX: nothing invented is sent, nothing asked.
    EXPECT_TRUE(PrepareMakerDriverPort(p, cfg, texts, ui, false, "USB_K-20_1"));
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(m.usb.devices[0].writes.empty());

    SetPackageValue(m, "DRVCONFIG\\setup.ini", "DEVICENAME", "USBSETIDPREFIX", "10 20 30 40 50 60");
    SetupConfig configured(m.files, kPkg, true, 1252);
    EXPECT_TRUE(PrepareMakerDriverPort(p, configured, texts, ui, false, "USB_K-20_1"));
    EXPECT_EQ(asked.size(), 1u);
    ASSERT_EQ(m.usb.devices[0].writes.size(), 1u);

    // Unattended: the question is answered No unless /renumber was given.
    m.usb.devices[0].writes.clear();
    for (bool renumber : {false, true}) {
        m.usb.devices[0].bcdDevice = 1;
        m.usb.devices[0].writes.clear();
        std::vector<std::string> args = {"/quiet", "/acceptlicence", "/model", "K-20", "/port", "USB_K-20_1"};
        if (renumber) args.push_back("/renumber");
        SilentParse parsed = ParseSilentArgs(args);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        FakeDesktop quietDesk;
        SilentResult r = RunSilent(p, kPkg, "drvsetup", quietDesk, parsed.options);
        EXPECT_EQ(m.usb.devices[0].writes.size(), renumber ? 1u : 0u);
        EXPECT_EQ(
            std::count(r.log.begin(), r.log.end(), EnglishText("Message", "IDS_INF_CHANGEID") + " [No]"),
            renumber ? 0 : 1);
    }
}

TEST(OutsideInstaller, EveryArgumentIsQuotedByTheWindowsRules) {
    EXPECT_EQ(ClassInstallArguments("C:\\My Package\\W64\\Setup.inf", "USBPRINT\\K-20 \"A\"", "K-20 \"x\" 1"),
              "3 \"C:\\My Package\\W64\\Setup.inf\" \"USBPRINT\\K-20 \\\"A\\\"\" 0 \"K-20 \\\"x\\\" 1\"");
    EXPECT_EQ(ClassInstallArguments("C:\\pkg\\a.inf", "ID", ""), "3 C:\\pkg\\a.inf ID 0");
}

TEST(UnattendedLicence, QuietWithoutAcceptanceIsRefusedFirstWithExitTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"/quiet", "/model", "K-20", "/port", "LPT1:"},
          std::vector<std::string>{"/quiet", "/nonsense"}, std::vector<std::string>{"-QUIET"}}) {
        SilentParse r = ParseSilentArgs(args);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.error.find("/acceptlicence"), std::string::npos) << r.error;
    }
    EXPECT_TRUE(ParseSilentArgs({"/quiet", "/AcceptLicense", "/model", "K-20", "/port", "LPT1:"}).ok);
    EXPECT_TRUE(ParseSilentArgs({"/?"}).ok);
    EXPECT_NE(SilentUsage().find("/acceptlicence"), std::string::npos);
    // Options made without the switch install nothing either.
    SimMachine m;
    PrepareMachine(m);
    AdminPlatform p = m.admin();
    FakeDesktop desk;
    SilentOptions o;
    o.quiet = true;
    o.model = "K-20";
    o.port = "LPT1:";
    SilentResult res = RunSilent(p, kPkg, "drvsetup", desk, o);
    EXPECT_EQ(res.exitCode, kSilentLicenceNotAccepted);
    EXPECT_TRUE(m.printAdmin.drivers.empty());
    EXPECT_TRUE(desk.claimedMutex.empty());  // refused before anything else
}

TEST(SystemLanguage, TheInstallerFollowsTheSystemDefaultNotTheUsersInterface) {
    SimMachine m;
    PrepareMachine(m);
    AdminPlatform p = m.admin();
    m.system.language = 0x0409;        // the user's interface language
    m.system.systemLanguage = 0x0804;  // the system's default language
    WizardModel model(p, kPkg, "drvsetup");
    EXPECT_TRUE(model.Chinese());
    m.system.language = 0x0804;
    m.system.systemLanguage = 0x0409;
    WizardModel english(p, kPkg, "drvsetup");
    EXPECT_FALSE(english.Chinese());
}

}  // namespace

namespace {

TEST(ConfigurationSize, AnOversizedConfigurationFileIsRefusedWithItsSize) {
    SimMachine m;
    PrepareMachine(m);
    AdminPlatform p = m.admin();
    std::string big = "[DEVICENAME]\r\n";
    while (big.size() <= k20::kMaxIniFileBytes) big += "x=1\r\n";
    m.files.Put("C:\\pkg\\DRVCONFIG\\setup.ini", big);
    WizardModel model(p, kPkg, "drvsetup");
    FakeDesktop desk;
    Boxes boxes;
    EXPECT_EQ(model.Startup(desk, boxes.Ui()), StartVerdict::Refused);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back(), k20::IniTooLargeMessage("DRVCONFIG\\setup.ini", big.size()));
}

}  // namespace
