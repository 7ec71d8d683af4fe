#pragma once
// The log viewer without its window: texts and language, the log tree, the job shown
// with its scroll position and page index, the enable state of the buttons, the
// printer list and re-printing. The dialog procedure copies between the controls and
// this model and shows the message the model asks for.
#include <cstdint>
#include <string>
#include <vector>

#include "logviewer/log_decode.h"
#include "logviewer/log_folder.h"
#include "platform/platform.h"

namespace k20::logviewer {

inline constexpr const char* kLanguageKey = "SOFTWARE\\KESTRAN\\LANGUAGE";
inline constexpr const char* kLanguageSection = "DRIVERLOG";
inline constexpr const char* kPrintDocName = "Driver LOG Printing";
// Text buffers of the window's controls, in characters with the terminator.
inline constexpr size_t kTextBuffer = 50;
inline constexpr size_t kItemTextChars = 29;
inline constexpr size_t kPrinterNameChars = 99;
inline constexpr size_t kPrinterListChars = 1024;
// The viewers' page images: <temp>\K20LogViewer\<n>, one folder per running viewer.
inline constexpr const char* kImageFolderName = "K20LogViewer";
inline constexpr int kMaxImageFolders = 1000;

struct ViewerTexts {
    std::string top = "TOP", back = "BACK", next = "NEXT", bottom = "BOTTOM";
    std::string print = "Print", printer = "Printer", addNewLog = "Add new log", exit = "Exit";
    std::string printThisLog = "Print this log", printDayLog = "Print log of this day";
    std::string driverName = "K-";
    std::string selectFile = "Please select driver log file path:";
    std::string notFoundFile = "Not found file.";
    std::string loadImageError = "Load image failed!";
    std::string logError = "The printer dirver log is error!";
    int widthBytes = 80;
    int dots = 640;
};

// "LANGUAGE_" + model from the language key, else the file of the system language.
std::string ViewerLanguageFileName(platform::Registry& reg, platform::SystemInfo& sys,
                                   const std::string& model);
std::string ViewerLanguageFilePath(platform::SystemInfo& sys, const std::string& fileName);
// Reads the DRIVERLOG section; a missing file or key gives the built-in English text.
ViewerTexts LoadViewerTexts(platform::FileSystem& fs, unsigned codePage, const std::string& path);

// Local printers whose names contain the filter, gathered into one "@"-separated text
// of at most kPrinterListChars characters and listed split at "@".
std::vector<std::string> FilterPrinters(const std::vector<platform::PrinterInfo2>& printers,
                                        const std::string& filter);

// The command line after the program name: two arguments, else both empty. The
// Windows rules apply ("D:\\" is D:\), except that an odd run of backslashes before a
// quote stays whole: earlier plug-ins passed folders unescaped ("D:\").
struct ViewerArgs {
    std::string model, logRoot;
};
ViewerArgs ParseViewerCommandLine(const std::string& commandLine);
// The full command line, program name first (quoted or not), as the system gives it.
std::string SkipProgramName(const std::string& commandLine);

// The page image's name for a job: its extension replaced by ".bmp".
std::string PageImageName(const std::string& jobName);

// Loads the written page image into whatever shows it; the model needs only its height.
class PageImageHost {
  public:
    virtual ~PageImageHost() = default;
    virtual bool Load(const std::string& path, uint32_t& height) = 0;
    virtual void Release() = 0;
};

enum class PrintChoice { ThisLog, DayLog };

struct DrawPlan {
    bool whole = false;  // the whole image scaled to the width, else a half-size part
    int srcY = 0, srcWidth = 0, srcHeight = 0;
    int dstWidth = 0, dstHeight = 0;
};

struct ButtonState {
    bool top = false, back = false, next = false, bottom = false, print = false;
    bool operator==(const ButtonState&) const = default;
};

class LogViewerModel {
  public:
    LogViewerModel(platform::Platform& p, PageImageHost& host) : p_(p), host_(host) {}

    // Texts, the log root in the tree and the printer list. Returns a message to show
    // (empty when none).
    std::string Start(const ViewerArgs& args);
    std::string AddLogFolder(const std::string& path);

    void SetPictureSize(int width, int height) {
        pictureWidth_ = width;
        pictureHeight_ = height;
    }

    // A tree item was selected: its text and the texts of its parent and the parent's
    // parent (empty when there is none). Only job items are acted on. Returns a message.
    std::string SelectItem(const std::string& itemText, const std::string& parentText,
                           const std::string& rootText);

    enum class Scroll { LineUp, LineDown, PageUp, PageDown, Thumb, Top, Bottom };
    void OnScroll(Scroll s, int thumb = 0);
    void OnTop();
    void OnBack();
    void OnNext();
    void OnBottom();

    // Prints with the current choice to the named printer; returns a message. printed
    // tells how many files went to the spooler whole.
    std::string Print(const std::string& printerText, int* printed = nullptr);
    bool PrintFile(const std::string& jobPath, const std::string& printerName);

    // Releases the image and deletes the page images this viewer wrote, then its folder.
    void Close();

    DrawPlan Plan() const;

    const ViewerTexts& texts() const { return texts_; }
    const std::vector<LogRoot>& roots() const { return roots_; }
    const std::vector<std::string>& printers() const { return printers_; }
    const ButtonState& buttons() const { return buttons_; }
    PrintChoice printChoice = PrintChoice::ThisLog;
    bool imageLoaded() const { return loaded_; }
    uint32_t imageHeight() const { return height_; }
    int scrollPos() const { return pos_; }
    int scrollLimit() const { return limit_; }
    size_t pageIndex() const { return page_; }
    const std::vector<uint32_t>& boundaries() const { return boundaries_; }
    const std::string& dayFolder() const { return day_; }
    const std::string& jobFile() const { return job_; }
    const std::string& imageFile() const { return image_; }
    // The folder of this viewer's page images (empty until the first job is shown).
    const std::string& imageFolder() const { return imageFolder_; }

  private:
    void AfterScroll();
    bool ClaimImageFolder();
    void DeleteWrittenImages();
    void SetPos(int pos) { pos_ = pos < 0 ? 0 : (pos > limit_ ? limit_ : pos); }

    platform::Platform& p_;
    PageImageHost& host_;
    ViewerTexts texts_;
    RenderParams params_;
    std::vector<LogRoot> roots_;
    std::vector<std::string> printers_;
    ButtonState buttons_;
    int pictureWidth_ = 0, pictureHeight_ = 0;
    std::string day_, job_, image_;
    // Page images go to a folder this viewer created under the user's temporary folder,
    // never beside the jobs: a log folder is named by the document settings, which any
    // application can set, and may hold the user's own files of the same names.
    std::string imageFolder_;
    std::vector<std::string> written_;
    bool loaded_ = false;
    uint32_t height_ = 0;
    int pos_ = 0, limit_ = 0;
    size_t page_ = 0;
    std::vector<uint32_t> boundaries_;
};

}  // namespace k20::logviewer
