#include "render/driver_log.h"

#include <ctime>
#include <system_error>

#include "render/page_image.h"

namespace k20::render {

namespace {

std::tm LocalNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return tm;
}

std::string Format(const char* fmt, const std::tm& tm) {
    char buf[32];
    const size_t n = std::strftime(buf, sizeof buf, fmt, &tm);
    return std::string(buf, n);
}

// Room for "_NNN" and ".prn" after the stem.
constexpr size_t kMaxStem = kMaxJobFileName - 4 - 4;

}  // namespace

std::string JobFileStem(const std::string& timeStamp, const std::string& jobName) {
    std::string stem = timeStamp.substr(0, 8);
    std::string name;
    for (char c : jobName) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        name.push_back(plain ? c : '_');
    }
    if (!name.empty() && stem.size() + 1 < kMaxStem) stem += "_" + name.substr(0, kMaxStem - stem.size() - 1);
    if (stem.empty()) stem = "job";
    return stem;
}

DriverLog::DriverLog(const LogSettings& settings, const std::string& jobName) : settings_(settings) {
    if (!settings_.savePrn && !settings_.saveBmp && !settings_.saveJpeg) return;
    if (settings_.folder.empty()) {
        Warn("the driver log has no folder");
        return;
    }
    const std::tm now = LocalNow();
    const std::string day = settings_.dayFolder.empty() ? Format("%Y%m%d", now) : settings_.dayFolder;
    const std::string time = settings_.timeStamp.empty() ? Format("%H%M%S", now) : settings_.timeStamp;
    dayDir_ = PathFromUtf8(settings_.folder) / PathFromUtf8(day);
    std::error_code ec;
    std::filesystem::create_directories(dayDir_, ec);
    if (ec || !std::filesystem::is_directory(dayDir_, ec)) {
        dayDir_.clear();
        Warn("the driver log folder " + settings_.folder + " cannot be written");
        return;
    }
    // A job printed in the same second under the same name gets the next free number.
    const std::string base = JobFileStem(time, jobName);
    for (int k = 1; k < 1000 && stem_.empty(); ++k) {
        const std::string stem = k == 1 ? base : base + "_" + std::to_string(k);
        const std::filesystem::path prn = dayDir_ / PathFromUtf8(stem + ".prn");
        if (settings_.savePrn) {
            if (prn_.Create(prn)) {
                stem_ = stem;
                prnPath_ = prn;
            } else if (!std::filesystem::exists(prn, ec)) {
                break;
            }
        } else if (!std::filesystem::exists(prn, ec) &&
                   !std::filesystem::exists(dayDir_ / "pages" / PathFromUtf8(stem + "_1.bmp"), ec) &&
                   !std::filesystem::exists(dayDir_ / "pages" / PathFromUtf8(stem + "_1.jpg"), ec)) {
            stem_ = stem;
        }
    }
    if (stem_.empty()) {
        Warn("the driver log file cannot be created in " + PathToUtf8(dayDir_));
        return;
    }
    if (settings_.saveBmp || settings_.saveJpeg) {
        std::filesystem::create_directories(dayDir_ / "pages", ec);
        if (ec) Warn("the driver log's page folder cannot be made in " + PathToUtf8(dayDir_));
    }
}

DriverLog::~DriverLog() {
    Close();
}

void DriverLog::Warn(const std::string& what) {
    if (warning_.empty()) warning_ = what;
}

void DriverLog::Bytes(std::span<const uint8_t> bytes) {
    if (!prn_.IsOpen()) return;
    if (!prn_.Write(bytes)) {
        prn_.Close();
        Warn("the driver log file " + PathToUtf8(prnPath_) + " could not be written");
    }
}

void DriverLog::StartPage(uint32_t widthDots) {
    ++page_;
    if (stem_.empty()) return;
    auto start = [&](std::unique_ptr<PageImageWriter>& w, std::unique_ptr<PageImageWriter> made,
                     const char* ext) {
        const std::filesystem::path p =
            dayDir_ / "pages" / PathFromUtf8(stem_ + "_" + std::to_string(page_) + ext);
        w = std::move(made);
        if (!w->Start(p, widthDots)) {
            w.reset();
            Warn("the page image " + PathToUtf8(p) + " cannot be written");
        }
    };
    if (settings_.saveBmp) start(bmp_, MakeBmpWriter(), ".bmp");
    if (settings_.saveJpeg) start(jpeg_, MakeJpegWriter(), ".jpg");
}

void DriverLog::Row(const uint8_t* row, size_t) {
    if (bmp_ && !bmp_->Row(row)) {
        bmp_.reset();
        Warn("a page bitmap of the driver log could not be written");
    }
    if (jpeg_ && !jpeg_->Row(row)) {
        jpeg_.reset();
        Warn("a page JPEG of the driver log could not be written");
    }
}

void DriverLog::EndPage() {
    if (bmp_ && !bmp_->Finish()) Warn("a page bitmap of the driver log could not be written");
    if (jpeg_ && !jpeg_->Finish()) Warn("a page JPEG of the driver log could not be written");
    bmp_.reset();
    jpeg_.reset();
}

void DriverLog::Close() {
    EndPage();
    if (prn_.IsOpen() && !prn_.Close())
        Warn("the driver log file " + PathToUtf8(prnPath_) + " could not be written");
}

}  // namespace k20::render
