#pragma once
// The engine's band transposition, open to the tests so that the vector form is checked
// against the portable one on every build machine.
#include <cstddef>
#include <cstdint>

#include "render/engine.h"

namespace k20::render {

inline constexpr size_t kBandStride = kMaxDots / 8 + 24;

// Columns of byte groups first..last of a 24-row band into `line`: three bytes per dot
// column (top row in the first byte's high bit), column c at line[3c]. The line must hold
// 24 bytes per group up to group last rounded up to 16, plus 8.
void BandColumnsPortable(const uint8_t (*band)[kBandStride], size_t first, size_t last, uint8_t* line);
void BandColumns(const uint8_t (*band)[kBandStride], size_t first, size_t last, uint8_t* line);

}  // namespace k20::render
