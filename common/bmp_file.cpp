#include "common/bmp_file.h"

namespace k20 {

bool ReadBmpHeader(ByteReader& r, BmpHeader& h) {
    if (!r.has(kBmpHeadersSize)) return false;
    h.signature = r.u16();
    h.fileSize = r.u32();
    h.reserved1 = r.u16();
    h.reserved2 = r.u16();
    h.pixelOffset = r.u32();
    h.infoSize = r.u32();
    h.width = r.i32();
    h.height = r.i32();
    h.planes = r.u16();
    h.bitCount = r.u16();
    h.compression = r.u32();
    h.imageSize = r.u32();
    h.xPelsPerMeter = r.i32();
    h.yPelsPerMeter = r.i32();
    h.colorsUsed = r.u32();
    h.colorsImportant = r.u32();
    return r.ok();
}

void WriteBmpHeader(LeWriter& w, const BmpHeader& h) {
    w.u16(h.signature).u32(h.fileSize).u16(h.reserved1).u16(h.reserved2).u32(h.pixelOffset);
    w.u32(h.infoSize).i32(h.width).i32(h.height).u16(h.planes).u16(h.bitCount).u32(h.compression);
    w.u32(h.imageSize).i32(h.xPelsPerMeter).i32(h.yPelsPerMeter).u32(h.colorsUsed).u32(h.colorsImportant);
}

BmpHeader PackedBmpHeader(int32_t width, int32_t height, int bitCount, size_t paletteEntries,
                          size_t imageSize) {
    const size_t offset = kBmpHeadersSize + 4 * paletteEntries;
    BmpHeader h;
    h.signature = kBmpSignature;
    h.fileSize = uint32_t(offset + imageSize);
    h.pixelOffset = uint32_t(offset);
    h.infoSize = kBmpInfoHeaderSize;
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bitCount = uint16_t(bitCount);
    h.imageSize = uint32_t(imageSize);
    return h;
}

void WriteBmpPalette(LeWriter& w, std::span<const BmpColor> palette) {
    for (const BmpColor& c : palette) w.u8(c.blue).u8(c.green).u8(c.red).u8(c.reserved);
}

std::vector<BmpColor> BmpGrayPalette() {
    std::vector<BmpColor> palette;
    palette.reserve(256);
    for (int i = 0; i < 256; ++i) palette.push_back(BmpColor{uint8_t(i), uint8_t(i), uint8_t(i), 0});
    return palette;
}

uint64_t BmpStride(int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0) return 0;
    return (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
}

static bool Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

bool DecodeBmp(std::span<const uint8_t> file, BmpImage& out, std::string* why) {
    ByteReader r(file);
    BmpHeader h;
    if (!ReadBmpHeader(r, h)) return Fail(why, "shorter than the bitmap headers");
    if (h.signature != kBmpSignature) return Fail(why, "not a bitmap (no \"BM\" signature)");
    if (h.infoSize < kBmpInfoHeaderSize || h.infoSize > file.size())
        return Fail(why, "unknown information header");
    if (h.compression != 0) return Fail(why, "compressed bitmaps are not supported");
    if (h.bitCount != 1 && h.bitCount != 8 && h.bitCount != 24)
        return Fail(why, "only 1, 8 and 24 bits per pixel are supported");
    if (h.width <= 0 || h.width > kBmpMaxDimension) return Fail(why, "width out of range");
    if (h.height == 0 || h.height < -kBmpMaxDimension || h.height > kBmpMaxDimension)
        return Fail(why, "height out of range");

    const uint64_t paletteStart = kBmpFileHeaderSize + uint64_t(h.infoSize);
    uint64_t entries = 0;
    if (h.bitCount <= 8) {
        const uint64_t full = uint64_t(1) << h.bitCount;
        entries = h.colorsUsed == 0 ? full : h.colorsUsed;
        if (entries > full) return Fail(why, "palette larger than the bit depth allows");
    }
    const uint64_t paletteEnd = paletteStart + 4 * entries;
    if (paletteEnd > file.size()) return Fail(why, "palette beyond the end of the file");
    if (h.pixelOffset < paletteEnd) return Fail(why, "pixel data overlaps the headers");

    const int32_t rows = h.height < 0 ? -h.height : h.height;
    const uint64_t stride = BmpStride(h.width, h.bitCount);
    const uint64_t need = stride * uint64_t(rows);
    if (h.pixelOffset > file.size() || need > file.size() - h.pixelOffset)
        return Fail(why, "pixel rows beyond the end of the file");

    out = BmpImage{};
    out.width = h.width;
    out.height = rows;
    out.topDown = h.height < 0;
    out.bitCount = h.bitCount;
    out.stride = size_t(stride);
    r.seek(size_t(paletteStart));
    for (uint64_t i = 0; i < entries; ++i) {
        BmpColor c;
        c.blue = r.u8();
        c.green = r.u8();
        c.red = r.u8();
        c.reserved = r.u8();
        out.palette.push_back(c);
    }
    r.seek(h.pixelOffset);
    auto px = r.bytes(size_t(need));
    if (!r.ok()) return Fail(why, "pixel rows beyond the end of the file");
    out.pixels.assign(px.begin(), px.end());
    return true;
}

std::vector<uint8_t> EncodeBmp(const BmpImage& img) {
    std::vector<BmpColor> palette = img.palette;
    if (img.bitCount == 8 && palette.empty()) palette = BmpGrayPalette();
    if (img.bitCount == 24) palette.clear();
    const size_t full = img.bitCount <= 8 ? size_t(1) << img.bitCount : 0;

    const size_t stride = size_t(BmpStride(img.width, img.bitCount));
    const size_t imageSize = stride * size_t(img.height);
    const size_t offset = kBmpHeadersSize + 4 * palette.size();

    BmpHeader h = PackedBmpHeader(img.width, img.topDown ? -img.height : img.height, img.bitCount,
                                  palette.size(), imageSize);
    h.colorsUsed = palette.size() == full ? 0 : uint32_t(palette.size());

    std::vector<uint8_t> out;
    out.reserve(offset + imageSize);
    LeWriter w(out);
    WriteBmpHeader(w, h);
    WriteBmpPalette(w, palette);
    if (img.stride == stride && img.pixels.size() >= imageSize) {
        w.bytes(std::span<const uint8_t>(img.pixels.data(), imageSize));
    } else {
        // Rows given with another stride are copied row by row, padding zero.
        for (int y = 0; y < img.height; ++y) {
            const size_t have = img.stride < stride ? img.stride : stride;
            const size_t at = size_t(y) * img.stride;
            const size_t n = at + have <= img.pixels.size() ? have : 0;
            w.bytes(std::span<const uint8_t>(img.pixels.data() + at, n));
            w.zeros(stride - n);
        }
    }
    return out;
}

}  // namespace k20
