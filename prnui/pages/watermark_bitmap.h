#pragma once
// The watermark's bitmap arithmetic, kept free of GDI: the 24-bit working copy of a
// chosen bitmap, the brightness step of the preview, where the preview draws the bitmap
// (including Tiled), where the rotated text goes, and the rendered-text file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace k20::prnui {

// Results of CopyAsTrueColor, as the page tells them apart.
enum class CopyResult { Unsupported, Done, CannotCreate, TooBig };

// The 24-bit form of a 1- or 8-bit source (pixel offset 62 or 1078). Headers are checked
// as a whole, and every source row must be inside the file, before anything is sized
// from them; false for anything else (24-bit sources are copied as they are).
bool ConvertToTrueColor(std::span<const uint8_t> source, std::vector<uint8_t>& out);
// True for the sources copied unchanged: "BM", pixel offset 54, 24 bits.
bool IsTrueColorSource(std::span<const uint8_t> source);

// The source's size is looked at before it is read: a file larger than the biggest
// bitmap the preview keeps (kMaxSourceBytes), or whose 24-bit rows would exceed
// kMaxKeptBytes, is CopyResult::TooBig; a folder, a missing file or a name with wildcards is
// CopyResult::Unsupported.
CopyResult CopyAsTrueColor(platform::FileSystem& fs, const std::string& source,
                           const std::string& destination);

// The working file: <temp folder>\<printer>1.bmp. Characters that a file name cannot
// hold (a shared printer is "\\server\name") become "_" so the file stays in the folder.
std::string WatermarkWorkingFile(const std::string& tempFolder, const std::string& printerName);

// The working copy as the preview keeps it between repaints: 24-bit rows, bottom-up, each
// row padded to four bytes as in the file.
struct KeptBitmap {
    int width = 0, height = 0;
    size_t stride = 0;
    std::vector<uint8_t> pixels;
};
enum class KeepResult { Kept, TooBig, Unreadable };
inline constexpr uint64_t kMaxKeptBytes = 10485760;  // 10 MiB of rows
// The rows of the largest kept copy behind the largest header (an 8-bit palette).
inline constexpr uint64_t kMaxSourceBytes = kMaxKeptBytes + 1078;
// Reads a 24-bit working copy; the rows must lie inside the file and not exceed 10 MiB.
KeepResult ReadKeptBitmap(std::span<const uint8_t> file, KeptBitmap& out);

// Every byte plus the brightness, saturating at 255.
void ApplyBrightness(const uint8_t* src, uint8_t* dst, size_t n, uint8_t brightness);

// One stretch of source rows/columns (top-down coordinates) into a box rectangle.
struct StretchOp {
    int dstX, dstY, dstW, dstH;
    int srcX, srcY, srcW, srcH;
    bool operator==(const StretchOp&) const = default;
};
inline constexpr int kTiledPosition = 9;
inline constexpr int kMinTiledSize = 20;
// Placement of a U x R bitmap in an S x P box at `position` (0..9) and `sizePercent`.
std::vector<StretchOp> PlaceWatermark(int U, int R, int S, int P, int position, int sizePercent);

// Where the rotated text of cx x cy is drawn in the 300 x 300 square (baseline alignment).
struct TextOrigin {
    int x, y;
};
inline constexpr int kTextSquare = 300;
TextOrigin RotatedTextOrigin(int cx, int cy, int angleDegrees);

// The rendered-text file: fixed headers and 300 rows of 900 bytes (bottom-up, no padding).
inline constexpr size_t kRenderedTextPixels = size_t(kTextSquare) * kTextSquare * 3;
std::vector<uint8_t> EncodeRenderedText(std::span<const uint8_t> pixels);

}  // namespace k20::prnui
