// The printer bytes of the stored operation choices and of the job's frame. The values
// are the table in README.md; tests check every entry against it.
#include <algorithm>

#include "render/engine.h"

namespace k20::render {

namespace {

// Drawer pulse lengths of the list's entries in milliseconds; the command counts in
// units of 2 ms.
constexpr uint8_t kPulseMs[4] = {10, 20, 40, 60};
// Off time after each pulse, 100 ms, so that two drawers fired in a row never draw
// current at the same time.
constexpr uint8_t kPulseOff = 50;
// Beeps of the buzzer list's entries. The beep command takes at most 9 beeps at once.
constexpr uint8_t kBeeps[6] = {0, 1, 3, 5, 10, 20};
constexpr uint8_t kMaxBeepsPerCommand = 9;
constexpr uint8_t kBeepLength = 2;  // units of 50 ms

// A parameter byte the log decoder could take for the start of one of its commands.
bool DecoderSees(uint8_t b) {
    return b == 0x15 || b == 0x16 || b == 0x1B;
}

void Append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendAll(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

std::vector<uint8_t> DensityCommand(Density d) {
    // Print density as a signed step from the printer's standard: -3, 0, +3.
    uint8_t m = 0x00;
    if (d == Density::Light) m = 0xFD;
    if (d == Density::Dark) m = 0x03;
    return {0x1D, 0x28, 0x4B, 0x02, 0x00, 0x31, m};
}

std::vector<uint8_t> DrawerCommand(uint8_t drawer) {
    if (drawer < 1 || drawer > 12) return {};
    const uint8_t group = uint8_t((drawer - 1) / 4);  // 0: #1, 1: #2, 2: both
    const uint8_t t1 = uint8_t(kPulseMs[(drawer - 1) % 4] / 2);
    std::vector<uint8_t> out;
    if (group == 0 || group == 2) Append(out, {0x1B, 0x70, 0x00, t1, kPulseOff});
    if (group == 1 || group == 2) Append(out, {0x1B, 0x70, 0x01, t1, kPulseOff});
    return out;
}

std::vector<uint8_t> HeraldCommand(uint8_t heraldChoice) {
    // The list sorts "Disable" before "Enable", so the stored position 1 is "Enable".
    // The herald hangs on the drawer connector's second output: one 100 ms call.
    if (heraldChoice != 1) return {};
    return {0x1B, 0x70, 0x01, 0x32, 0x32};
}

std::vector<uint8_t> BuzzerCommand(uint8_t buzzer) {
    if (buzzer < 1 || buzzer > 5) return {};
    std::vector<uint8_t> out;
    for (uint8_t left = kBeeps[buzzer]; left > 0;) {
        const uint8_t n = std::min(left, kMaxBeepsPerCommand);
        Append(out, {0x1B, 0x42, n, kBeepLength});
        left = uint8_t(left - n);
    }
    return out;
}

std::vector<uint8_t> FeedCommand(uint32_t dots) {
    std::vector<uint8_t> out;
    while (dots > 0) {
        uint32_t n = std::min<uint32_t>(dots, 240);
        // A step the decoder would look at is split in two that it does not.
        if (DecoderSees(uint8_t(n))) n /= 2;
        Append(out, {0x1B, 0x4A, uint8_t(n)});
        dots -= n;
    }
    return out;
}

std::vector<uint8_t> LogoCommand(uint8_t logo, LogoAlign align) {
    if (logo < 1 || logo > 9) return {};
    const uint8_t a = uint8_t(std::min<int>(int(align), 2));
    // The alignment goes back to the left for the raster that follows.
    return {0x1B, 0x61, a, 0x1C, 0x70, logo, 0x00, 0x1B, 0x61, 0x00};
}

std::vector<uint8_t> CutCommand(Cut cut, bool feedToCut) {
    if (cut == Cut::None) return {};
    const bool full = cut == Cut::Full;
    // The feed-and-cut forms move the last printed line past the cutter first.
    if (feedToCut) return {0x1D, 0x56, uint8_t(full ? 0x41 : 0x42), 0x00};
    return {0x1D, 0x56, uint8_t(full ? 0x00 : 0x01)};
}

std::vector<uint8_t> OperationBytes(const Operation& op) {
    std::vector<uint8_t> out;
    const size_t n = std::min<size_t>(op.command.size(), 128);
    out.insert(out.end(), op.command.begin(), op.command.begin() + std::ptrdiff_t(n));
    AppendAll(out, op.herald ? HeraldCommand(op.heraldChoice) : DrawerCommand(op.drawer));
    AppendAll(out, BuzzerCommand(op.buzzer));
    AppendAll(out, FeedCommand(uint32_t(std::min<uint8_t>(op.feedMm, 100)) * kDotsPerMm));
    if (op.logoPosition == LogoPosition::BeforeCut) AppendAll(out, LogoCommand(op.logo, op.logoAlign));
    AppendAll(out, CutCommand(op.cut, op.feedToCut));
    if (op.logoPosition == LogoPosition::AfterCut) AppendAll(out, LogoCommand(op.logo, op.logoAlign));
    return out;
}

std::vector<uint8_t> JobPrologue(Density d) {
    std::vector<uint8_t> out = {0x1B, 0x40};
    AppendAll(out, DensityCommand(d));
    Append(out, {0x1B, 0x33, 0x01, 0x0A});
    return out;
}

}  // namespace k20::render
