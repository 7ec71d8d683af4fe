#include "tools/k20tool/file_streams.h"

#include <filesystem>
#include <system_error>

#include "tools/k20tool/local_files.h"

namespace k20::tool {

namespace fs = std::filesystem;

MappedFile::~MappedFile() {
    Close();
}

void MappedFile::Close() {
    if (map_) UnmapWholeFile(map_, size_);
    map_ = nullptr;
    size_ = 0;
    copy_.clear();
}

platform::Error MappedFile::Open(const std::string& path, bool copy, uint64_t limit) {
    Close();
    if (!copy) {
        size_t size = 0;
        if (const uint8_t* m = MapWholeFile(path, size)) {
            if (size > limit) {
                UnmapWholeFile(m, size);
                return platform::kErrFileTooLarge;
            }
            map_ = m;
            size_ = size;
            return platform::kOk;
        }
    }
    // The reader knows the error codes for everything a mapping refuses.
    LocalFileSystem local;
    return local.ReadFileLimited(path, limit, copy_);
}

OutputFile::~OutputFile() {
    if (f_) Close();
}

bool OutputFile::Write(std::span<const uint8_t> bytes) {
    if (failed_) return false;
    if (!f_) {
        f_ = OpenHostFile(path_, "wb");
        if (!f_) {
            failed_ = true;
            return false;
        }
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) failed_ = true;
    return !failed_;
}

bool OutputFile::Close() {
    if (f_) {
        if (std::fclose(f_) != 0) failed_ = true;
        f_ = nullptr;
        if (failed_) {
            std::error_code ec;
            fs::remove(fs::path(std::u8string(path_.begin(), path_.end())), ec);
        }
    }
    return !failed_;
}

void OutputFile::Discard() {
    failed_ = true;
    Close();
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = fs::equivalent(fs::path(std::u8string(a.begin(), a.end())),
                                     fs::path(std::u8string(b.begin(), b.end())), ec);
    return same && !ec;
}

}  // namespace k20::tool
