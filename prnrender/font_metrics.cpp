#include "prnrender/font_metrics.h"

#include <cstring>

#include "common/byte_reader.h"

namespace k20::prnrender {

namespace {

template <class T>
void Append(std::vector<uint8_t>& out, const T& v) {
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &v, sizeof(T));
}

void AppendText(std::vector<uint8_t>& out, std::u16string_view s) {
    for (char16_t c : s) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

// A 2-byte field of a record read as-is (all fields are little-endian, as the host).
template <class T>
bool ReadRecord(std::span<const uint8_t> file, size_t at, T& out) {
    ByteReader r(file);
    r.seek(at);
    std::span<const uint8_t> b = r.bytes(sizeof(T));
    if (!r.ok()) return false;
    std::memcpy(&out, b.data(), sizeof(T));
    return true;
}

bool Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

const std::vector<DeviceFontSpec>& DeviceFonts() {
    // Barcode fonts are as tall as the default bar height (163/180 inch) and as wide as
    // the default cell (eight element widths); the 2D fonts are the 9.5 points the 2D Code
    // page shows; the control font prints nothing and is the smallest cell there is.
    static const std::vector<DeviceFontSpec> fonts = [] {
        std::vector<DeviceFontSpec> v;
        for (int i = 1; i <= 8; ++i)
            v.push_back({uint32_t(i), u"1D Code" + std::u16string(1, char16_t(u'0' + i)),
                         "K20_1D" + std::to_string(i) + ".UFM", 184, 24});
        for (int i = 1; i <= 2; ++i)
            v.push_back({uint32_t(8 + i), u"2D Code" + std::u16string(1, char16_t(u'0' + i)),
                         "K20_2D" + std::to_string(i) + ".UFM", 27, 27});
        v.push_back({11, u"Control", "K20_CTRL.UFM", 3, 1});
        return v;
    }();
    return fonts;
}

std::vector<uint8_t> BuildUfm(const DeviceFontSpec& f) {
    UnifmHdr h{};
    h.dwVersion = kUnifmVersion;
    h.ulDefaultCodepage = kFontCodePage;
    h.lGlyphSetDataRCID = kGlyphSetResourceId;
    h.loUnidrvInfo = sizeof(UnifmHdr);
    h.loIFIMetrics = sizeof(UnifmHdr) + sizeof(UnidrvInfo);

    UnidrvInfo u{};
    u.dwSize = sizeof(UnidrvInfo);
    u.wType = 4;          // DF_TYPE_OEM1: resident in the printer
    u.fCaps = 1 | 2 | 8;  // no italic, no underline, no bold
    u.wXRes = u.wYRes = kFontResolution;

    IfiMetrics m{};
    const uint32_t names = sizeof(IfiMetrics);
    const uint32_t faceBytes = uint32_t(2 * (f.face.size() + 1));
    const uint32_t style = names + faceBytes;
    const uint32_t styleBytes = uint32_t(2 * (std::u16string_view(u"Regular").size() + 1));
    m.cjThis = names + 2 * faceBytes + styleBytes;  // family, style, face (unique name = face)
    m.dpwszFamilyName = int32_t(names);
    m.dpwszStyleName = int32_t(style);
    m.dpwszFaceName = int32_t(style + styleBytes);
    m.dpwszUniqueName = m.dpwszFaceName;
    m.jWinCharSet = 0;         // ANSI
    m.jWinPitchAndFamily = 1;  // fixed pitch
    m.usWinWeight = 400;
    m.flInfo = 0x2 | 0x20 | 0x800 | 0x1000;  // bitmap technology, 1 bpp, integer and constant width
    m.fsSelection = 0x40;                    // regular
    m.fwdUnitsPerEm = f.heightDots;
    m.fwdWinAscender = m.fwdMacAscender = m.fwdTypoAscender = f.heightDots;
    m.fwdAveCharWidth = m.fwdMaxCharInc = f.widthDots;
    m.fwdCapHeight = m.fwdXHeight = f.heightDots;
    m.fwdSubscriptXSize = m.fwdSuperscriptXSize = f.widthDots;
    m.fwdSubscriptYSize = m.fwdSuperscriptYSize = f.heightDots;
    m.fwdUnderscoreSize = m.fwdStrikeoutSize = 1;
    m.chFirstChar = uint8_t(kFirstCode);
    m.chLastChar = uint8_t(kLastCode);
    m.chDefaultChar = m.chBreakChar = uint8_t(kFirstCode);
    m.wcFirstChar = kFirstCode;
    m.wcLastChar = kLastCode;
    m.wcDefaultChar = m.wcBreakChar = kFirstCode;
    m.ptlBaseline = {1, 0};
    m.ptlAspect = {kFontResolution, kFontResolution};
    m.ptlCaret = {0, 1};
    m.rclFontBox = {0, f.heightDots, f.widthDots, 0};
    std::memcpy(m.achVendId, "K20 ", 4);

    std::vector<uint8_t> out;
    Append(out, h);
    Append(out, u);
    Append(out, m);
    AppendText(out, f.face);      // family
    AppendText(out, u"Regular");  // style
    AppendText(out, f.face);      // face
    while (out.size() % 4) out.push_back(0);
    const uint32_t size = uint32_t(out.size());
    std::memcpy(out.data() + offsetof(UnifmHdr, dwSize), &size, 4);
    return out;
}

std::vector<uint8_t> BuildGtt() {
    const uint32_t count = kLastCode - kFirstCode + 1;
    UniGlyphSetData g{};
    g.dwVersion = kGlyphSetVersion;
    g.lPredefinedID = kNoPredefinedConversion;
    g.dwGlyphCount = count;
    g.dwRunCount = 1;
    g.loRunOffset = sizeof(UniGlyphSetData);
    g.dwCodePageCount = 1;
    g.loCodePageOffset = g.loRunOffset + sizeof(GlyphRun);
    g.loMapTableOffset = g.loCodePageOffset + sizeof(UniCodePageInfo);
    MapTableHeader mt{};
    mt.dwSize = uint32_t(sizeof(MapTableHeader) + count * sizeof(TransData));
    mt.dwGlyphNum = count;
    g.dwSize = g.loMapTableOffset + mt.dwSize;

    std::vector<uint8_t> out;
    Append(out, g);
    Append(out, GlyphRun{kFirstCode, uint16_t(count)});
    UniCodePageInfo cp{};
    cp.dwCodePage = kFontCodePage;
    Append(out, cp);
    Append(out, mt);
    for (uint32_t i = 0; i < count; ++i)
        Append(out, TransData{1, kMapDirectSingle, {uint8_t(kFirstCode + i), 0}});
    return out;
}

std::optional<UfmInfo> ParseUfm(std::span<const uint8_t> file, std::string* why) {
    if (file.size() > kMaxMetricFileBytes) return Fail(why, "file too large"), std::nullopt;
    UnifmHdr h;
    if (!ReadRecord(file, 0, h)) return Fail(why, "header cut short"), std::nullopt;
    if (h.dwSize != file.size()) return Fail(why, "size field differs from the file"), std::nullopt;
    if (h.dwVersion != kUnifmVersion) return Fail(why, "unknown version"), std::nullopt;
    UnidrvInfo u;
    if (h.loUnidrvInfo % 4 || !ReadRecord(file, h.loUnidrvInfo, u) || u.dwSize < sizeof(UnidrvInfo))
        return Fail(why, "driver information outside the file"), std::nullopt;
    IfiMetrics m;
    if (h.loIFIMetrics % 4 || !ReadRecord(file, h.loIFIMetrics, m))
        return Fail(why, "metrics outside the file"), std::nullopt;
    if (m.cjThis < sizeof(IfiMetrics) || m.cjThis > file.size() - h.loIFIMetrics)
        return Fail(why, "metrics size outside the file"), std::nullopt;
    if (m.dpwszFaceName < int32_t(sizeof(IfiMetrics)) || uint32_t(m.dpwszFaceName) >= m.cjThis)
        return Fail(why, "face name outside the metrics"), std::nullopt;
    std::span<const uint8_t> ifi = file.subspan(h.loIFIMetrics, m.cjThis);
    UfmInfo info;
    bool terminated = false;
    for (size_t at = size_t(m.dpwszFaceName); at + 1 < ifi.size(); at += 2) {
        char16_t c = char16_t(ifi[at] | (ifi[at + 1] << 8));
        if (!c) {
            terminated = true;
            break;
        }
        info.face.push_back(c);
    }
    if (!terminated) return Fail(why, "face name not terminated"), std::nullopt;
    if (m.chFirstChar > m.chLastChar) return Fail(why, "first character after the last"), std::nullopt;
    info.glyphSetId = h.lGlyphSetDataRCID;
    info.codePage = h.ulDefaultCodepage;
    info.height = m.fwdUnitsPerEm;
    info.width = m.fwdAveCharWidth;
    info.xRes = u.wXRes;
    info.yRes = u.wYRes;
    info.firstChar = m.chFirstChar;
    info.lastChar = m.chLastChar;
    return info;
}

std::optional<GttInfo> ParseGtt(std::span<const uint8_t> file, std::string* why) {
    if (file.size() > kMaxMetricFileBytes) return Fail(why, "file too large"), std::nullopt;
    UniGlyphSetData g;
    if (!ReadRecord(file, 0, g)) return Fail(why, "header cut short"), std::nullopt;
    if (g.dwSize != file.size() || g.dwVersion != kGlyphSetVersion)
        return Fail(why, "size or version wrong"), std::nullopt;
    if (g.dwRunCount != 1 || g.dwCodePageCount != 1)
        return Fail(why, "not one run and one code page"), std::nullopt;
    GlyphRun run;
    UniCodePageInfo cp;
    MapTableHeader mt;
    if (!ReadRecord(file, g.loRunOffset, run) || !ReadRecord(file, g.loCodePageOffset, cp) ||
        !ReadRecord(file, g.loMapTableOffset, mt))
        return Fail(why, "a part lies outside the file"), std::nullopt;
    if (run.wGlyphCount != g.dwGlyphCount || mt.dwGlyphNum != g.dwGlyphCount)
        return Fail(why, "glyph counts disagree"), std::nullopt;
    const uint64_t tableEnd =
        uint64_t(g.loMapTableOffset) + sizeof(MapTableHeader) + uint64_t(mt.dwGlyphNum) * 4;
    if (tableEnd > file.size() || mt.dwSize != sizeof(MapTableHeader) + uint64_t(mt.dwGlyphNum) * 4)
        return Fail(why, "map table outside the file"), std::nullopt;
    GttInfo info;
    info.firstCode = run.wcLow;
    info.glyphCount = g.dwGlyphCount;
    info.codePage = cp.dwCodePage;
    for (uint32_t i = 0; i < mt.dwGlyphNum; ++i) {
        TransData t;
        ReadRecord(file, g.loMapTableOffset + sizeof(MapTableHeader) + size_t(i) * 4, t);
        if ((t.ubType & 0x07) != 0x02) return Fail(why, "glyph not mapped directly"), std::nullopt;
        info.bytes.push_back(t.code[0]);
    }
    return info;
}

}  // namespace k20::prnrender
