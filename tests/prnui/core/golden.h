#pragma once
// Golden files live beside the tests. K20_REGENERATE_GOLDEN=1 rewrites them on purpose;
// nothing else ever does.
#include <cstdint>
#include <string>
#include <vector>

namespace k20::test {
// Compares data with the golden file; regenerates it when asked. Returns a failure text or "".
std::string CheckGolden(const std::string& name, const std::vector<uint8_t>& data);
}  // namespace k20::test
