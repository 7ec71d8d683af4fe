#include "logviewer/viewer_model.h"

#include <algorithm>

#include "common/ini_file.h"
#include "platform/devices.h"

namespace k20::logviewer {

using namespace k20::platform;

std::string ViewerLanguageFileName(Registry& reg, SystemInfo& sys, const std::string& model) {
    std::string name;
    // The value is read into a 256-byte buffer; a longer one does not fit and counts as missing.
    if (reg.GetString(RegRoot::CurrentUser, kLanguageKey, "LANGUAGE_" + model, name) == kOk &&
        name.size() < 256)
        return name;
    switch (sys.DefaultUiLanguage()) {
        case 1028:
        case 3076:
        case 4100:
            return "CHF.ini";
        case 2052:
            return "CHN.ini";
        default:
            return "ENG.ini";
    }
}

std::string ViewerLanguageFilePath(SystemInfo& sys, const std::string& fileName) {
    // Without the application-data folder the path would be relative to whatever folder
    // the viewer was started in; the built-in texts serve instead.
    const std::string appData = sys.AppDataDirectory();
    if (!IsAbsoluteWindowsPath(appData)) return {};
    return JoinPath(JoinPath(appData, "PLR"), fileName);
}

ViewerTexts LoadViewerTexts(FileSystem& fs, unsigned codePage, const std::string& path) {
    ViewerTexts t;
    std::vector<uint8_t> bytes;
    if (path.empty() || fs.ReadFile(path, bytes) != kOk) return t;
    IniFile ini = IniFile::FromBytes(bytes, codePage);
    auto get = [&](const char* key, std::string& text) {
        text = ini.GetUtf8(kLanguageSection, key, text, kTextBuffer);
    };
    get("RC_BTN_TOP", t.top);
    get("RC_BTN_BACK", t.back);
    get("RC_BTN_NEXT", t.next);
    get("RC_BTN_BOTTOM", t.bottom);
    get("RC_GROUP_PRINT", t.print);
    get("RC_GROUP_PRINTER", t.printer);
    get("RC_ADDNEWLOG", t.addNewLog);
    get("RC_BTN_EXIT", t.exit);
    get("RC_RADIO_TODAY", t.printThisLog);
    get("RC_RADIO_TOTAL", t.printDayLog);
    get("RC_DRVNAME", t.driverName);
    get("RC_SELECTFILE", t.selectFile);
    get("MB_NOTFOUNDFILE", t.notFoundFile);
    get("MB_LODAIMAGEERROR", t.loadImageError);
    get("MB_LOGERROR", t.logError);
    t.widthBytes = ini.GetInt(kLanguageSection, "RC_PRNWIDTH", t.widthBytes);
    t.dots = ini.GetInt(kLanguageSection, "RC_PRNPOINT", t.dots);
    return t;
}

std::vector<std::string> FilterPrinters(const std::vector<PrinterInfo2>& printers,
                                        const std::string& filter) {
    std::string joined;
    for (auto& p : printers) {
        if (p.printerName.find(filter) == std::string::npos) continue;
        if (joined.size() + p.printerName.size() + 1 > kPrinterListChars) break;
        joined += p.printerName;
        joined += '@';
    }
    std::vector<std::string> names;
    size_t from = 0;
    for (size_t at; (at = joined.find('@', from)) != std::string::npos; from = at + 1)
        if (at > from) names.push_back(joined.substr(from, at - from));
    return names;
}

std::string PageImageName(const std::string& jobName) {
    std::string name = FileNameOf(jobName);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name + ".bmp";
}

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The Windows argument rules, with one exception: a run of an odd number of backslashes
// before a quote is kept whole and the quote only groups. A path cannot hold a quote, and
// earlier plug-ins passed folders unescaped ("D:\"), which the plain rules would read as
// D:" and the rest of the line.
std::vector<std::string> Tokens(const std::string& s) {
    std::vector<std::string> out;
    size_t i = 0;
    while (true) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        if (i >= s.size()) break;
        std::string tok;
        bool quoted = false;
        while (i < s.size() && (quoted || !IsBlank(s[i]))) {
            size_t n = 0;
            while (i < s.size() && s[i] == '\\') ++n, ++i;
            if (i < s.size() && s[i] == '"') {
                tok.append(n % 2 ? n : n / 2, '\\');
                quoted = !quoted;
                ++i;
            } else {
                tok.append(n, '\\');
                if (i < s.size() && (quoted || !IsBlank(s[i]))) tok += s[i++];
            }
        }
        out.push_back(tok);
    }
    return out;
}
}  // namespace

ViewerArgs ParseViewerCommandLine(const std::string& commandLine) {
    std::vector<std::string> t = Tokens(commandLine);
    ViewerArgs a;
    if (t.size() >= 2) {
        a.model = t[0];
        a.logRoot = t[1];
    }
    return a;
}

std::string SkipProgramName(const std::string& commandLine) {
    size_t i = 0;
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i < commandLine.size() && commandLine[i] == '"') {
        size_t end = commandLine.find('"', i + 1);
        i = end == std::string::npos ? commandLine.size() : end + 1;
    } else {
        while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    }
    return commandLine.substr(i);
}

std::string LogViewerModel::Start(const ViewerArgs& args) {
    std::string file = ViewerLanguageFileName(p_.registry, p_.system, args.model);
    texts_ = LoadViewerTexts(p_.files, p_.system.AnsiCodePage(), ViewerLanguageFilePath(p_.system, file));
    // Negative values from the file would wrap; zero is refused by the decoder.
    params_.widthBytes = uint32_t(std::max(texts_.widthBytes, 0));
    params_.dots = uint32_t(std::max(texts_.dots, 0));
    buttons_ = ButtonState{};
    std::string message;
    // Without a log root on the command line there is nothing to list; the user can add one.
    if (!args.logRoot.empty()) message = AddLogFolder(args.logRoot);
    std::vector<PrinterInfo2> all;
    p_.spooler.EnumLocalPrinters(all);
    printers_ = FilterPrinters(all, texts_.driverName);
    return message;
}

std::string LogViewerModel::AddLogFolder(const std::string& path) {
    roots_.push_back(ScanLogRoot(p_.files, path));
    return roots_.back().listed ? std::string() : texts_.notFoundFile;
}

std::string LogViewerModel::SelectItem(const std::string& itemText, const std::string& parentText,
                                       const std::string& rootText) {
    std::string text = itemText.substr(0, kItemTextChars);
    if (text.find(".prn") == std::string::npos) return {};
    // A root or day folder whose name happens to hold ".prn" is no job.
    if (parentText.empty() || rootText.empty()) return {};
    page_ = 0;
    pos_ = 0;
    DeleteWrittenImages();
    day_ = JoinPath(rootText, parentText);
    job_ = JoinPath(day_, text);
    if (!ClaimImageFolder()) return texts_.loadImageError;
    image_ = JoinPath(imageFolder_, PageImageName(text));
    written_.push_back(image_);
    JobFileResult r = DecodeJobFile(p_.files, job_, image_, params_);
    if (!r.ok()) return texts_.logError;
    uint32_t h = 0;
    // The host keeps the previous image when the new one cannot be loaded.
    if (!host_.Load(image_, h)) return texts_.loadImageError;
    loaded_ = true;
    height_ = h;
    boundaries_ = std::move(r.boundaries);
    const int64_t H = h, twice = 2 * int64_t(pictureHeight_);
    limit_ = int(H > twice ? H - twice : H);
    buttons_.top = buttons_.back = false;
    buttons_.next = buttons_.bottom = H >= twice;
    buttons_.print = true;
    return {};
}

bool LogViewerModel::ClaimImageFolder() {
    // Another part of the system may have removed the folder while the viewer ran.
    if (!imageFolder_.empty() && p_.files.IsDirectory(imageFolder_)) return true;
    imageFolder_.clear();
    const std::string temp = p_.system.TempDirectory();
    if (!IsAbsoluteWindowsPath(temp)) return false;
    const std::string base = JoinPath(temp, kImageFolderName);
    if (p_.files.CreateDirectories(base) != kOk) return false;
    // Creating a folder either makes a new one or fails: one that exists belongs to another
    // viewer (or to one that ended without cleaning up) and is left alone.
    for (int n = 1; n <= kMaxImageFolders; ++n) {
        std::string dir = JoinPath(base, std::to_string(n));
        Error e = p_.files.CreateDirectory(dir);
        if (e == kOk) {
            imageFolder_ = dir;
            return true;
        }
        if (e != kErrAlreadyExists) return false;
    }
    return false;
}

void LogViewerModel::DeleteWrittenImages() {
    for (auto& f : written_) p_.files.DeleteFile(f);
    written_.clear();
}

void LogViewerModel::AfterScroll() {
    buttons_.top = buttons_.back = pos_ != 0;
    buttons_.next = buttons_.bottom = pos_ != limit_;
}

void LogViewerModel::OnScroll(Scroll s, int thumb) {
    if (!loaded_) return;
    switch (s) {
        case Scroll::LineUp:
        case Scroll::PageUp:
            SetPos(pos_ - 1);
            break;
        case Scroll::LineDown:
        case Scroll::PageDown:
            SetPos(pos_ + 1);
            break;
        case Scroll::Thumb:
            SetPos(thumb);
            break;
        case Scroll::Top:
            pos_ = 0;
            break;
        case Scroll::Bottom:
            pos_ = limit_;
            break;
    }
    AfterScroll();
}

void LogViewerModel::OnTop() {
    pos_ = 0;
    page_ = 0;
    buttons_.top = buttons_.back = false;
    buttons_.next = buttons_.bottom = true;
}

void LogViewerModel::OnBack() {
    if (pos_ == 0) {
        buttons_.top = buttons_.back = false;
        return;
    }
    if (page_ > 1) {
        SetPos(int(boundaries_[page_ - 2]));
    } else {
        pos_ = 0;
        buttons_.top = buttons_.back = false;
    }
    if (page_ > 0) --page_;
    buttons_.next = buttons_.bottom = true;
}

void LogViewerModel::OnNext() {
    if (page_ >= boundaries_.size()) return;
    const uint32_t b = boundaries_[page_];
    if (int64_t(b) > limit_) {
        pos_ = limit_;
        buttons_.next = buttons_.bottom = false;
    } else {
        pos_ = int(b);
    }
    ++page_;
    buttons_.top = buttons_.back = true;
}

void LogViewerModel::OnBottom() {
    pos_ = limit_;
    page_ = boundaries_.size();
    buttons_.next = buttons_.bottom = false;
    buttons_.top = buttons_.back = true;
}

DrawPlan LogViewerModel::Plan() const {
    DrawPlan d;
    if (!loaded_) return d;
    const int64_t H = height_, w = pictureWidth_, h = pictureHeight_;
    if (H < 2 * h) {
        d.whole = true;
        d.srcWidth = int(params_.dots);
        d.srcHeight = int(H);
        d.dstWidth = int(w);
        d.dstHeight = params_.dots ? int(H * w / int64_t(params_.dots)) : 0;
    } else {
        d.srcY = int(std::min<int64_t>(pos_, H - 2 * h));
        d.srcWidth = int(2 * w);
        d.srcHeight = int(2 * h);
        d.dstWidth = int(w);
        d.dstHeight = int(h);
    }
    return d;
}

bool LogViewerModel::PrintFile(const std::string& jobPath, const std::string& printerName) {
    std::vector<uint8_t> data;
    if (p_.files.ReadFile(jobPath, data) != kOk || data.size() > 0xFFFFFFFFu) return false;
    PrinterHandle h = 0;
    if (p_.spooler.OpenPrinter(printerName, h) != kOk) return false;
    bool ok = false;
    uint32_t jobId = 0;
    if (p_.spooler.StartDocRaw(h, kPrintDocName, "RAW", jobId) == kOk) {
        uint32_t written = 0;
        ok = p_.spooler.WritePrinter(h, data.data(), uint32_t(data.size()), written) == kOk &&
             written == data.size();
        // The document is ended even after a failed write so that the spooler does not keep it open.
        ok = p_.spooler.EndDoc(h) == kOk && ok;
    }
    p_.spooler.ClosePrinter(h);
    return ok;
}

std::string LogViewerModel::Print(const std::string& printerText, int* printed) {
    if (printed) *printed = 0;
    const std::string name = printerText.substr(0, kPrinterNameChars);
    std::vector<std::string> files;
    if (printChoice == PrintChoice::ThisLog) {
        if (job_.empty()) return {};
        files.push_back(job_);
    } else {
        for (auto& j : JobsOfDay(p_.files, day_)) files.push_back(JoinPath(day_, j));
        if (day_.empty() || files.empty()) return texts_.loadImageError;
    }
    for (auto& f : files)
        if (PrintFile(f, name) && printed) ++*printed;
    return {};
}

void LogViewerModel::Close() {
    host_.Release();
    loaded_ = false;
    DeleteWrittenImages();
    if (!imageFolder_.empty()) p_.files.RemoveDirectory(imageFolder_);
    imageFolder_.clear();
}

}  // namespace k20::logviewer
