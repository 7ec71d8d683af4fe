#pragma once
// Files of the rendering side (driver log, page images, job files), through the
// standard library only so that the Windows plug-in shares them: paths are UTF-8
// strings turned into std::filesystem paths, which are wide on Windows.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "render/engine.h"

namespace k20::render {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& p);

// A file written from the start; it can go back to fill in a header.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates or truncates the file.
    bool Open(const std::filesystem::path& p);
    // Creates the file only when no file of that name exists.
    bool Create(const std::filesystem::path& p);
    bool Write(std::span<const uint8_t> bytes);
    bool WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
    bool Close();
    bool IsOpen() const { return f_ != nullptr; }

  private:
    std::FILE* f_ = nullptr;
    bool ok_ = true;
};

// The job's bytes into a file.
class FileSink final : public ByteSink {
  public:
    explicit FileSink(const std::filesystem::path& p) { file_.Open(p); }
    bool IsOpen() const { return file_.IsOpen(); }
    bool Write(std::span<const uint8_t> bytes) override { return file_.Write(bytes); }
    bool Close() { return file_.Close(); }

  private:
    OutputFile file_;
};

}  // namespace k20::render
