#include <gtest/gtest.h>

#include <algorithm>

#include "tests/drvsetup/wizard_fixture.h"

using namespace k20::drvsetup;
using namespace k20::drvsetup::testing;
using namespace k20::platform;
using sim::SimMachine;

namespace {

struct CodeRow {
    const char* name;
    OsVersion v;
    int code;
    bool unknownPlatform;
};

TEST(DetectedWindowsCode, EveryRowOfTheTable) {
    // major, minor, build, product type, architecture, platform
    const CodeRow rows[] = {
        {"98", {4, 10, 2222, 1, 0, 1}, 0, false},
        {"Me", {4, 90, 3000, 1, 0, 1}, 0, false},
        {"NT4", {4, 0, 1381, 1, 0, 2}, 1, false},
        {"2000", {5, 0, 2195, 1, 0, 2}, 2, false},
        {"XP", {5, 1, 2600, 1, 0, 2}, 3, false},
        {"XPx64", {5, 2, 3790, 1, 9, 2}, 3, false},
        {"XP on ia64 is 2003", {5, 2, 3790, 1, 6, 2}, 4, false},
        {"2003", {5, 2, 3790, 3, 0, 2}, 4, false},
        {"2003x64", {5, 2, 3790, 3, 9, 2}, 4, false},
        {"Vista", {6, 0, 6002, 1, 0, 2}, 5, false},
        {"2008", {6, 0, 6002, 3, 0, 2}, 6, false},
        {"2008 domain controller", {6, 0, 6002, 2, 0, 2}, 6, false},
        {"7", {6, 1, 7601, 1, 9, 2}, 7, false},
        {"2008R2", {6, 1, 7601, 3, 9, 2}, 6, false},
        {"8", {6, 2, 9200, 1, 9, 2}, 9, false},
        {"8.1", {6, 3, 9600, 1, 9, 2}, 9, false},
        {"2012", {6, 2, 9200, 3, 9, 2}, 8, false},
        {"2012R2", {6, 3, 9600, 3, 9, 2}, 8, false},
        {"10", {10, 0, 19045, 1, 9, 2}, 11, false},
        {"10 server", {10, 0, 17763, 3, 9, 2}, 10, false},
        {"7 with minor 3", {7, 3, 1, 1, 9, 2}, 9, false},
        {"7.1 is no row", {7, 1, 1, 1, 9, 2}, 0, false},
        {"NT 3.51", {3, 51, 1057, 1, 0, 2}, 0, false},
        {"newer than 10", {11, 0, 1, 1, 9, 2}, 11, false},
        {"Win32s", {3, 10, 1, 1, 0, 0}, 0, true},
        {"CE", {5, 0, 1, 1, 0, 3}, 0, true},
    };
    for (const auto& r : rows) {
        DetectedSystem d = DetectWindowsCode(r.v);
        EXPECT_EQ(d.code, r.code) << r.name;
        EXPECT_EQ(d.unknownPlatform, r.unknownPlatform) << r.name;
    }
}

TEST(DetectedWindowsCode, OsPageChoiceAndCode) {
    const int choice[12] = {kOs98,   kOsNT,   kOs2000,       kOsXP,   kOs2003,       kOsVista,
                            kOs2008, kOsWin7, kOsServer2012, kOsWin8, kOsServer2012, kOsWin8};
    using V = WinVersion;
    const WinVersion code[12] = {V::Win98,      V::NT4,  V::Win2000, V::XP,   V::Server2003, V::Vista,
                                 V::Server2008, V::Win7, V::Win7,    V::Win7, V::Win7,       V::Win7};
    for (int d = 0; d < 12; ++d) {
        EXPECT_EQ(OsChoiceOfDetected(d), choice[d]) << d;
        EXPECT_EQ(OsCodeOfChoice(OsChoiceOfDetected(d)), code[d]) << d;
    }
}

class Wizard : public ::testing::Test {
  protected:
    void SetUp() override { PrepareMachine(m); }
    StartVerdict Start() {
        model = std::make_unique<WizardModel>(p, kPkg, "drvsetup");
        return model->Startup(desk, boxes.Ui());
    }
    // Licence accepted, default model, typical: on the port page.
    void ToPortPage() {
        ASSERT_EQ(Start(), StartVerdict::Run);
        model->SetAccepted(true);
        ASSERT_TRUE(model->Next(boxes.Ui()));
        ASSERT_TRUE(model->Next(boxes.Ui()));
        ASSERT_TRUE(model->Next(boxes.Ui()));
        ASSERT_EQ(model->Page(), kPagePort);
    }
    SimMachine m;
    AdminPlatform p = m.admin();
    FakeDesktop desk;
    Boxes boxes;
    std::unique_ptr<WizardModel> model;
};

TEST_F(Wizard, SecondStartBringsTheFirstForwardAndEnds) {
    desk.running = true;
    EXPECT_EQ(Start(), StartVerdict::AlreadyRunning);
    EXPECT_EQ(desk.claimedMutex, "drvsetup");
    ASSERT_EQ(desk.broughtForward.size(), 2u);
    EXPECT_EQ(desk.broughtForward[0], "K-20 Printer Driver Setup");
    EXPECT_EQ(desk.broughtForward[1], "K-20 打印机驱动程序安装");  // read from the GBK file
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(WizardStartUp, EachRefusalShowsItsMessage) {
    using Arrange = std::function<void(SimMachine&, FakeDesktop&)>;
    struct Case {
        const char* name;
        Arrange arrange;
        std::string message;
    };
    const char* setup = "DRVCONFIG\\setup.ini";
    const Case cases[] = {
        {"uninstaller open", [](SimMachine&, FakeDesktop& d) { d.uninstallerOpen = true; },
         EnglishText("Setup", "Close")},
        {"98", [](SimMachine& m, FakeDesktop&) { m.system.version = {4, 10, 2222, 1, 0, 1}; },
         EnglishText("Setup", "Nonsupport")},
        {"NT4", [](SimMachine& m, FakeDesktop&) { m.system.version = {4, 0, 1381, 1, 0, 2}; },
         EnglishText("Setup", "Nonsupport")},
        {"32-bit only on 64-bit",
         [&](SimMachine& m, FakeDesktop&) {
             SetPackageValue(m, setup, "DEVICENAME", "Supported32OR64", "1");
         },
         EnglishText("Message", "IDS_X64")},
        {"64-bit only on 32-bit",
         [&](SimMachine& m, FakeDesktop&) {
             DressMachine(m, WinVersion::Win7, false);
             SetPackageValue(m, setup, "DEVICENAME", "Supported32OR64", "2");
         },
         EnglishText("Message", "IDS_X32")},
        {"last model without ports",
         [&](SimMachine& m, FakeDesktop&) {
             SetPackageValue(m, setup, "DEVICENAME", "DEVICENAME1", "Nothing-ReceiptPrinter");
         },
         EnglishText("Setup", "PortNull")},
        {"no picture", [](SimMachine&, FakeDesktop& d) { d.pictureLoads = false; },
         EnglishText("Message", "IDS_ERR_NOLEFT")},
        {"not an administrator", [](SimMachine&, FakeDesktop& d) { d.admin = false; },
         EnglishText("Message", "IDS_ADMIN")},
        {"licence missing, LANGUAGE 1",
         [](SimMachine& m, FakeDesktop&) { m.files.DeleteFile("C:\\pkg\\License_EN.txt"); },
         "Can't load file License.txt!"},
        {"licence missing, LANGUAGE 0",
         [&](SimMachine& m, FakeDesktop&) {
             m.files.DeleteFile("C:\\pkg\\License_EN.txt");
             SetPackageValue(m, setup, "DEVICENAME", "LANGUAGE", "0");
         },
         "Not suppot the installing!"},
        {"licence missing on a Chinese system, LANGUAGE 0",
         [&](SimMachine& m, FakeDesktop&) {
             m.system.language = 0x0804;
             m.files.DeleteFile("C:\\pkg\\License_CN.txt");
             SetPackageValue(m, setup, "DEVICENAME", "LANGUAGE", "0");
         },
         "Can't load file License.txt!"},
    };
    for (const auto& c : cases) {
        SimMachine m;
        PrepareMachine(m);
        FakeDesktop desk;
        Boxes boxes;
        c.arrange(m, desk);
        AdminPlatform p = m.admin();
        WizardModel model(p, kPkg, "drvsetup");
        EXPECT_EQ(model.Startup(desk, boxes.Ui()), StartVerdict::Refused) << c.name;
        ASSERT_EQ(boxes.shown.size(), 1u) << c.name;
        EXPECT_EQ(boxes.shown[0], c.message) << c.name;
    }
}

TEST_F(Wizard, NinetyEightWithMinorZeroAndAdminOnlyFromCodeTwo) {
    // Windows 95 is not refused by the platform check; code 0 needs no administrator.
    m.system.version = {4, 0, 950, 1, 0, 1};
    desk.admin = false;
    EXPECT_EQ(Start(), StartVerdict::Run);
}

TEST_F(Wizard, LicencePageRejectIsPreselectedAndAcceptEnablesNext) {
    ASSERT_EQ(Start(), StartVerdict::Run);
    EXPECT_EQ(model->Page(), kPageLicence);
    EXPECT_FALSE(model->BackEnabled());
    EXPECT_FALSE(model->NextEnabled());
    EXPECT_NE(model->LicenceText().find("LICENSE AGREEMENT"), std::string::npos);
    EXPECT_FALSE(model->Next(boxes.Ui()));
    model->SetAccepted(true);
    EXPECT_TRUE(model->NextEnabled());
    model->SetAccepted(false);
    EXPECT_FALSE(model->NextEnabled());
}

TEST_F(Wizard, ChineseSystemReadsTheChineseLicence) {
    m.system.language = 0x0804;
    ASSERT_EQ(Start(), StartVerdict::Run);
    EXPECT_TRUE(model->Chinese());
    EXPECT_NE(model->LicenceText().find("许可协议"), std::string::npos);
    EXPECT_EQ(model->Text("Setup", "Cancel"), "取消");
}

TEST_F(Wizard, WithoutLoadLicenseStartsOnTheModelPageWithNextEnabled) {
    SetPackageValue(m, "DRVCONFIG\\setup.ini", "DEVICENAME", "LOADLICENSE", "0");
    m.files.DeleteFile("C:\\pkg\\License_EN.txt");  // not even read
    ASSERT_EQ(Start(), StartVerdict::Run);
    EXPECT_FALSE(model->HasLicencePage());
    EXPECT_EQ(model->Page(), kPageModel);
    EXPECT_TRUE(model->NextEnabled());
    EXPECT_FALSE(model->BackEnabled());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Wizard, ModelListsAreSortedEmptyTypesDisabledAndDefaultPreselected) {
    const char* f = "DRVCONFIG\\setup.ini";
    SetPackageValue(m, f, "DEVICENAME", "DEVICENUMBER", "4");
    SetPackageValue(m, f, "DEVICENAME", "DEVICENAME1", "Zed-ReceiptPrinter");
    SetPackageValue(m, f, "DEVICENAME", "DEVICENAME2", "B-1-LabelPrinter");
    SetPackageValue(m, f, "DEVICENAME", "DEVICENAME3", "Alpha-ReceiptPrinter");
    SetPackageValue(m, f, "DEVICENAME", "DEVICENAME4", "K-20-ReceiptPrinter");
    SetPackageValue(m, f, "DEVICENAME", "DEFAULTNAME", "2");
    ASSERT_EQ(Start(), StartVerdict::Run);
    const auto& t = model->Types();
    EXPECT_EQ(t[0].models, (std::vector<std::string>{"Alpha", "K-20", "Zed"}));
    EXPECT_TRUE(t[0].enabled);
    EXPECT_FALSE(t[0].listEnabled);
    EXPECT_FALSE(t[1].enabled);
    EXPECT_TRUE(t[2].enabled && t[2].listEnabled);
    EXPECT_EQ(t[2].selected, 0);
    EXPECT_FALSE(t[3].enabled);
    EXPECT_EQ(model->ChosenType(), 2);
    EXPECT_EQ(model->Model(), "B-1");

    model->ChooseType(1);  // disabled: nothing happens
    EXPECT_EQ(model->ChosenType(), 2);
    model->ChooseType(0);  // nothing selected there yet: the model name is cleared
    EXPECT_TRUE(model->Types()[0].listEnabled);
    EXPECT_FALSE(model->Types()[2].listEnabled);
    EXPECT_EQ(model->Model(), "");
    model->SetAccepted(true);
    ASSERT_TRUE(model->Next(boxes.Ui()));
    EXPECT_FALSE(model->Next(boxes.Ui()));  // no model
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_ERR_SELPRINTER"));
    model->ChooseModel(0, 1);
    EXPECT_EQ(model->Model(), "K-20");
    EXPECT_TRUE(model->Next(boxes.Ui()));
}

TEST_F(Wizard, NoModelAtAllDisablesNextAfterTheLicence) {
    SetPackageValue(m, "DRVCONFIG\\setup.ini", "DEVICENAME", "DEVICENAME1", "K-20");  // no type suffix
    // The port check looks up the entry's name as it is; give it ports so that start-up passes.
    for (const char* f : {"DRVCONFIG\\setup_receipt_64.ini"})
        SetPackageValue(m, f, "K-20.PORT", "LPTSUPPORTED", "1");
    SetPackageValue(m, "DRVCONFIG\\setup_receipt_64.ini", "K-20.PORT", "USBSUPPORTED", "1");
    ASSERT_EQ(Start(), StartVerdict::Run);
    model->SetAccepted(true);
    ASSERT_TRUE(model->Next(boxes.Ui()));
    EXPECT_EQ(model->Page(), kPageModel);
    EXPECT_FALSE(model->NextEnabled());
}

TEST_F(Wizard, WindowsTenPassesTheOsPageWithCodeSeven) {
    ToPortPage();
    EXPECT_EQ(model->OsChoiceShown(), kOsWin8);
    EXPECT_EQ(model->OsCode(), WinVersion::Win7);
    EXPECT_TRUE(model->OsChoiceEnabled(kOsWin8));
    EXPECT_FALSE(model->OsChoiceEnabled(kOsWin7));
    EXPECT_FALSE(model->OsChoiceVisible(kOs2000));  // 64-bit Windows
    EXPECT_EQ(model->NextCaption(), EnglishText("Setup", "Install"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Wizard, SystemWin7SupportedZeroStopsOnTheOsPage) {
    SetPackageValue(m, "DRVCONFIG\\setup_receipt_64.ini", "K-20.PORT", "SystemWin7Supported", "0");
    ASSERT_EQ(Start(), StartVerdict::Run);
    model->SetAccepted(true);
    model->Next(boxes.Ui());
    model->Next(boxes.Ui());
    EXPECT_TRUE(model->Next(boxes.Ui()));
    EXPECT_EQ(model->Page(), kPageOs);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], EnglishText("Message", "IDS_NOTSUPPORTWin7"));
    EXPECT_FALSE(model->Next(boxes.Ui()));
    EXPECT_EQ(model->Page(), kPageOs);
    model->Back();
    EXPECT_EQ(model->Page(), kPageMode);
}

TEST_F(Wizard, BackFromThePortPageLandsOnTheModePage) {
    ToPortPage();
    model->Back();
    EXPECT_EQ(model->Page(), kPageMode);
    model->Back();
    EXPECT_EQ(model->Page(), kPageModel);
    model->Back();
    EXPECT_EQ(model->Page(), kPageLicence);
    EXPECT_TRUE(model->NextEnabled());  // still accepted
    model->Back();
    EXPECT_EQ(model->Page(), kPageLicence);
}

TEST_F(Wizard, TypicalOnlyModelDisablesAdvancedAndShowsItsNote) {
    SetPackageValue(m, "DRVCONFIG\\setup_receipt_64.ini", "K-20.PORT", "AdvancedSetup", "0");
    ASSERT_EQ(Start(), StartVerdict::Run);
    model->SetAccepted(true);
    model->Next(boxes.Ui());
    model->ChooseAdvanced(true);
    EXPECT_TRUE(model->Advanced());
    ASSERT_TRUE(model->Next(boxes.Ui()));
    EXPECT_FALSE(model->AdvancedEnabled());
    EXPECT_FALSE(model->Advanced());
    EXPECT_EQ(model->ModeValue(), 1);
    EXPECT_EQ(model->Notes(), std::vector<std::string>{EnglishText("Message", "IDS_TYPICAL_NOTES")});
    model->ChooseAdvanced(true);
    EXPECT_FALSE(model->Advanced());
}

TEST_F(Wizard, ModeNotes) {
    ASSERT_EQ(Start(), StartVerdict::Run);
    model->SetAccepted(true);
    model->Next(boxes.Ui());
    model->Next(boxes.Ui());
    EXPECT_EQ(model->Notes(), std::vector<std::string>{EnglishText("Mode", "Note1")});
    model->ChooseAdvanced(true);
    EXPECT_EQ(model->ModeValue(), 0);
    EXPECT_EQ(model->Notes(),
              (std::vector<std::string>{EnglishText("Mode", "Note2"), EnglishText("Mode", "Note3")}));
}

TEST_F(Wizard, BaudRatePreselectionAndItsRearming) {
    SetPackageValue(m, "DRVCONFIG\\setup_receipt_64.ini", "K-20.PORT", "BaudRate", "14400");
    ToPortPage();
    EXPECT_EQ(kBaudRates[model->BaudIndex()], 38400);
    EXPECT_EQ(model->Serial().baudRate, 14400);  // the configured value until the user chooses
    model->ChooseBaud(0);
    EXPECT_EQ(model->Serial().baudRate, 110);
    // Back to the mode page and forward again keeps the user's choice ...
    model->Back();
    model->Next(boxes.Ui());
    EXPECT_EQ(model->Serial().baudRate, 110);
    // ... back to the model page preselects the model's rate again.
    model->Back();
    model->Back();
    model->Next(boxes.Ui());
    model->Next(boxes.Ui());
    EXPECT_EQ(model->Serial().baudRate, 14400);
    for (int b : {110, 300, 1200, 2400, 4800, 9600, 19200, 57600, 115200})
        EXPECT_EQ(kBaudRates[BaudIndexFor(b)], b);
    EXPECT_EQ(kBaudRates[BaudIndexFor(0)], 38400);
}

TEST_F(Wizard, PortPageAsTheEngineComposesIt) {
    ToPortPage();
    const auto& ports = model->Ports();
    // Typical mode: one USB entry, preselected even though LPTDEFAULT is 1.
    EXPECT_NE(std::find(ports.entries.begin(), ports.entries.end(), "USB_K-20_1"), ports.entries.end());
    EXPECT_EQ(std::count_if(ports.entries.begin(), ports.entries.end(),
                            [](const std::string& e) { return e.rfind("USB_", 0) == 0; }),
              1);
    EXPECT_EQ(model->SelectedPort(), "USB_K-20_1");
    EXPECT_EQ(ports.raster, RasterBox::Hidden);
    EXPECT_TRUE(std::is_sorted(ports.entries.begin(), ports.entries.end()));
    EXPECT_EQ(model->NoteLine(), EnglishText("Message", "IDS_ERR_UPDATEUSB"));  // no USB driver yet
}

TEST_F(Wizard, NetworkWithoutAddressStaysAndAnExistingPortFails) {
    ToPortPage();
    auto& e = model->Ports().entries;
    int net = static_cast<int>(std::find(e.begin(), e.end(), "NET:") - e.begin());
    model->SelectPort(net);
    EXPECT_TRUE(model->Ports().ipEnabled);
    EXPECT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::Stay);
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_ERR_IPADDRISNULL"));
    model->SetIpAddress({192, 168, 1, 50});
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    EXPECT_EQ(model->Request().portName, "QXIP_192.168.1.50");
    EXPECT_EQ(model->Request().printerName, "K-20(E)");
    EXPECT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::Stay);  // the port exists now
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_ERR_ADDPORTERROR"));
}

TEST_F(Wizard, InstallOnTheParallelPortAndClose) {
    ToPortPage();
    model->SetAsDefault(true);
    auto& e = model->Ports().entries;
    model->SelectPort(static_cast<int>(std::find(e.begin(), e.end(), "LPT1:") - e.begin()));
    ASSERT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::RunWorker);
    const InstallRequest& r = model->Request();
    EXPECT_EQ(r.kind, PortKind::Parallel);
    EXPECT_EQ(r.osCode, WinVersion::Win7);
    EXPECT_EQ(r.flavour, Flavour::Gdi);  // the raster box is on for a parallel port
    Installer inst(p, model->Texts(), kPkg, r);
    ASSERT_EQ(inst.Run(), kWorkerSuccess) << inst.Message();
    m.files.Put("C:\\pkg\\Devtune\\Devtune.exe", "companion");  // outside component
    model->Finish(kWorkerSuccess, inst.Message(), boxes.Ui(), {});
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_INF_NTRESTART"));
    EXPECT_TRUE(boxes.asked.empty());  // no restart question outside Windows 98/Me
    ASSERT_EQ(m.processes.started.size(), 1u);
    EXPECT_EQ(m.processes.started[0].exe, "C:\\pkg\\Devtune\\Devtune.exe");
    EXPECT_EQ(m.processes.started[0].parameters, "999");
    EXPECT_FALSE(m.processes.started[0].wait);
    EXPECT_EQ(m.printAdmin.defaultPrinter, "K-20(P)");
}

TEST_F(Wizard, FinishWithAFailureShowsTheBufferAndWindows98AsksToRestart) {
    ToPortPage();
    boxes.answer = true;
    bool restarted = false;
    model->Finish(
        kWorkerFailure, "broken", boxes.Ui(), [&] { return restarted = true; }, false);
    EXPECT_EQ(boxes.shown.back(), "broken");
    EXPECT_FALSE(restarted);  // OS code 7
    EXPECT_TRUE(m.processes.started.empty());
}

TEST_F(Wizard, UsbOnAClassOnlyConfigurationRefusesWithoutAClassPrinter) {
    SetPackageValue(m, "DRVCONFIG\\setup.ini", "DEVICENAME", "SupportedUSBMODE", "1");
    ToPortPage();
    // No device at all is classification 2: a class-only package refuses.
    EXPECT_EQ(model->PrepareInstall(boxes.Ui()), InstallStep::Stay);
    EXPECT_EQ(boxes.shown.back(), EnglishText("Message", "IDS_ERR_CLASSPRINTERIDERROR"));
}

}  // namespace
