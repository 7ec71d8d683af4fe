#pragma once
// A stand-in for the system Unidrv at print time (not shipped): it loads the rendering
// plug-in through its class factory, publishes a driver interface that keeps every byte
// written to the spool, and drives a job in the documented order: the plug-in's
// information, the private record's size, the device context, the density selection
// and the document start, then per page the page start, the page's 1-bit bands through
// image processing, the cursor moves and text runs of the device fonts, the page end,
// and the document end. Pages are drawn by GDI into a DIB section, as Unidrv draws them.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace k20::renderhost {

// A page: top-down rows of (width + 7) / 8 bytes, 1 = black.
struct HostPage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bits;
    struct Text {
        uint32_t row;     // where the text goes down the page
        uint32_t fontId;  // the description's font number
        std::u16string text;
        // Unidrv numbers the fonts it lists; a host may hand over its own number, leaving
        // only the metrics' face name to tell the font.
        bool faceOnly = false;
    };
    std::vector<Text> texts;
    size_t Stride() const { return (width + 7) / 8; }
    const uint8_t* Row(uint32_t y) const { return bits.data() + size_t(y) * Stride(); }
};

// Lines of text drawn by GDI (a TrueType face, black on white) into a 1-bit DIB section.
HostPage DrawTextPage(uint32_t width, uint32_t height, const std::vector<std::wstring>& lines,
                      int pointSize = 14);

struct HostJob {
    std::vector<uint8_t> privateRecord;  // handed over as the plug-in's private DEVMODE part
    uint32_t densityCallback = 11;
    std::wstring printerName = L"K-20 Stand-in";
    uint32_t bandRows = 100;     // Unidrv hands a page over in bands of this many rows
    size_t resetBeforePage = 0;  // > 0: a new device context (ResetDC) before this page
    std::vector<HostPage> pages;
};

struct HostResult {
    std::string error;             // empty when every call went as documented
    std::vector<uint8_t> spooled;  // every byte of every DrvWriteSpoolBuf, in order
    int writeCalls = 0;
    uint32_t signature = 0;
    uint32_t recordSize = 0;
    std::vector<std::string> calls;  // the plug-in methods called, in order
};

HostResult RunJob(const std::wstring& pluginPath, const HostJob& job);

}  // namespace k20::renderhost
