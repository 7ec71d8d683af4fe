#include "tests/prnui/core/golden.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace k20::test {

std::string CheckGolden(const std::string& name, const std::vector<uint8_t>& data) {
    const std::string path = "golden/" + name;  // tests run in their source folder
    const char* regen = std::getenv("K20_REGENERATE_GOLDEN");
    if (regen && std::string(regen) == "1") {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        return f ? "" : "cannot write " + path;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) return "missing golden file " + path + " (K20_REGENERATE_GOLDEN=1 creates it)";
    std::vector<uint8_t> want((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (want.size() != data.size())
        return path + ": size " + std::to_string(data.size()) + ", golden " + std::to_string(want.size());
    for (size_t i = 0; i < want.size(); ++i)
        if (want[i] != data[i])
            return path + ": first difference at offset " + std::to_string(i) + " (got " +
                   std::to_string(data[i]) + ", golden " + std::to_string(want[i]) + ")";
    return "";
}

}  // namespace k20::test
