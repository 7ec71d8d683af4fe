#pragma once
// Unattended installation: the wizard's model driven from a command line, for rolling
// printers out to many tills. Every message the wizard would show goes to the log with
// the same text; the exit code tells success, refusal and failure apart.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drvsetup/wizard_model.h"

namespace k20::drvsetup {

// 2 is also the answer to /quiet without /acceptlicence, as nothing was installed either.
// 3010 is Windows' own code for "succeeded, a restart is required".
enum SilentExit {
    kSilentOk = 0,
    kSilentRefused = 1,
    kSilentFailed = 2,
    kSilentLicenceNotAccepted = 2,
    kSilentUsage = 3,
    kSilentRestartRequired = 3010
};

struct SilentOptions {
    bool quiet = false, help = false;
    std::string model, port, ip, logFile;
    std::optional<int> baud, dataBits;
    std::optional<char> parity, flow;  // flow: 'p', 'x' or ' '
    std::optional<double> stopBits;
    std::optional<bool> advanced;
    bool raster = false, setDefault = false;
    bool acceptLicence = false;  // /acceptlicence or /acceptlicense
    bool renumber = false;       // /renumber: change a USB printer's number when asked
};

struct SilentParse {
    bool ok = false;
    SilentOptions options;
    std::string error;
    int exitCode = kSilentUsage;  // when not ok
};

// Switches start with "/" or "-" and are matched without regard to case.
SilentParse ParseSilentArgs(const std::vector<std::string>& args);
// Whether the command line asks for the unattended mode (or its usage) at all.
bool WantsSilent(const std::vector<std::string>& args);
std::string SilentUsage();

struct SilentResult {
    int exitCode = kSilentOk;
    std::vector<std::string> log;
    std::string printerName;
};

// Runs the start-up checks, the pages with the given choices and the installation.
// err receives each log line as it is written (standard error when there is one).
SilentResult RunSilent(platform::AdminPlatform& p, const std::string& installerDir,
                       const std::string& programName, WizardDesktop& desk, const SilentOptions& o,
                       const std::function<void(const std::string&)>& err = {});

}  // namespace k20::drvsetup
