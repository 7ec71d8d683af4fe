#include "tests/support/pe_exports.h"

#include "common/byte_reader.h"

namespace k20::test {

std::optional<PeExports> ReadPeExports(const std::vector<uint8_t>& file) {
    ByteReader r(file.data(), file.size());
    if (r.u16() != 0x5A4D) return std::nullopt;
    uint32_t peOff = r.u32At(0x3C);
    r.seek(peOff);
    if (r.u32() != 0x00004550) return std::nullopt;
    PeExports out;
    out.machine = r.u16();
    uint16_t sections = r.u16();
    r.skip(12);
    uint16_t optSize = r.u16();
    r.skip(2);
    size_t opt = r.pos();
    uint16_t magic = r.u16();
    size_t dirOff = opt + (magic == 0x20B ? 112 : 96);
    uint32_t exportRva = r.u32At(dirOff);
    if (!r.ok()) return std::nullopt;
    if (exportRva == 0) return out;
    auto rvaToOffset = [&](uint32_t rva) -> std::optional<size_t> {
        size_t sec = opt + optSize;
        for (uint16_t i = 0; i < sections; ++i, sec += 40) {
            uint32_t vsize = r.u32At(sec + 8), va = r.u32At(sec + 12), raw = r.u32At(sec + 20);
            uint32_t rawSize = r.u32At(sec + 16);
            uint32_t span = vsize > rawSize ? vsize : rawSize;
            if (rva >= va && rva - va < span) return size_t(raw) + (rva - va);
        }
        return std::nullopt;
    };
    auto dir = rvaToOffset(exportRva);
    if (!dir) return std::nullopt;
    out.functionCount = r.u32At(*dir + 20);
    uint32_t nameCount = r.u32At(*dir + 24);
    auto names = rvaToOffset(r.u32At(*dir + 32));
    if (!r.ok() || (nameCount && !names) || nameCount > 65536) return std::nullopt;
    for (uint32_t i = 0; i < nameCount; ++i) {
        auto at = rvaToOffset(r.u32At(*names + 4 * i));
        if (!at) return std::nullopt;
        std::string n;
        for (size_t p = *at; p < file.size() && file[p]; ++p) n.push_back(char(file[p]));
        out.names.push_back(n);
    }
    if (!r.ok()) return std::nullopt;
    return out;
}

}  // namespace k20::test
