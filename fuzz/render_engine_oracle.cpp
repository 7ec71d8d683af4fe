// The round-trip comparison is the harness's oracle, not code under test: built without
// coverage feedback, so its per-byte loops neither slow each run nor steer the fuzzer
// towards inputs that merely exercise the comparison.
#include "tests/render/roundtrip_check.h"

namespace k20::render::testing {

std::string CheckDecodesUntraced(std::span<const uint8_t> job, const std::vector<TestPage>& pages) {
    return CheckDecodes(job, pages);
}

}  // namespace k20::render::testing
