#include "prnui/imaging/logo_stream.h"

#include <new>

#include "common/bmp_file.h"
#include "common/text.h"
#include "platform/bounded_read.h"
#include "prnui/imaging/logo_image.h"

namespace k20::prnui {

using platform::kOk;

MonoPalette ClassifyMonoPalette(std::span<const uint8_t> file) {
    if (file.size() < kMonoPixelOffset) return MonoPalette::Other;
    auto rgb = [&](size_t at, uint8_t v) { return file[at] == v && file[at + 1] == v && file[at + 2] == v; };
    if (rgb(54, 0) && rgb(58, 255)) return MonoPalette::BlackFirst;
    if (rgb(54, 255) && rgb(58, 0)) return MonoPalette::WhiteFirst;
    return MonoPalette::Other;
}

bool BuildColumnRaster(std::span<const uint8_t> file, LogoRaster& out) {
    LogoPixels img;
    if (!ParseLogoSource(file, 1, img)) return false;
    const MonoPalette pal = ClassifyMonoPalette(file);
    if (pal == MonoPalette::Other) return false;
    const size_t x = img.stride;
    const size_t y = (size_t(img.height) + 7) / 8;
    if (x > 0xFFFF || y > 0xFFFF) return false;
    const size_t rows = 8 * y;
    std::vector<uint8_t> buf(x * rows, 0);
    for (int r = 0; r < img.height; ++r) {
        uint8_t* row = buf.data() + size_t(r) * x;
        const uint8_t* src = img.Row(r);
        std::copy(src, src + x, row);
        if (pal == MonoPalette::BlackFirst) {
            // The printer takes bit 1 as a dot; our working images have bit 1 white.
            const size_t used = (size_t(img.width) + 7) / 8;
            for (size_t i = 0; i < x; ++i) row[i] = i < used ? uint8_t(~row[i]) : 0;
            const int m = img.width % 8;
            if (m != 0) row[used - 1] &= uint8_t(0xFF00 >> m);
        }
    }
    out.x = uint16_t(x);
    out.y = uint16_t(y);
    out.data.assign(x * y * 8, 0);
    uint8_t* d = out.data.data();
    // Column by column; the top of the printed logo is the last buffer row, so the rows
    // that round the height up to 8 come out above the picture.
    for (size_t c = 0; c < 8 * x; ++c) {
        const size_t byte = c / 8;
        const int shift = 7 - int(c % 8);
        for (size_t j = 0; j < y; ++j) {
            uint8_t v = 0;
            const size_t top = rows - 1 - 8 * j;
            for (size_t k = 0; k < 8; ++k) v = uint8_t(v << 1 | ((buf[(top - k) * x + byte] >> shift) & 1));
            *d++ = v;
        }
    }
    return true;
}

bool BuildGrayPlanes(std::span<const uint8_t> file, LogoRaster& out) {
    LogoPixels img;
    if (!ParseLogoSource(file, 8, img)) return false;
    const size_t s = img.stride;
    const size_t x = (s + 7) / 8;
    const size_t y = (4 * size_t(img.height) + 7) / 8;
    if (x > 0xFFFF || y > 0xFFFF) return false;
    out.x = uint16_t(x);
    out.y = uint16_t(y);
    out.data.assign(x * y * 8, 0);  // the four rows that pad an odd height stay 0
    std::vector<uint8_t> row(x * 8, 255);
    uint8_t* d = out.data.data();
    for (int up = 0; up < img.height; ++up) {
        // Upright: the first plane rows come from the last stored row.
        const uint8_t* src = img.Row(img.height - 1 - up);
        std::fill(row.begin(), row.end(), 0);
        for (size_t i = 0; i < s; ++i) row[i] = i < size_t(img.width) ? src[i] : 255;
        for (int p = 7; p >= 4; --p) {
            for (size_t i = 0; i < x; ++i) {
                uint8_t v = 0;
                for (size_t k = 0; k < 8; ++k) {
                    const size_t px = 8 * i + k;
                    // Pixels past the stride are no pixels: their bits stay 0.
                    const int dark = px < s ? ((~row[px] >> p) & 1) : 0;
                    v = uint8_t(v << 1 | dark);
                }
                *d++ = v;
            }
        }
    }
    return true;
}

const char* DownloadMessageKey(DownloadResult r) {
    switch (r) {
        case DownloadResult::NoLogos:
            return "MB_DOWNLOAD_ERROR5";
        case DownloadResult::CannotSize:
            return "MB_DOWNLOAD_ERROR6";
        case DownloadResult::TooLarge:
            return "MB_DOWNLOAD_ERROR7";
        default:
            return "";
    }
}

bool FileSizeOf(platform::FileSystem& fs, const std::string& path, uint64_t& size) {
    std::vector<platform::FindEntry> found;
    if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
    if (fs.FindFiles(path, found) != kOk) return false;
    const std::string name = platform::FileNameOf(path);
    for (const auto& e : found)
        if (!e.isDirectory && EqualsNoCase(e.name, name)) {
            size = e.size;
            return true;
        }
    return false;
}

namespace {

std::vector<uint8_t> RasterHeader(LogoType type, const LogoRaster& r) {
    std::vector<uint8_t> h;
    if (type == LogoType::Gray) h = {0x01, 0x00};
    h.insert(h.end(), {uint8_t(r.x % 256), uint8_t(r.x / 256), uint8_t(r.y % 256), uint8_t(r.y / 256)});
    return h;
}

bool IsOneBitBitmap(platform::FileSystem& fs, const std::string& path) {
    std::vector<uint8_t> data;
    if (platform::ReadBoundedFile(fs, path, platform::FileKind::Logo, data) != kOk) return false;
    ByteReader r(data);
    BmpHeader h;
    return ReadBmpHeader(r, h) && h.signature == kBmpSignature && h.bitCount == 1;
}

}  // namespace

DownloadResult BuildLogoDownload(platform::FileSystem& fs, LogoType type, const std::vector<LogoEntry>& logos,
                                 std::vector<std::vector<uint8_t>>& writes) {
    writes.clear();
    if (logos.empty()) return DownloadResult::NoLogos;
    if (logos.size() > size_t(kMaxLogos)) return DownloadResult::BadLogoFile;
    // The limit holds for the files that are sent: a 1-bit source goes as it is in a mono
    // download, whatever working image may lie about.
    std::vector<std::string> sent;
    uint64_t total = 0;
    for (const auto& l : logos) {
        const bool asItIs = type == LogoType::Mono && IsOneBitBitmap(fs, l.source);
        uint64_t size = 0;
        if (asItIs ? !FileSizeOf(fs, l.source, size)
                   : !FileSizeOf(fs, l.working, size) && !FileSizeOf(fs, l.source, size))
            return DownloadResult::CannotSize;
        total += size;
        sent.push_back(asItIs ? l.source : l.working);
    }
    if (total >= kLogoTotalSizeLimit) return DownloadResult::TooLarge;

    try {
        writes.push_back({0x1B, 0x63, 0x3B, 0x01});
        writes.push_back({0x1C, uint8_t(type == LogoType::Mono ? 0x71 : 0x72), uint8_t(logos.size())});
        uint64_t read = 0;
        for (const auto& path : sent) {
            std::vector<uint8_t> file;
            LogoRaster raster;
            if (platform::ReadBoundedFile(fs, path, platform::FileKind::Logo, file) != kOk)
                return writes.clear(), DownloadResult::BadLogoFile;
            // A file that grew after it was sized is held to the same limit.
            read += file.size();
            if (read >= kLogoTotalSizeLimit) return writes.clear(), DownloadResult::TooLarge;
            const bool ok =
                type == LogoType::Mono ? BuildColumnRaster(file, raster) : BuildGrayPlanes(file, raster);
            if (!ok) return writes.clear(), DownloadResult::BadLogoFile;
            writes.push_back(RasterHeader(type, raster));
            writes.push_back(std::move(raster.data));
        }
        writes.push_back({0x0A});
        writes.push_back({0x1B, 0x63, 0x3B, 0x00});
    } catch (const std::bad_alloc&) {
        writes.clear();
        return DownloadResult::BadLogoFile;
    }
    return DownloadResult::Sent;
}

std::vector<std::vector<uint8_t>> BuildClearLogos() {
    return {{0x1B, 0x63, 0x3B, 0x01}, {0x1C, 0x71, 0x00, 0x00, 0x0A}, {0x1B, 0x63, 0x3B, 0x00}};
}

DownloadResult DownloadAllLogos(platform::FileSystem& fs, platform::Spooler& sp, platform::PrinterHandle h,
                                LogoType type, const std::vector<LogoEntry>& logos) {
    std::vector<std::vector<uint8_t>> writes;
    const DownloadResult r = BuildLogoDownload(fs, type, logos, writes);
    if (r != DownloadResult::Sent) return r;
    return platform::SendRawJob(sp, h, "LOGO", writes) == kOk ? DownloadResult::Sent
                                                              : DownloadResult::SpoolerFailed;
}

platform::Error ClearAllLogos(platform::Spooler& sp, platform::PrinterHandle h) {
    // The printer's clear command travels under the self-test job name.
    return platform::SendRawJob(sp, h, "SELFTEST", BuildClearLogos());
}

const char* FirmwareMessageKey(FirmwareResult r) {
    switch (r) {
        case FirmwareResult::CannotOpen:
            return "MB_DOWNLOAD_ERROR1";
        case FirmwareResult::CannotSize:
            return "MB_DOWNLOAD_ERROR8";
        case FirmwareResult::NoMemory:
        case FirmwareResult::TooLarge:
            return "MB_DOWNLOAD_ERROR9";
        case FirmwareResult::CannotSeek:
            return "MB_DOWNLOAD_ERROR10";
        case FirmwareResult::CannotRead:
            return "MB_DOWNLOAD_ERROR2";
        default:
            return "";
    }
}

FirmwareResult ReadFirmwareFile(platform::FileSystem& fs, const std::string& path,
                                std::vector<uint8_t>& data) {
    data.clear();
    if (path.empty()) return FirmwareResult::NoPath;
    uint64_t size = 0;
    if (!FileSizeOf(fs, path, size))
        return fs.Exists(path) ? FirmwareResult::CannotSize : FirmwareResult::CannotOpen;
    if (size > platform::kFirmwareFileLimit) return FirmwareResult::TooLarge;
    platform::Error e;
    try {
        e = platform::ReadBoundedFile(fs, path, platform::FileKind::Firmware, data);
    } catch (const std::bad_alloc&) {
        data.clear();
        return FirmwareResult::NoMemory;
    }
    if (e == platform::kErrFileTooLarge) return FirmwareResult::TooLarge;
    if (e == platform::kErrFileNotFound || e == platform::kErrPathNotFound ||
        e == platform::kErrAccessDenied || e == platform::kErrBadFileType)
        return FirmwareResult::CannotOpen;
    if (e == platform::kErrNotEnoughMemory) return FirmwareResult::NoMemory;
    // A file that changed size between the two looks is not sent half-read.
    if (e != kOk || data.size() != size) {
        data.clear();
        return FirmwareResult::CannotRead;
    }
    return FirmwareResult::Sent;
}

FirmwareResult DownloadFirmware(platform::FileSystem& fs, platform::Spooler& sp, platform::PrinterHandle h,
                                const std::string& path) {
    std::vector<uint8_t> data;
    const FirmwareResult r = ReadFirmwareFile(fs, path, data);
    if (r != FirmwareResult::Sent) return r;
    std::vector<std::vector<uint8_t>> writes;
    writes.push_back(std::move(data));
    return platform::SendRawJob(sp, h, "FIRMWARE", writes) == kOk ? FirmwareResult::Sent
                                                                  : FirmwareResult::SpoolerFailed;
}

}  // namespace k20::prnui
