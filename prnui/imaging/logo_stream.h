#pragma once
// Printer data for logos and files: the column raster of a mono logo, the bit planes of
// a gray logo, the whole download and clear streams, and the raw jobs that carry them.
// Builders return bytes; the Send* functions put them on a printer handle.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/spooler.h"

namespace k20::prnui {

inline constexpr uint32_t kLogoTotalSizeLimit = 96 * 1024;  // the sum of logo files must stay below
inline constexpr int kMaxLogos = 9;

struct LogoRaster {
    uint16_t x = 0;             // width in bytes (8 dots each)
    uint16_t y = 0;             // height in units of 8 dots
    std::vector<uint8_t> data;  // x * y * 8 bytes
};

// Palette of a 1-bit logo as it reaches the printer.
enum class MonoPalette { BlackFirst, WhiteFirst, Other };
MonoPalette ClassifyMonoPalette(std::span<const uint8_t> file);

// From a 1-bit bitmap file (rows at offset 62). False for anything that isn't a
// complete, readable 1-bit bitmap with a black/white palette.
bool BuildColumnRaster(std::span<const uint8_t> file, LogoRaster& out);
// From the 8-bit gray working image (rows at offset 1078).
bool BuildGrayPlanes(std::span<const uint8_t> file, LogoRaster& out);

enum class LogoType { Mono, Gray };

struct LogoEntry {
    std::string source;   // the bitmap the user chose
    std::string working;  // WorkingImagePath(source)
};

// Why a download stopped. The page shows the three messages; the rest end quietly.
enum class DownloadResult {
    Sent,
    NoLogos,        // MB_DOWNLOAD_ERROR5
    CannotSize,     // MB_DOWNLOAD_ERROR6
    TooLarge,       // MB_DOWNLOAD_ERROR7
    BadLogoFile,    // a file missing, changed or unusable since it was added: nothing sent
    SpoolerFailed,  // the job was opened and closed again
};
// The message key of a result, empty for those shown without a message.
const char* DownloadMessageKey(DownloadResult r);

// The writes of one "Download all" job, in order. Every logo is read and checked before
// anything is returned, so a logo that changed on disk never yields a partial job.
DownloadResult BuildLogoDownload(platform::FileSystem& fs, LogoType type, const std::vector<LogoEntry>& logos,
                                 std::vector<std::vector<uint8_t>>& writes);
std::vector<std::vector<uint8_t>> BuildClearLogos();

// Size of a file without reading it; false when it can't be had.
bool FileSizeOf(platform::FileSystem& fs, const std::string& path, uint64_t& size);

DownloadResult DownloadAllLogos(platform::FileSystem& fs, platform::Spooler& sp, platform::PrinterHandle h,
                                LogoType type, const std::vector<LogoEntry>& logos);
platform::Error ClearAllLogos(platform::Spooler& sp, platform::PrinterHandle h);

// Firmware, fonts and other files the printer interprets itself, sent unchanged.
// TooLarge: over platform::kFirmwareFileLimit (shown as the memory message, MB_DOWNLOAD_ERROR9).
enum class FirmwareResult {
    Sent,
    NoPath,
    CannotOpen,
    CannotSize,
    NoMemory,
    CannotSeek,
    CannotRead,
    SpoolerFailed,
    TooLarge
};
const char* FirmwareMessageKey(FirmwareResult r);
FirmwareResult ReadFirmwareFile(platform::FileSystem& fs, const std::string& path,
                                std::vector<uint8_t>& data);
FirmwareResult DownloadFirmware(platform::FileSystem& fs, platform::Spooler& sp, platform::PrinterHandle h,
                                const std::string& path);

}  // namespace k20::prnui
