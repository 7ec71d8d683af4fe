#include "drvsetup/silent.h"

#include <cstdlib>

#include "common/text.h"

namespace k20::drvsetup {

namespace {

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool ParseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    out = std::atoi(s.c_str());
    return true;
}

bool ParseIp(const std::string& s, std::array<uint8_t, 4>& ip) {
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t end = s.find('.', start);
        if ((i < 3) != (end != std::string::npos)) return false;
        int v = 0;
        if (!ParseInt(s.substr(start, end == std::string::npos ? std::string::npos : end - start), v) ||
            v > 255)
            return false;
        ip[i] = static_cast<uint8_t>(v);
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string SilentUsage() {
    return "Usage: drvsetup /quiet /acceptlicence /model NAME /port PORT [/ip ADDRESS] [/baud N]\n"
           "                [/parity n|e|o|m|s] [/databits N] [/stopbits 1|1.5|2] [/flow p|x|n] [/raster]\n"
           "                [/default] [/mode typical|advanced] [/renumber] [/log FILE]\n"
           "Installs the printer without windows.\n"
           "  /acceptlicence you accept the licence agreement (License_EN.txt); /quiet refuses without it\n"
           "                 (also spelt /acceptlicense)\n"
           "  /model NAME    a model of DRVCONFIG\\setup.ini, without its type suffix\n"
           "  /port PORT     a port the wizard offers for the model (LPT1:, QXCOM1:, USB_<model>_1, NET:)\n"
           "  /ip ADDRESS    the printer's address for NET: (implies /port NET: when no port is given)\n"
           "  /baud N, /parity, /databits, /stopbits, /flow   serial line settings\n"
           "  /raster        raster graphic printing where the wizard offers the choice\n"
           "  /default       make the new printer the default printer\n"
           "  /mode          typical (default) or advanced installation\n"
           "  /renumber      change a USB printer's number to the chosen port's when they differ\n"
           "                 (only with a configured USBSETIDPREFIX; never without this switch)\n"
           "  /log FILE      append every message to FILE\n"
           "Exit codes: 0 installed, 1 refused, 2 installation failed or /acceptlicence missing,\n"
           "3 wrong command line, 3010 installed but files in use are replaced at the next restart.\n";
}

bool WantsSilent(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        std::string l = Lower(a);
        if (l == "/quiet" || l == "-quiet" || l == "/?" || l == "-?" || l == "/help" || l == "--help")
            return true;
    }
    return false;
}

SilentParse ParseSilentArgs(const std::vector<std::string>& args) {
    SilentParse r;
    SilentOptions& o = r.options;
    auto fail = [&](const std::string& e) {
        r.ok = false;
        r.error = e;
        return r;
    };
    // The licence is accepted by a person: an unattended run must say so explicitly, and
    // is refused before anything else of its command line is looked at.
    bool quiet = false, accepted = false, help = false;
    for (const auto& a : args) {
        std::string l = Lower(a);
        if (l.size() > 1 && l[0] == '-' && l[1] != '-') l[0] = '/';
        if (l.size() > 2 && l[0] == '-' && l[1] == '-') l = "/" + l.substr(2);
        quiet |= l == "/quiet";
        accepted |= l == "/acceptlicence" || l == "/acceptlicense";
        help |= l == "/?" || l == "/help";
    }
    if (quiet && !accepted && !help) {
        r.exitCode = kSilentLicenceNotAccepted;
        return fail(
            "/quiet needs /acceptlicence: the licence agreement (License_EN.txt) must be accepted "
            "explicitly");
    }
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = Lower(args[i]);
        if (a.size() < 2 || (a[0] != '/' && a[0] != '-'))
            return fail("unexpected argument \"" + args[i] + "\"");
        if (a[0] == '-' && a[1] == '-') a = a.substr(1);
        a[0] = '/';
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "/quiet")
            o.quiet = true;
        else if (a == "/acceptlicence" || a == "/acceptlicense")
            o.acceptLicence = true;
        else if (a == "/renumber")
            o.renumber = true;
        else if (a == "/?" || a == "/help")
            o.help = true;
        else if (a == "/raster")
            o.raster = true;
        else if (a == "/default")
            o.setDefault = true;
        else if (a == "/model") {
            if (!value(o.model) || o.model.empty()) return fail("/model needs a model name");
        } else if (a == "/port") {
            if (!value(o.port) || o.port.empty()) return fail("/port needs a port name");
        } else if (a == "/ip") {
            std::array<uint8_t, 4> ip{};
            if (!value(o.ip) || !ParseIp(o.ip, ip)) return fail("/ip needs an address a.b.c.d");
        } else if (a == "/log") {
            if (!value(o.logFile) || o.logFile.empty()) return fail("/log needs a file name");
        } else if (a == "/baud") {
            int n = 0;
            if (!value(v) || !ParseInt(v, n) || kBaudRates[BaudIndexFor(n)] != n)
                return fail("/baud needs one of 110 300 1200 2400 4800 9600 19200 38400 57600 115200");
            o.baud = n;
        } else if (a == "/databits") {
            int n = 0;
            if (!value(v) || !ParseInt(v, n) || n < 5 || n > 8) return fail("/databits needs 5, 6, 7 or 8");
            o.dataBits = n;
        } else if (a == "/parity") {
            if (!value(v) || Lower(v).size() != 1 ||
                std::string("neoms").find(Lower(v)[0]) == std::string::npos)
                return fail("/parity needs n, e, o, m or s");
            o.parity = Lower(v)[0];
        } else if (a == "/stopbits") {
            if (!value(v) || (v != "1" && v != "1.5" && v != "2")) return fail("/stopbits needs 1, 1.5 or 2");
            o.stopBits = v == "1" ? 1.0 : v == "1.5" ? 1.5 : 2.0;
        } else if (a == "/flow") {
            std::string l;
            if (!value(v) || (l = Lower(v)).size() != 1 || std::string("pxn").find(l[0]) == std::string::npos)
                return fail("/flow needs p, x or n");
            o.flow = l[0] == 'n' ? ' ' : l[0];
        } else if (a == "/mode") {
            if (!value(v)) return fail("/mode needs typical or advanced");
            std::string l = Lower(v);
            if (l == "typical")
                o.advanced = false;
            else if (l == "advanced")
                o.advanced = true;
            else
                return fail("/mode needs typical or advanced");
        } else {
            return fail("unknown switch \"" + args[i] + "\"");
        }
    }
    if (o.help) {
        r.ok = true;
        return r;
    }
    if (!o.quiet) return fail("/quiet is missing");
    if (o.model.empty()) return fail("/model is missing");
    if (o.port.empty() && !o.ip.empty()) o.port = "NET:";
    if (o.port.empty()) return fail("/port is missing");
    r.ok = true;
    return r;
}

namespace {

// One unattended run: its log, its answers to the wizard's questions, and one named step
// per wizard page. A step that returns false has logged why and refuses the run.
class SilentRun {
  public:
    SilentRun(platform::AdminPlatform& p, const SilentOptions& o,
              const std::function<void(const std::string&)>& err)
        : p_(p), o_(o), err_(err) {}

    void Log(const std::string& line) {
        res_.log.push_back(line);
        if (err_) err_(line);
    }

    SilentResult Finish(int code) {
        res_.exitCode = code;
        if (!o_.logFile.empty()) {
            std::vector<uint8_t> bytes;
            p_.base.files.ReadFile(o_.logFile, bytes);  // append to what is there
            for (const auto& l : res_.log) {
                bytes.insert(bytes.end(), l.begin(), l.end());
                bytes.push_back('\r');
                bytes.push_back('\n');
            }
            if (p_.base.files.WriteFile(o_.logFile, bytes) != platform::kOk && err_)
                err_("The log file " + o_.logFile + " cannot be written.");
        }
        return res_;
    }

    WizardUi Ui() {
        WizardUi ui;
        ui.show = [this](const std::string& line) { Log(line); };
        // Unattended: the printer's number is changed only when /renumber asks for it, and
        // Windows is never restarted under an integrator's script.
        ui.ask = [this](const std::string& q) {
            bool yes = q == renumberQuestion_ ? o_.renumber : q != restartQuestion_;
            Log(q + (yes ? " [Yes]" : " [No]"));
            return yes;
        };
        ui.showTitled = [this](const std::string& title, const std::string& text) {
            Log(title + ": " + text);
        };
        return ui;
    }

    bool Start(WizardModel& m, WizardDesktop& desk, const WizardUi& ui) {
        switch (m.Startup(desk, ui, false)) {
            case StartVerdict::AlreadyRunning:
                Log("Another installer is running.");
                return false;
            case StartVerdict::Refused:
                return false;
            case StartVerdict::Run:
                break;
        }
        restartQuestion_ = m.Texts().Message("IDS_INF_RESTART");
        renumberQuestion_ = m.Texts().Message("IDS_INF_CHANGEID");
        if (m.Page() == kPageLicence) {
            m.SetAccepted(true);  // running the command line is the integrator's acceptance
            m.Next(ui);
        }
        return true;
    }

    bool ChooseModel(WizardModel& m, const WizardUi& ui) {
        int type = -1, index = -1;
        for (int t = 0; t < 4 && type < 0; ++t) {
            const auto& models = m.Types()[t].models;
            for (size_t i = 0; i < models.size(); ++i)
                if (EqualsNoCase(models[i], o_.model)) {
                    type = t;
                    index = static_cast<int>(i);
                    break;
                }
        }
        if (type < 0) {
            std::string offered;
            for (const auto& t : m.Types())
                for (const auto& name : t.models) offered += (offered.empty() ? "" : ", ") + name;
            Log("The model \"" + o_.model + "\" is not in this package. Models: " + offered);
            return false;
        }
        m.ChooseType(type);
        m.ChooseModel(type, index);
        m.SetAsDefault(o_.setDefault);
        return m.Next(ui);
    }

    bool ChooseMode(WizardModel& m, const WizardUi& ui) {
        if (o_.advanced.value_or(false)) {
            if (!m.AdvancedEnabled()) {
                Log("The model \"" + m.Model() + "\" offers only the typical installation.");
                return false;
            }
            m.ChooseAdvanced(true);
        }
        return m.Next(ui) && m.Page() == kPagePort;
    }

    bool ChoosePort(WizardModel& m) {
        const auto& entries = m.Ports().entries;
        int portIndex = -1;
        for (size_t i = 0; i < entries.size(); ++i)
            if (EqualsNoCase(entries[i], o_.port)) portIndex = static_cast<int>(i);
        if (portIndex < 0) {
            std::string offered;
            for (const auto& e : entries) offered += (offered.empty() ? "" : ", ") + e;
            Log("The port \"" + o_.port + "\" is not offered for \"" + m.Model() + "\". Ports: " + offered);
            return false;
        }
        m.SelectPort(portIndex);
        const std::string& port = entries[portIndex];
        ChooseSerialSettings(m, DecidePortKind(port) == PortKind::Serial, port);
        ChooseRaster(m);
        ChooseAddress(m, DecidePortKind(port) == PortKind::Network, port);
        return true;
    }

    // The exit code of the installation of what the pages hold.
    int Install(WizardModel& m, const WizardUi& ui, const std::string& installerDir) {
        switch (m.PrepareInstall(ui)) {
            case InstallStep::Stay:
                return kSilentRefused;
            case InstallStep::HandedOver:
                Log("The USB class printer was handed to the USB driver installer.");
                return kSilentOk;
            case InstallStep::RunWorker:
                break;
        }
        Installer inst(p_, m.Texts(), installerDir, m.Request());
        int result = kWorkerFailure;
        std::string message;
        try {
            result = inst.Run();
            message = inst.Message();
        } catch (...) {
            message = WorkerStoppedText(m.Texts(), "", "");
        }
        for (const auto& n : inst.Notices()) Log(n);
        res_.printerName = inst.PrinterName();
        m.Finish(result, message, ui, {}, false);
        if (result != kWorkerSuccess) return kSilentFailed;
        return inst.RestartNeeded() ? kSilentRestartRequired : kSilentOk;
    }

  private:
    void ChooseSerialSettings(WizardModel& m, bool serial, const std::string& port) {
        bool given = o_.baud || o_.dataBits || o_.parity || o_.stopBits || o_.flow;
        if (serial) {
            if (o_.baud) m.ChooseBaud(BaudIndexFor(*o_.baud));
            if (o_.dataBits) m.ChooseByteSize(*o_.dataBits);
            if (o_.stopBits) m.ChooseStopBits(*o_.stopBits);
            if (o_.parity) m.ChooseParityChar(*o_.parity);
            if (o_.flow) m.ChooseFlowChar(*o_.flow);
        } else if (given) {
            Log("Serial settings are ignored for the port " + port + ".");
        }
    }

    void ChooseRaster(WizardModel& m) {
        if (m.Ports().raster == RasterBox::Shown && m.Ports().rasterEnabled)
            m.SetRaster(o_.raster);
        else if (o_.raster)
            Log("Raster graphic printing is not a choice for this port and mode; /raster is ignored.");
    }

    void ChooseAddress(WizardModel& m, bool network, const std::string& port) {
        if (network) {
            std::array<uint8_t, 4> ip{};
            if (!o_.ip.empty()) ParseIp(o_.ip, ip);
            m.SetIpAddress(ip);
        } else if (!o_.ip.empty()) {
            Log("/ip is ignored for the port " + port + ".");
        }
    }

    platform::AdminPlatform& p_;
    const SilentOptions& o_;
    const std::function<void(const std::string&)>& err_;
    SilentResult res_;
    std::string restartQuestion_, renumberQuestion_;
};

}  // namespace

SilentResult RunSilent(platform::AdminPlatform& p, const std::string& installerDir,
                       const std::string& programName, WizardDesktop& desk, const SilentOptions& o,
                       const std::function<void(const std::string&)>& err) {
    SilentRun run(p, o, err);
    if (!o.acceptLicence) {
        run.Log("The licence agreement was not accepted: /quiet needs /acceptlicence.");
        return run.Finish(kSilentLicenceNotAccepted);
    }
    WizardModel m(p, installerDir, programName);
    const WizardUi ui = run.Ui();
    if (!run.Start(m, desk, ui) || !run.ChooseModel(m, ui) || !run.ChooseMode(m, ui) || !run.ChoosePort(m))
        return run.Finish(kSilentRefused);
    return run.Finish(run.Install(m, ui, installerDir));
}

}  // namespace k20::drvsetup
