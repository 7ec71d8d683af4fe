#pragma once
// The driver log on disk: a log root holding one folder per day, each day folder
// holding the jobs as ".prn" files. Files directly in the root and deeper folders are
// not part of the log.
#include <cstdint>
#include <string>
#include <vector>

#include "logviewer/log_decode.h"
#include "platform/filesystem.h"

namespace k20::logviewer {

struct LogDay {
    std::string name;               // the folder's name, not its path
    std::vector<std::string> jobs;  // ".prn" file names in listing order
};

struct LogRoot {
    std::string path;
    bool listed = false;       // false: the folder could not be listed
    std::vector<LogDay> days;  // only folders with at least one job, in listing order
};

LogRoot ScanLogRoot(platform::FileSystem& fs, const std::string& root);

// The ".prn" files of one day folder, in listing order (empty when none or unlistable).
std::vector<std::string> JobsOfDay(platform::FileSystem& fs, const std::string& dayFolder);

struct JobFileResult {
    DecodeStatus status = DecodeStatus::Empty;
    platform::Error readError = platform::kOk;   // the job file could not be read
    platform::Error writeError = platform::kOk;  // the page image could not be written
    uint32_t height = 0;
    std::vector<uint32_t> boundaries;
    bool ok() const { return status == DecodeStatus::Ok && !readError && !writeError; }
};

// Reads the job, decodes it and writes its page image to imagePath.
JobFileResult DecodeJobFile(platform::FileSystem& fs, const std::string& jobPath,
                            const std::string& imagePath, const RenderParams& params);

}  // namespace k20::logviewer
