#include "render/page_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace k20::render {

namespace {

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// 1-bit bitmap. Palette entry 0 is white and 1 black, so the page's bits are stored as
// they are; the negative height marks rows stored top-down.
class BmpWriter final : public PageImageWriter {
  public:
    bool Start(const std::filesystem::path& p, uint32_t widthDots) override {
        width_ = std::max<uint32_t>(widthDots, 1);
        stride_ = (width_ + 31) / 32 * 4;
        rows_ = 0;
        row_.assign(stride_, 0);
        if (!file_.Open(p)) return false;
        uint8_t h[62] = {};
        MakeHeader(h);
        return file_.Write(h);
    }
    bool Row(const uint8_t* row) override {
        const size_t n = (width_ + 7) / 8;
        std::memcpy(row_.data(), row, n);
        ++rows_;
        return file_.Write(row_);
    }
    bool Finish() override {
        uint8_t h[62] = {};
        MakeHeader(h);
        const bool ok = file_.WriteAt(0, h);
        return file_.Close() && ok;
    }

  private:
    void MakeHeader(uint8_t* h) const {
        const uint32_t image = stride_ * rows_;
        h[0] = 'B';
        h[1] = 'M';
        PutLe32(h + 2, 62 + image);
        PutLe32(h + 10, 62);
        PutLe32(h + 14, 40);
        PutLe32(h + 18, width_);
        PutLe32(h + 22, uint32_t(-int32_t(rows_)));
        h[26] = 1;
        h[28] = 1;
        PutLe32(h + 34, image);
        PutLe32(h + 38, 8000);  // 203 dpi in dots per metre
        PutLe32(h + 42, 8000);
        PutLe32(h + 46, 2);
        h[54] = h[55] = h[56] = 0xFF;  // entry 0 white, entry 1 black (zero)
    }

    OutputFile file_;
    uint32_t width_ = 0, stride_ = 0, rows_ = 0;
    std::vector<uint8_t> row_;
};

// ---- Baseline JPEG, one gray component, the standard tables of the format's annex.

constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
constexpr uint8_t kLumaQuant[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr uint8_t kDcBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22,
    0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33,
    0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34,
    0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55,
    0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76,
    0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5,
    0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4,
    0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1,
    0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct HuffCode {
    uint16_t code = 0;
    uint8_t length = 0;
};

// Canonical codes from the bit counts and values of a table.
template <size_t N>
std::array<HuffCode, 256> BuildCodes(const uint8_t (&bits)[16], const uint8_t (&values)[N]) {
    std::array<HuffCode, 256> t{};
    uint16_t code = 0;
    size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < bits[len - 1]; ++i) t[values[k++]] = {code++, uint8_t(len)};
        code = uint16_t(code << 1);
    }
    return t;
}

class JpegEncoder {
  public:
    explicit JpegEncoder(int quality) {
        quality = std::clamp(quality, 1, 100);
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        for (int i = 0; i < 64; ++i)
            quant_[i] = uint8_t(std::clamp((kLumaQuant[i] * scale + 50) / 100, 1, 255));
        dc_ = BuildCodes(kDcBits, kDcValues);
        ac_ = BuildCodes(kAcBits, kAcValues);
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                cos_[u][x] = float(std::cos((2 * x + 1) * u * 3.14159265358979323846 / 16) *
                                   (u ? 0.5 : 0.5 / std::sqrt(2.0)));
    }

    // Everything up to the scan; the height is a placeholder at HeightOffset().
    std::vector<uint8_t> Header(uint32_t width, uint32_t height) const {
        std::vector<uint8_t> h;
        h.reserve(400);
        // Byte by byte: GCC 12 at -O3 misreads range inserts into a vector this small.
        auto put = [&](std::initializer_list<uint8_t> bytes) {
            for (uint8_t b : bytes) h.push_back(b);
        };
        auto putAll = [&](const uint8_t* bytes, size_t n) {
            for (size_t i = 0; i < n; ++i) h.push_back(bytes[i]);
        };
        put({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 203, 0, 203, 0, 0});
        put({0xFF, 0xDB, 0, 67, 0});
        for (int i = 0; i < 64; ++i) h.push_back(quant_[kZigzag[i]]);
        put({0xFF, 0xC0, 0, 11, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width),
             1, 1, 0x11, 0});
        auto table = [&](uint8_t cls, const uint8_t* bits, const uint8_t* values, size_t count) {
            const size_t len = 2 + 1 + 16 + count;
            put({0xFF, 0xC4, uint8_t(len >> 8), uint8_t(len), cls});
            putAll(bits, 16);
            putAll(values, count);
        };
        table(0x00, kDcBits, kDcValues, sizeof kDcValues);
        table(0x10, kAcBits, kAcValues, sizeof kAcValues);
        put({0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0});
        return h;
    }
    static constexpr size_t kHeightOffset = 20 + 5 + 64 + 5;

    // One 8-row strip, `width` samples per row.
    void Strip(const uint8_t* rows, uint32_t width, std::vector<uint8_t>& out) {
        for (uint32_t bx = 0; bx < width; bx += 8) {
            float block[64];
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const uint32_t sx = std::min(bx + uint32_t(x), width - 1);  // repeat the edge
                    block[y * 8 + x] = float(rows[size_t(y) * width + sx]) - 128.0f;
                }
            Block(block, out);
        }
    }

    void Finish(std::vector<uint8_t>& out) {
        if (bitCount_ > 0) PutBits((1u << (8 - bitCount_)) - 1, 8 - bitCount_, out);  // ones to a whole byte
        out.push_back(0xFF);
        out.push_back(0xD9);
    }

  private:
    void Block(const float* in, std::vector<uint8_t>& out) {
        float tmp[64];
        for (int y = 0; y < 8; ++y)
            for (int u = 0; u < 8; ++u) {
                float s = 0;
                for (int x = 0; x < 8; ++x) s += in[y * 8 + x] * cos_[u][x];
                tmp[y * 8 + u] = s;
            }
        int coef[64];
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) {
                float s = 0;
                for (int y = 0; y < 8; ++y) s += tmp[y * 8 + u] * cos_[v][y];
                coef[v * 8 + u] = int(std::lround(s / float(quant_[v * 8 + u])));
            }
        const int diff = coef[0] - lastDc_;
        lastDc_ = coef[0];
        PutValue(dc_, 0, diff, out);
        int run = 0;
        for (int k = 1; k < 64; ++k) {
            const int c = coef[kZigzag[k]];
            if (c == 0) {
                ++run;
                continue;
            }
            while (run > 15) {
                PutBits(ac_[0xF0].code, ac_[0xF0].length, out);
                run -= 16;
            }
            PutValue(ac_, run, c, out);
            run = 0;
        }
        if (run > 0) PutBits(ac_[0x00].code, ac_[0x00].length, out);
    }

    void PutValue(const std::array<HuffCode, 256>& t, int run, int v, std::vector<uint8_t>& out) {
        const int a = v < 0 ? -v : v;
        int size = 0;
        while ((1 << size) <= a) ++size;
        const HuffCode& hc = t[size_t(run << 4 | size)];
        PutBits(hc.code, hc.length, out);
        if (size) PutBits(uint32_t(v < 0 ? v + (1 << size) - 1 : v), size, out);
    }

    void PutBits(uint32_t bits, int n, std::vector<uint8_t>& out) {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = uint8_t(acc_ << 1 | ((bits >> i) & 1));
            if (++bitCount_ == 8) {
                out.push_back(acc_);
                if (acc_ == 0xFF) out.push_back(0x00);  // a marker byte in the data is stuffed
                acc_ = 0;
                bitCount_ = 0;
            }
        }
    }

    uint8_t quant_[64];
    std::array<HuffCode, 256> dc_, ac_;
    float cos_[8][8];
    int lastDc_ = 0;
    uint8_t acc_ = 0;
    int bitCount_ = 0;
};

constexpr uint32_t kMaxJpegRows = 65528;

class JpegWriter final : public PageImageWriter {
  public:
    explicit JpegWriter(int quality) : quality_(quality) {}
    bool Start(const std::filesystem::path& p, uint32_t widthDots) override {
        width_ = std::max<uint32_t>(widthDots, 1);
        rows_ = 0;
        enc_ = std::make_unique<JpegEncoder>(quality_);
        strip_.assign(size_t(width_) * 8, 255);
        if (!file_.Open(p)) return false;
        return file_.Write(enc_->Header(width_, 0));
    }
    bool Row(const uint8_t* row) override {
        // The frame header holds the height in 16 bits: a longer page keeps its first
        // 65528 rows (whole strips) in the picture.
        if (rows_ >= kMaxJpegRows) return true;
        uint8_t* g = strip_.data() + size_t(rows_ % 8) * width_;
        for (uint32_t x = 0; x < width_; ++x) g[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
        ++rows_;
        if (rows_ % 8 == 0) return FlushStrip();
        return true;
    }
    bool Finish() override {
        bool ok = true;
        if (rows_ % 8) {
            // The last strip repeats its last row below the picture.
            const size_t have = rows_ % 8;
            for (size_t y = have; y < 8; ++y)
                std::memcpy(strip_.data() + y * width_, strip_.data() + (have - 1) * width_, width_);
            ok = FlushStrip();
        }
        if (rows_ == 0) {  // a frame needs one row
            ok = FlushStrip();
            rows_ = 1;
        }
        out_.clear();
        enc_->Finish(out_);
        ok = file_.Write(out_) && ok;
        const uint8_t h[2] = {uint8_t(rows_ >> 8), uint8_t(rows_)};
        ok = file_.WriteAt(JpegEncoder::kHeightOffset, h) && ok;
        return file_.Close() && ok;
    }

  private:
    bool FlushStrip() {
        out_.clear();
        enc_->Strip(strip_.data(), width_, out_);
        return file_.Write(out_);
    }

    int quality_;
    uint32_t width_ = 0, rows_ = 0;
    std::unique_ptr<JpegEncoder> enc_;
    std::vector<uint8_t> strip_;
    std::vector<uint8_t> out_;
    OutputFile file_;
};

}  // namespace

std::unique_ptr<PageImageWriter> MakeBmpWriter() {
    return std::make_unique<BmpWriter>();
}
std::unique_ptr<PageImageWriter> MakeJpegWriter(int quality) {
    return std::make_unique<JpegWriter>(quality);
}

std::vector<uint8_t> EncodeGrayJpeg(const uint8_t* gray, uint32_t width, uint32_t height, int quality) {
    JpegEncoder enc(quality);
    std::vector<uint8_t> out = enc.Header(width, height);
    std::vector<uint8_t> strip(size_t(width) * 8);
    for (uint32_t y = 0; y < height; y += 8) {
        for (uint32_t r = 0; r < 8; ++r)
            std::memcpy(strip.data() + size_t(r) * width, gray + size_t(std::min(y + r, height - 1)) * width,
                        width);
        enc.Strip(strip.data(), width, out);
    }
    enc.Finish(out);
    return out;
}

}  // namespace k20::render
