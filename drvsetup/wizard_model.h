#pragma once
// The installer wizard without a window: start-up checks, the five pages with their
// choices and enable rules, navigation, the install preparation and the closing steps.
// The Win32 program and the unattended command line both drive this one model, so an
// installation made either way is the same installation.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drvsetup/installer.h"
#include "drvsetup/ports.h"
#include "drvsetup/setup_config.h"
#include "drvsetup/usb_setup.h"
#include "platform/admin.h"

namespace k20::drvsetup {

// Detected Windows code 0..11 from version, product type and processor architecture.
struct DetectedSystem {
    int code = 0;
    bool unknownPlatform = false;  // IDS_ERR_SYSTEM is shown first
};
DetectedSystem DetectWindowsCode(const platform::OsVersion& v);

// The ten choices of the OS page.
enum OsChoice {
    kOs98,
    kOsNT,
    kOs2000,
    kOsXP,
    kOs2003,
    kOsVista,
    kOs2008,
    kOsWin7,
    kOsWin8,
    kOsServer2012,
    kOsChoiceCount
};
int OsChoiceOfDetected(int detectedCode);
WinVersion OsCodeOfChoice(int choice);  // Windows 8 and later are Windows 7

// What start-up needs from the desktop besides the platform.
class WizardDesktop {
  public:
    virtual ~WizardDesktop() = default;
    // Creates the named mutex; false when another instance owns it already.
    virtual bool ClaimSingleInstance(const std::string& mutexName) = 0;
    // Brings the running wizard (found by its English, else Chinese title) forward.
    virtual void BringRunningWizardForward(const std::string& englishTitle,
                                           const std::string& chineseTitle) = 0;
    virtual bool UninstallerWindowOpen() = 0;
    virtual bool LeftPictureLoads(const std::string& path) = 0;
    virtual bool UserIsAdministrator() = 0;
};

// Message boxes: show, Yes/No question, and an error box with its own title.
struct WizardUi {
    std::function<void(const std::string&)> show;
    std::function<bool(const std::string&)> ask;
    std::function<void(const std::string& title, const std::string& text)> showTitled;
    UsbUi Usb() const { return UsbUi{show, ask}; }
};

enum class StartVerdict { Run, AlreadyRunning, Refused };

enum WizardPage { kPageLicence = 0, kPageModel = 1, kPageMode = 2, kPageOs = 3, kPagePort = 4 };

inline constexpr std::array<int, 10> kBaudRates = {110,  300,   1200,  2400,  4800,
                                                   9600, 19200, 38400, 57600, 115200};
// The entry a configured baud rate preselects: itself when listed, else 38400.
int BaudIndexFor(int baud);

struct TypeChoice {
    std::vector<std::string> models;  // sorted
    bool enabled = false;             // the choice and its list exist at all
    bool listEnabled = false;
    int selected = -1;
};

enum class InstallStep {
    Stay,        // a refusal was shown; the wizard stays on the port page
    RunWorker,   // Request() is ready for the worker
    HandedOver,  // a class printer went to the USB driver installer; the wizard closes
};

class WizardModel {
  public:
    WizardModel(platform::AdminPlatform& p, std::string installerDir, std::string programName);

    // Start-up checks 1 to 9. A refusal has been shown through ui when it returns Refused.
    // withWindow: the picture check belongs to the opening window and is left out
    // without one.
    StartVerdict Startup(WizardDesktop& desk, const WizardUi& ui, bool withWindow = true);

    // Facts and texts
    const DetectedSystem& Detected() const { return detected_; }
    bool Windows64() const { return windows64_; }
    bool Chinese() const { return chinese_; }
    std::string Text(const std::string& section, const std::string& key) const {
        return texts_->Get(section, key);
    }
    const SetupTexts& Texts() const { return *texts_; }
    SetupConfig& Config() { return *cfg_; }
    static std::string PageTitle(int page);
    std::string HelpFile() const;  // ".\Guide\Guide_CN.chm" or "...EN.chm" under the installer folder

    // Navigation
    int Page() const { return page_; }
    bool HasLicencePage() const { return licencePage_; }
    bool BackEnabled() const { return page_ != firstPage_; }
    bool NextEnabled() const { return nextEnabled_; }
    std::string NextCaption() const { return Text("Setup", page_ == kPagePort ? "Install" : "Next"); }
    // Moves forward; a refusal is shown and the page kept. Arriving at the OS page while
    // moving forward passes it at once.
    bool Next(const WizardUi& ui);
    void Back();

    // Licence page
    const std::string& LicenceText() const { return licenceText_; }
    bool Accepted() const { return accepted_; }
    void SetAccepted(bool accept);

    // Model page
    const std::array<TypeChoice, 4>& Types() const { return types_; }
    int ChosenType() const { return chosenType_; }
    const std::string& Model() const { return model_; }
    void ChooseType(int type);
    void ChooseModel(int type, int index);
    bool SetAsDefault() const { return setDefault_; }
    void SetAsDefault(bool on) { setDefault_ = on; }

    // Mode page
    bool Advanced() const { return advanced_; }
    int ModeValue() const { return advanced_ ? 0 : 1; }  // typical 1, advanced 0
    bool AdvancedEnabled() const { return advancedEnabled_; }
    void ChooseAdvanced(bool advanced);
    // The notes as shown: one line each, the note keys of [Mode] or [Message] IDS_TYPICAL_NOTES.
    std::vector<std::string> Notes() const;

    // OS page
    int OsChoiceShown() const { return osChoice_; }
    bool OsChoiceEnabled(int choice) const { return choice == osChoice_; }
    bool OsChoiceVisible(int choice) const { return !(choice == kOs2000 && windows64_); }
    WinVersion OsCode() const { return OsCodeOfChoice(osChoice_); }

    // Port page
    const PortPageState& Ports() const { return ports_; }
    std::string SelectedPort() const;
    void SelectPort(int index);
    int BaudIndex() const { return baudIndex_; }
    void ChooseBaud(int index);
    void ChooseByteSize(int bits);               // 5..8
    void ChooseParity(const std::string& text);  // one of the [Confirm] Parity texts
    void ChooseStopBits(double bits);            // 1.0, 1.5, 2.0
    void ChooseFlow(const std::string& text);    // one of the [Confirm] Protocol texts
    void ChooseParityChar(char c);               // e m n o s
    void ChooseFlowChar(char c);                 // p x or a blank
    void SetRaster(bool on);
    void SetIpAddress(const std::array<uint8_t, 4>& ip) { ip_ = ip; }
    const SerialSettings& Serial() const { return serial_; }
    std::string NoteLine() const {
        return ports_.noteKey.empty() ? std::string() : Text("Message", ports_.noteKey);
    }

    // Install (the button on the port page)
    InstallStep PrepareInstall(const WizardUi& ui);
    const InstallRequest& Request() const { return request_; }
    // After the worker: the closing message, the restart question on Windows 98/Me and the
    // companion program. startCompanion false leaves the companion program out. A failed
    // worker shows its failure and removes the network port this run created, nothing else.
    void Finish(int workerResult, const std::string& workerMessage, const WizardUi& ui,
                const std::function<bool()>& restartWindows, bool startCompanion = true);

    // The network port PrepareInstall created in this run; empty when none.
    const std::string& CreatedPort() const { return createdPort_; }

  private:
    void RemoveCreatedPort();
    bool LeaveModelPage(const WizardUi& ui);
    bool LeaveOsPage(const WizardUi& ui);
    void ArriveAtPortPage();
    bool OsSupported(WinVersion osCode, const WizardUi& ui);
    bool LoadLicence(const WizardUi& ui);
    void UpdateNextEnabled();

    platform::AdminPlatform& p_;
    std::string dir_, programName_;
    DetectedSystem detected_;
    bool windows64_ = false, chinese_ = false;
    std::unique_ptr<SetupConfig> cfg_;
    std::unique_ptr<SetupTexts> texts_;

    int page_ = kPageModel, firstPage_ = kPageModel;
    bool licencePage_ = false, nextEnabled_ = true;
    std::string licenceText_;
    bool accepted_ = false;

    std::array<TypeChoice, 4> types_;
    int chosenType_ = -1;
    std::string model_;
    bool setDefault_ = false;
    PortSection portSection_;

    bool advanced_ = false, advancedEnabled_ = true, typicalOnly_ = false;
    int osChoice_ = kOsWin7;
    bool baudPending_ = true;

    PortPageState ports_;
    std::string composedModel_;
    int composedMode_ = -1;
    std::optional<WinVersion> composedOs_;
    bool usbDriverInstalled_ = false;
    int baudIndex_ = 5;
    SerialSettings serial_;
    std::array<uint8_t, 4> ip_{};
    InstallRequest request_;
    std::string createdPort_;
};

}  // namespace k20::drvsetup
