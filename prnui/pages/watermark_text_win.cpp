#include "prnui/pages/watermark_text_win.h"

#include <cstring>

#include "platform/win32/wide_string_win.h"
#include "prnui/pages/watermark_bitmap.h"

namespace k20::prnui {

namespace {

int CALLBACK CollectTrueTypeFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM lp) {
    if (!(type & TRUETYPE_FONTTYPE)) return 1;
    auto* list = reinterpret_cast<FaceList*>(lp);
    // GDI's enumeration cannot pass an exception on: stop it instead.
    try {
        list->names.push_back(FromWide(lf->lfFaceName));
        list->fonts.push_back(*lf);
    } catch (...) {
        list->names.resize(list->fonts.size());
        return 0;
    }
    return 1;
}

}  // namespace

FaceList EnumerateTrueTypeFaces() {
    FaceList list;
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = 0;
    EnumFontFamiliesExW(dc, &lf, CollectTrueTypeFace, reinterpret_cast<LPARAM>(&list), 0);
    ReleaseDC(nullptr, dc);
    return list;
}

std::vector<uint8_t> RenderWatermarkText(const LOGFONTW& face, const std::u16string& text, int sizePoints,
                                         int style, int angle) {
    std::vector<uint8_t> pixels(kRenderedTextPixels, 255);
    HDC screen = GetDC(nullptr);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = kTextSquare;
    bi.bmiHeader.biHeight = kTextSquare;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) {
        DeleteDC(dc);
        return pixels;
    }
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    RECT square{0, 0, kTextSquare, kTextSquare};
    FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    LOGFONTW lf = face;
    lf.lfHeight = -MulDiv(sizePoints, dpiY, 72);
    lf.lfWidth = 0;
    lf.lfWeight = style >= 2 ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style == 1 || style == 3) ? TRUE : FALSE;
    lf.lfEscapement = lf.lfOrientation = angle * 10;
    lf.lfClipPrecision = 16;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextAlign(dc, TA_BASELINE);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    const std::wstring w = Wide(text);
    SIZE ext{};
    GetTextExtentPoint32W(dc, w.c_str(), int(w.size()), &ext);
    const TextOrigin at = RotatedTextOrigin(int(ext.cx), int(ext.cy), angle);
    ExtTextOutW(dc, at.x, at.y, ETO_CLIPPED, &square, w.c_str(), UINT(w.size()), nullptr);
    GdiFlush();
    std::memcpy(pixels.data(), bits, kRenderedTextPixels);

    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    return pixels;
}

}  // namespace k20::prnui
