#pragma once
// The rendering engine: one print job's events (document and page boundaries, rows of
// a 1-bit page raster) become the printer's byte stream, written to a sink as it is
// made. The same engine serves k20tool, the Windows rendering plug-in and the printer
// application, so it knows nothing of any of them: no windows.h, no PAPPL, no files
// except through the driver log it may be asked to keep.
//
// The stream uses only commands that the driver-log decoder reads back (24-dot bit
// image bands, absolute positions, line spacing with line feed, the page-end marker)
// plus the operation commands at the four operation points, so every job can be
// decoded into the pages it was given.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace k20::prnui {
struct PrivateSettings;
}

namespace k20::render {

inline constexpr uint32_t kDotsPerInch = 203;
inline constexpr uint32_t kDotsPerMm = 8;
// An 80 mm roll: wider page rows are clipped to this many dots.
inline constexpr uint32_t kMaxDots = 576;

// Where the bytes go: a file, a socket, the spooler, memory. A sink that fails once
// stays failed; the engine stops writing and reports the job as failed.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual bool Write(std::span<const uint8_t> bytes) = 0;
};

class MemorySink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t> bytes) override {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return true;
    }
    std::vector<uint8_t> data;
};

enum class OperationPoint : uint8_t { StartDocument = 0, StartPage = 1, EndPage = 2, EndDocument = 3 };
enum class Cut : uint8_t { None = 0, Partial = 1, Full = 2 };
enum class LogoAlign : uint8_t { Left = 0, Center = 1, Right = 2 };
enum class LogoPosition : uint8_t { BeforeCut = 0, AfterCut = 1 };
enum class Density : uint8_t { Light = 0, Normal = 1, Dark = 2 };

// One operation point as the record's block stores it, with every value already
// limited to its list (an out-of-range stored value counts as "none").
struct Operation {
    std::vector<uint8_t> command;  // sent when non-empty: at most 128 bytes
    bool herald = false;           // the block chose the herald instead of the drawer
    uint8_t drawer = 0;            // 0 none, 1..12: the drawer list's entries
    uint8_t heraldChoice = 0;      // the herald list's stored position
    uint8_t buzzer = 0;            // 0 off, 1..5: one, three, five, ten, twenty beeps
    uint8_t buzzerVolume = 0;
    uint8_t feedMm = 0;  // 0..100
    bool feedToCut = false;
    Cut cut = Cut::None;
    uint8_t logo = 0;  // 0 none, 1..9: the printer's stored logo
    LogoAlign logoAlign = LogoAlign::Left;
    LogoPosition logoPosition = LogoPosition::BeforeCut;
};

struct LogSettings {
    bool enabled = false;
    bool savePrn = false;
    bool saveBmp = false;
    bool saveJpeg = false;
    std::string folder;  // the log root; day folders are made below it
    // File names, UTF-8. Empty: the local date as YYYYMMDD for the day folder, and the
    // local time HHMMSS plus the job name for the job's files.
    std::string dayFolder;
    std::string timeStamp;
};

struct JobSettings {
    std::array<Operation, 4> operations;  // indexed by OperationPoint
    Density density = Density::Normal;
    LogSettings log;
    std::string jobName;  // for the driver log's file names only
};

// The stored choices of a private settings record. A record whose signature, version
// or size is not ours gives the defaults (no operations, no log).
JobSettings SettingsFromRecord(const prnui::PrivateSettings& record);
JobSettings SettingsFromRecordBytes(std::span<const uint8_t> record);

// The printer bytes of each stored choice (the table in render/README.md). Every
// parameter byte avoids the values the driver-log decoder looks for (15, 16, 1B), so
// that these commands never move the decoded image.
std::vector<uint8_t> DensityCommand(Density d);
std::vector<uint8_t> DrawerCommand(uint8_t drawer);  // 0..12; other values: none
std::vector<uint8_t> HeraldCommand(uint8_t heraldChoice);
std::vector<uint8_t> BuzzerCommand(uint8_t buzzer);  // 0..5
std::vector<uint8_t> FeedCommand(uint32_t dots);
std::vector<uint8_t> LogoCommand(uint8_t logo, LogoAlign align);
std::vector<uint8_t> CutCommand(Cut cut, bool feedToCut);
// All of one operation point, in the fixed order: raw command, drawer or herald,
// buzzer, feed, logo before the cut, feed to the cut position and cut, logo after it.
std::vector<uint8_t> OperationBytes(const Operation& op);

// The job's first bytes: initialise, density, and one dot of feed so that the first
// printed row is not the row the decoder keeps out of its image.
std::vector<uint8_t> JobPrologue(Density d);
// The page end: the decoder's page-boundary marker and six bytes that feed the 24 dots
// it counts and restore the default line spacing.
inline constexpr std::array<uint8_t, 10> kPageEnd = {0x1B, 0x33, 0x00, 0x0A, 0x1B,
                                                     0x4A, 0x18, 0x1B, 0x33, 0x1E};

// Call order: StartDocument, then per page StartPage, WriteRow for each row, EndPage,
// and EndDocument last. A call out of order is ignored and reported through Error().
class Engine {
  public:
    Engine(ByteSink& sink, JobSettings settings);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void StartDocument();
    void StartPage(uint32_t widthDots);
    // One raster row: ceil(width / 8) bytes, most significant bit leftmost, 1 = black.
    void WriteRow(std::span<const uint8_t> row);
    // Bytes of the caller's own (a barcode, a control-font command) placed at the
    // current row: pending bands and feeds are written first.
    void WriteCommand(std::span<const uint8_t> bytes);
    void EndPage();
    void EndDocument();

    bool Ok() const;
    const std::string& Error() const;
    // A driver log that could not be written does not fail the job; this says why.
    const std::string& LogWarning() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace k20::render
