#pragma once
// The plug-in's private part of the printer's DEVMODE. The rendering side of the driver
// reads these bytes at print time, so the layout is a fixed byte format: packed,
// little-endian, 1980 bytes, several dwords at offsets that are not multiples of 4.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "prnui/core/com_results.h"

namespace k20::prnui {

static_assert(std::endian::native == std::endian::little, "the record is stored in host byte order");

inline constexpr uint32_t kPrivateSettingsSize = 1980;
inline constexpr uint32_t kPrivateSettingsSignature = 0x00504C52;  // 'PLR'
inline constexpr uint32_t kPrivateSettingsVersion = 1;
inline constexpr uint32_t kHeaderSize = 12;

#pragma pack(push, 1)

// A UTF-16LE text field of N units, NUL-terminated within its length. Held as bytes
// because the record places these fields at unaligned offsets.
template <size_t N>
struct TextField {
    uint8_t bytes[2 * N];
    static constexpr size_t kUnits = N;
    std::u16string get() const {
        std::u16string r;
        for (size_t i = 0; i < N; ++i) {
            char16_t c = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            if (!c) break;
            r.push_back(c);
        }
        return r;
    }
    // Zero-fills the whole field, then copies at most N - 1 units.
    void set(std::u16string_view t) {
        for (auto& b : bytes) b = 0;
        for (size_t i = 0; i < t.size() && i + 1 < N; ++i) {
            bytes[2 * i] = uint8_t(t[i]);
            bytes[2 * i + 1] = uint8_t(t[i] >> 8);
        }
    }
};

struct DmExtraHeader {  // the host's OEM_DMEXTRAHEADER
    uint32_t dwSize;
    uint32_t dwSignature;
    uint32_t dwVersion;
};

// The four operation blocks hold the same fields in three slightly different orders.
struct OperationSettingsA {  // startDoc
    uint8_t commandEnabled;
    uint8_t feedToCut;
    uint8_t command[128];
    uint8_t commandLength;
    uint8_t drawer;
    uint8_t cut;
    uint8_t feedMm;
    uint8_t herald;
    uint8_t reserved135;
    uint32_t drawerOrHerald;
    uint8_t buzzerVolume;
    uint8_t buzzer;
    uint8_t logo;
    uint8_t logoAlign;
    uint8_t logoPosition;
};

struct OperationSettingsB {  // startPage
    uint8_t commandEnabled;
    uint8_t feedToCut;
    uint8_t command[128];
    uint8_t commandLength;
    uint8_t drawer;
    uint8_t cut;
    uint8_t feedMm;
    uint8_t buzzerVolume;
    uint8_t herald;
    uint8_t reserved136[3];
    uint32_t drawerOrHerald;
    uint8_t buzzer;
    uint8_t logo;
    uint8_t logoAlign;
    uint8_t logoPosition;
};

struct OperationSettingsC {  // endDoc, endPage
    uint8_t commandEnabled;
    uint8_t feedToCut;
    uint8_t command[128];
    uint8_t commandLength;
    uint8_t drawer;
    uint8_t cut;
    uint8_t feedMm;
    uint8_t buzzerVolume;
    uint8_t herald;
    uint32_t drawerOrHerald;
    uint8_t buzzer;
    uint8_t logo;
    uint8_t logoAlign;
    uint8_t logoPosition;
};

struct BarcodeFont1DSlot {
    uint8_t type;
    uint8_t elementWidth;
    uint8_t reserved2[2];
    uint32_t barHeight;
    uint8_t hriPosition;
    uint8_t hriFont;
    uint8_t reserved10[2];
    uint32_t cellWidth;
    uint32_t fontSize;
    uint8_t gs1ElementWidth;
    uint8_t reserved21[3];
    uint32_t gs1RowHeight;
    uint32_t gs1CompositeRowHeight;
    uint8_t gs1SeparatorHeight;
    uint8_t gs1Hri;
    uint8_t gs1ApplyAi;
    uint8_t reserved35;
};

struct BarcodeFont2DSlot {
    uint8_t type;
    uint8_t pdfElementWidth;
    uint8_t pdfElementHeight;
    uint8_t pdfColumns;
    uint8_t pdfRows;
    uint8_t pdfErrorLevel;
    uint8_t gs1ElementWidth;
    uint8_t reserved7;
    uint32_t gs1RowHeight;
    uint32_t gs1CompositeRowHeight;
    uint8_t gs1SeparatorHeight;
    uint8_t gs1Segments;
    uint8_t gs1Hri;
    uint8_t gs1ApplyAi;
    uint8_t qrElementWidth;
    uint8_t qrLanguage;
    uint8_t qrModel;
    uint8_t qrErrorLevel;
};

struct PrivateSettings {
    DmExtraHeader header;
    int32_t reservedLevel;
    OperationSettingsA startDoc;
    OperationSettingsB startPage;
    OperationSettingsC endDoc;
    OperationSettingsC endPage;
    BarcodeFont1DSlot barcode1D[8];
    BarcodeFont2DSlot barcode2D[2];
    uint8_t reservedA;
    uint8_t reservedB;
    uint8_t reservedTextA[32];
    uint8_t reservedTextB[32];
    uint8_t printAsImage;
    uint8_t reservedC;
    TextField<125> watermarkBitmapPath;
    uint8_t watermarkMode;
    uint8_t reservedD;
    TextField<16> watermarkText;
    TextField<50> watermarkFontFace;
    uint8_t watermarkFontSize;
    uint8_t watermarkFontStyle;
    uint8_t reservedE[2];
    uint32_t watermarkAngle;
    uint8_t watermarkPosition;
    uint8_t watermarkSize;
    uint8_t watermarkBrightness;
    uint8_t zoomScale;
    uint8_t rotate180;
    uint8_t reservedF;
    TextField<32> paperSizeName;
    uint8_t zoomEnabled;
    uint8_t logEnabled;
    TextField<256> logFolder;
    uint8_t logSavePrn;
    uint8_t logSaveBmp;
    uint8_t logSaveJpeg;
    uint8_t reservedG;
};

#pragma pack(pop)

#define K20_AT(T, f, off) static_assert(offsetof(T, f) == (off), #T "." #f)
K20_AT(DmExtraHeader, dwSignature, 4);
K20_AT(DmExtraHeader, dwVersion, 8);
static_assert(sizeof(OperationSettingsA) == 145 && sizeof(OperationSettingsB) == 147 &&
              sizeof(OperationSettingsC) == 144);
K20_AT(OperationSettingsA, command, 2);
K20_AT(OperationSettingsA, commandLength, 130);
K20_AT(OperationSettingsA, drawer, 131);
K20_AT(OperationSettingsA, cut, 132);
K20_AT(OperationSettingsA, feedMm, 133);
K20_AT(OperationSettingsA, herald, 134);
K20_AT(OperationSettingsA, drawerOrHerald, 136);
K20_AT(OperationSettingsA, buzzerVolume, 140);
K20_AT(OperationSettingsA, buzzer, 141);
K20_AT(OperationSettingsA, logo, 142);
K20_AT(OperationSettingsA, logoAlign, 143);
K20_AT(OperationSettingsA, logoPosition, 144);
K20_AT(OperationSettingsB, commandLength, 130);
K20_AT(OperationSettingsB, feedMm, 133);
K20_AT(OperationSettingsB, buzzerVolume, 134);
K20_AT(OperationSettingsB, herald, 135);
K20_AT(OperationSettingsB, drawerOrHerald, 139);
K20_AT(OperationSettingsB, buzzer, 143);
K20_AT(OperationSettingsB, logo, 144);
K20_AT(OperationSettingsB, logoAlign, 145);
K20_AT(OperationSettingsB, logoPosition, 146);
K20_AT(OperationSettingsC, feedMm, 133);
K20_AT(OperationSettingsC, buzzerVolume, 134);
K20_AT(OperationSettingsC, herald, 135);
K20_AT(OperationSettingsC, drawerOrHerald, 136);
K20_AT(OperationSettingsC, buzzer, 140);
K20_AT(OperationSettingsC, logo, 141);
K20_AT(OperationSettingsC, logoAlign, 142);
K20_AT(OperationSettingsC, logoPosition, 143);
static_assert(sizeof(BarcodeFont1DSlot) == 36 && sizeof(BarcodeFont2DSlot) == 24);
K20_AT(BarcodeFont1DSlot, barHeight, 4);
K20_AT(BarcodeFont1DSlot, hriPosition, 8);
K20_AT(BarcodeFont1DSlot, hriFont, 9);
K20_AT(BarcodeFont1DSlot, cellWidth, 12);
K20_AT(BarcodeFont1DSlot, fontSize, 16);
K20_AT(BarcodeFont1DSlot, gs1ElementWidth, 20);
K20_AT(BarcodeFont1DSlot, gs1RowHeight, 24);
K20_AT(BarcodeFont1DSlot, gs1CompositeRowHeight, 28);
K20_AT(BarcodeFont1DSlot, gs1SeparatorHeight, 32);
K20_AT(BarcodeFont1DSlot, gs1Hri, 33);
K20_AT(BarcodeFont1DSlot, gs1ApplyAi, 34);
K20_AT(BarcodeFont2DSlot, gs1ElementWidth, 6);
K20_AT(BarcodeFont2DSlot, gs1RowHeight, 8);
K20_AT(BarcodeFont2DSlot, gs1CompositeRowHeight, 12);
K20_AT(BarcodeFont2DSlot, gs1SeparatorHeight, 16);
K20_AT(BarcodeFont2DSlot, gs1Segments, 17);
K20_AT(BarcodeFont2DSlot, qrElementWidth, 20);
K20_AT(BarcodeFont2DSlot, qrErrorLevel, 23);
K20_AT(PrivateSettings, reservedLevel, 12);
K20_AT(PrivateSettings, startDoc, 16);
K20_AT(PrivateSettings, startPage, 161);
K20_AT(PrivateSettings, endDoc, 308);
K20_AT(PrivateSettings, endPage, 452);
K20_AT(PrivateSettings, barcode1D, 596);
K20_AT(PrivateSettings, barcode2D, 884);
K20_AT(PrivateSettings, reservedA, 932);
K20_AT(PrivateSettings, reservedB, 933);
K20_AT(PrivateSettings, reservedTextA, 934);
K20_AT(PrivateSettings, reservedTextB, 966);
K20_AT(PrivateSettings, printAsImage, 998);
K20_AT(PrivateSettings, reservedC, 999);
K20_AT(PrivateSettings, watermarkBitmapPath, 1000);
K20_AT(PrivateSettings, watermarkMode, 1250);
K20_AT(PrivateSettings, watermarkText, 1252);
K20_AT(PrivateSettings, watermarkFontFace, 1284);
K20_AT(PrivateSettings, watermarkFontSize, 1384);
K20_AT(PrivateSettings, watermarkFontStyle, 1385);
K20_AT(PrivateSettings, watermarkAngle, 1388);
K20_AT(PrivateSettings, watermarkPosition, 1392);
K20_AT(PrivateSettings, watermarkSize, 1393);
K20_AT(PrivateSettings, watermarkBrightness, 1394);
K20_AT(PrivateSettings, zoomScale, 1395);
K20_AT(PrivateSettings, rotate180, 1396);
K20_AT(PrivateSettings, paperSizeName, 1398);
K20_AT(PrivateSettings, zoomEnabled, 1462);
K20_AT(PrivateSettings, logEnabled, 1463);
K20_AT(PrivateSettings, logFolder, 1464);
K20_AT(PrivateSettings, logSavePrn, 1976);
K20_AT(PrivateSettings, logSaveBmp, 1977);
K20_AT(PrivateSettings, logSaveJpeg, 1978);
K20_AT(PrivateSettings, reservedG, 1979);
#undef K20_AT
static_assert(sizeof(PrivateSettings) == kPrivateSettingsSize);

// The four operation points, and their fields independent of the block layout.
enum class OperationPoint { StartDoc = 0, StartPage = 1, EndDoc = 2, EndPage = 3 };

struct OperationValues {
    uint8_t commandEnabled = 0;
    uint8_t feedToCut = 0;
    uint8_t command[128] = {};
    uint8_t commandLength = 0;
    uint8_t drawer = 0;
    uint8_t cut = 0;
    uint8_t feedMm = 0;
    uint8_t herald = 0;
    uint32_t drawerOrHerald = 0;
    uint8_t buzzerVolume = 0;
    uint8_t buzzer = 0;
    uint8_t logo = 0;
    uint8_t logoAlign = 0;
    uint8_t logoPosition = 0;
    bool operator==(const OperationValues&) const = default;
};

OperationValues ReadOperation(const PrivateSettings& s, OperationPoint p);
void WriteOperation(PrivateSettings& s, OperationPoint p, const OperationValues& v);

// Default record; logFolder is the drive of systemDirectory plus "PellamorDriverlog\K-20".
void SetDefaults(PrivateSettings& s, std::u16string_view systemDirectory);
std::u16string DefaultLogFolder(std::u16string_view systemDirectory);

// The host's DEVMODE operation. `out` / `in` may be null; outCapacity is the size of the
// output buffer as the host gave it (cbBufSize); inAvailable bounds what may be read of
// `in` when the caller knows it (SIZE_MAX when only the record's own dwSize tells).
enum : uint32_t { kOemDmSize = 1, kOemDmDefault = 2, kOemDmConvert = 3, kOemDmMerge = 4 };
struct DevModeParam {
    const uint8_t* in = nullptr;
    size_t inAvailable = SIZE_MAX;
    uint8_t* out = nullptr;
    uint32_t cbBufSize = 0;  // in: size of `out`; the size mode writes the record size here
};
CallResult DevMode(uint32_t mode, DevModeParam* param, std::u16string_view systemDirectory);

// Every field as "name = value" lines, in record order (for the tool and the host demo).
std::string DescribeSettings(const PrivateSettings& s);

}  // namespace k20::prnui
