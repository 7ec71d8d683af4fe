#include "prnui/pages/control_font_table.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/sim/sim_machine.h"

namespace k20::prnui {
namespace {

using platform::kErrAccessDenied;
using platform::kOk;

const std::string kPath = "C:\\Windows\\system32\\spool\\drivers\\w32x86\\3\\K20CONTROL.dat";

std::vector<uint8_t> Bytes(std::string_view s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

ControlFontTable TableWith(std::initializer_list<std::pair<uint8_t, std::u16string>> rows) {
    ControlFontTable t = EmptyControlFontTable();
    for (auto& [code, cmd] : rows) t[code - 0x20].command = cmd;
    return t;
}

TEST(ControlFontTableTest, PathIsUnderTheWindowsFolder) {
    EXPECT_EQ(kPath, ControlFontTablePath("C:\\Windows"));
    EXPECT_EQ(kPath, ControlFontTablePath("C:\\Windows\\"));
}

TEST(ControlFontTableTest, RowsCoverTheCodesWithUpperCaseKeys) {
    ControlFontTable t = EmptyControlFontTable();
    ASSERT_EQ(96u, t.size());
    EXPECT_EQ(0x20, t.front().code);
    EXPECT_EQ(u"20", t.front().HexText());
    EXPECT_EQ(u" ", t.front().CharText());
    EXPECT_EQ(u"4A", t[0x4A - 0x20].HexText());
    EXPECT_EQ(u"J", t[0x4A - 0x20].CharText());
    EXPECT_EQ(u"7F", t.back().HexText());
}

TEST(ControlFontTableTest, ReadsTheFileAsTheProfileFunctionsDo) {
    const auto file = Bytes(
        "; written by hand\r\n"
        "[Other]\r\n41=FF\r\n"
        "[character translation table]\r\n"
        "41=1B 40 \r\n"
        "4a = 1d 56 42 00\r\n"
        "20=\"0A\"\r\n"
        "41=99\r\n"  // a second key of the same name is never seen
        "80=01\r\n");
    ControlFontTable t = ParseControlFontTable(file, 1252);
    EXPECT_EQ(u"1B 40", t[0x41 - 0x20].command);
    EXPECT_EQ((std::vector<uint8_t>{0x1B, 0x40}), t[0x41 - 0x20].Bytes());
    EXPECT_EQ(u"1d 56 42 00", t[0x4A - 0x20].command);
    EXPECT_EQ(u"0A", t[0].command);
    EXPECT_EQ(u"", t[0x42 - 0x20].command);
}

TEST(ControlFontTableTest, LongValueIsCutAtTheLookupBuffer) {
    std::string value(500, '1');
    ControlFontTable t =
        ParseControlFontTable(Bytes("[Character Translation Table]\r\n21=" + value + "\r\n"), 1252);
    EXPECT_EQ(399u, t[1].command.size());
}

TEST(ControlFontTableTest, MissingFileReadsAsEmptyOtherFailuresAreReported) {
    platform::sim::SimMachine m;
    ControlFontTable t = TableWith({{0x41, u"01"}});
    EXPECT_EQ(kOk, LoadControlFontTable(m.files, kPath, 1252, t));
    EXPECT_FALSE(TableHasCommands(t));

    m.files.Put(kPath, "[Character Translation Table]\r\n7F=1B 40 \r\n");
    m.faults.FailOn("ReadFile", m.faults.Calls("ReadFile") + 1, kErrAccessDenied);
    EXPECT_EQ(kErrAccessDenied, LoadControlFontTable(m.files, kPath, 1252, t));
    EXPECT_EQ(kOk, LoadControlFontTable(m.files, kPath, 1252, t));
    EXPECT_EQ(u"1B 40", t.back().command);
}

TEST(ControlFontTableTest, SerializeWritesOneKeyPerCommandInCodeOrder) {
    ControlFontTable t = TableWith({{0x7F, u"0A "}, {0x20, u"1B 40 "}, {0x41, u""}});
    const auto bytes = SerializeControlFontTable(t, 1252);
    EXPECT_EQ("[Character Translation Table]\r\n20=1B 40 \r\n7F=0A \r\n",
              std::string(bytes.begin(), bytes.end()));
    ControlFontTable back = ParseControlFontTable(bytes, 1252);
    EXPECT_EQ(u"1B 40", back[0].command);
    EXPECT_EQ(u"0A", back.back().command);
    EXPECT_TRUE(SerializeControlFontTable(EmptyControlFontTable(), 1252).empty());
}

class ControlFontSaveTest : public ::testing::Test {
  protected:
    using Error = platform::Error;
    void SetUp() override {
        m.files.Put(kPath, old);
        m.faults.Reset();
    }
    std::string FileText() {
        std::vector<uint8_t> b;
        if (m.files.ReadFile(kPath, b) != kOk) return "<missing>";
        return std::string(b.begin(), b.end());
    }
    Error Save(const ControlFontTable& t) {
        FileProfileWriter w(m.files, 1252);
        return SaveControlFontTable(m.files, w, kPath, t);
    }
    platform::sim::SimMachine m;
    const std::string old = "[Character Translation Table]\r\n20=1B 40 \r\n21=0A \r\n";
};

TEST_F(ControlFontSaveTest, SavedFileReadsBackRowForRow) {
    ControlFontTable t = TableWith({{0x20, u"1B 40 "}, {0x50, u"1D 56 42 00 "}, {0x7F, u"07 "}});
    ASSERT_EQ(kOk, Save(t));
    EXPECT_EQ("[Character Translation Table]\r\n20=1B 40 \r\n50=1D 56 42 00 \r\n7F=07 \r\n", FileText());
    EXPECT_FALSE(m.files.Exists(ControlFontScratchPath(kPath)));
}

TEST_F(ControlFontSaveTest, DeletedCommandLosesItsKey) {
    ControlFontTable t = ParseControlFontTable(Bytes(old), 1252);
    t[1].command.clear();
    ASSERT_EQ(kOk, Save(t));
    EXPECT_EQ("[Character Translation Table]\r\n20=1B 40\r\n", FileText());
}

TEST_F(ControlFontSaveTest, NoCommandsLeavesNoFile) {
    ASSERT_EQ(kOk, Save(EmptyControlFontTable()));
    EXPECT_EQ("<missing>", FileText());
    ASSERT_EQ(kOk, Save(EmptyControlFontTable()));  // and again, with nothing to delete
}

TEST_F(ControlFontSaveTest, StaleScratchFileDoesNotLeakIntoTheTable) {
    m.files.Put(ControlFontScratchPath(kPath), "[Character Translation Table]\r\n30=FF \r\n");
    ASSERT_EQ(kOk, Save(TableWith({{0x40, u"01 "}})));
    EXPECT_EQ("[Character Translation Table]\r\n40=01 \r\n", FileText());
}

TEST_F(ControlFontSaveTest, AnyFailureLeavesThePreviousFileAsItWas) {
    const ControlFontTable t = TableWith({{0x20, u"01 "}, {0x30, u"02 "}, {0x40, u"03 "}, {0x7F, u"04 "}});
    // Walk every file operation the save makes and fail each one in turn.
    ASSERT_EQ(kOk, Save(t));
    std::vector<std::string> trace = m.faults.Trace();
    ASSERT_GE(trace.size(), 9u);  // delete scratch, four reads and writes, move
    std::map<std::string, int> seen;
    for (const std::string& op : trace) {
        const int nth = ++seen[op];
        m.files.Put(kPath, old);
        m.files.DeleteFile(ControlFontScratchPath(kPath));
        m.faults.Reset();
        m.faults.FailOn(op, nth, kErrAccessDenied);
        EXPECT_EQ(kErrAccessDenied, Save(t)) << op << " #" << nth;
        EXPECT_EQ(old, FileText()) << op << " #" << nth;
        if (op != "DeleteFile") {
            EXPECT_FALSE(m.files.Exists(ControlFontScratchPath(kPath))) << op << " #" << nth;
        }
    }
}

TEST_F(ControlFontSaveTest, UndeletableFileWithAnEmptyTableIsAFailure) {
    m.faults.FailOn("DeleteFile", 1, kErrAccessDenied);
    EXPECT_EQ(kErrAccessDenied, Save(EmptyControlFontTable()));
    EXPECT_EQ(old, FileText());
}

TEST_F(ControlFontSaveTest, MissingFolderIsAFailure) {
    const std::string elsewhere = "C:\\NoSuchFolder\\K20CONTROL.dat";
    FileProfileWriter w(m.files, 1252);
    EXPECT_NE(kOk, SaveControlFontTable(m.files, w, elsewhere, TableWith({{0x20, u"01 "}})));
    EXPECT_FALSE(m.files.Exists(elsewhere));
}

}  // namespace
}  // namespace k20::prnui
