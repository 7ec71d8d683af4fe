// Uninstall.ini and the INF files of the Windows inf folder as anyone could have left
// them: any bytes, any encoding. The reader must keep every value within its 29-byte
// buffer, bound the pattern lists, and never accept a file name that leaves its folder.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/text.h"
#include "drvremove/uninstall_config.h"
#include "drvsetup/setup_config.h"

using namespace k20;
using namespace k20::drvremove;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const unsigned kPages[] = {1252, 936, 950};
    const unsigned codePage = kPages[data[0] % 3];
    std::vector<uint8_t> file(data + 1, data + size);
    UninstallConfig c(IniFile::FromBytes(file, codePage), codePage);
    for (auto* list : {&c.MonitorPatterns(), &c.ProcessorPatterns(), &c.PrinterPatterns()}) {
        if (list->size() > size_t(UninstallConfig::kMaxPatterns)) std::abort();
        for (auto& p : *list)
            if (Utf16ToCodePage(Utf8ToUtf16(p), codePage).size() > UninstallConfig::kValueBytes) std::abort();
    }
    if (c.Manufacturers().empty()) std::abort();
    for (int code : {0, 3, 11}) {
        for (auto& m : c.MonitorPatterns()) {
            std::string dll = c.Value(UninstallConfig::MonitorSection(m, code), "MonitorPDLLName");
            if (drvsetup::IsBareFileName(dll) &&
                (dll.find('\\') != std::string::npos || dll.find('/') != std::string::npos ||
                 dll.find("..") != std::string::npos))
                std::abort();
        }
    }
    InfNamesPrinter(file, codePage, c.Manufacturers(), "ZRP-A10(U) 1");
    return 0;
}
