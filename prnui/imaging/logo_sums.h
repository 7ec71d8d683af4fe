#pragma once
// Sums over a whole picture: the means the None halftone and the Dither M4 colour tables
// are taken around.
#include <cstddef>
#include <cstdint>

#include "prnui/imaging/logo_image.h"
#include "prnui/imaging/logo_levels.h"

namespace k20::prnui::logo {

// Sums of t over every pixel, per channel (B, G, R) for colour, in [0] for gray. With
// the settings at zero t is the identity and the raw bytes are summed, many at a time;
// otherwise a row is summed in 32 bits: 32767 x 255 cannot overflow them.
void ChannelSums(const LogoPixels& img, const Lut& t, uint64_t s[3]);

}  // namespace k20::prnui::logo
