#include "prnui/imaging/working_images.h"

#include <cstdio>
#include <random>

namespace k20::prnui {

namespace {
// Stale folders of processes that ended early are skipped, never reused.
constexpr int kFolderAttempts = 64;
}  // namespace

WorkingImages::WorkingImages(platform::FileSystem& fs, std::string tempDir)
    : fs_(fs), temp_(std::move(tempDir)) {
    // The tool on POSIX hosts passes a POSIX folder; the platform's paths are Windows paths.
    if (temp_.find('\\') == std::string::npos && temp_.find('/') != std::string::npos) separator_ = '/';
    while (temp_.size() > 1 && (temp_.back() == '\\' || temp_.back() == '/')) temp_.pop_back();
}

WorkingImages::~WorkingImages() {
    DeleteAll();
    if (!folder_.empty()) fs_.RemoveDirectory(folder_);
}

std::string WorkingImages::Join(const std::string& name) const {
    const std::string& base = folder_.empty() ? temp_ : folder_;
    return base + separator_ + name;
}

bool WorkingImages::MakeFolder() {
    if (!folder_.empty()) return true;
    if (temp_.empty()) return false;
    fs_.CreateDirectories(temp_);
    // Another process showing the page at the same time has a folder of its own: creating
    // a folder either makes a new one or fails, so a name is never shared.
    std::random_device rd;
    uint32_t tag = rd();
    for (int i = 0; i < kFolderAttempts; ++i, ++tag) {
        char name[32];
        std::snprintf(name, sizeof name, "K20Logos-%08X", unsigned(tag));
        const std::string path = Join(name);
        if (fs_.CreateDirectory(path) == platform::kOk) {
            folder_ = path;
            return true;
        }
    }
    return false;
}

std::string WorkingImages::NewPath() {
    if (!MakeFolder()) return {};
    const std::string path = Join("logo" + std::to_string(++next_) + ".bmp");
    handed_.insert(path);
    return path;
}

void WorkingImages::Delete(const std::string& path) {
    if (Owns(path)) fs_.DeleteFile(path);
}

void WorkingImages::DeleteAll() {
    for (const auto& p : handed_) fs_.DeleteFile(p);
}

}  // namespace k20::prnui
