// Outside pictures into the bitmaps the logo conversions read: formats, transparency,
// scaling and the limits checked before anything is decoded.
#include <gtest/gtest.h>

#include <cstring>

#include "common/byte_reader.h"
#include "render/picture.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace k20::render {
namespace {

std::vector<uint8_t> FromBase64(std::string_view text) {
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int bits = 0;
    for (char c : text) {
        int v = c >= 'A' && c <= 'Z'   ? c - 'A'
                : c >= 'a' && c <= 'z' ? c - 'a' + 26
                : c >= '0' && c <= '9' ? c - '0' + 52
                : c == '+'             ? 62
                : c == '/'             ? 63
                                       : -1;
        if (v < 0) continue;
        acc = acc << 6 | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(uint8_t(acc >> bits));
        }
    }
    return out;
}

std::vector<uint8_t> Png(int w, int h, int comp, const std::vector<uint8_t>& px) {
    std::vector<uint8_t> out;
    stbi_write_png_to_func(
        [](void* ctx, void* data, int size) {
            auto* v = static_cast<std::vector<uint8_t>*>(ctx);
            v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        },
        &out, w, h, comp, px.data(), w * comp);
    return out;
}

std::vector<uint8_t> Jpeg(int w, int h, int comp, const std::vector<uint8_t>& px) {
    std::vector<uint8_t> out;
    stbi_write_jpg_to_func(
        [](void* ctx, void* data, int size) {
            auto* v = static_cast<std::vector<uint8_t>*>(ctx);
            v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        },
        &out, w, h, comp, px.data(), 95);
    return out;
}

struct Bmp {
    uint32_t offset, width, height, bits, stride;
    const uint8_t* pixels;
    uint8_t At(uint32_t x, uint32_t y, uint32_t c = 0) const {
        return pixels[size_t(height - 1 - y) * stride + size_t(x) * (bits / 8) + c];
    }
};

Bmp Read(const std::vector<uint8_t>& b) {
    Bmp r;
    r.offset = GetU32(b.data(), 10);
    r.width = GetU32(b.data(), 18);
    r.height = GetU32(b.data(), 22);
    r.bits = GetU16(b.data(), 28);
    r.stride = (r.width * r.bits / 8 + 3) / 4 * 4;
    r.pixels = b.data() + r.offset;
    EXPECT_EQ(b.size(), r.offset + size_t(r.stride) * r.height);
    return r;
}

TEST(PictureToBmp, GrayPicturesBecomeEightBitAndColourOnesTwentyFourBit) {
    std::vector<uint8_t> gray(5 * 3);
    for (size_t i = 0; i < gray.size(); ++i) gray[i] = uint8_t(i * 17);
    std::vector<uint8_t> bmp;
    std::string err;
    ASSERT_TRUE(PictureToBmp(Png(5, 3, 1, gray), 0, bmp, err)) << err;
    Bmp g = Read(bmp);
    EXPECT_EQ(g.bits, 8u);
    EXPECT_EQ(g.offset, 1078u);  // header and the full gray palette, as the logo code expects
    EXPECT_EQ(g.At(0, 0), 0);
    EXPECT_EQ(g.At(4, 2), 14 * 17);

    std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
    ASSERT_TRUE(PictureToBmp(Png(2, 2, 3, rgb), 0, bmp, err)) << err;
    Bmp c = Read(bmp);
    EXPECT_EQ(c.bits, 24u);
    EXPECT_EQ(c.offset, 54u);
    // Stored blue, green, red.
    EXPECT_EQ(c.At(0, 0, 2), 255);
    EXPECT_EQ(c.At(0, 0, 0), 0);
    EXPECT_EQ(c.At(1, 1, 0), 30);
    EXPECT_EQ(c.At(1, 1, 2), 10);
}

TEST(PictureToBmp, TransparentPartsArePaper) {
    // Gray with alpha: black fully transparent, black half covered, black opaque.
    std::vector<uint8_t> ga = {0, 0, 0, 128, 0, 255};
    std::vector<uint8_t> bmp;
    std::string err;
    ASSERT_TRUE(PictureToBmp(Png(3, 1, 2, ga), 0, bmp, err)) << err;
    Bmp g = Read(bmp);
    EXPECT_EQ(g.At(0, 0), 255);
    EXPECT_EQ(g.At(1, 0), 127);
    EXPECT_EQ(g.At(2, 0), 0);
}

TEST(PictureToBmp, WidePicturesAreAveragedDownToTheWidthAsked) {
    // 1152 columns alternating black and white become 576 mid grays; height halves too.
    std::vector<uint8_t> px(1152 * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = (i % 2) ? 255 : 0;
    std::vector<uint8_t> bmp;
    std::string err;
    ASSERT_TRUE(PictureToBmp(Png(1152, 4, 1, px), 576, bmp, err)) << err;
    Bmp g = Read(bmp);
    EXPECT_EQ(g.width, 576u);
    EXPECT_EQ(g.height, 2u);
    for (uint32_t x = 0; x < 576; ++x) ASSERT_EQ(g.At(x, 1), 128) << x;
    // A picture no wider than the limit keeps its size.
    ASSERT_TRUE(PictureToBmp(Png(576, 3, 1, std::vector<uint8_t>(576 * 3, 9)), 576, bmp, err));
    EXPECT_EQ(Read(bmp).width, 576u);
    // An odd reduction keeps black black and white white.
    std::vector<uint8_t> half(1000 * 2, 0);
    for (size_t x = 500; x < 1000; ++x) half[x] = half[1000 + x] = 255;
    ASSERT_TRUE(PictureToBmp(Png(1000, 2, 1, half), 577, bmp, err));
    Bmp h = Read(bmp);
    EXPECT_EQ(h.width, 577u);
    EXPECT_EQ(h.At(0, 0), 0);
    EXPECT_EQ(h.At(576, 0), 255);
}

TEST(PictureToBmp, JpegPicturesAreRead) {
    std::vector<uint8_t> px(16 * 16 * 3, 200);
    std::vector<uint8_t> bmp;
    std::string err;
    ASSERT_TRUE(PictureToBmp(Jpeg(16, 16, 3, px), 0, bmp, err)) << err;
    Bmp c = Read(bmp);
    EXPECT_EQ(c.width, 16u);
    EXPECT_NEAR(c.At(8, 8, 1), 200, 3);
}

TEST(PictureToBmp, SizesAreCheckedBeforeDecoding) {
    std::vector<uint8_t> png = Png(8, 8, 1, std::vector<uint8_t>(64, 0));
    std::vector<uint8_t> bmp;
    std::string err;
    PictureLimits small;
    small.maxSide = 7;
    EXPECT_FALSE(PictureToBmp(png, 0, bmp, err, small));
    EXPECT_NE(err.find("8 x 8"), std::string::npos) << err;
    small = {};
    small.maxPixels = 63;
    EXPECT_FALSE(PictureToBmp(png, 0, bmp, err, small));
    // A header that claims 30000 x 30000 is refused from the header alone.
    std::vector<uint8_t> huge = png;
    huge[16] = 0;  // IHDR width and height, big-endian
    huge[17] = 0;
    huge[18] = 0x75;
    huge[19] = 0x30;
    huge[20] = 0;
    huge[21] = 0;
    huge[22] = 0x75;
    huge[23] = 0x30;
    EXPECT_FALSE(PictureToBmp(huge, 0, bmp, err));
    EXPECT_NE(err.find("too large"), std::string::npos) << err;
    // Cut short, unknown, empty.
    EXPECT_FALSE(PictureToBmp(std::span(png).first(png.size() / 2), 0, bmp, err));
    const uint8_t text[] = "hello";
    EXPECT_FALSE(PictureToBmp(text, 0, bmp, err));
    EXPECT_FALSE(PictureToBmp({}, 0, bmp, err));
}

// Found by fuzzing: a 9 x 6 PNG of 248 bytes whose last chunk claims more bytes than
// the file has made the decoder ask for 2 GiB. Chunks must lie within the file; bytes
// after IEND are nobody's business.
TEST(PictureToBmp, PngChunksRunningPastTheEndAreRefusedBeforeDecoding) {
    static const char kFound[] =
        "iVBORw0KGgoAAAANSUhEUgAAAAkAAAAGAgMAAABsqVxWAAAABGdBTUEAALGPC/xhBQAAACBjSFJNAAB6JgAAgIQAAPoAAACA6AAA"
        "dTAAAOpgAAA6mAAAF3CculE8AAAACVBMVEUAAAAAAMj///8wJAk7AAAAEElEQVQI12NggALWEAQGAgAKlQEMNIzIkgAAACV0RVh0"
        "ZGF0ZTpjcmVhdGUAMjAyNi0xMTE0OjE5OjgrMDA6MDBK7TrvAAAAJXRFWHRkSURBVAhvY2CAAtYQBAYCAAqVAQw0jMiSAAAAJXRF"
        "WHRkYXQwO7CCUwAAAABJRU5ErkJggg==";
    std::vector<uint8_t> found = FromBase64(kFound);
    ASSERT_EQ(found.size(), 247u);
    std::vector<uint8_t> bmp;
    std::string err;
    EXPECT_FALSE(PictureToBmp(found, 0, bmp, err));
    EXPECT_NE(err.find("chunk"), std::string::npos) << err;

    std::vector<uint8_t> png = Png(8, 8, 1, std::vector<uint8_t>(64, 0));
    std::vector<uint8_t> trailing = png;
    trailing.insert(trailing.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'J', 'U', 'N', 'K'});
    EXPECT_TRUE(PictureToBmp(trailing, 0, bmp, err)) << err;
    std::vector<uint8_t> longer = png;
    longer[33] = 0x40;  // the first chunk after IHDR now claims a gigabyte
    EXPECT_FALSE(PictureToBmp(longer, 0, bmp, err));
    // An empty data chunk ahead of the data (the decoder would copy into a null buffer),
    // while one after the data is harmless.
    const uint8_t emptyData[] = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};
    std::vector<uint8_t> early = png;
    early.insert(early.begin() + 33, std::begin(emptyData), std::end(emptyData));
    EXPECT_FALSE(PictureToBmp(early, 0, bmp, err));
    std::vector<uint8_t> late = png;
    late.insert(late.end() - 12, std::begin(emptyData), std::end(emptyData));
    EXPECT_TRUE(PictureToBmp(late, 0, bmp, err)) << err;
}

// Found by fuzzing: a damaged code table made the packaged decoder look a symbol up 65 KB
// past its 256 entries. The decoder now checks (third_party/stb); the file is refused.
TEST(PictureToBmp, JpegCodesOutsideTheirTableAreRefused) {
    static const char kFound[] =
        "/9j/4AAQSkZJRgAECAQNCBALCQsQEBAQEBAQEBD/wAARCAC+AAkDAREAAhEBAxEB/8QAFQABAQAAAAAAAAAAAAAAAAAAAAj/xAAU"
        "EAEAAAAAAAAAAAAAAAAAAAAA/8QAFgEBAQEAAAAAAAAAAAAAAAAAAAcJ/8QAFAAAAAAAAAAAAAAAAAAAAQAAAP/aAAwDAQACEQMR"
        "AAAAAAAAAAAAAAAACP/EABQQAQAAAAAAAAAAAAAAAAAAAAD/xAAWAQEBAQAAAAAAAAAAAAAAAAAABwn/xAAUAADxAAAAAAAAAAAA"
        "AAEAAAAA////////////////////////////////////////////////////////////////////////////////////////////"
        "/////9oADAMBAAIRAxEAAAAABAgGAAAAAAAAJ4kAAAAABAj6////////2IlQTkcZAAAAAAAAAAAAAABbCgAaCgAAAAA=";
    std::vector<uint8_t> found = FromBase64(kFound);
    ASSERT_EQ(found.size(), 368u);
    std::vector<uint8_t> bmp;
    std::string err;
    EXPECT_FALSE(PictureToBmp(found, 0, bmp, err));
}

TEST(ReadPictureFile, RefusesFoldersAndFilesTooLarge) {
    std::vector<uint8_t> out;
    std::string err;
    EXPECT_FALSE(ReadPictureFile(".", out, err));
    EXPECT_NE(err.find("not a regular file"), std::string::npos);
    PictureLimits tiny;
    tiny.maxFileBytes = 10;
    EXPECT_FALSE(ReadPictureFile(K20_RENDER_README, out, err, tiny));
    EXPECT_TRUE(ReadPictureFile(K20_RENDER_README, out, err));
    EXPECT_FALSE(out.empty());
}

}  // namespace
}  // namespace k20::render
