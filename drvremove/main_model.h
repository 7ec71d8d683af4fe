#pragma once
// The main window without a window: item and log lists, which controls are enabled, the
// captions, and the Idle -> Checking -> Removing -> Idle/Finished cycle. The dialog
// procedure copies this state into its controls and nothing else.
#include <string>
#include <vector>

#include "drvremove/remover.h"

namespace k20::drvremove {

struct MainTexts {
    std::string title, note, uninstall, select, exit, usb, aboutEntry;
};

class MainModel : public RemovalSink {
  public:
    struct Item {
        std::string name;
        bool checked = false;
    };

    explicit MainModel(Remover& r) : remover_(r) {}

    // Steps 3 to 8 of the window's start. False: a message box was shown and the window closes.
    bool Init();
    void Select();
    void SetChecked(size_t index, bool checked);
    void SetUsbChecked(bool checked) { usbChecked = checked && usbEnabled; }

    // Uninstall button: the pre-check. True: the caller starts the worker, which calls
    // RunWorker; the controls are disabled already.
    bool Uninstall();
    RunResult RunWorker(RemovalSink& sink) { return remover_.Remove(sink, usbChecked, true); }
    // After the worker: Idle with the items left, or Finished with Exit alone.
    void EndRun();
    bool Finished() const { return items.empty() && ranOnce_; }

    // The worker's changes (on the window's thread).
    void Log(const std::string& line) override { log.push_back(line); }
    size_t ItemCount() override { return items.size(); }
    std::string ItemName(size_t i) override { return i < items.size() ? items[i].name : std::string(); }
    bool ItemChecked(size_t i) override { return i < items.size() && items[i].checked; }
    void RemoveItem(size_t i) override {
        if (i < items.size()) items.erase(items.begin() + long(i));
    }

    std::vector<Item> items;
    std::vector<std::string> log;
    MainTexts texts;
    bool uninstallEnabled = true, listEnabled = true, selectEnabled = true, exitEnabled = true;
    bool usbEnabled = false, usbChecked = false;

  private:
    Remover& remover_;
    bool usbAtStart_ = false;
    bool ranOnce_ = false;
};

// Unattended removal: drvremove /quiet [/all | /item NAME ...] [/usb] [/log FILE] [/restart]
struct QuietOptions {
    bool quiet = false, all = false, usb = false, restart = false, help = false;
    std::vector<std::string> items;
    std::string logFile;
};

inline constexpr int kQuietAllRemoved = 0, kQuietIncomplete = 1, kQuietUsage = 2, kQuietCannotStart = 3;

// Switches start with '/' or '-' and are compared without regard to case. False with a
// reason for anything it does not understand.
bool ParseCommandLine(const std::vector<std::string>& args, QuietOptions& o, std::string& error);
std::string QuietUsage();

// The desktop of an unattended run: message boxes become log lines and /restart answers
// the restart question; window look-ups and the restart itself go to the real desktop.
class QuietDesktop : public Desktop {
  public:
    QuietDesktop(Desktop& real, std::vector<std::string>& lines, bool restart)
        : real_(real), lines_(lines), restart_(restart) {}
    void MessageBox(const std::string& text) override { lines_.push_back(text); }
    bool WindowExists(const std::string& title) override { return real_.WindowExists(title); }
    bool AskRestart() override { return restart_; }
    bool RestartWindows(bool privilege) override { return real_.RestartWindows(privilege); }

  private:
    Desktop& real_;
    std::vector<std::string>& lines_;
    bool restart_;
};

// Runs the removal without windows; r must have been made with a QuietDesktop writing to
// the same lines. Every line goes to lines and, with /log, to the file (UTF-8). Returns
// kQuietAllRemoved only when every item asked for (and the USB driver with /usb) was removed.
int RunQuiet(Remover& r, platform::FileSystem& fs, const std::string& currentDir, const QuietOptions& o,
             std::vector<std::string>& lines);

}  // namespace k20::drvremove
