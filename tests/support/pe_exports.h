#pragma once
// Reads the export names of a Windows PE file (32- or 64-bit) from its bytes, so that a
// test can check what a DLL of either architecture exposes without loading it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace k20::test {
struct PeExports {
    uint16_t machine = 0;  // 0x8664 x64, 0x14C x86
    uint32_t functionCount = 0;
    std::vector<std::string> names;
};
std::optional<PeExports> ReadPeExports(const std::vector<uint8_t>& file);
}  // namespace k20::test
