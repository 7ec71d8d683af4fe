#pragma once
// Windows bitmap files: the 54-byte headers, palettes and uncompressed 1-, 8- and
// 24-bit pixel rows. Used by the logo conversion, the watermark and the log viewer.
// Every header is read through ByteReader and checked as a whole before any buffer
// is sized from it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/byte_reader.h"

namespace k20 {

inline constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
inline constexpr size_t kBmpFileHeaderSize = 14;
inline constexpr size_t kBmpInfoHeaderSize = 40;
inline constexpr size_t kBmpHeadersSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;
// Beyond this a dimension is taken as damage rather than a picture.
inline constexpr int32_t kBmpMaxDimension = 32767;

struct BmpHeader {
    uint16_t signature = 0;
    uint32_t fileSize = 0;
    uint16_t reserved1 = 0, reserved2 = 0;
    uint32_t pixelOffset = 0;
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    uint32_t colorsUsed = 0, colorsImportant = 0;
};

struct BmpColor {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    bool operator==(const BmpColor&) const = default;
};

// Reads both headers (54 bytes) from the reader's position; false when they are not all there.
bool ReadBmpHeader(ByteReader& r, BmpHeader& h);
void WriteBmpHeader(LeWriter& w, const BmpHeader& h);

// The headers of an uncompressed bitmap whose rows follow the headers and a palette of
// paletteEntries colours directly, as every bitmap we write is laid out. imageSize is
// given rather than derived: the log viewer's page image keeps rows of its own width.
BmpHeader PackedBmpHeader(int32_t width, int32_t height, int bitCount, size_t paletteEntries,
                          size_t imageSize);
void WriteBmpPalette(LeWriter& w, std::span<const BmpColor> palette);

// Colour 0 black, colour 1 white: the palette of the 1-bit images the printer takes.
inline constexpr BmpColor kBmpBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
// The 256 grays, level i at index i.
std::vector<BmpColor> BmpGrayPalette();

// Bytes per stored row: rows are padded to a multiple of 4 bytes. Computed in 64 bits
// so that no width can wrap it.
uint64_t BmpStride(int64_t width, int bitCount);

// A decoded uncompressed bitmap, rows kept in the file's stored order.
struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;    // always positive here
    bool topDown = false;  // the file gave a negative height
    int bitCount = 0;      // 1, 8 or 24
    std::vector<BmpColor> palette;
    size_t stride = 0;
    std::vector<uint8_t> pixels;  // height rows of stride bytes

    const uint8_t* Row(int y) const { return pixels.data() + size_t(y) * stride; }
    uint8_t* Row(int y) { return pixels.data() + size_t(y) * stride; }
};

// General reader: honours the pixel offset, the palette size (colours used), top-down
// rows and 1/8/24-bit depths. On failure returns false with a reason in `why`.
bool DecodeBmp(std::span<const uint8_t> file, BmpImage& out, std::string* why = nullptr);

// Writes "BM", a 40-byte information header, the palette (for 1 and 8 bits; an 8-bit
// image without palette gets the 256 grays) and the rows; bottom-up unless topDown.
std::vector<uint8_t> EncodeBmp(const BmpImage& img);

}  // namespace k20
