#include "printerapp/job_options.h"

#include <algorithm>
#include <charconv>

namespace k20::printerapp {

namespace {

using render::Cut;
using render::LogoAlign;
using render::LogoPosition;
using render::OperationPoint;

// The order of the drawer values is the engine's drawer list: none, then drawer #1,
// drawer #2 and both, each with a pulse wait of 10, 20, 40 and 60 ms.
const std::vector<const char*> kDrawerValues = {
    "none",         "drawer1-10ms", "drawer1-20ms", "drawer1-40ms", "drawer1-60ms",
    "drawer2-10ms", "drawer2-20ms", "drawer2-40ms", "drawer2-60ms", "both-10ms",
    "both-20ms",    "both-40ms",    "both-60ms"};
// The engine's buzzer list counts beeps in these steps.
const std::vector<int> kBuzzerCounts = {0, 1, 3, 5, 10, 20};
const std::vector<const char*> kCutValues = {"none", "partial", "full", "partial-feed", "full-feed"};

const std::vector<VendorOption>& Table() {
    static const std::vector<VendorOption> table = {
        {"cut-page", OptionSyntax::Keyword, kCutValues, {}, 0, 0, "none"},
        {"cut-job", OptionSyntax::Keyword, kCutValues, {}, 0, 0, "partial-feed"},
        {"drawer", OptionSyntax::Keyword, kDrawerValues, {}, 0, 0, "none"},
        {"buzzer", OptionSyntax::IntegerList, {}, kBuzzerCounts, 0, 0, "0"},
        {"logo", OptionSyntax::Range, {}, {}, 0, 9, "0"},
        {"logo-align", OptionSyntax::Keyword, {"left", "center", "right"}, {}, 0, 0, "center"},
        {"logo-position", OptionSyntax::Keyword, {"top", "bottom"}, {}, 0, 0, "top"},
        {"feed", OptionSyntax::Range, {}, {}, 0, 100, "0"},
        {"driver-log", OptionSyntax::Keyword, {"off", "prn", "prn-bmp", "prn-jpeg"}, {}, 0, 0, "off"},
    };
    return table;
}

bool ParseInt(std::string_view text, int& out) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

int IndexOf(const std::vector<const char*>& values, std::string_view v) {
    for (size_t i = 0; i < values.size(); ++i)
        if (v == values[i]) return static_cast<int>(i);
    return 0;
}

int IntValue(const OptionLookup& lookup, const char* name) {
    int v = 0;
    ParseInt(OptionValue(lookup, *FindVendorOption(name)), v);
    return v;
}

void ApplyCut(std::string_view value, render::Operation& op) {
    op.cut = Cut::None;
    op.feedToCut = false;
    if (value == "partial" || value == "partial-feed") op.cut = Cut::Partial;
    if (value == "full" || value == "full-feed") op.cut = Cut::Full;
    op.feedToCut = value.ends_with("-feed");
}

}  // namespace

std::span<const VendorOption> VendorOptions() {
    return Table();
}

const VendorOption* FindVendorOption(std::string_view name) {
    for (const VendorOption& o : Table())
        if (name == o.name) return &o;
    return nullptr;
}

bool IsValidValue(const VendorOption& option, std::string_view value) {
    int n = 0;
    switch (option.syntax) {
        case OptionSyntax::Keyword:
            return std::any_of(option.keywords.begin(), option.keywords.end(),
                               [&](const char* k) { return value == k; });
        case OptionSyntax::IntegerList:
            return ParseInt(value, n) &&
                   std::find(option.integers.begin(), option.integers.end(), n) != option.integers.end();
        case OptionSyntax::Range:
            return ParseInt(value, n) && n >= option.lower && n <= option.upper;
    }
    return false;
}

std::string OptionValue(const OptionLookup& lookup, const VendorOption& option) {
    const char* v = lookup ? lookup(option.name) : nullptr;
    if (v && IsValidValue(option, v)) return v;
    return option.defaultValue;
}

render::Density DensityFor(int printDarkness, int darknessConfigured) {
    printDarkness = std::clamp(printDarkness, -100, 100);
    darknessConfigured = std::clamp(darknessConfigured, 0, 100);
    const int level = std::clamp(darknessConfigured + printDarkness / 2, 0, 100);
    if (level < 34) return render::Density::Light;
    if (level > 66) return render::Density::Dark;
    return render::Density::Normal;
}

render::JobSettings SettingsFromOptions(const OptionLookup& lookup, int printDarkness, int darknessConfigured,
                                        const DriverLog& log, std::string jobName) {
    render::JobSettings s;
    auto& start = s.operations[static_cast<size_t>(OperationPoint::StartDocument)];
    auto& endPage = s.operations[static_cast<size_t>(OperationPoint::EndPage)];
    auto& end = s.operations[static_cast<size_t>(OperationPoint::EndDocument)];

    start.drawer =
        static_cast<uint8_t>(IndexOf(kDrawerValues, OptionValue(lookup, *FindVendorOption("drawer"))));
    ApplyCut(OptionValue(lookup, *FindVendorOption("cut-page")), endPage);
    ApplyCut(OptionValue(lookup, *FindVendorOption("cut-job")), end);
    // The last page's own cut already ends the receipt; a second cut right after it
    // would cut nothing, or (feeding to the cutter first) a blank strip.
    if (endPage.cut != Cut::None) {
        end.cut = Cut::None;
        end.feedToCut = false;
    }
    end.feedMm = static_cast<uint8_t>(IntValue(lookup, "feed"));
    const int beeps = IntValue(lookup, "buzzer");
    end.buzzer = static_cast<uint8_t>(std::find(kBuzzerCounts.begin(), kBuzzerCounts.end(), beeps) -
                                      kBuzzerCounts.begin());

    const int logo = IntValue(lookup, "logo");
    if (logo > 0) {
        const std::string align = OptionValue(lookup, *FindVendorOption("logo-align"));
        const LogoAlign a = align == "left"    ? LogoAlign::Left
                            : align == "right" ? LogoAlign::Right
                                               : LogoAlign::Center;
        // A logo at the top prints before the first page; at the bottom it prints after
        // the last page and before the job's cut, so it stays on this receipt.
        auto& op = OptionValue(lookup, *FindVendorOption("logo-position")) == "bottom" ? end : start;
        op.logo = static_cast<uint8_t>(logo);
        op.logoAlign = a;
        op.logoPosition = LogoPosition::BeforeCut;
    }

    s.density = DensityFor(printDarkness, darknessConfigured);
    const std::string logMode = OptionValue(lookup, *FindVendorOption("driver-log"));
    if (logMode != "off" && !log.folder.empty()) {
        s.log.enabled = true;
        s.log.savePrn = true;
        s.log.saveBmp = logMode == "prn-bmp";
        s.log.saveJpeg = logMode == "prn-jpeg";
        s.log.folder = log.folder;
    }
    s.jobName = std::move(jobName);
    return s;
}

}  // namespace k20::printerapp
