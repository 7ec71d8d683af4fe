#pragma once
// Logo image conversion: the contrast/brightness arithmetic, the four halftone methods
// and the 8-bit gray and 1-bit mono working images.
//
// The arithmetic is part of what the printer receives, so its precision is fixed: the
// library is built without floating-point contraction and, on 32-bit x86, with SSE
// arithmetic instead of the x87 unit.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace k20::prnui {

enum HalftoneMethod : int32_t {
    kHalftoneNone = 0,
    kHalftoneDitherM3 = 1,
    kHalftoneDitherM4 = 2,
    kHalftoneErrorDiffuse = 3,
};

struct LogoSettings {
    int32_t halftone = kHalftoneNone;
    int32_t contrast = 0;    // -100..100
    int32_t brightness = 0;  // -100..100
    bool operator==(const LogoSettings&) const = default;
};

// What a conversion came to; the numbers are the ones the driver has always returned.
enum class ConvertResult : int {
    Ok = 1,
    Unchanged = 2,   // a sendable 1-bit source given to ConvertToMono
    Failed = -1,     // can't open, no memory, can't write
    BadFormat = -2,  // not a bitmap we can read
};

enum class GrayVariant { Colour, Gray, TwoLevel };  // 24-, 8- and 1-bit sources

// Fixed layout of the sources we read: pixel rows start right after the headers and a
// full palette of the bit depth.
inline constexpr size_t kColourPixelOffset = 54;
inline constexpr size_t kGrayPixelOffset = 1078;
inline constexpr size_t kMonoPixelOffset = 62;

extern const uint8_t DitherMatrix8[8][8];
extern const uint8_t DitherMatrix16[16][16];

int AdjustLevel(int v, int c, int b);
int AdjustAroundMean(int v, int c, int b, int m);
int Luminance(int r, int g, int b);

// A source bitmap's rows as stored, after its header was checked.
struct LogoPixels {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    size_t stride = 0;
    const uint8_t* rows = nullptr;
    const uint8_t* Row(int y) const { return rows + size_t(y) * stride; }
};

// Checks "BM", the bit count wanted (0: any of 1, 8, 24), compression 0, a 40-byte
// information header, the fixed pixel offset of the depth, positive dimensions up to
// 32767 and rows that are all inside the file. False means "not for us" (BadFormat).
bool ParseLogoSource(std::span<const uint8_t> file, int wantBitCount, LogoPixels& out);

int MeanLuminance(const LogoPixels& img, int c, int b);

std::string WorkingImagePath(const std::string& source);

// In-memory conversions from the source file's bytes to the working image's bytes.
ConvertResult ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast,
                                 int brightness, std::vector<uint8_t>& out);
// Unchanged for a 1-bit source that can be sent as it is (out left empty); a damaged one,
// or one whose palette is not black and white, is BadFormat like any other unusable source.
ConvertResult ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                                 std::vector<uint8_t>& out);

// The same working images handed over in pieces, in file order, as they are made, so that
// a caller writing a file never holds the whole image. Nothing reaches the sink before the
// source was accepted; a sink answering false ends the conversion with Failed.
using ImageSink = std::function<bool(std::span<const uint8_t> bytes)>;
ConvertResult ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast,
                                 int brightness, const ImageSink& sink);
ConvertResult ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                                 const ImageSink& sink);

// The file forms: read the source, write the working image at `working` (the page and
// the tool take it from WorkingImages, never beside the source). ConvertToGray leaves
// output alone unless it succeeds; ConvertToMono hands back the source path for
// Unchanged and BadFormat.
ConvertResult ConvertToGray(platform::FileSystem& fs, const std::string& source, const std::string& working,
                            std::string& output, GrayVariant variant, int contrast, int brightness);
ConvertResult ConvertToMono(platform::FileSystem& fs, const std::string& source, const std::string& working,
                            std::string& output, int halftone, int contrast, int brightness);
// The same with the working image at WorkingImagePath(source), beside the source: the
// driver's historical place, kept for the reference tests only.
ConvertResult ConvertToGray(platform::FileSystem& fs, const std::string& source, std::string& output,
                            GrayVariant variant, int contrast, int brightness);
ConvertResult ConvertToMono(platform::FileSystem& fs, const std::string& source, std::string& output,
                            int halftone, int contrast, int brightness);

// The gray variant for a source's bit count; false for other depths.
bool GrayVariantFor(int bitCount, GrayVariant& v);

}  // namespace k20::prnui
