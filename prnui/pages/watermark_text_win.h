#pragma once
// The watermark's text through GDI: the TrueType faces the page offers, and the text drawn
// into the 300 x 300 square that the page previews and the rendering side prints.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace k20::prnui {

struct FaceList {
    std::vector<std::u16string> names;
    std::vector<LOGFONTW> fonts;  // the system's description of each face, used whole
};

// The TrueType faces in the system's enumeration order.
FaceList EnumerateTrueTypeFaces();

// A white 300 x 300 24-bit bitmap with the text drawn rotated about the square's centre;
// rows bottom-up, 900 bytes each.
std::vector<uint8_t> RenderWatermarkText(const LOGFONTW& face, const std::u16string& text, int sizePoints,
                                         int style, int angle);

}  // namespace k20::prnui
