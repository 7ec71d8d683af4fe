#include "prnui/pages/control_font_dialog.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"

namespace k20::prnui {
namespace {

using Bytes = std::vector<uint8_t>;

ControlFontTableModel ModelWith(uint8_t code, std::u16string command) {
    ControlFontTable t = EmptyControlFontTable();
    t[code - 0x20].command = std::move(command);
    return ControlFontTableModel(t);
}

TEST(ControlFontDialogTest, EditedCommandComesBackFormatted) {
    ControlFontTableModel table(EmptyControlFontTable());
    table.Select(0x21);
    ControlFontTranslatorModel tr;
    ASSERT_EQ(ControlFontTableModel::EditStart::Open, table.BeginEdit(tr));
    EXPECT_EQ(u"A", tr.CharText());
    EXPECT_EQ(u"41", tr.HexText());
    EXPECT_EQ(u"", tr.InitialCommand());
    ASSERT_TRUE(tr.Accept(u"1b 40"));
    table.FinishEdit(tr);
    EXPECT_EQ(u"1B 40 ", table.Table()[0x21].command);
}

TEST(ControlFontDialogTest, TranslatorParsesLikeTheOperationDialog) {
    const std::pair<const char16_t*, Bytes> cases[] = {
        {u"A", {0x0A}}, {u"A B", {0x0A, 0x0B}}, {u"ABC", {0xAB, 0x0C}},
        {u"", {}},      {u"  ff  ", {0xFF}},    {u"1D5642", {0x1D, 0x56, 0x42}},
    };
    for (auto& [text, bytes] : cases) {
        ControlFontTranslatorModel tr(0x41, {});
        ASSERT_TRUE(tr.Accept(text));
        EXPECT_EQ(bytes, tr.Bytes());
    }
}

TEST(ControlFontDialogTest, TranslatorShowsTheRowsBytesFormatted) {
    ControlFontTableModel table = ModelWith(0x7F, u"1b 40 a");
    table.Select(0x7F - 0x20);
    ControlFontTranslatorModel tr;
    ASSERT_EQ(ControlFontTableModel::EditStart::Open, table.BeginEdit(tr));
    EXPECT_EQ(u"1B 40 0A ", tr.InitialCommand());
    EXPECT_EQ(u"7F", tr.HexText());
}

std::u16string HexBytes(size_t n) {
    std::u16string s;
    for (size_t i = 0; i < n; ++i) s += u"AB ";
    return s;
}

TEST(ControlFontDialogTest, TranslatorAcceptsAtMost128Bytes) {
    ControlFontTranslatorModel tr(0x41, Bytes{0x01});
    EXPECT_FALSE(tr.Accept(HexBytes(129)));
    EXPECT_EQ(Bytes{0x01}, tr.Bytes());  // unchanged: the dialog stays open
    // 128 bytes take 384 characters; all of them count.
    ASSERT_TRUE(tr.Accept(HexBytes(128)));
    EXPECT_EQ(128u, tr.Bytes().size());
}

TEST(ControlFontDialogTest, LongCommandSurvivesEditAndOkUnchanged) {
    ControlFontTableModel table = ModelWith(0x30, HexBytes(100));
    table.Select(0x10);
    ControlFontTranslatorModel tr;
    ASSERT_EQ(ControlFontTableModel::EditStart::Open, table.BeginEdit(tr));
    ASSERT_TRUE(tr.Accept(tr.InitialCommand()));
    table.FinishEdit(tr);
    EXPECT_EQ(HexBytes(100), table.Table()[0x10].command);
}

TEST(ControlFontDialogTest, EditNeedsASelectionAndAShortEnoughCommand) {
    ControlFontTableModel table = ModelWith(0x41, HexBytes(129));
    ControlFontTranslatorModel tr;
    EXPECT_EQ(ControlFontTableModel::EditStart::NoSelection, table.BeginEdit(tr));
    table.Select(0x21);
    EXPECT_EQ(ControlFontTableModel::EditStart::TooLong, table.BeginEdit(tr));
    table.Select(96);
    EXPECT_EQ(-1, table.Selected());
}

TEST(ControlFontDialogTest, DeleteClearsTheRowAndScrollsItIntoView) {
    ControlFontTableModel table = ModelWith(0x20, u"01");
    table.Select(0);
    table.ClearSelected();
    EXPECT_EQ(u"", table.Table()[0].command);
    EXPECT_EQ(0, table.ScrollTarget());
    const std::pair<int, int> rows[] = {{1, 1}, {2, 1}, {3, 2}, {95, 94}};
    for (auto [row, target] : rows) {
        table.Select(row);
        table.ClearSelected();
        EXPECT_EQ(target, table.ScrollTarget()) << row;
    }
}

TEST(ControlFontDialogTest, OkKeepsTheDialogOpenWhenTheFileCannotBeWritten) {
    platform::sim::SimMachine m;
    const std::string path = ControlFontTablePath(m.system.windowsDir);
    m.files.Put(path, "[Character Translation Table]\r\n20=01 \r\n");
    ControlFontTableModel table = ModelWith(0x21, u"02 ");
    FileProfileWriter w(m.files, 1252);
    m.faults.Reset();
    m.faults.FailOn("WriteFile", 1, platform::kErrAccessDenied);
    EXPECT_FALSE(table.Save(m.files, w, path));
    ASSERT_TRUE(table.Save(m.files, w, path));
    std::vector<uint8_t> b;
    ASSERT_EQ(platform::kOk, m.files.ReadFile(path, b));
    EXPECT_EQ("[Character Translation Table]\r\n21=02 \r\n", std::string(b.begin(), b.end()));
}

}  // namespace
}  // namespace k20::prnui
