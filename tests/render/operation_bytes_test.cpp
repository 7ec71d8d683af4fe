// Every stored choice's bytes against the table in render/README.md, the order of an
// operation point's commands, and the record's blocks read into the engine's settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "prnui/core/private_settings.h"
#include "tests/render/roundtrip_check.h"

namespace k20::render {
namespace {

struct TableRow {
    std::string choice, value, entry;
    std::vector<uint8_t> bytes;
};

std::string Trim(std::string s) {
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::vector<TableRow> ReadTable() {
    std::ifstream in(K20_RENDER_README);
    std::string line;
    bool inside = false;
    std::vector<TableRow> rows;
    while (std::getline(in, line)) {
        if (line.find("operation table: begin") != std::string::npos) inside = true;
        if (line.find("operation table: end") != std::string::npos) inside = false;
        if (!inside || line.rfind("| ", 0) != 0 || line.find("---") != std::string::npos) continue;
        std::vector<std::string> cells;
        std::stringstream ss(line.substr(1));
        std::string cell;
        while (std::getline(ss, cell, '|')) cells.push_back(Trim(cell));
        if (cells.size() < 4 || cells[0] == "choice") continue;
        TableRow r{cells[0], cells[1], cells[2], {}};
        if (cells[3] != "(nothing)") {
            std::stringstream hex(cells[3]);
            std::string b;
            while (hex >> b) r.bytes.push_back(uint8_t(std::stoul(b, nullptr, 16)));
        }
        rows.push_back(r);
    }
    return rows;
}

// The engine's bytes for one table row; false when the row names no known choice.
bool BytesFor(const TableRow& r, std::vector<uint8_t>& out) {
    int a = 0, b = 0;
    const int fields = std::sscanf(r.value.c_str(), "%d, %*[a-z ] %d", &a, &b);
    if (fields < 1) return false;
    if (r.choice == "drawer")
        out = DrawerCommand(uint8_t(a));
    else if (r.choice == "herald")
        out = HeraldCommand(uint8_t(a));
    else if (r.choice == "buzzer")
        out = BuzzerCommand(uint8_t(a));
    else if (r.choice == "cut")
        out = CutCommand(Cut(a), b == 1);
    else if (r.choice == "logo")
        out = LogoCommand(uint8_t(a), LogoAlign(b));
    else if (r.choice == "feed")
        out = FeedCommand(uint32_t(a) * kDotsPerMm);
    else if (r.choice == "density")
        out = DensityCommand(Density(a));
    else
        return false;
    return true;
}

TEST(OperationTable, EveryDocumentedEntryIsWhatTheEngineSends) {
    const auto rows = ReadTable();
    std::map<std::string, int> counts;
    for (const TableRow& r : rows) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(BytesFor(r, bytes)) << r.choice << " " << r.value;
        EXPECT_EQ(bytes, r.bytes) << r.choice << " " << r.value << " (" << r.entry << ")";
        ++counts[r.choice];
    }
    // Every entry of every list: 13 drawers, 2 herald positions, 6 buzzer entries, 3 cuts
    // with and without the feed, "Not Print Logo" and 9 logos in 3 alignments, 0..100 mm,
    // 3 densities.
    const std::map<std::string, int> expected = {{"drawer", 13}, {"herald", 2}, {"buzzer", 6}, {"cut", 6},
                                                 {"logo", 28},   {"feed", 101}, {"density", 3}};
    EXPECT_EQ(counts, expected);
}

TEST(OperationTable, ValuesOutsideTheListsSendNothing) {
    EXPECT_TRUE(DrawerCommand(13).empty());
    EXPECT_TRUE(DrawerCommand(255).empty());
    EXPECT_TRUE(HeraldCommand(2).empty());
    EXPECT_TRUE(BuzzerCommand(6).empty());
    EXPECT_TRUE(LogoCommand(10, LogoAlign::Left).empty());
    EXPECT_TRUE(CutCommand(Cut::None, true).empty());
}

TEST(OperationTable, ParameterBytesNeverLookLikeTheDecodersCommands) {
    // Feeds of any length: no step of 15, 16 or 1B dots.
    for (uint32_t dots = 0; dots < 2000; ++dots) {
        const auto f = FeedCommand(dots);
        uint32_t sum = 0;
        for (size_t i = 0; i < f.size(); i += 3) {
            ASSERT_EQ(f[i], 0x1B);
            ASSERT_EQ(f[i + 1], 0x4A);
            ASSERT_TRUE(f[i + 2] != 0x15 && f[i + 2] != 0x16 && f[i + 2] != 0x1B && f[i + 2] != 0) << dots;
            sum += f[i + 2];
        }
        ASSERT_EQ(sum, dots);
    }
}

TEST(OperationOrder, APointSendsItsCommandsInTheFixedOrder) {
    Operation op;
    op.command = {0x1D, 0x21, 0x11};
    op.drawer = 5;
    op.buzzer = 2;
    op.feedMm = 3;
    op.logo = 4;
    op.logoAlign = LogoAlign::Right;
    op.cut = Cut::Full;
    op.feedToCut = true;
    std::vector<uint8_t> expected = op.command;
    for (const auto& part : {DrawerCommand(5), BuzzerCommand(2), FeedCommand(24),
                             LogoCommand(4, LogoAlign::Right), CutCommand(Cut::Full, true)})
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(OperationBytes(op), expected);
    // After the cut, the logo comes last; the herald takes the drawer's place.
    op.logoPosition = LogoPosition::AfterCut;
    op.herald = true;
    op.heraldChoice = 1;
    expected = op.command;
    for (const auto& part : {HeraldCommand(1), BuzzerCommand(2), FeedCommand(24), CutCommand(Cut::Full, true),
                             LogoCommand(4, LogoAlign::Right)})
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(OperationBytes(op), expected);
}

template <class T>
bool Contains(const std::vector<uint8_t>& hay, const T& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

// Every choice at every point, several pages each: the pages still decode exactly, and
// each point's bytes stand where the point is.
TEST(OperationRoundTrip, EveryChoiceAtEveryPointKeepsThePages) {
    std::mt19937 rng(99);
    testing::TestPage page;
    page.width = 300;
    page.rows.assign(50, std::vector<uint8_t>(38, 0));
    for (auto& r : page.rows)
        for (auto& b : r) b = uint8_t(rng() & rng());
    const std::vector<testing::TestPage> pages = {page, page, page};
    for (int i = 0; i < 101; ++i) {
        JobSettings s;
        for (int p = 0; p < 4; ++p) {
            Operation& op = s.operations[size_t(p)];
            const int k = i + 7 * p;
            // Raw bytes without 15, 16 and 1B: commands the decoder does not read.
            for (int n = 0; n < k % 6; ++n) op.command.push_back(uint8_t(0x1C + (k * 31 + n * 7) % 0xE0));
            op.herald = k % 5 == 4;
            op.drawer = uint8_t(k % 13);
            op.heraldChoice = uint8_t(k % 2);
            op.buzzer = uint8_t(k % 6);
            op.feedMm = uint8_t(k % 101);
            op.cut = Cut(k % 3);
            op.feedToCut = k % 2;
            op.logo = uint8_t(k % 10);
            op.logoAlign = LogoAlign(k % 3);
            op.logoPosition = LogoPosition((k / 3) % 2);
        }
        s.density = Density(i % 3);
        const auto bytes = testing::RenderJob(pages, s);
        ASSERT_EQ(testing::CheckDecodes(bytes, pages), "") << "settings " << i;
        auto ops = [&](OperationPoint p) { return OperationBytes(s.operations[size_t(p)]); };
        std::vector<uint8_t> head = JobPrologue(s.density);
        for (auto p : {OperationPoint::StartDocument, OperationPoint::StartPage}) {
            const auto b = ops(p);
            head.insert(head.end(), b.begin(), b.end());
        }
        head.insert(head.end(), {0x1B, 0x24});
        ASSERT_TRUE(std::equal(head.begin(), head.end(), bytes.begin())) << i;
        std::vector<uint8_t> pageEnd(kPageEnd.begin(), kPageEnd.end());
        const auto endPage = ops(OperationPoint::EndPage);
        pageEnd.insert(pageEnd.end(), endPage.begin(), endPage.end());
        ASSERT_TRUE(Contains(bytes, pageEnd)) << i;
        const auto tail = ops(OperationPoint::EndDocument);
        ASSERT_TRUE(std::equal(tail.rbegin(), tail.rend(), bytes.rbegin())) << i;
    }
}

TEST(OperationRoundTrip, ARawCommandTheDecoderReadsMovesThePageAsItMovesThePaper) {
    testing::TestPage page;
    page.width = 16;
    page.rows = {{0xFF, 0x01}, {0x80, 0x00}};
    JobSettings s;
    s.operations[size_t(OperationPoint::StartPage)].command = {0x1B, 0x33, 0x05, 0x0A};
    const auto bytes = testing::RenderJob({page}, s);
    EXPECT_EQ(testing::CheckDecodes(bytes, {page}, 1 + 5), "");
}

// ---- The record

prnui::PrivateSettings DefaultRecord() {
    prnui::PrivateSettings r;
    prnui::SetDefaults(r, u"C:\\WINDOWS\\system32");
    return r;
}

TEST(SettingsFromRecord, TheDefaultRecordAsksForTheDrawersAndAPartialCut) {
    const JobSettings s = SettingsFromRecord(DefaultRecord());
    EXPECT_EQ(s.operations[size_t(OperationPoint::StartDocument)].drawer, 12);
    EXPECT_FALSE(s.operations[size_t(OperationPoint::StartDocument)].herald);
    EXPECT_EQ(s.operations[size_t(OperationPoint::EndDocument)].cut, Cut::Partial);
    EXPECT_TRUE(s.operations[size_t(OperationPoint::EndDocument)].feedToCut);
    EXPECT_EQ(s.operations[size_t(OperationPoint::EndPage)].cut, Cut::None);
    EXPECT_FALSE(s.log.enabled);
    EXPECT_EQ(s.log.folder, "C:\\PellamorDriverlog\\K-20");
}

TEST(SettingsFromRecord, EachBlockGoesToItsOwnPoint) {
    prnui::PrivateSettings r = DefaultRecord();
    // The blocks lie in different layouts and in the order startDoc, startPage, endDoc,
    // endPage; the engine numbers its points start, page start, page end, end.
    const std::pair<prnui::OperationPoint, OperationPoint> points[] = {
        {prnui::OperationPoint::StartDoc, OperationPoint::StartDocument},
        {prnui::OperationPoint::StartPage, OperationPoint::StartPage},
        {prnui::OperationPoint::EndDoc, OperationPoint::EndDocument},
        {prnui::OperationPoint::EndPage, OperationPoint::EndPage}};
    uint8_t k = 1;
    for (const auto& point : points) {
        prnui::OperationValues v;
        v.commandEnabled = 1;
        v.commandLength = 2;
        v.command[0] = 0x40;
        v.command[1] = k;
        v.drawer = k;
        v.buzzer = k;
        v.buzzerVolume = uint8_t(200 + k);
        v.feedMm = uint8_t(10 * k);
        v.cut = uint8_t(k % 3);
        v.feedToCut = 1;
        v.logo = uint8_t(k + 4);
        v.logoAlign = uint8_t(k % 3);
        v.logoPosition = 1;
        prnui::WriteOperation(r, point.first, v);
        ++k;
    }
    const JobSettings s = SettingsFromRecord(r);
    k = 1;
    for (auto [from, to] : points) {
        const Operation& op = s.operations[size_t(to)];
        EXPECT_EQ(op.command, (std::vector<uint8_t>{0x40, k})) << int(k);
        EXPECT_EQ(op.drawer, k);
        EXPECT_EQ(op.buzzer, k);
        EXPECT_EQ(op.buzzerVolume, 200 + k);
        EXPECT_EQ(op.feedMm, 10 * k);
        EXPECT_EQ(op.cut, Cut(k % 3));
        EXPECT_TRUE(op.feedToCut);
        EXPECT_EQ(op.logo, k + 4);
        EXPECT_EQ(op.logoAlign, LogoAlign(k % 3));
        EXPECT_EQ(op.logoPosition, LogoPosition::AfterCut);
        ++k;
    }
}

TEST(SettingsFromRecord, ValuesOutsideTheirListsCountAsNone) {
    prnui::PrivateSettings r = DefaultRecord();
    prnui::OperationValues v;
    v.commandEnabled = 1;
    v.commandLength = 129;
    v.drawer = 13;
    v.buzzer = 6;
    v.feedMm = 101;
    v.cut = 3;
    v.feedToCut = 2;
    v.logo = 10;
    v.logoAlign = 3;
    v.logoPosition = 2;
    prnui::WriteOperation(r, prnui::OperationPoint::StartDoc, v);
    v.drawerOrHerald = 2;
    v.drawer = 3;
    prnui::WriteOperation(r, prnui::OperationPoint::EndDoc, v);
    v.drawerOrHerald = 1;
    v.herald = 2;
    prnui::WriteOperation(r, prnui::OperationPoint::EndPage, v);
    const JobSettings s = SettingsFromRecord(r);
    for (auto p : {OperationPoint::StartDocument, OperationPoint::EndDocument, OperationPoint::EndPage}) {
        const Operation& op = s.operations[size_t(p)];
        EXPECT_TRUE(op.command.empty());
        EXPECT_EQ(op.drawer, 0);
        EXPECT_EQ(op.buzzer, 0);
        EXPECT_EQ(op.feedMm, 0);
        EXPECT_EQ(op.cut, Cut::None);
        EXPECT_FALSE(op.feedToCut);
        EXPECT_EQ(op.logo, 0);
        EXPECT_EQ(op.logoPosition, LogoPosition::BeforeCut);
        EXPECT_TRUE(OperationBytes(op).empty());
    }
    EXPECT_TRUE(s.operations[size_t(OperationPoint::EndPage)].herald);
    EXPECT_EQ(s.operations[size_t(OperationPoint::EndPage)].heraldChoice, 0);
}

TEST(SettingsFromRecord, ACommandCountsOnlyWhenEnabledAndOnlyItsLength) {
    prnui::PrivateSettings r = DefaultRecord();
    prnui::OperationValues v;
    for (int i = 0; i < 128; ++i) v.command[i] = uint8_t(i);
    v.commandLength = 128;
    v.commandEnabled = 1;
    prnui::WriteOperation(r, prnui::OperationPoint::StartPage, v);
    v.commandEnabled = 0;
    prnui::WriteOperation(r, prnui::OperationPoint::EndPage, v);
    const JobSettings s = SettingsFromRecord(r);
    EXPECT_EQ(s.operations[size_t(OperationPoint::StartPage)].command.size(), 128u);
    EXPECT_TRUE(s.operations[size_t(OperationPoint::EndPage)].command.empty());
}

TEST(SettingsFromRecord, ARecordThatIsNotOursGivesNoOperationsAndNoLog) {
    auto bytesOf = [](const prnui::PrivateSettings& r) {
        std::vector<uint8_t> b(sizeof r);
        std::memcpy(b.data(), &r, sizeof r);
        return b;
    };
    prnui::PrivateSettings r = DefaultRecord();
    r.logEnabled = 1;
    r.logSavePrn = 1;
    const JobSettings good = SettingsFromRecordBytes(bytesOf(r));
    EXPECT_TRUE(good.log.enabled && good.log.savePrn);
    EXPECT_EQ(good.operations[0].drawer, 12);
    auto expectDefaults = [](const JobSettings& s, const char* why) {
        EXPECT_FALSE(s.log.enabled) << why;
        for (const Operation& op : s.operations) EXPECT_TRUE(OperationBytes(op).empty()) << why;
    };
    prnui::PrivateSettings bad = r;
    bad.header.dwSignature = 0x00504C53;
    expectDefaults(SettingsFromRecordBytes(bytesOf(bad)), "signature");
    bad = r;
    bad.header.dwVersion = 2;
    expectDefaults(SettingsFromRecordBytes(bytesOf(bad)), "version");
    bad = r;
    bad.header.dwSize = 1979;
    expectDefaults(SettingsFromRecordBytes(bytesOf(bad)), "size field");
    auto shortBytes = bytesOf(r);
    shortBytes.pop_back();
    expectDefaults(SettingsFromRecordBytes(shortBytes), "short record");
    expectDefaults(SettingsFromRecordBytes({}), "no record");
}

TEST(SettingsFromRecord, TheLogFolderComesAcrossAsUtf8) {
    prnui::PrivateSettings r = DefaultRecord();
    r.logFolder.set(u"D:\\\u65e5\u5fd7\\K-20");
    r.logEnabled = 1;
    r.logSaveBmp = 1;
    r.logSaveJpeg = 1;
    const JobSettings s = SettingsFromRecord(r);
    EXPECT_EQ(s.log.folder, "D:\\\xe6\x97\xa5\xe5\xbf\x97\\K-20");
    EXPECT_TRUE(s.log.saveBmp && s.log.saveJpeg);
    EXPECT_FALSE(s.log.savePrn);
}

}  // namespace
}  // namespace k20::render
