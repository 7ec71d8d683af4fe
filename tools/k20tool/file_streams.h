#pragma once
// Files too large to copy around cheaply: a source mapped instead of read, and an output
// written piece by piece as it is made. Fresh memory of a picture's size costs more than
// converting the picture, so neither side ever holds a whole file.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/bounded_read.h"
#include "platform/errors.h"

namespace k20::tool {

// The bytes of a file, mapped read-only where the host allows it and read into memory
// otherwise (empty files, pipes, devices, or on request).
class MappedFile {
  public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // copy: read into memory even where mapping works, for a file that is about to be
    // overwritten while its bytes are still needed. Only regular files up to limit bytes
    // are taken (the sources are logos).
    platform::Error Open(const std::string& path, bool copy = false,
                         uint64_t limit = platform::kLogoFileLimit);
    std::span<const uint8_t> bytes() const {
        return map_ ? std::span<const uint8_t>(map_, size_) : std::span(copy_);
    }
    bool mapped() const { return map_ != nullptr; }

  private:
    void Close();
    const uint8_t* map_ = nullptr;
    size_t size_ = 0;
    std::vector<uint8_t> copy_;
};

// A file created on the first write, so that a refusal before any output leaves no file
// behind; one that fails midway is removed again.
class OutputFile {
  public:
    explicit OutputFile(std::string path) : path_(std::move(path)) {}
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    bool Write(std::span<const uint8_t> bytes);
    // Flushes and closes; false (and the file removed) when any write failed.
    bool Close();
    // Removes whatever was written: the producer gave up midway.
    void Discard();
    bool failed() const { return failed_; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::FILE* f_ = nullptr;
    bool failed_ = false;
};

// Whether two paths name the same existing file (links included).
bool SameFile(const std::string& a, const std::string& b);

// The host's mapping (file_map_posix.cpp, file_map_win.cpp): null when the file cannot
// be mapped, whatever the reason, and the caller reads it instead.
const uint8_t* MapWholeFile(const std::string& path, size_t& size);
void UnmapWholeFile(const uint8_t* data, size_t size);

}  // namespace k20::tool
