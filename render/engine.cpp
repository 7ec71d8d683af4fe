// The engine: page rows become 24-dot bit-image bands as they arrive. Only one band
// (24 rows) is held; the bytes leave through the sink in chunks as they are made.
#include "render/engine.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/text.h"
#include "prnui/core/private_settings.h"
#include "render/driver_log.h"
#include "render/engine_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace k20::render {

namespace {

constexpr size_t kRowBytes = kMaxDots / 8;

constexpr uint32_t kBandRows = 24;
constexpr size_t kFlushAt = 32 * 1024;
constexpr uint32_t kMaxFeedStep = 255;

// Transposes an 8x8 bit block: in[m] bit (7 - r) becomes out[r] bit (7 - m). Raster
// rows hold eight columns per byte while a band column holds its dots top to bottom in
// a byte, so eight columns at a time are turned on their side.
inline uint64_t Transpose8(uint64_t v) {
    uint64_t t = (v ^ (v >> 7)) & 0x00AA00AA00AA00AAull;
    v = v ^ t ^ (t << 7);
    t = (v ^ (v >> 14)) & 0x0000CCCC0000CCCCull;
    v = v ^ t ^ (t << 14);
    t = (v ^ (v >> 28)) & 0x00000000F0F0F0F0ull;
    v = v ^ t ^ (t << 28);
    return v;
}

}  // namespace

void BandColumnsPortable(const uint8_t (*band)[kBandStride], size_t first, size_t last, uint8_t* line) {
    for (size_t g = first; g <= last; ++g) {
        uint64_t v[3];
        for (int k = 0; k < 3; ++k) {
            const uint8_t* b = &band[8 * k][g];
            // A balanced tree rather than a chain of shifts: the eight loads do not wait on
            // each other.
            const uint64_t hi = uint64_t(b[0]) << 56 | uint64_t(b[kBandStride]) << 48 |
                                uint64_t(b[2 * kBandStride]) << 40 | uint64_t(b[3 * kBandStride]) << 32;
            const uint64_t lo = uint64_t(b[4 * kBandStride]) << 24 | uint64_t(b[5 * kBandStride]) << 16 |
                                uint64_t(b[6 * kBandStride]) << 8 | uint64_t(b[7 * kBandStride]);
            v[k] = Transpose8(hi | lo);
        }
        uint8_t* col = line + g * 24;
        for (int r = 0; r < 8; ++r) {
            col[3 * r] = uint8_t(v[0] >> (56 - 8 * r));
            col[3 * r + 1] = uint8_t(v[1] >> (56 - 8 * r));
            col[3 * r + 2] = uint8_t(v[2] >> (56 - 8 * r));
        }
    }
}

#if defined(__SSE2__)
// Sixteen byte columns of eight rows at a time: the rows' bytes are interleaved so that
// each group's eight rows share a half register (bottom row first), and each movemask
// then yields one column's byte for two groups. Columns are written in ascending order
// with 4-byte stores whose fourth byte the next column overwrites.
void BandColumnsSse2(const uint8_t (*band)[kBandStride], size_t first, size_t last, uint8_t* line) {
    for (size_t g = first; g <= last; g += 16) {
        __m128i v[3][8];
        for (int t = 0; t < 3; ++t) {
            __m128i x[8];
            for (int i = 0; i < 8; ++i)
                x[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&band[8 * t + 7 - i][g]));
            __m128i p[8], q[8];
            for (int i = 0; i < 4; ++i) {
                p[2 * i] = _mm_unpacklo_epi8(x[2 * i], x[2 * i + 1]);
                p[2 * i + 1] = _mm_unpackhi_epi8(x[2 * i], x[2 * i + 1]);
            }
            // p0,p1: rows 7,6; p2,p3: 5,4; p4,p5: 3,2; p6,p7: 1,0 (lo: groups 0..7, hi: 8..15)
            q[0] = _mm_unpacklo_epi16(p[0], p[2]);
            q[1] = _mm_unpackhi_epi16(p[0], p[2]);
            q[2] = _mm_unpacklo_epi16(p[1], p[3]);
            q[3] = _mm_unpackhi_epi16(p[1], p[3]);
            q[4] = _mm_unpacklo_epi16(p[4], p[6]);
            q[5] = _mm_unpackhi_epi16(p[4], p[6]);
            q[6] = _mm_unpacklo_epi16(p[5], p[7]);
            q[7] = _mm_unpackhi_epi16(p[5], p[7]);
            for (int i = 0; i < 4; ++i) {
                v[t][2 * i] = _mm_unpacklo_epi32(q[i], q[4 + i]);
                v[t][2 * i + 1] = _mm_unpackhi_epi32(q[i], q[4 + i]);
            }
        }
        // v[t][k] holds groups g + 2k and g + 2k + 1.
        for (int k = 0; k < 8 && g + size_t(2 * k) <= last; ++k) {
            uint32_t masks[2][8];
            __m128i a = v[0][k], b = v[1][k], c = v[2][k];
            for (int col = 0; col < 8; ++col) {
                const uint32_t m0 = uint32_t(_mm_movemask_epi8(a));
                const uint32_t m1 = uint32_t(_mm_movemask_epi8(b));
                const uint32_t m2 = uint32_t(_mm_movemask_epi8(c));
                masks[0][col] = (m0 & 0xFF) | (m1 & 0xFF) << 8 | (m2 & 0xFF) << 16;
                masks[1][col] = m0 >> 8 | (m1 & 0xFF00) | (m2 & 0xFF00) << 8;
                a = _mm_add_epi8(a, a);
                b = _mm_add_epi8(b, b);
                c = _mm_add_epi8(c, c);
            }
            for (int h = 0; h < 2; ++h) {
                uint8_t* out = line + (g + size_t(2 * k + h)) * 24;
                for (int col = 0; col < 8; ++col) std::memcpy(out + 3 * col, &masks[h][col], 4);
            }
        }
    }
}
#endif

void BandColumns(const uint8_t (*band)[kBandStride], size_t first, size_t last, uint8_t* line) {
#if defined(__SSE2__)
    BandColumnsSse2(band, first, last, line);
#else
    BandColumnsPortable(band, first, last, line);
#endif
}

namespace {

Operation OperationFrom(const prnui::OperationValues& v) {
    Operation op;
    if (v.commandEnabled == 1 && v.commandLength <= 128)
        op.command.assign(v.command, v.command + v.commandLength);
    // A stored value outside its list counts as "none".
    if (v.drawerOrHerald == 0) {
        op.drawer = v.drawer <= 12 ? v.drawer : 0;
    } else if (v.drawerOrHerald == 1) {
        op.herald = true;
        op.heraldChoice = v.herald <= 1 ? v.herald : 0;
    }
    op.buzzer = v.buzzer <= 5 ? v.buzzer : 0;
    op.buzzerVolume = v.buzzerVolume;
    op.feedMm = v.feedMm <= 100 ? v.feedMm : 0;
    op.feedToCut = v.feedToCut == 1;
    op.cut = v.cut <= 2 ? Cut(v.cut) : Cut::None;
    op.logo = v.logo <= 9 ? v.logo : 0;
    op.logoAlign = v.logo <= 9 && v.logoAlign <= 2 ? LogoAlign(v.logoAlign) : LogoAlign::Left;
    op.logoPosition = v.logoPosition == 1 ? LogoPosition::AfterCut : LogoPosition::BeforeCut;
    return op;
}

}  // namespace

JobSettings SettingsFromRecord(const prnui::PrivateSettings& record) {
    JobSettings s;
    if (record.header.dwSize != prnui::kPrivateSettingsSize ||
        record.header.dwSignature != prnui::kPrivateSettingsSignature ||
        record.header.dwVersion != prnui::kPrivateSettingsVersion)
        return s;
    using P = prnui::OperationPoint;
    s.operations[size_t(OperationPoint::StartDocument)] = OperationFrom(ReadOperation(record, P::StartDoc));
    s.operations[size_t(OperationPoint::StartPage)] = OperationFrom(ReadOperation(record, P::StartPage));
    s.operations[size_t(OperationPoint::EndPage)] = OperationFrom(ReadOperation(record, P::EndPage));
    s.operations[size_t(OperationPoint::EndDocument)] = OperationFrom(ReadOperation(record, P::EndDoc));
    s.log.enabled = record.logEnabled == 1;
    s.log.savePrn = record.logSavePrn == 1;
    s.log.saveBmp = record.logSaveBmp == 1;
    s.log.saveJpeg = record.logSaveJpeg == 1;
    s.log.folder = Utf16ToUtf8(record.logFolder.get());
    return s;
}

JobSettings SettingsFromRecordBytes(std::span<const uint8_t> record) {
    if (record.size() < prnui::kPrivateSettingsSize) return {};
    prnui::PrivateSettings s;
    std::memcpy(&s, record.data(), sizeof s);
    return SettingsFromRecord(s);
}

struct Engine::State {
    enum class Phase { Idle, Document, Page, Ended };

    State(ByteSink& s, JobSettings js) : sink(s), settings(std::move(js)) {}

    ByteSink& sink;
    JobSettings settings;
    Phase phase = Phase::Idle;
    std::vector<uint8_t> out;
    bool sinkFailed = false;
    std::string error;
    std::unique_ptr<DriverLog> log;

    // The page being printed.
    size_t rowBytes = 0;   // bytes of a caller's row that are used
    uint8_t lastMask = 0;  // dots of the last used byte inside the page width
    uint32_t rowsInBand = 0;
    uint32_t pendingFeed = 0;  // blank rows not yet fed
    // Rows are padded so that whole 16-byte loads from any used byte stay inside them.
    alignas(16) uint8_t band[kBandRows][kBandStride] = {};
    uint64_t used[kRowBytes / 8] = {};  // OR of the band's rows: which columns print
    uint8_t line[kBandStride * 24 + 8] = {};

    void Misuse(const char* what) {
        if (error.empty()) error = what;
    }

    void Put(std::initializer_list<uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); }
    void Put(std::span<const uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); }

    void Flush() {
        if (out.empty()) return;
        if (log) log->Bytes(out);
        if (!sinkFailed && !sink.Write(out)) {
            sinkFailed = true;
            if (error.empty()) error = "the output did not take the job's bytes";
        }
        out.clear();
    }

    void MaybeFlush() {
        if (out.size() >= kFlushAt) Flush();
    }

    void Operation(OperationPoint p) {
        Put(OperationBytes(settings.operations[size_t(p)]));
        MaybeFlush();
    }

    void FeedPending() {
        while (pendingFeed > 0) {
            const uint32_t n = std::min(pendingFeed, kMaxFeedStep);
            Put({0x1B, 0x33, uint8_t(n), 0x0A});
            pendingFeed -= n;
        }
    }

    // Sends the band of buffered rows (blank rows below them) and moves the paper by
    // `advance` rows; a blank band only adds to the pending feed.
    void EmitBand(uint32_t advance) {
        uint8_t usedBytes[kRowBytes];
        std::memcpy(usedBytes, used, sizeof usedBytes);
        size_t first = kRowBytes, last = 0;
        for (size_t g = 0; g < kRowBytes; ++g) {
            if (usedBytes[g]) {
                if (first == kRowBytes) first = g;
                last = g;
            }
        }
        if (first == kRowBytes) {
            pendingFeed += advance;
            return;
        }
        FeedPending();
        BandColumns(band, first, last, line);
        const uint32_t x = uint32_t(first * 8) + uint32_t(std::countl_zero(usedBytes[first]));
        const uint32_t end = uint32_t(last * 8 + 8) - uint32_t(std::countr_zero(usedBytes[last]));
        const uint32_t n = end - x;
        Put({0x1B, 0x24, uint8_t(x), uint8_t(x >> 8), 0x1B, 0x2A, 0x21, uint8_t(n), uint8_t(n >> 8)});
        Put(std::span<const uint8_t>(line + 3 * x, 3 * n));
        // The decoder resumes two bytes before a band's end. A 16 there starts its
        // raster-line test, whose look-ahead reaches up to 30 bytes further on; line-spacing
        // bytes without a line feed (which neither the printer nor the decoder moves on)
        // keep that look-ahead off everything that follows.
        const uint8_t mid = line[3 * end - 2], bottom = line[3 * end - 1];
        size_t cover = 0;
        if (mid == 0x16) cover = size_t(bottom) + 2;
        if (bottom == 0x16) cover = std::max<size_t>(cover, 30);
        for (size_t k = 0; k < cover; k += 3) Put({0x1B, 0x33, 0x18});
        Put({0x1B, 0x33, uint8_t(advance), 0x0A});
        MaybeFlush();
    }

    void EndBand(uint32_t advance) {
        // A short band prints blank below its rows.
        if (rowsInBand < kBandRows) std::memset(band[rowsInBand], 0, (kBandRows - rowsInBand) * kBandStride);
        EmitBand(advance);
        std::memset(used, 0, sizeof used);
        rowsInBand = 0;
    }
};

Engine::Engine(ByteSink& sink, JobSettings settings)
    : state_(std::make_unique<State>(sink, std::move(settings))) {}

Engine::~Engine() {
    if (state_->log) state_->log->Close();
}

void Engine::StartDocument() {
    State& s = *state_;
    if (s.phase != State::Phase::Idle) return s.Misuse("StartDocument called twice");
    s.phase = State::Phase::Document;
    if (s.settings.log.enabled) s.log = std::make_unique<DriverLog>(s.settings.log, s.settings.jobName);
    s.Put(JobPrologue(s.settings.density));
    s.Operation(OperationPoint::StartDocument);
}

void Engine::StartPage(uint32_t widthDots) {
    State& s = *state_;
    if (s.phase != State::Phase::Document) return s.Misuse("StartPage outside a document or inside a page");
    s.phase = State::Phase::Page;
    const uint32_t w = std::min(widthDots, kMaxDots);
    s.rowBytes = (w + 7) / 8;
    s.lastMask = uint8_t(0xFF00 >> (w % 8 ? w % 8 : 8));
    s.rowsInBand = 0;
    s.pendingFeed = 0;
    std::memset(s.used, 0, sizeof s.used);
    std::memset(s.band, 0, sizeof s.band);
    s.Operation(OperationPoint::StartPage);
    if (s.log) s.log->StartPage(w);
}

void Engine::WriteRow(std::span<const uint8_t> row) {
    State& s = *state_;
    if (s.phase != State::Phase::Page) return s.Misuse("WriteRow outside a page");
    uint8_t* dst = s.band[s.rowsInBand];
    const size_t n = std::min(row.size(), s.rowBytes);
    if (n) std::memcpy(dst, row.data(), n);
    if (n < s.rowBytes) std::memset(dst + n, 0, s.rowBytes - n);
    if (n == s.rowBytes && n > 0) dst[n - 1] &= s.lastMask;
    // Bytes past the page width stay zero from the page's start.
    for (size_t k = 0; k < kRowBytes / 8; ++k) {
        uint64_t v;
        std::memcpy(&v, dst + 8 * k, 8);
        s.used[k] |= v;
    }
    if (s.log) s.log->Row(dst, kRowBytes);
    if (++s.rowsInBand == kBandRows) s.EndBand(kBandRows);
}

void Engine::WriteCommand(std::span<const uint8_t> bytes) {
    State& s = *state_;
    if (s.phase != State::Phase::Page && s.phase != State::Phase::Document)
        return s.Misuse("WriteCommand outside a document");
    if (s.phase == State::Phase::Page) {
        // The rows so far go out as a band that moves the paper by their own count only,
        // so the caller's bytes land right below them.
        if (s.rowsInBand > 0) s.EndBand(s.rowsInBand);
        s.FeedPending();
    }
    s.Put(bytes);
    s.MaybeFlush();
}

void Engine::EndPage() {
    State& s = *state_;
    if (s.phase != State::Phase::Page) return s.Misuse("EndPage outside a page");
    if (s.rowsInBand > 0) s.EndBand(kBandRows);
    // Blank rows below the last printed band are not fed: the receipt ends there.
    s.pendingFeed = 0;
    s.Put(kPageEnd);
    s.Operation(OperationPoint::EndPage);
    s.phase = State::Phase::Document;
    if (s.log) s.log->EndPage();
}

void Engine::EndDocument() {
    State& s = *state_;
    if (s.phase != State::Phase::Document) return s.Misuse("EndDocument outside a document or inside a page");
    s.Operation(OperationPoint::EndDocument);
    s.Flush();
    s.phase = State::Phase::Ended;
    if (s.log) s.log->Close();
}

bool Engine::Ok() const {
    return state_->error.empty();
}

const std::string& Engine::Error() const {
    return state_->error;
}

const std::string& Engine::LogWarning() const {
    static const std::string kNone;
    return state_->log ? state_->log->Warning() : kNone;
}

}  // namespace k20::render
