#pragma once
// The printer's device fonts as Unidrv reads them: one font metrics file (.UFM) per
// font and one glyph translation table (.GTT) that maps the printable ASCII codes
// straight to the printer's bytes. The records are laid out as the printer-font
// documentation describes them (UNIFM_HDR, UNIDRVINFO, IFIMETRICS, UNI_GLYPHSETDATA,
// GLYPHRUN, UNI_CODEPAGEINFO, MAPTABLE/TRANSDATA): packed, little-endian, every offset
// checked below. The generator in tools/ufmgen writes them; the parser reads them back
// through the bounded reader for the tests and the fuzz harness.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace k20::prnrender {

#pragma pack(push, 1)
struct UnifmHdr {
    uint32_t dwSize;
    uint32_t dwVersion;
    uint32_t ulDefaultCodepage;
    int32_t lGlyphSetDataRCID;
    uint32_t loUnidrvInfo;
    uint32_t loIFIMetrics;
    uint32_t loExtTextMetric;
    uint32_t loWidthTable;
    uint32_t loKernPair;
    uint32_t dwReserved[2];
};
struct Invoc {
    uint32_t dwCount;
    uint32_t loOffset;
};
struct UnidrvInfo {
    uint32_t dwSize;
    uint32_t flGenFlags;
    uint16_t wType;
    uint16_t fCaps;
    uint16_t wXRes;
    uint16_t wYRes;
    int16_t sYAdjust;
    int16_t sYMoved;
    uint16_t wPrivateData;
    int16_t sShift;
    Invoc SelectFont;
    Invoc UnSelectFont;
    uint16_t wReserved[4];
};
struct PointL {
    int32_t x, y;
};
struct RectL {
    int32_t left, top, right, bottom;
};
// IFIMETRICS as a 32-bit build lays it out; the name offsets are relative to its start.
struct IfiMetrics {
    uint32_t cjThis;
    uint32_t cjIfiExtra;
    int32_t dpwszFamilyName;
    int32_t dpwszStyleName;
    int32_t dpwszFaceName;
    int32_t dpwszUniqueName;
    int32_t dpFontSim;
    int32_t lEmbedId;
    int32_t lItalicAngle;
    int32_t lCharBias;
    int32_t dpCharSets;
    uint8_t jWinCharSet;
    uint8_t jWinPitchAndFamily;
    uint16_t usWinWeight;
    uint32_t flInfo;
    uint16_t fsSelection;
    uint16_t fsType;
    int16_t fwdUnitsPerEm, fwdLowestPPEm, fwdWinAscender, fwdWinDescender, fwdMacAscender, fwdMacDescender,
        fwdMacLineGap, fwdTypoAscender, fwdTypoDescender, fwdTypoLineGap, fwdAveCharWidth, fwdMaxCharInc,
        fwdCapHeight, fwdXHeight, fwdSubscriptXSize, fwdSubscriptYSize, fwdSubscriptXOffset,
        fwdSubscriptYOffset, fwdSuperscriptXSize, fwdSuperscriptYSize, fwdSuperscriptXOffset,
        fwdSuperscriptYOffset, fwdUnderscoreSize, fwdUnderscorePosition, fwdStrikeoutSize,
        fwdStrikeoutPosition;
    uint8_t chFirstChar, chLastChar, chDefaultChar, chBreakChar;
    uint16_t wcFirstChar, wcLastChar, wcDefaultChar, wcBreakChar;
    PointL ptlBaseline;
    PointL ptlAspect;
    PointL ptlCaret;
    RectL rclFontBox;
    uint8_t achVendId[4];
    uint32_t cKerningPairs;
    uint32_t ulPanoseCulture;
    uint8_t panose[10];
    uint8_t pad[2];  // the structure ends on a four-byte boundary
};
struct UniGlyphSetData {
    uint32_t dwSize;
    uint32_t dwVersion;
    uint32_t dwFlags;
    int32_t lPredefinedID;
    uint32_t dwGlyphCount;
    uint32_t dwRunCount;
    uint32_t loRunOffset;
    uint32_t dwCodePageCount;
    uint32_t loCodePageOffset;
    uint32_t loMapTableOffset;
    uint32_t dwReserved[2];
};
struct GlyphRun {
    uint16_t wcLow;
    uint16_t wGlyphCount;
};
struct UniCodePageInfo {
    uint32_t dwCodePage;
    Invoc SelectSymbolSet;
    Invoc UnSelectSymbolSet;
};
struct MapTableHeader {
    uint32_t dwSize;
    uint32_t dwGlyphNum;
};
struct TransData {
    uint8_t ubCodePageID;
    uint8_t ubType;
    uint8_t code[2];
};
#pragma pack(pop)

static_assert(sizeof(UnifmHdr) == 44 && offsetof(UnifmHdr, lGlyphSetDataRCID) == 12 &&
              offsetof(UnifmHdr, loIFIMetrics) == 20 && offsetof(UnifmHdr, loKernPair) == 32);
static_assert(sizeof(UnidrvInfo) == 48 && offsetof(UnidrvInfo, wXRes) == 12 &&
              offsetof(UnidrvInfo, SelectFont) == 24 && offsetof(UnidrvInfo, UnSelectFont) == 32 &&
              offsetof(UnidrvInfo, wReserved) == 40);
static_assert(offsetof(IfiMetrics, dpwszFaceName) == 16 && offsetof(IfiMetrics, jWinCharSet) == 44 &&
              offsetof(IfiMetrics, flInfo) == 48 && offsetof(IfiMetrics, fwdUnitsPerEm) == 56 &&
              offsetof(IfiMetrics, fwdAveCharWidth) == 76 && offsetof(IfiMetrics, chFirstChar) == 108 &&
              offsetof(IfiMetrics, wcFirstChar) == 112 && offsetof(IfiMetrics, ptlBaseline) == 120 &&
              offsetof(IfiMetrics, rclFontBox) == 144 && offsetof(IfiMetrics, achVendId) == 160 &&
              offsetof(IfiMetrics, panose) == 172 && sizeof(IfiMetrics) == 184);
static_assert(sizeof(UniGlyphSetData) == 48 && offsetof(UniGlyphSetData, loMapTableOffset) == 36);
static_assert(sizeof(GlyphRun) == 4 && sizeof(UniCodePageInfo) == 20 && sizeof(MapTableHeader) == 8 &&
              sizeof(TransData) == 4);

inline constexpr uint32_t kUnifmVersion = 0x10000;
inline constexpr uint32_t kGlyphSetVersion = 0x10000;
inline constexpr int32_t kNoPredefinedConversion = 0xFFFF;  // CC_NOPRECNV
inline constexpr uint8_t kMapDirectSingle = 0x02 | 0x08;    // MTYPE_DIRECT | MTYPE_SINGLE
inline constexpr uint32_t kFontCodePage = 1252;
inline constexpr uint16_t kFontResolution = 203;
inline constexpr uint16_t kFirstCode = 0x20, kLastCode = 0x7E;
// The glyph table's and the fonts' resource numbers in the resource DLL.
inline constexpr int32_t kGlyphSetResourceId = 1;
// Resource types of the printer-font resources in the resource DLL.
inline constexpr uint16_t kResourceTypeUfm = 260;
inline constexpr uint16_t kResourceTypeGtt = 261;
// A metric file is a few hundred bytes; anything much larger is not ours.
inline constexpr size_t kMaxMetricFileBytes = 64 * 1024;

struct DeviceFontSpec {
    uint32_t resourceId;   // the GPD's font number, also the plug-in's FontFromId
    std::u16string face;   // the name applications select
    std::string fileName;  // the .UFM file
    int16_t heightDots;
    int16_t widthDots;
};
// "1D Code1".."1D Code8", "2D Code1", "2D Code2" and "Control", in resource order.
const std::vector<DeviceFontSpec>& DeviceFonts();
inline constexpr char kGlyphSetFileName[] = "K20.GTT";

std::vector<uint8_t> BuildUfm(const DeviceFontSpec& font);
std::vector<uint8_t> BuildGtt();

struct UfmInfo {
    std::u16string face;
    int32_t glyphSetId = 0;
    uint32_t codePage = 0;
    int16_t height = 0, width = 0;
    uint16_t xRes = 0, yRes = 0;
    uint8_t firstChar = 0, lastChar = 0;
};
// Every offset and count is checked against the file before it is followed.
std::optional<UfmInfo> ParseUfm(std::span<const uint8_t> file, std::string* why = nullptr);

struct GttInfo {
    uint16_t firstCode = 0;
    uint32_t glyphCount = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> bytes;  // the printer byte of each glyph, in glyph order
};
std::optional<GttInfo> ParseGtt(std::span<const uint8_t> file, std::string* why = nullptr);

}  // namespace k20::prnrender
