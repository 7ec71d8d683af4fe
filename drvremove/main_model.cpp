#include "drvremove/main_model.h"

#include "common/text.h"
#include "platform/admin.h"

namespace k20::drvremove {

bool MainModel::Init() {
    std::vector<std::string> names;
    StartResult s = remover_.Start(names, log);
    if (s == StartResult::NoCurrentDir || s == StartResult::CannotList || s == StartResult::NoIni)
        return false;
    items.clear();
    for (auto& n : names) items.push_back({n, false});
    selectEnabled = !items.empty();
    const UninstallTexts& t = remover_.Texts();
    texts.title = t.Get("Uninstall", "Title");
    texts.note = t.Get("Uninstall", "Note");
    texts.uninstall = t.Get("Uninstall", "Uninstall");
    texts.select = t.Get("Uninstall", "Select");
    texts.exit = t.Get("Uninstall", "Exit");
    texts.usb = t.Get("Uninstall", "USBuninstall");
    texts.aboutEntry = t.Message("IDS_ABOUTBOX");
    usbAtStart_ = s == StartResult::Ok && remover_.UsbBoxEnabled();
    usbEnabled = usbAtStart_;
    usbChecked = false;
    return true;
}

void MainModel::Select() {
    for (auto& i : items) i.checked = true;
}

void MainModel::SetChecked(size_t index, bool checked) {
    if (index < items.size()) items[index].checked = checked;
}

bool MainModel::Uninstall() {
    if (!uninstallEnabled || !remover_.PreCheck(*this)) return false;
    uninstallEnabled = listEnabled = selectEnabled = exitEnabled = usbEnabled = false;
    return true;
}

void MainModel::EndRun() {
    ranOnce_ = true;
    if (!items.empty()) {
        uninstallEnabled = listEnabled = selectEnabled = exitEnabled = true;
        // Only a box that could be used at start comes back: without the driver or a
        // device there is nothing for the USB uninstaller to do.
        int code = remover_.VersionCode();
        usbEnabled = usbAtStart_ && code != 0 && code != 1;
    } else {
        uninstallEnabled = listEnabled = selectEnabled = usbEnabled = false;
        exitEnabled = true;
    }
    if (!usbEnabled) usbChecked = false;
}

// ---- unattended mode ----

namespace {

bool IsSwitch(const std::string& a, const char* name) {
    return a.size() > 1 && (a[0] == '/' || a[0] == '-') && EqualsNoCase(a.substr(1), name);
}

class QuietSink : public RemovalSink {
  public:
    explicit QuietSink(std::vector<std::string>& lines) : lines_(lines) {}
    void Log(const std::string& line) override { lines_.push_back(line); }
    size_t ItemCount() override { return items.size(); }
    std::string ItemName(size_t i) override { return items[i].name; }
    bool ItemChecked(size_t i) override { return items[i].checked; }
    void RemoveItem(size_t i) override { items.erase(items.begin() + long(i)); }
    std::vector<MainModel::Item> items;

  private:
    std::vector<std::string>& lines_;
};

void WriteLog(platform::FileSystem& fs, const std::string& currentDir, const std::string& file,
              const std::vector<std::string>& lines) {
    if (file.empty()) return;
    std::string path = platform::IsAbsoluteWindowsPath(file) ? file : platform::JoinPath(currentDir, file);
    std::string text = "\xEF\xBB\xBF";
    for (auto& l : lines) text += l + "\r\n";
    fs.WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

std::string QuietUsage() {
    return "usage: drvremove /quiet [/all | /item NAME ...] [/usb] [/log FILE] [/restart]\n"
           "  /all       remove every printer, port monitor and print processor of the package\n"
           "  /item NAME remove the listed item NAME (repeatable)\n"
           "  /usb       also run the USB driver's own uninstaller\n"
           "  /log FILE  write every log line to FILE\n"
           "  /restart   restart Windows when something was removed\n"
           "exit codes: 0 all removed, 1 something asked for remains, 2 usage, 3 cannot start\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, QuietOptions& o, std::string& error) {
    o = QuietOptions();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (IsSwitch(a, "quiet"))
            o.quiet = true;
        else if (IsSwitch(a, "all"))
            o.all = true;
        else if (IsSwitch(a, "usb"))
            o.usb = true;
        else if (IsSwitch(a, "restart"))
            o.restart = true;
        else if (IsSwitch(a, "help") || IsSwitch(a, "?"))
            o.help = true;
        else if (IsSwitch(a, "item") || IsSwitch(a, "log")) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            if (IsSwitch(a, "item"))
                o.items.push_back(args[++i]);
            else
                o.logFile = args[++i];
        } else {
            error = "unknown argument: " + a;
            return false;
        }
    }
    if (o.help) return true;
    if (!o.quiet && (o.all || o.usb || o.restart || !o.items.empty() || !o.logFile.empty())) {
        error = "the switches need /quiet";
        return false;
    }
    if (o.quiet && o.all && !o.items.empty()) {
        error = "/all and /item exclude each other";
        return false;
    }
    if (o.quiet && !o.all && o.items.empty() && !o.usb) {
        error = "nothing to remove: give /all, /item NAME or /usb";
        return false;
    }
    return true;
}

int RunQuiet(Remover& r, platform::FileSystem& fs, const std::string& currentDir, const QuietOptions& o,
             std::vector<std::string>& lines) {
    QuietSink sink(lines);
    std::vector<std::string> names;
    StartResult s = r.Start(names, lines);
    if (s == StartResult::NoCurrentDir || s == StartResult::CannotList || s == StartResult::NoIni ||
        s == StartResult::NoWinspool) {
        WriteLog(fs, currentDir, o.logFile, lines);
        return kQuietCannotStart;
    }
    bool missing = false;
    for (auto& n : names) sink.items.push_back({n, o.all});
    for (auto& want : o.items) {
        bool found = false;
        for (auto& it : sink.items)
            if (EqualsNoCase(it.name, want)) it.checked = found = true;
        if (!found) {
            lines.push_back("not in the list: " + want);
            missing = true;
        }
    }
    bool usbAsked = o.usb;
    if (usbAsked && !r.UsbBoxEnabled()) {
        lines.push_back("the USB driver uninstaller cannot run: no USB driver or no device");
        missing = true;
        usbAsked = false;
    }
    if (!r.PreCheck(sink)) {
        WriteLog(fs, currentDir, o.logFile, lines);
        return kQuietIncomplete;
    }
    RunResult res = r.Remove(sink, usbAsked, o.restart);
    WriteLog(fs, currentDir, o.logFile, lines);
    return res.incomplete || missing ? kQuietIncomplete : kQuietAllRemoved;
}

}  // namespace k20::drvremove
