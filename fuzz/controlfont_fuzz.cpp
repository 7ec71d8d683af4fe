// The control-font table file as anyone could have left it: any bytes, any encoding.
// Reading must keep the 96 rows with their codes, cut every value at the lookup buffer,
// and a table of plain hex commands must come back unchanged through a write and a read.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/hex_command.h"
#include "prnui/pages/control_font_table.h"

using namespace k20::prnui;

static bool PlainHex(const std::u16string& s) {
    for (char16_t c : s)
        if (!(c == u' ' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')))
            return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const unsigned kPages[] = {1252, 936, 950};
    const unsigned codePage = kPages[data[0] % 3];
    std::vector<uint8_t> file(data + 1, data + size);
    ControlFontTable t = ParseControlFontTable(file, codePage);
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].code != kControlFontFirstCode + i) std::abort();
        if (t[i].command.size() >= kControlFontValueChars) std::abort();
        std::vector<uint8_t> bytes = t[i].Bytes();
        if (bytes.size() > t[i].command.size()) std::abort();
        if (!PlainHex(t[i].command)) t[i].command = k20::FormatHexCommand(bytes);
    }
    ControlFontTable back = ParseControlFontTable(SerializeControlFontTable(t, codePage), codePage);
    for (size_t i = 0; i < t.size(); ++i) {
        std::u16string want = t[i].command;
        while (!want.empty() && want.back() == u' ') want.pop_back();
        while (!want.empty() && want.front() == u' ') want.erase(want.begin());
        if (want.size() >= kControlFontValueChars) want.resize(kControlFontValueChars - 1);
        if (back[i].command != want) std::abort();
    }
    return 0;
}
