#include "prnui/barcode/sample_job.h"

#include "prnui/barcode/symbology.h"

namespace k20::barcode {
namespace {

using Bytes = std::vector<uint8_t>;

uint8_t Low(uint32_t v) {
    return uint8_t(v & 0xFF);
}

}  // namespace

JobWrites Build1DSample(const prnui::BarcodeFont1DSlot& s, std::span<const uint8_t> data) {
    if (s.type >= k1DSymbologyCount || data.size() > 255) return {};
    const Symbology1D& sym = Symbologies1D()[s.type];
    const uint8_t h = Low(s.barHeight), w = s.elementWidth, m = sym.printerCode;
    JobWrites out;
    const Bytes body(data.begin(), data.end());
    switch (sym.shape) {
        case Shape1D::Plain:
            out.push_back({0x1D, 0x66, s.hriFont, 0x1D, 0x48, s.hriPosition, 0x1D, 0x77, w, 0x1D, 0x68, h,
                           0x1D, 0x6B, m});
            out.push_back(body);
            out.push_back({0x00});
            break;
        case Shape1D::LengthByte:
            // The full header ends as a NUL-terminated command with no data; the printer
            // then takes the short form with the length byte.
            out.push_back({0x1D, 0x66, s.hriFont, 0x1D, 0x48, s.hriPosition, 0x1D, 0x77, w, 0x1D, 0x68, h,
                           0x1D, 0x6B, m});
            out.push_back({0x00});
            out.push_back({0x1D, 0x77, w, 0x1D, 0x68, h, 0x1D, 0x6B, m});
            out.push_back({uint8_t(data.size())});
            out.push_back(body);
            out.push_back({0x00});
            break;
        case Shape1D::Gs1:
            out.push_back({0x1D, 0x66, 0x00, 0x1D, 0x48, 0x00, 0x1D, 0x73, sym.gs1Type, s.gs1ElementWidth,
                           Low(s.gs1RowHeight), Low(s.gs1CompositeRowHeight), s.gs1SeparatorHeight, 0x02,
                           s.gs1Hri, s.gs1ApplyAi, 0x1D, 0x6B, 0x0D});
            out.push_back(body);
            out.push_back({0x00});
            break;
    }
    out.push_back(Bytes(std::begin(kSampleTrailer), std::end(kSampleTrailer)));
    return out;
}

JobWrites Build2DSample(const prnui::BarcodeFont2DSlot& s, std::span<const uint8_t> data) {
    if (s.type >= k2DSymbologyCount) return {};
    const Symbology2D& sym = Symbologies2D()[s.type];
    JobWrites out;
    switch (sym.header) {
        case Header2D::Pdf417:
            out.push_back({0x1D, 0x70, 0x01, 0x01, s.pdfRows, s.pdfColumns, s.pdfElementWidth,
                           s.pdfElementHeight, 0x1D, 0x71, s.pdfErrorLevel, 0x1D, 0x6B, 0x0A});
            break;
        case Header2D::Gs1Stacked:
            out.push_back({0x1D, 0x66, 0x00, 0x1D, 0x48, 0x00, 0x1D, 0x73, sym.gs1Type, s.gs1ElementWidth,
                           Low(s.gs1RowHeight), Low(s.gs1CompositeRowHeight), s.gs1SeparatorHeight,
                           s.gs1Segments, s.gs1Hri, s.gs1ApplyAi, 0x1D, 0x6B, 0x0D});
            break;
        case Header2D::Qr: {
            static constexpr uint8_t kLetters[] = {'L', 'M', 'H', 'Q'};
            const uint8_t letter = kLetters[s.qrErrorLevel < 3 ? s.qrErrorLevel : 3];
            out.push_back({0x1D, 0x6F, 0x00, s.qrElementWidth, s.qrLanguage, s.qrModel, 0x1D, 0x6B, 0x0B,
                           letter, 'A', ','});
            break;
        }
        case Header2D::MaxiCode:
            out.push_back({0x1D, 0x71, 0x00, 0x1D, 0x6B, 0x0C});
            break;
    }
    out.push_back(Bytes(data.begin(), data.end()));
    out.push_back({0x00});
    out.push_back(Bytes(std::begin(kSampleTrailer), std::end(kSampleTrailer)));
    return out;
}

ValidationResult Validate2DData(int symbology, std::vector<uint8_t>& data) {
    if (symbology < 0 || symbology >= k2DSymbologyCount) {
        ValidationResult r;
        r.verdict = Verdict::BadRow;
        return r;
    }
    const Symbology2D& sym = Symbologies2D()[size_t(symbology)];
    ValidationResult r = ValidateBarcodeData(sym.validationRow, data);
    if (r.ok() && sym.header == Header2D::Gs1Stacked && data[0] > 128) {
        r.verdict = Verdict::Gs1FirstByte;
        r.position = 0;
        r.byte = data[0];
    }
    return r;
}

SamplePlan Plan1DSample(const prnui::BarcodeFont1DSlot& slot, std::vector<uint8_t> data) {
    SamplePlan p;
    if (slot.type >= k1DSymbologyCount) {
        p.validation.verdict = Verdict::BadRow;
        return p;
    }
    const Symbology1D& sym = Symbologies1D()[slot.type];
    // General barcodes are validated by their printer code, GS1 rows by their row.
    const int code = sym.shape == Shape1D::Gs1 ? slot.type : sym.printerCode;
    p.validation = ValidateBarcodeData(code, data);
    if (p.validation.ok()) p.writes = Build1DSample(slot, data);
    return p;
}

SamplePlan Plan2DSample(const prnui::BarcodeFont2DSlot& slot, std::vector<uint8_t> data) {
    SamplePlan p;
    p.validation = Validate2DData(slot.type, data);
    if (p.validation.ok()) p.writes = Build2DSample(slot, data);
    return p;
}

std::vector<uint8_t> Flatten(const JobWrites& writes) {
    std::vector<uint8_t> all;
    for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
    return all;
}

platform::Error SendSampleJob(platform::Spooler& spooler, platform::PrinterHandle printer,
                              const std::string& docName, const JobWrites& writes) {
    return platform::SendRawJob(spooler, printer, docName, writes);
}

}  // namespace k20::barcode
