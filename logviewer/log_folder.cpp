#include "logviewer/log_folder.h"

#include "common/text.h"
#include "platform/bounded_read.h"

namespace k20::logviewer {

using namespace k20::platform;

std::vector<std::string> JobsOfDay(FileSystem& fs, const std::string& dayFolder) {
    std::vector<FindEntry> entries;
    std::vector<std::string> jobs;
    if (fs.FindFiles(JoinPath(dayFolder, "*.prn"), entries) != kOk) return jobs;
    for (auto& e : entries)
        if (!e.isDirectory) jobs.push_back(e.name);
    return jobs;
}

LogRoot ScanLogRoot(FileSystem& fs, const std::string& root) {
    LogRoot r;
    r.path = root;
    std::vector<FindEntry> entries;
    Error e = fs.FindFiles(JoinPath(root, "*"), entries);
    // An existing empty folder lists nothing, which is not a failure.
    if (e != kOk && !(e == kErrFileNotFound && fs.IsDirectory(root))) return r;
    r.listed = true;
    for (auto& entry : entries) {
        if (!entry.isDirectory || entry.name == "." || entry.name == "..") continue;
        LogDay day;
        day.name = entry.name;
        day.jobs = JobsOfDay(fs, JoinPath(root, entry.name));
        if (!day.jobs.empty()) r.days.push_back(std::move(day));
    }
    return r;
}

JobFileResult DecodeJobFile(FileSystem& fs, const std::string& jobPath, const std::string& imagePath,
                            const RenderParams& params) {
    JobFileResult r;
    std::vector<uint8_t> data;
    if (Error e = ReadBoundedFile(fs, jobPath, FileKind::LogJob, data)) {
        r.readError = e;
        return r;
    }
    DecodedJob job = DecodeJob(data, params);
    // The job's bytes are not needed any more; give them back before the image is written.
    std::vector<uint8_t>().swap(data);
    r.status = job.status;
    if (job.status != DecodeStatus::Ok) return r;
    if (Error e = fs.WriteFile(imagePath, job.bitmap)) {
        r.writeError = e;
        return r;
    }
    r.height = job.height;
    r.boundaries = std::move(job.boundaries);
    return r;
}

}  // namespace k20::logviewer
