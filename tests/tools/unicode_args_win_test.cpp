// k20tool on Windows takes its arguments as typed: a picture and a log folder whose names
// lie outside the ANSI code page reach the commands intact (an ANSI main() would see "??").
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <filesystem>
#include <string>
#include <vector>

#include "common/bmp_file.h"
#include "common/text.h"
#include "tests/support/program_win.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& p) {
    const std::wstring w = p.wstring();
    return k20::Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

bool WriteBytes(const fs::path& p, const std::vector<uint8_t>& data) {
    std::FILE* f = _wfopen(p.c_str(), L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::vector<uint8_t> out;
    std::FILE* f = _wfopen(p.c_str(), L"rb");
    if (!f) return out;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

struct TempDir {
    fs::path path;
    TempDir() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        path = fs::path(temp) / (L"k20 unicode " + std::to_wstring(GetCurrentProcessId()));
        std::error_code ec;
        fs::remove_all(path, ec);
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

TEST(ToolArgumentsWin, ALogFolderOutsideTheAnsiCodePageReceivesTheLog) {
    TempDir dir;
    k20::BmpImage black;
    black.width = 64;
    black.height = 16;
    black.bitCount = 24;
    black.stride = size_t(k20::BmpStride(black.width, black.bitCount));
    black.pixels.assign(black.stride * size_t(black.height), 0);
    // Chinese, Cyrillic and an accented letter: no single ANSI code page holds them all.
    const fs::path picture = dir.path / L"\u6536\u636e \u0416.bmp";
    const fs::path log = dir.path / L"\u65e5\u5fd7 \u00e9\u0416";
    const fs::path job = dir.path / L"job.prn";
    ASSERT_TRUE(WriteBytes(picture, k20::EncodeBmp(black)));

    const std::string args = "print \"" + Utf8(picture) + "\" --halftone none --log-folder \"" + Utf8(log) +
                             "\" --to \"" + Utf8(job) + "\"";
    k20::test::Running tool{k20::test::Launch(K20TOOL_EXE, args, Utf8(dir.path))};
    ASSERT_NE(tool.pi.hProcess, nullptr);
    ASSERT_EQ(tool.Wait(120), 0u);

    std::vector<fs::path> logged;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(log, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == L".prn") logged.push_back(it->path());
    ASSERT_EQ(logged.size(), 1u) << Utf8(log);
    EXPECT_FALSE(ReadBytes(job).empty());
    EXPECT_EQ(ReadBytes(logged[0]), ReadBytes(job));
    // Nothing else was made beside them (an ANSI conversion would have named another folder).
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 3);
}

}  // namespace
