// The source bitmaps the conversions take, checked before a row is read.
#include "common/bmp_file.h"
#include "prnui/imaging/logo_image.h"

namespace k20::prnui {

bool GrayVariantFor(int bitCount, GrayVariant& v) {
    switch (bitCount) {
        case 24:
            v = GrayVariant::Colour;
            return true;
        case 8:
            v = GrayVariant::Gray;
            return true;
        case 1:
            v = GrayVariant::TwoLevel;
            return true;
        default:
            return false;
    }
}

bool ParseLogoSource(std::span<const uint8_t> file, int wantBitCount, LogoPixels& out) {
    ByteReader r(file);
    BmpHeader h;
    if (!ReadBmpHeader(r, h)) return false;
    if (h.signature != kBmpSignature || h.compression != 0) return false;
    if (wantBitCount != 0 && h.bitCount != wantBitCount) return false;
    size_t offset;
    uint32_t fullPalette;
    switch (h.bitCount) {
        case 24:
            offset = kColourPixelOffset;
            fullPalette = 0;
            break;
        case 8:
            offset = kGrayPixelOffset;
            fullPalette = 256;
            break;
        case 1:
            offset = kMonoPixelOffset;
            fullPalette = 2;
            break;
        default:
            return false;
    }
    // Rows are read at the fixed offset of the depth; a file laid out otherwise would be
    // read as garbage, so it is refused instead.
    if (h.infoSize != kBmpInfoHeaderSize || h.pixelOffset != offset) return false;
    if (h.colorsUsed != 0 && h.colorsUsed != fullPalette) return false;
    if (h.width <= 0 || h.width > kBmpMaxDimension || h.height <= 0 || h.height > kBmpMaxDimension)
        return false;
    const uint64_t stride = BmpStride(h.width, h.bitCount);
    if (offset > file.size() || stride * uint64_t(h.height) > file.size() - offset) return false;
    out.width = h.width;
    out.height = h.height;
    out.bitCount = h.bitCount;
    out.stride = size_t(stride);
    out.rows = file.data() + offset;
    return true;
}

}  // namespace k20::prnui
