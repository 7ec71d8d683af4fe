// The table file through the real profile functions of the system (Wine here), read back
// both by the system and by our reader.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/wide_string_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/pages/control_font_dialog_win.h"

namespace k20::prnui {
namespace {

using platform::kOk;

class ControlFontWin : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        dir = Narrow(tmp) + "k20cf_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(Wide(dir).c_str(), nullptr);
        path = dir + "\\K20CONTROL.dat";
    }
    void TearDown() override {
        DeleteFileW(Wide(path).c_str());
        RemoveDirectoryW(Wide(ControlFontScratchPath(path)).c_str());
        DeleteFileW(Wide(ControlFontScratchPath(path)).c_str());
        RemoveDirectoryW(Wide(dir).c_str());
    }
    std::wstring SystemRead(const wchar_t* key) {
        wchar_t buf[400] = {};
        GetPrivateProfileStringW(L"Character Translation Table", key, L"", buf, 400, Wide(path).c_str());
        return buf;
    }
    platform::Error Save(const ControlFontTable& t) { return SaveControlFontTable(files, writer, path, t); }
    static ControlFontTable Table(std::initializer_list<std::pair<uint8_t, std::u16string>> rows) {
        ControlFontTable t = EmptyControlFontTable();
        for (auto& [code, cmd] : rows) t[code - 0x20].command = cmd;
        return t;
    }

    std::string dir, path;
    platform::win32::Win32FileSystem files;
    Win32ProfileWriter writer;
};

TEST_F(ControlFontWin, SavedTableReadsBackThroughTheSystemAndOurReader) {
    ASSERT_EQ(kOk, Save(Table({{0x20, u"1B 40 "}, {0x41, u"1D 56 42 00 "}, {0x7F, u"0A "}})));
    EXPECT_EQ(L"1B 40", SystemRead(L"20"));
    EXPECT_EQ(L"1D 56 42 00", SystemRead(L"41"));
    EXPECT_EQ(L"0A", SystemRead(L"7F"));
    EXPECT_EQ(L"", SystemRead(L"42"));
    ControlFontTable back;
    ASSERT_EQ(kOk, LoadControlFontTable(files, path, GetACP(), back));
    EXPECT_EQ(u"1B 40", back[0].command);
    EXPECT_EQ((std::vector<uint8_t>{0x1D, 0x56, 0x42, 0x00}), back[0x21].Bytes());
    EXPECT_EQ(u"0A", back.back().command);
    EXPECT_FALSE(files.Exists(ControlFontScratchPath(path)));
}

TEST_F(ControlFontWin, DeletedRowLosesItsKeyAndAnEmptyTableRemovesTheFile) {
    ASSERT_EQ(kOk, Save(Table({{0x20, u"01 "}, {0x21, u"02 "}})));
    ASSERT_EQ(kOk, Save(Table({{0x21, u"02 "}})));
    EXPECT_EQ(L"", SystemRead(L"20"));
    EXPECT_EQ(L"02", SystemRead(L"21"));
    ASSERT_EQ(kOk, Save(EmptyControlFontTable()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Wide(path).c_str()));
}

TEST_F(ControlFontWin, FailedSaveLeavesThePreviousFile) {
    ASSERT_EQ(kOk, Save(Table({{0x30, u"1B 40 "}})));
    std::vector<uint8_t> before, after;
    ASSERT_EQ(kOk, files.ReadFile(path, before));
    // A folder where the new table would be written: nothing can be written there.
    ASSERT_TRUE(CreateDirectoryW(Wide(ControlFontScratchPath(path)).c_str(), nullptr));
    EXPECT_NE(kOk, Save(Table({{0x31, u"07 "}})));
    ASSERT_EQ(kOk, files.ReadFile(path, after));
    EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace k20::prnui
