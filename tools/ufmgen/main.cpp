// Writes the device fonts' metric files and their glyph table into a folder:
//   ufmgen <folder>
// The files are checked in beside the plug-in (prnrender/fonts) and built into the
// resource DLL; the plug-in's tests compare them with what this writes, so a change to
// the fonts is made here and the files are written anew deliberately.
#include <cstdio>
#include <fstream>
#include <string>

#include "prnrender/font_metrics.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ufmgen <folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    using namespace k20::prnrender;
    for (const DeviceFontSpec& f : DeviceFonts()) {
        if (!WriteFile(dir + "/" + f.fileName, BuildUfm(f))) {
            std::fprintf(stderr, "ufmgen: cannot write %s/%s\n", dir.c_str(), f.fileName.c_str());
            return 1;
        }
    }
    if (!WriteFile(dir + "/" + kGlyphSetFileName, BuildGtt())) {
        std::fprintf(stderr, "ufmgen: cannot write %s/%s\n", dir.c_str(), kGlyphSetFileName);
        return 1;
    }
    return 0;
}
