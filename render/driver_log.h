#pragma once
// The driver log of one job: the job's bytes as a ".prn" file in a day folder under the
// log root, and page images where the viewer does not delete them (the "pages" folder
// inside the day folder; the viewer only clears bitmaps lying in the day folder itself).
// Nothing here fails the job: the first problem is kept as a warning and that part of
// the log stops.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "render/engine.h"
#include "render/file_io.h"

namespace k20::render {

// The viewer reads at most 29 characters of a job file's name and acts only on names
// that show ".prn" within them.
inline constexpr size_t kMaxJobFileName = 29;

// "HHMMSS_name" with the name reduced to letters, digits, '-' and '_' and cut so that
// the stem, a "_NNN" suffix for a repeated name and ".prn" fit in kMaxJobFileName.
std::string JobFileStem(const std::string& timeStamp, const std::string& jobName);

class PageImageWriter;

class DriverLog {
  public:
    DriverLog(const LogSettings& settings, const std::string& jobName);
    ~DriverLog();

    void Bytes(std::span<const uint8_t> bytes);
    void StartPage(uint32_t widthDots);
    // One clipped row of the page: `bytes` bytes, the dots beyond the width zero.
    void Row(const uint8_t* row, size_t bytes);
    void EndPage();
    void Close();

    const std::string& Warning() const { return warning_; }
    // Where the files went (empty when that part is off or failed).
    const std::filesystem::path& PrnPath() const { return prnPath_; }

  private:
    void Warn(const std::string& what);

    LogSettings settings_;
    std::string warning_;
    std::filesystem::path dayDir_;
    std::string stem_;
    std::filesystem::path prnPath_;
    OutputFile prn_;
    uint32_t page_ = 0;
    std::unique_ptr<PageImageWriter> bmp_;
    std::unique_ptr<PageImageWriter> jpeg_;
};

}  // namespace k20::render
