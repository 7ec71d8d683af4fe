#include "prnui/core/private_settings.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <sstream>

#include "common/text.h"

namespace k20::prnui {

namespace {

template <class Block>
OperationValues ReadBlock(const Block& b) {
    OperationValues v;
    v.commandEnabled = b.commandEnabled;
    v.feedToCut = b.feedToCut;
    std::memcpy(v.command, b.command, sizeof v.command);
    v.commandLength = b.commandLength;
    v.drawer = b.drawer;
    v.cut = b.cut;
    v.feedMm = b.feedMm;
    v.herald = b.herald;
    v.drawerOrHerald = b.drawerOrHerald;
    v.buzzerVolume = b.buzzerVolume;
    v.buzzer = b.buzzer;
    v.logo = b.logo;
    v.logoAlign = b.logoAlign;
    v.logoPosition = b.logoPosition;
    return v;
}

template <class Block>
void WriteBlock(Block& b, const OperationValues& v) {
    b.commandEnabled = v.commandEnabled;
    b.feedToCut = v.feedToCut;
    std::memcpy(b.command, v.command, sizeof b.command);
    b.commandLength = v.commandLength;
    b.drawer = v.drawer;
    b.cut = v.cut;
    b.feedMm = v.feedMm;
    b.herald = v.herald;
    b.drawerOrHerald = v.drawerOrHerald;
    b.buzzerVolume = v.buzzerVolume;
    b.buzzer = v.buzzer;
    b.logo = v.logo;
    b.logoAlign = v.logoAlign;
    b.logoPosition = v.logoPosition;
}

constexpr uint8_t kDefault1DTypes[8] = {0, 1, 3, 4, 5, 6, 7, 8};

void SetBodyDefaults(PrivateSettings& s, std::u16string_view systemDirectory) {
    DmExtraHeader h = s.header;
    std::memset(&s, 0, sizeof s);
    s.header = h;

    OperationValues op;
    op.drawer = 12;  // both drawers, 60 ms pulses
    WriteBlock(s.startDoc, op);
    op = OperationValues{};
    op.feedToCut = 1;
    op.cut = 1;
    WriteBlock(s.endDoc, op);

    for (int i = 0; i < 8; ++i) {
        auto& b = s.barcode1D[i];
        b.type = kDefault1DTypes[i];
        b.elementWidth = 3;
        b.barHeight = 163;
        b.cellWidth = 24;
        b.fontSize = 163;
        b.gs1ElementWidth = 2;
        b.gs1RowHeight = 100;
        b.gs1CompositeRowHeight = 2;
        b.gs1SeparatorHeight = 1;
        b.gs1Hri = 1;
        b.gs1ApplyAi = 1;
    }
    for (auto& b : s.barcode2D) {
        b.pdfElementWidth = 3;
        b.pdfElementHeight = 3;
        b.pdfColumns = 3;
        b.pdfRows = 3;
        b.pdfErrorLevel = 5;
        b.gs1ElementWidth = 2;
        b.gs1RowHeight = 100;
        b.gs1CompositeRowHeight = 2;
        b.gs1SeparatorHeight = 2;
        b.gs1Segments = 4;
        b.gs1Hri = 1;
        b.gs1ApplyAi = 1;
        b.qrElementWidth = 3;
        b.qrModel = 1;
        b.qrErrorLevel = 1;
    }
    s.watermarkFontSize = 50;
    s.watermarkAngle = 45;
    s.watermarkPosition = 4;
    s.watermarkSize = 100;
    s.watermarkBrightness = 50;
    s.zoomScale = 100;
    s.logFolder.set(DefaultLogFolder(systemDirectory));
}

void WriteHeader(uint8_t* out) {
    DmExtraHeader h{kPrivateSettingsSize, kPrivateSettingsSignature, kPrivateSettingsVersion};
    std::memcpy(out, &h, sizeof h);
}

}  // namespace

OperationValues ReadOperation(const PrivateSettings& s, OperationPoint p) {
    switch (p) {
        case OperationPoint::StartDoc:
            return ReadBlock(s.startDoc);
        case OperationPoint::StartPage:
            return ReadBlock(s.startPage);
        case OperationPoint::EndDoc:
            return ReadBlock(s.endDoc);
        case OperationPoint::EndPage:
            return ReadBlock(s.endPage);
    }
    return {};
}

void WriteOperation(PrivateSettings& s, OperationPoint p, const OperationValues& v) {
    switch (p) {
        case OperationPoint::StartDoc:
            WriteBlock(s.startDoc, v);
            break;
        case OperationPoint::StartPage:
            WriteBlock(s.startPage, v);
            break;
        case OperationPoint::EndDoc:
            WriteBlock(s.endDoc, v);
            break;
        case OperationPoint::EndPage:
            WriteBlock(s.endPage, v);
            break;
    }
}

std::u16string DefaultLogFolder(std::u16string_view systemDirectory) {
    return std::u16string(systemDirectory.substr(0, std::min<size_t>(3, systemDirectory.size()))) +
           u"PellamorDriverlog\\K-20";
}

void SetDefaults(PrivateSettings& s, std::u16string_view systemDirectory) {
    WriteHeader(reinterpret_cast<uint8_t*>(&s));
    SetBodyDefaults(s, systemDirectory);
}

CallResult DevMode(uint32_t mode, DevModeParam* param, std::u16string_view systemDirectory) {
    const CallResult invalid{kE_FAIL, kERROR_INVALID_PARAMETER};
    if (!param || mode < kOemDmSize || mode > kOemDmMerge) return invalid;
    if (mode == kOemDmSize) {
        param->cbBufSize = kPrivateSettingsSize;
        return {};
    }
    uint8_t* out = param->out;
    if (mode == kOemDmDefault) {
        if (!out) return invalid;
        // A buffer smaller than the record would be written past its end.
        if (param->cbBufSize < kPrivateSettingsSize) return {kE_FAIL, kERROR_INSUFFICIENT_BUFFER};
        PrivateSettings s;
        SetDefaults(s, systemDirectory);
        std::memcpy(out, &s, sizeof s);
        return {};
    }

    // Convert, then for merge the header again and the level limit.
    const uint8_t* in = param->in;
    if (!in || !out) return {};
    if (param->cbBufSize < kPrivateSettingsSize) return {kE_FAIL, kERROR_INSUFFICIENT_BUFFER};

    PrivateSettings work;
    std::memcpy(&work, out, sizeof work);
    const uint32_t outSizeBefore = std::min(work.header.dwSize, kPrivateSettingsSize);

    // A record too short to hold its own header cannot carry our signature.
    uint32_t inSize = 0, inSignature = 0;
    const bool inHeaderReadable = param->inAvailable >= kHeaderSize;
    if (inHeaderReadable) {
        std::memcpy(&inSize, in, 4);
        std::memcpy(&inSignature, in + 4, 4);
    }
    const bool same = inHeaderReadable && inSize >= kHeaderSize && inSignature == work.header.dwSignature;

    SetBodyDefaults(work, systemDirectory);
    if (same) {
        size_t n = std::min<size_t>(std::min(inSize, outSizeBefore), param->inAvailable);
        std::memcpy(&work, in, n);
        work.header.dwSize = kPrivateSettingsSize;
        work.header.dwVersion = kPrivateSettingsVersion;
    } else {
        WriteHeader(reinterpret_cast<uint8_t*>(&work));
    }
    if (mode == kOemDmMerge) {
        WriteHeader(reinterpret_cast<uint8_t*>(&work));
        if (work.reservedLevel > 100) work.reservedLevel = 0;
    }
    std::memcpy(out, &work, sizeof work);
    return {};
}

namespace {

void Line(std::ostringstream& o, const std::string& name, long long v) {
    o << name << " = " << v << "\n";
}

template <size_t N>
void Text(std::ostringstream& o, const std::string& name, const TextField<N>& f) {
    o << name << " = \"" << Utf16ToUtf8(f.get()) << "\"\n";
}

void Bytes(std::ostringstream& o, const std::string& name, const uint8_t* b, size_t n) {
    static const char* hex = "0123456789ABCDEF";
    o << name << " =";
    for (size_t i = 0; i < n; ++i) o << ' ' << hex[b[i] >> 4] << hex[b[i] & 15];
    o << "\n";
}

}  // namespace

std::string DescribeSettings(const PrivateSettings& s) {
    std::ostringstream o;
    char sig[16];
    std::snprintf(sig, sizeof sig, "0x%08X", unsigned(s.header.dwSignature));
    Line(o, "dwSize", s.header.dwSize);
    o << "dwSignature = " << sig << "\n";
    Line(o, "dwVersion", s.header.dwVersion);
    Line(o, "reservedLevel", s.reservedLevel);
    const char* ops[] = {"startDoc", "startPage", "endDoc", "endPage"};
    for (int i = 0; i < 4; ++i) {
        OperationValues v = ReadOperation(s, OperationPoint(i));
        std::string p = std::string(ops[i]) + ".";
        Line(o, p + "commandEnabled", v.commandEnabled);
        Line(o, p + "feedToCut", v.feedToCut);
        Bytes(o, p + "command", v.command, std::min<size_t>(v.commandLength, 128));
        Line(o, p + "commandLength", v.commandLength);
        Line(o, p + "drawer", v.drawer);
        Line(o, p + "cut", v.cut);
        Line(o, p + "feedMm", v.feedMm);
        Line(o, p + "herald", v.herald);
        Line(o, p + "drawerOrHerald", v.drawerOrHerald);
        Line(o, p + "buzzerVolume", v.buzzerVolume);
        Line(o, p + "buzzer", v.buzzer);
        Line(o, p + "logo", v.logo);
        Line(o, p + "logoAlign", v.logoAlign);
        Line(o, p + "logoPosition", v.logoPosition);
    }
    for (int i = 0; i < 8; ++i) {
        const auto& b = s.barcode1D[i];
        std::string p = "barcode1D[" + std::to_string(i) + "].";
        Line(o, p + "type", b.type);
        Line(o, p + "elementWidth", b.elementWidth);
        Line(o, p + "barHeight", b.barHeight);
        Line(o, p + "hriPosition", b.hriPosition);
        Line(o, p + "hriFont", b.hriFont);
        Line(o, p + "cellWidth", b.cellWidth);
        Line(o, p + "fontSize", b.fontSize);
        Line(o, p + "gs1ElementWidth", b.gs1ElementWidth);
        Line(o, p + "gs1RowHeight", b.gs1RowHeight);
        Line(o, p + "gs1CompositeRowHeight", b.gs1CompositeRowHeight);
        Line(o, p + "gs1SeparatorHeight", b.gs1SeparatorHeight);
        Line(o, p + "gs1Hri", b.gs1Hri);
        Line(o, p + "gs1ApplyAi", b.gs1ApplyAi);
    }
    for (int i = 0; i < 2; ++i) {
        const auto& b = s.barcode2D[i];
        std::string p = "barcode2D[" + std::to_string(i) + "].";
        Line(o, p + "type", b.type);
        Line(o, p + "pdfElementWidth", b.pdfElementWidth);
        Line(o, p + "pdfElementHeight", b.pdfElementHeight);
        Line(o, p + "pdfColumns", b.pdfColumns);
        Line(o, p + "pdfRows", b.pdfRows);
        Line(o, p + "pdfErrorLevel", b.pdfErrorLevel);
        Line(o, p + "gs1ElementWidth", b.gs1ElementWidth);
        Line(o, p + "gs1RowHeight", b.gs1RowHeight);
        Line(o, p + "gs1CompositeRowHeight", b.gs1CompositeRowHeight);
        Line(o, p + "gs1SeparatorHeight", b.gs1SeparatorHeight);
        Line(o, p + "gs1Segments", b.gs1Segments);
        Line(o, p + "gs1Hri", b.gs1Hri);
        Line(o, p + "gs1ApplyAi", b.gs1ApplyAi);
        Line(o, p + "qrElementWidth", b.qrElementWidth);
        Line(o, p + "qrLanguage", b.qrLanguage);
        Line(o, p + "qrModel", b.qrModel);
        Line(o, p + "qrErrorLevel", b.qrErrorLevel);
    }
    Line(o, "reservedA", s.reservedA);
    Line(o, "reservedB", s.reservedB);
    Bytes(o, "reservedTextA", s.reservedTextA, 32);
    Bytes(o, "reservedTextB", s.reservedTextB, 32);
    Line(o, "printAsImage", s.printAsImage);
    Line(o, "reservedC", s.reservedC);
    Text(o, "watermarkBitmapPath", s.watermarkBitmapPath);
    Line(o, "watermarkMode", s.watermarkMode);
    Text(o, "watermarkText", s.watermarkText);
    Text(o, "watermarkFontFace", s.watermarkFontFace);
    Line(o, "watermarkFontSize", s.watermarkFontSize);
    Line(o, "watermarkFontStyle", s.watermarkFontStyle);
    Line(o, "watermarkAngle", s.watermarkAngle);
    Line(o, "watermarkPosition", s.watermarkPosition);
    Line(o, "watermarkSize", s.watermarkSize);
    Line(o, "watermarkBrightness", s.watermarkBrightness);
    Line(o, "zoomScale", s.zoomScale);
    Line(o, "rotate180", s.rotate180);
    Text(o, "paperSizeName", s.paperSizeName);
    Line(o, "zoomEnabled", s.zoomEnabled);
    Line(o, "logEnabled", s.logEnabled);
    Text(o, "logFolder", s.logFolder);
    Line(o, "logSavePrn", s.logSavePrn);
    Line(o, "logSaveBmp", s.logSaveBmp);
    Line(o, "logSaveJpeg", s.logSaveJpeg);
    Line(o, "reservedG", s.reservedG);
    return o.str();
}

}  // namespace k20::prnui
