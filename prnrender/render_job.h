#pragma once
// One print job as the rendering plug-in sees it, kept free of windows.h: the host
// hands over 1-bit bands, the operation points (through command callbacks), the
// density choice, and runs of text in the printer's device fonts. The job keeps the
// page's rows, applies what the record asks of the page (zoom, watermark, rotation by
// 180 degrees) and passes rows and device-font commands to the engine at the page's end.
//
// Pages are kept whole because a rotated page starts with its last row and a watermark
// placed in the middle or at the bottom needs the page's height; an 80 mm page row is
// 72 bytes, so even the longest roll form stays under 2 MiB.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "prnui/core/private_settings.h"
#include "prnui/pages/control_font_table.h"
#include "prnui/pages/watermark_bitmap.h"

namespace k20::prnrender {

inline constexpr uint32_t kMaxPageDots = 576;  // an 80 mm roll at 203 dpi
// A band that claims more rows than this is taken as damage, not a page.
inline constexpr uint32_t kMaxPageRows = 65535;

enum class Density : uint8_t { Light = 0, Normal = 1, Dark = 2 };

// What the job drives: the engine, behind a thin adapter, or a recorder in tests.
class JobOutput {
  public:
    virtual ~JobOutput() = default;
    virtual void StartDocument() = 0;
    virtual void StartPage(uint32_t widthDots) = 0;
    virtual void WriteRow(std::span<const uint8_t> row) = 0;
    virtual void WriteCommand(std::span<const uint8_t> bytes) = 0;
    virtual void EndPage() = 0;
    virtual void EndDocument() = 0;
};

// Makes the output when the document starts, once the density is known. The record is
// empty when the job's DEVMODE carried none of ours.
using OutputFactory =
    std::function<std::unique_ptr<JobOutput>(std::span<const uint8_t> record, Density density)>;

// Our record in the job's DEVMODE: the private part the host hands over, or failing
// that, an extra section with our header behind the public DEVMODE. A record must carry
// our size, signature and version and lie wholly inside the bytes given.
bool IsOurRecord(std::span<const uint8_t> bytes);
std::optional<std::vector<uint8_t>> FindRecord(std::span<const uint8_t> privatePart,
                                               std::span<const uint8_t> driverExtra);

// The device fonts, by the font resource numbers of the printer description.
enum class FontKind : uint8_t { None, Code1D, Code2D, Control };
struct DeviceFont {
    FontKind kind = FontKind::None;
    int slot = 0;  // 0-based slot of the record's barcode block
};
inline constexpr uint32_t kFirst1DFontId = 1;   // "1D Code1" .. "1D Code8": 1..8
inline constexpr uint32_t kFirst2DFontId = 9;   // "2D Code1", "2D Code2": 9, 10
inline constexpr uint32_t kControlFontId = 11;  // "Control"
DeviceFont FontFromId(uint32_t fontId);

// Text in a device font as the printer's bytes: the barcode command of the slot (the
// shape of the barcode pages' sample jobs, without their feed and cut), or the control
// font table's commands. Text that the slot's validation rejects prints nothing.
std::vector<uint8_t> DeviceFontCommand(const prnui::PrivateSettings& record, DeviceFont font,
                                       std::u16string_view text, const prnui::ControlFontTable* controlTable);

// A band of the page as the host draws it: 1 bit per pixel, rows `stride` bytes apart.
struct Band {
    const uint8_t* bits = nullptr;
    size_t size = 0;  // bytes available at bits
    uint32_t width = 0;
    uint32_t height = 0;
    size_t stride = 0;
    bool bottomUp = false;   // a DIB with a positive height
    bool oneIsBlack = true;  // from the band's colour table
    int32_t x = 0, y = 0;    // the band's place on the page
};

// The page raster: top-down rows, most significant bit leftmost, 1 = black.
struct PageRaster {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t stride = 0;
    std::vector<uint8_t> bits;
    uint8_t* Row(uint32_t y) { return bits.data() + size_t(y) * stride; }
    const uint8_t* Row(uint32_t y) const { return bits.data() + size_t(y) * stride; }
    bool Dot(uint32_t x, uint32_t y) const { return Row(y)[x / 8] & (0x80 >> (x % 8)); }
    void SetDot(uint32_t x, uint32_t y) { Row(y)[x / 8] |= uint8_t(0x80 >> (x % 8)); }
};

// Page transformations, each tested on its own.
PageRaster ZoomPage(const PageRaster& page, int percent);
void RotatePage180(PageRaster& page);
// Dark pixels of the 24-bit watermark (after the brightness) become black dots, placed
// as the Watermark page's preview places the bitmap in its box.
void CompositeWatermark(PageRaster& page, const prnui::KeptBitmap& mark, int position, int sizePercent,
                        uint8_t brightness);

struct JobConfig {
    std::vector<uint8_t> record;  // empty: not ours, print plainly
    std::optional<prnui::KeptBitmap>
        watermark;  // the working file, when the record asks for one and it reads
    std::optional<prnui::ControlFontTable> controlFont;
};

class RenderJob {
  public:
    RenderJob(JobConfig config, OutputFactory factory);
    ~RenderJob();

    void SetDensity(Density d) { density_ = d; }
    void StartDocument();
    void StartPage();
    void AddBand(const Band& band);
    // The cursor's row on the page, from the host's vertical moves.
    void MoveToRow(uint32_t row);
    void DeviceText(uint32_t fontId, std::u16string_view text);
    void EndPage();
    void EndDocument();

    const prnui::PrivateSettings& Settings() const { return settings_; }
    bool HasRecord() const { return !config_.record.empty(); }

  private:
    struct PendingCommand {
        uint32_t row;
        std::vector<uint8_t> bytes;
    };
    void EnsureDocument();
    void EnsureRows(uint32_t rows, uint32_t width);

    JobConfig config_;
    OutputFactory factory_;
    prnui::PrivateSettings settings_{};
    Density density_ = Density::Normal;
    std::unique_ptr<JobOutput> out_;
    bool inPage_ = false;
    PageRaster page_;
    std::optional<uint32_t> cursorRow_;
    std::vector<PendingCommand> commands_;
};

}  // namespace k20::prnrender
