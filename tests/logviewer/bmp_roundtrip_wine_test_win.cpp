// The page images as the viewer writes them, loaded by the Windows image loader the
// viewer uses and by our own bitmap reader: both must see the same colour at every pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/bmp_file.h"
#include "logviewer/log_decode.h"
#include "tests/logviewer/sample_jobs.h"

namespace k20::logviewer {
namespace {

// 0x00RRGGBB of every pixel, top row first, as the system loader sees the file.
bool LoadWithSystem(const std::wstring& path, int& width, int& height, std::vector<uint32_t>& rgb) {
    HBITMAP b = static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!b) return false;
    BITMAP bm{};
    GetObjectW(b, sizeof bm, &bm);
    width = bm.bmWidth;
    height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // ask for top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    rgb.assign(size_t(width) * size_t(height), 0);
    HDC dc = GetDC(nullptr);
    const int lines = GetDIBits(dc, b, 0, UINT(height), rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(b);
    for (auto& p : rgb) p &= 0xFFFFFF;
    return lines == height;
}

TEST(PageImageRoundTrip, SystemLoaderAndOurReaderAgreeOnEveryPixel) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    for (auto& s : testing::SampleJobs()) {
        DecodedJob d = DecodeJob(s.data, RenderParams{});
        ASSERT_EQ(d.status, DecodeStatus::Ok) << s.name;
        const std::wstring path = std::wstring(tmp) + L"k20_roundtrip.bmp";
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(f, d.bitmap.data(), DWORD(d.bitmap.size()), &written, nullptr));
        CloseHandle(f);

        BmpImage ours;
        std::string why;
        ASSERT_TRUE(DecodeBmp(d.bitmap, ours, &why)) << s.name << ": " << why;
        ASSERT_EQ(ours.bitCount, 1);
        int w = 0, h = 0;
        std::vector<uint32_t> sys;
        ASSERT_TRUE(LoadWithSystem(path, w, h, sys)) << s.name;
        DeleteFileW(path.c_str());
        ASSERT_EQ(w, ours.width) << s.name;
        ASSERT_EQ(h, ours.height) << s.name;

        size_t mismatches = 0, black = 0;
        for (int y = 0; y < h; ++y) {
            // Our reader keeps the stored order: bottom-up unless the file said otherwise.
            const uint8_t* row = ours.Row(ours.topDown ? y : h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const BmpColor& c = ours.palette[(row[x / 8] >> (7 - x % 8)) & 1];
                const uint32_t mine = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
                mismatches += mine != sys[size_t(y) * size_t(w) + size_t(x)];
                black += mine == 0;
            }
        }
        EXPECT_EQ(mismatches, 0u) << s.name;
        EXPECT_GT(black, 0u) << s.name << " shows no printed dot at all";
    }
}

}  // namespace
}  // namespace k20::logviewer
