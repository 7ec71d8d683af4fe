#include "prnrender/render_job.h"

#include <algorithm>
#include <cstring>

#include "common/byte_reader.h"
#include "prnui/barcode/sample_job.h"

namespace k20::prnrender {

using prnui::kPrivateSettingsSignature;
using prnui::kPrivateSettingsSize;
using prnui::kPrivateSettingsVersion;

bool IsOurRecord(std::span<const uint8_t> bytes) {
    ByteReader r(bytes);
    const uint32_t size = r.u32(), signature = r.u32(), version = r.u32();
    return r.ok() && size == kPrivateSettingsSize && signature == kPrivateSettingsSignature &&
           version == kPrivateSettingsVersion && bytes.size() >= kPrivateSettingsSize;
}

std::optional<std::vector<uint8_t>> FindRecord(std::span<const uint8_t> privatePart,
                                               std::span<const uint8_t> driverExtra) {
    if (IsOurRecord(privatePart))
        return std::vector<uint8_t>(privatePart.begin(), privatePart.begin() + kPrivateSettingsSize);
    // The extra part holds the system driver's own private part and then one section per
    // plug-in, each starting with its header; the driver's part has no header to step over
    // it by, so every even offset is tried. Twelve matching header bytes do not occur by chance.
    for (size_t at = 0; at + kPrivateSettingsSize <= driverExtra.size(); at += 2) {
        std::span<const uint8_t> rest = driverExtra.subspan(at);
        if (IsOurRecord(rest)) return std::vector<uint8_t>(rest.begin(), rest.begin() + kPrivateSettingsSize);
    }
    return std::nullopt;
}

DeviceFont FontFromId(uint32_t id) {
    if (id >= kFirst1DFontId && id < kFirst1DFontId + 8) return {FontKind::Code1D, int(id - kFirst1DFontId)};
    if (id >= kFirst2DFontId && id < kFirst2DFontId + 2) return {FontKind::Code2D, int(id - kFirst2DFontId)};
    if (id == kControlFontId) return {FontKind::Control, 0};
    return {};
}

namespace {

// Barcode data is 8-bit text; characters beyond one byte have no barcode meaning and
// would fail every validation row anyway.
std::vector<uint8_t> TextBytes(std::u16string_view text) {
    std::vector<uint8_t> b;
    b.reserve(text.size());
    for (char16_t c : text) b.push_back(c < 0x100 ? uint8_t(c) : uint8_t('?'));
    return b;
}

// The sample job without its last write, the feed and cut that ends a sample print.
std::vector<uint8_t> WithoutTrailer(const barcode::JobWrites& writes) {
    if (writes.empty()) return {};
    barcode::JobWrites body(writes.begin(), writes.end() - 1);
    return barcode::Flatten(body);
}

}  // namespace

std::vector<uint8_t> DeviceFontCommand(const prnui::PrivateSettings& record, DeviceFont font,
                                       std::u16string_view text, const prnui::ControlFontTable* table) {
    switch (font.kind) {
        case FontKind::Code1D: {
            barcode::SamplePlan plan = barcode::Plan1DSample(record.barcode1D[font.slot], TextBytes(text));
            return plan.ok() ? WithoutTrailer(plan.writes) : std::vector<uint8_t>{};
        }
        case FontKind::Code2D: {
            barcode::SamplePlan plan = barcode::Plan2DSample(record.barcode2D[font.slot], TextBytes(text));
            return plan.ok() ? WithoutTrailer(plan.writes) : std::vector<uint8_t>{};
        }
        case FontKind::Control: {
            std::vector<uint8_t> out;
            if (!table) return out;
            for (char16_t c : text) {
                if (c < prnui::kControlFontFirstCode || c > prnui::kControlFontLastCode) continue;
                std::vector<uint8_t> cmd = (*table)[c - prnui::kControlFontFirstCode].Bytes();
                if (cmd.size() > prnui::kMaxCommandBytes) continue;
                out.insert(out.end(), cmd.begin(), cmd.end());
            }
            return out;
        }
        case FontKind::None:
            break;
    }
    return {};
}

// ---- page transformations ----

PageRaster ZoomPage(const PageRaster& page, int percent) {
    if (percent <= 0 || percent >= 100 || page.width == 0 || page.height == 0) return page;
    PageRaster z;
    z.width = std::max<uint32_t>(1, uint32_t(uint64_t(page.width) * percent / 100));
    z.height = std::max<uint32_t>(1, uint32_t(uint64_t(page.height) * percent / 100));
    z.stride = (z.width + 7) / 8;
    z.bits.assign(z.stride * z.height, 0);
    for (uint32_t y = 0; y < z.height; ++y) {
        const uint32_t sy = uint32_t(uint64_t(y) * 100 / percent);
        for (uint32_t x = 0; x < z.width; ++x) {
            const uint32_t sx = uint32_t(uint64_t(x) * 100 / percent);
            if (sx < page.width && sy < page.height && page.Dot(sx, sy)) z.SetDot(x, y);
        }
    }
    return z;
}

void RotatePage180(PageRaster& page) {
    PageRaster r = page;
    std::fill(r.bits.begin(), r.bits.end(), 0);
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x)
            if (page.Dot(x, y)) r.SetDot(page.width - 1 - x, page.height - 1 - y);
    page = std::move(r);
}

void CompositeWatermark(PageRaster& page, const prnui::KeptBitmap& mark, int position, int sizePercent,
                        uint8_t brightness) {
    if (mark.width <= 0 || mark.height <= 0 || page.width == 0 || page.height == 0) return;
    if (mark.pixels.size() < mark.stride * size_t(mark.height)) return;
    auto dark = [&](int sx, int sy) {
        // Kept rows are bottom-up; the placement speaks of top-down rows.
        const uint8_t* p = mark.pixels.data() + size_t(mark.height - 1 - sy) * mark.stride + size_t(sx) * 3;
        int sum = 0;
        for (int i = 0; i < 3; ++i) sum += std::min(255, p[i] + brightness);
        return sum < 3 * 128;
    };
    for (const prnui::StretchOp& op : prnui::PlaceWatermark(mark.width, mark.height, int(page.width),
                                                            int(page.height), position, sizePercent)) {
        if (op.dstW <= 0 || op.dstH <= 0 || op.srcW <= 0 || op.srcH <= 0) continue;
        for (int dy = 0; dy < op.dstH; ++dy) {
            const int y = op.dstY + dy;
            const int sy = op.srcY + int(int64_t(dy) * op.srcH / op.dstH);
            if (y < 0 || uint32_t(y) >= page.height || sy < 0 || sy >= mark.height) continue;
            for (int dx = 0; dx < op.dstW; ++dx) {
                const int x = op.dstX + dx;
                const int sx = op.srcX + int(int64_t(dx) * op.srcW / op.dstW);
                if (x < 0 || uint32_t(x) >= page.width || sx < 0 || sx >= mark.width) continue;
                if (dark(sx, sy)) page.SetDot(uint32_t(x), uint32_t(y));
            }
        }
    }
}

// ---- the job ----

RenderJob::RenderJob(JobConfig config, OutputFactory factory)
    : config_(std::move(config)), factory_(std::move(factory)) {
    if (!config_.record.empty() && IsOurRecord(config_.record)) {
        std::memcpy(&settings_, config_.record.data(), kPrivateSettingsSize);
    } else {
        config_.record.clear();
        prnui::SetDefaults(settings_, u"C:\\");
        config_.watermark.reset();
    }
}

RenderJob::~RenderJob() = default;

void RenderJob::EnsureDocument() {
    if (out_) return;
    out_ = factory_(config_.record, density_);
    if (out_) out_->StartDocument();
}

void RenderJob::StartDocument() {
    EnsureDocument();
}

void RenderJob::StartPage() {
    EnsureDocument();
    if (inPage_) EndPage();
    inPage_ = true;
    page_ = PageRaster{};
    cursorRow_.reset();
    commands_.clear();
}

void RenderJob::EnsureRows(uint32_t rows, uint32_t width) {
    if (page_.width == 0) {
        page_.width = std::min(width, kMaxPageDots);
        page_.stride = (page_.width + 7) / 8;
    }
    if (rows > page_.height) {
        page_.bits.resize(size_t(rows) * page_.stride, 0);
        page_.height = rows;
    }
}

void RenderJob::AddBand(const Band& b) {
    if (!inPage_) StartPage();
    if (!b.bits || b.width == 0 || b.height == 0 || b.height > kMaxPageRows || b.y < 0 || b.x < 0) return;
    const uint64_t need = uint64_t(b.stride) * (b.height - 1) + (uint64_t(b.width) + 7) / 8;
    if (b.stride < (uint64_t(b.width) + 7) / 8 || need > b.size) return;
    const uint64_t lastRow = uint64_t(b.y) + b.height;
    if (lastRow > kMaxPageRows) return;
    EnsureRows(uint32_t(lastRow), uint32_t(std::min<uint64_t>(uint64_t(b.x) + b.width, kMaxPageDots)));
    for (uint32_t i = 0; i < b.height; ++i) {
        const uint8_t* src = b.bits + size_t(b.bottomUp ? b.height - 1 - i : i) * b.stride;
        const uint32_t y = uint32_t(b.y) + i;
        for (uint32_t x = 0; x < b.width; ++x) {
            const uint32_t px = uint32_t(b.x) + x;
            if (px >= page_.width) break;
            const bool set = (src[x / 8] & (0x80 >> (x % 8))) != 0;
            if (set == b.oneIsBlack) page_.SetDot(px, y);
        }
    }
}

void RenderJob::MoveToRow(uint32_t row) {
    cursorRow_ = std::min(row, kMaxPageRows);
}

void RenderJob::DeviceText(uint32_t fontId, std::u16string_view text) {
    if (!inPage_) StartPage();
    DeviceFont f = FontFromId(fontId);
    std::vector<uint8_t> bytes =
        DeviceFontCommand(settings_, f, text, config_.controlFont ? &*config_.controlFont : nullptr);
    if (bytes.empty()) return;
    const uint32_t row = cursorRow_ ? *cursorRow_ : page_.height;
    commands_.push_back({row, std::move(bytes)});
}

void RenderJob::EndPage() {
    if (!inPage_) return;
    inPage_ = false;
    if (!out_) return;
    // Commands placed below the last drawn row still belong to this page.
    uint32_t lastCommandRow = 0;
    for (auto& c : commands_) lastCommandRow = std::max(lastCommandRow, c.row);
    if (page_.width == 0) EnsureRows(0, kMaxPageDots);
    EnsureRows(std::max(page_.height, lastCommandRow), page_.width);

    PageRaster page = page_;
    const uint32_t originalHeight = page.height;
    int zoom = 100;
    if (settings_.zoomEnabled == 1 && settings_.zoomScale >= 10 && settings_.zoomScale < 100) {
        zoom = settings_.zoomScale;
        page = ZoomPage(page, zoom);
    }
    if (config_.watermark && (settings_.watermarkMode == 1 || settings_.watermarkMode == 2) &&
        settings_.watermarkPosition <= prnui::kTiledPosition && settings_.watermarkSize <= 100)
        CompositeWatermark(page, *config_.watermark, settings_.watermarkPosition, settings_.watermarkSize,
                           settings_.watermarkBrightness);
    const bool rotate = settings_.rotate180 == 1;
    if (rotate) RotatePage180(page);

    std::vector<PendingCommand> cmds = std::move(commands_);
    commands_.clear();
    for (auto& c : cmds) {
        uint32_t r = originalHeight ? uint32_t(uint64_t(c.row) * page.height / originalHeight) : 0;
        if (zoom == 100) r = c.row;
        if (rotate) r = page.height - std::min(r, page.height);
        c.row = std::min(r, page.height);
    }
    std::stable_sort(cmds.begin(), cmds.end(), [](const auto& a, const auto& b) { return a.row < b.row; });

    out_->StartPage(page.width);
    size_t next = 0;
    for (uint32_t y = 0; y <= page.height; ++y) {
        while (next < cmds.size() && cmds[next].row == y) out_->WriteCommand(cmds[next++].bytes);
        if (y < page.height) out_->WriteRow({page.Row(y), page.stride});
    }
    out_->EndPage();
}

void RenderJob::EndDocument() {
    if (inPage_) EndPage();
    EnsureDocument();
    if (out_) out_->EndDocument();
    out_.reset();
}

}  // namespace k20::prnrender
