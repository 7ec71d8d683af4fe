#include "render/picture.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <system_error>

#include "render/file_io.h"

// Only the three formats we take, from memory (files are read by ReadPictureFile, which
// checks them first), no float paths.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 32767
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace k20::render {

namespace {

void PutLe16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void PutLe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

// Area-averaging reduction of an interleaved image with `channels` samples per pixel.
// Source pixel s covers [s * dw, (s + 1) * dw) and destination pixel d covers
// [d * sw, (d + 1) * sw) on a common axis, so overlaps are whole numbers.
std::vector<uint8_t> ScaleDown(const uint8_t* src, uint32_t sw, uint32_t sh, uint32_t channels, uint32_t dw,
                               uint32_t dh) {
    struct Tap {
        uint32_t from, count;
        std::vector<uint32_t> weights;
    };
    auto taps = [](uint32_t s, uint32_t d) {
        std::vector<Tap> t(d);
        for (uint32_t i = 0; i < d; ++i) {
            const uint64_t lo = uint64_t(i) * s, hi = uint64_t(i + 1) * s;
            const uint32_t first = uint32_t(lo / d), last = uint32_t((hi - 1) / d);
            t[i].from = first;
            t[i].count = last - first + 1;
            for (uint32_t k = first; k <= last; ++k) {
                const uint64_t a = std::max<uint64_t>(lo, uint64_t(k) * d);
                const uint64_t b = std::min<uint64_t>(hi, uint64_t(k + 1) * d);
                t[i].weights.push_back(uint32_t(b - a));
            }
        }
        return t;
    };
    const auto tx = taps(sw, dw), ty = taps(sh, dh);
    // Horizontal pass into 16.16 fixed point rows, then the vertical one.
    std::vector<uint32_t> mid(size_t(sh) * dw * channels);
    for (uint32_t y = 0; y < sh; ++y) {
        const uint8_t* row = src + size_t(y) * sw * channels;
        uint32_t* out = mid.data() + size_t(y) * dw * channels;
        for (uint32_t x = 0; x < dw; ++x)
            for (uint32_t c = 0; c < channels; ++c) {
                uint64_t sum = 0;
                for (uint32_t k = 0; k < tx[x].count; ++k)
                    sum += uint64_t(row[size_t(tx[x].from + k) * channels + c]) * tx[x].weights[k];
                out[size_t(x) * channels + c] = uint32_t((sum << 8) / sw);
            }
    }
    std::vector<uint8_t> dst(size_t(dw) * dh * channels);
    const size_t rowLen = size_t(dw) * channels;
    for (uint32_t y = 0; y < dh; ++y) {
        uint8_t* out = dst.data() + size_t(y) * rowLen;
        for (size_t i = 0; i < rowLen; ++i) {
            uint64_t sum = 0;
            for (uint32_t k = 0; k < ty[y].count; ++k)
                sum += uint64_t(mid[size_t(ty[y].from + k) * rowLen + i]) * ty[y].weights[k];
            out[i] = uint8_t(std::min<uint64_t>(255, ((sum / sh) + 128) >> 8));
        }
    }
    return dst;
}

// The packaged decoder builds a Huffman table from the 16 code counts of a DHT segment
// without checking that they add up to at most 256 symbols, and writes past the table
// when they do not. Every FF C4 in the file is looked at the way the decoder would read
// it (bytes past the end read as 0); a file with such a table is refused before decoding.
bool JpegTablesFit(std::span<const uint8_t> f) {
    auto at = [&](size_t i) -> uint32_t { return i < f.size() ? f[i] : 0; };
    for (size_t i = 0; i + 1 < f.size(); ++i) {
        if (f[i] != 0xFF || f[i + 1] != 0xC4) continue;
        size_t p = i + 2;
        int64_t left = int64_t(at(p) << 8 | at(p + 1)) - 2;
        p += 2;
        while (left > 0 && p < f.size()) {
            uint32_t n = 0;
            for (size_t k = 0; k < 16; ++k) n += at(p + 1 + k);
            if (n > 256) return false;
            p += 17 + n;
            left -= 17 + int64_t(n);
        }
    }
    return true;
}

// The packaged decoder grows its buffer for compressed data to whatever length a chunk
// header claims before it finds the bytes missing: a 248-byte file asked for 2 GiB. Every
// chunk up to IEND must lie within the file; what comes after IEND is never read. An
// empty data chunk before any data hands the decoder a null buffer to copy into (found
// by fuzzing too); no encoder writes one, so such a file is refused as well.
bool PngChunksFit(std::span<const uint8_t> f) {
    size_t pos = 8;
    bool data = false;
    while (pos + 8 <= f.size()) {
        const uint64_t length =
            uint64_t(f[pos]) << 24 | uint64_t(f[pos + 1]) << 16 | uint64_t(f[pos + 2]) << 8 | f[pos + 3];
        if (length > 0x7FFFFFFFu || pos + 12 + length > f.size()) return false;
        if (std::memcmp(&f[pos + 4], "IEND", 4) == 0) return true;
        if (std::memcmp(&f[pos + 4], "IDAT", 4) == 0) {
            if (length == 0 && !data) return false;
            data = true;
        }
        pos += size_t(12 + length);
    }
    return true;
}

}  // namespace

PictureKind SniffPicture(std::span<const uint8_t> f) {
    if (f.size() >= 8 && f[0] == 0x89 && f[1] == 'P' && f[2] == 'N' && f[3] == 'G') return PictureKind::Png;
    if (f.size() >= 3 && f[0] == 0xFF && f[1] == 0xD8 && f[2] == 0xFF) return PictureKind::Jpeg;
    if (f.size() >= 2 && f[0] == 'B' && f[1] == 'M') return PictureKind::Bmp;
    return PictureKind::Unknown;
}

bool ReadPictureFile(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                     const PictureLimits& limits) {
    const std::filesystem::path p = PathFromUtf8(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) {
        error = path + ": not a regular file";
        return false;
    }
    const uintmax_t size = std::filesystem::file_size(p, ec);
    if (ec || size > limits.maxFileBytes) {
        error = path + ": larger than " + std::to_string(limits.maxFileBytes) + " bytes";
        return false;
    }
    std::ifstream f(p, std::ios::binary);
    out.resize(size_t(size));
    if (!f || !f.read(reinterpret_cast<char*>(out.data()), std::streamsize(size)) ||
        size_t(f.gcount()) != size) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool PictureToBmp(std::span<const uint8_t> file, uint32_t maxWidth, std::vector<uint8_t>& bmp,
                  std::string& error, const PictureLimits& limits) {
    if (SniffPicture(file) == PictureKind::Unknown) {
        error = "not a BMP, PNG or JPEG picture";
        return false;
    }
    if (file.size() > limits.maxFileBytes || file.size() > size_t(INT32_MAX)) {
        error = "the picture file is too large";
        return false;
    }
    if (SniffPicture(file) == PictureKind::Jpeg && !JpegTablesFit(file)) {
        error = "the picture cannot be read (a JPEG code table holds more than 256 codes)";
        return false;
    }
    if (SniffPicture(file) == PictureKind::Png && !PngChunksFit(file)) {
        error = "the picture cannot be read (a PNG chunk runs past the end of the file or holds no data)";
        return false;
    }
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(file.data(), int(file.size()), &w, &h, &comp) || w <= 0 || h <= 0) {
        error = std::string("the picture cannot be read (") + stbi_failure_reason() + ")";
        return false;
    }
    if (uint32_t(w) > limits.maxSide || uint32_t(h) > limits.maxSide ||
        uint64_t(w) * uint64_t(h) > limits.maxPixels) {
        error = "the picture is too large: " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
        return false;
    }
    int dw = 0, dh = 0, dc = 0;
    uint8_t* pixels = stbi_load_from_memory(file.data(), int(file.size()), &dw, &dh, &dc, 0);
    if (!pixels) {
        error = std::string("the picture cannot be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    struct Free {
        void operator()(uint8_t* p) const { stbi_image_free(p); }
    };
    std::unique_ptr<uint8_t, Free> hold(pixels);
    if (dw != w || dh != h || dc < 1 || dc > 4) {
        error = "the picture's header does not match its data";
        return false;
    }
    // Transparent parts show the paper.
    const uint32_t colour = dc >= 3 ? 3 : 1;
    const size_t count = size_t(w) * size_t(h);
    std::vector<uint8_t> flat;
    const uint8_t* img = pixels;
    if (uint32_t(dc) != colour) {
        flat.resize(count * colour);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = pixels + i * size_t(dc);
            const uint32_t a = p[dc - 1];
            for (uint32_t c = 0; c < colour; ++c)
                flat[i * colour + c] = uint8_t((p[c] * a + 255 * (255 - a) + 127) / 255);
        }
        img = flat.data();
    }
    uint32_t ow = uint32_t(w), oh = uint32_t(h);
    std::vector<uint8_t> scaled;
    if (maxWidth && ow > maxWidth) {
        const uint32_t nh = std::max<uint32_t>(1, uint32_t((uint64_t(oh) * maxWidth + ow / 2) / ow));
        scaled = ScaleDown(img, ow, oh, colour, maxWidth, nh);
        img = scaled.data();
        ow = maxWidth;
        oh = nh;
    }
    // Bitmap rows are bottom-up and padded to four bytes; 8-bit ones carry a gray palette.
    const size_t offset = colour == 3 ? 54 : 54 + 1024;
    const size_t stride = (size_t(ow) * colour + 3) / 4 * 4;
    // Built by appending, bottom row first, so that each byte is written once.
    bmp.clear();
    bmp.reserve(offset + stride * oh);
    bmp.resize(offset, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLe32(bmp, 2, uint32_t(offset + stride * oh));
    PutLe32(bmp, 10, uint32_t(offset));
    PutLe32(bmp, 14, 40);
    PutLe32(bmp, 18, ow);
    PutLe32(bmp, 22, oh);
    PutLe16(bmp, 26, 1);
    PutLe16(bmp, 28, colour * 8);
    PutLe32(bmp, 34, uint32_t(stride * oh));
    if (colour == 1) {
        PutLe32(bmp, 46, 256);
        for (uint32_t i = 0; i < 256; ++i) bmp[54 + 4 * i] = bmp[55 + 4 * i] = bmp[56 + 4 * i] = uint8_t(i);
    }
    const uint8_t pad[4] = {0, 0, 0, 0};
    const size_t rowLen = size_t(ow) * colour;
    for (uint32_t y = oh; y-- > 0;) {
        const uint8_t* src = img + size_t(y) * rowLen;
        if (colour == 1) {
            bmp.insert(bmp.end(), src, src + rowLen);
        } else {
            const size_t at = bmp.size();
            bmp.resize(at + rowLen);
            uint8_t* dst = bmp.data() + at;
            for (uint32_t x = 0; x < ow; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
        bmp.insert(bmp.end(), pad, pad + (stride - rowLen));
    }
    return true;
}

}  // namespace k20::render

namespace k20::render {

PictureBitmapFile::~PictureBitmapFile() {
    if (!made_.empty()) {
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(made_), ec);
    }
}

PictureBitmapFile::PictureBitmapFile(PictureBitmapFile&& other) noexcept
    : path_(std::move(other.path_)), made_(std::move(other.made_)) {
    other.made_.clear();
}

bool PictureBitmapFile::Open(const std::string& path, std::string& error) {
    path_ = path;
    // A device or a pipe is left to the caller's bounded reader, which refuses it: opening
    // one here to sniff it could block for ever.
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(PathFromUtf8(path), typeError)) return true;
    uint8_t head[8] = {};
    {
        std::ifstream f(PathFromUtf8(path), std::ios::binary);
        if (f) f.read(reinterpret_cast<char*>(head), sizeof head);
    }
    const PictureKind kind = SniffPicture(head);
    if (kind != PictureKind::Png && kind != PictureKind::Jpeg) return true;
    std::vector<uint8_t> file, bmp;
    if (!ReadPictureFile(path, file, error)) return false;
    if (!PictureToBmp(file, 0, bmp, error)) return false;
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) {
        error = "no temporary folder for the decoded picture";
        return false;
    }
    std::random_device rd;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path p =
            dir / PathFromUtf8("k20pic" + std::to_string(rd() % 1000000000u) + ".bmp");
        OutputFile out;
        if (!out.Create(p)) continue;
        made_ = PathToUtf8(p);
        if (!out.Write(bmp) || !out.Close()) {
            error = "cannot write " + made_;
            return false;
        }
        path_ = made_;
        return true;
    }
    error = "cannot create a file in " + PathToUtf8(dir);
    return false;
}

}  // namespace k20::render
