#pragma once
// The sample prints of the barcode pages: byte builders that the pages, the tool and the
// tests share, and the sending of one raw job on the property sheet's printer handle.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/spooler.h"
#include "prnui/barcode/validation.h"
#include "prnui/core/private_settings.h"

namespace k20::barcode {

inline constexpr char kDocName1D[] = "Barcode";
inline constexpr char kDocName2D[] = "2Dcode";

// The WritePrinter calls of one job, in order.
using JobWrites = std::vector<std::vector<uint8_t>>;

// Line feed, then feed and partial cut.
inline constexpr uint8_t kSampleTrailer[] = {0x0A, 0x1D, 0x56, 0x42, 0x00};

// Builders over data that has already passed validation (Code128 already packed).
// Data longer than 255 bytes cannot be described by the length byte and gives no writes.
JobWrites Build1DSample(const prnui::BarcodeFont1DSlot& slot, std::span<const uint8_t> data);
JobWrites Build2DSample(const prnui::BarcodeFont2DSlot& slot, std::span<const uint8_t> data);

// Validation for the symbology stored in the slot, then the job. On rejection (or a
// symbology index outside the lists) `writes` stays empty.
struct SamplePlan {
    ValidationResult validation;
    JobWrites writes;
    bool ok() const { return validation.ok() && !writes.empty(); }
};
SamplePlan Plan1DSample(const prnui::BarcodeFont1DSlot& slot, std::vector<uint8_t> data);
SamplePlan Plan2DSample(const prnui::BarcodeFont2DSlot& slot, std::vector<uint8_t> data);

// Validation of the 2D page: the symbology's row, and for the GS1 symbologies a first
// byte of at most 128.
ValidationResult Validate2DData(int symbology, std::vector<uint8_t>& data);

std::vector<uint8_t> Flatten(const JobWrites& writes);

// One raw job: nothing is written when the document cannot be started, the document is
// ended when the page cannot be started, and a failed write ends page and document at once.
platform::Error SendSampleJob(platform::Spooler& spooler, platform::PrinterHandle printer,
                              const std::string& docName, const JobWrites& writes);

}  // namespace k20::barcode
