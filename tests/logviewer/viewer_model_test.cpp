#include "logviewer/viewer_model.h"

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/command_line.h"
#include "platform/sim/sim_machine.h"
#include "tests/logviewer/job_builder.h"

namespace k20::logviewer {
namespace {

using namespace k20::platform;
using testing::JobBuilder;

// Reads the height from the page-image file the model wrote, as the window's loader would.
class FakeHost : public PageImageHost {
  public:
    explicit FakeHost(sim::SimMachine& m) : m_(m) {}
    bool Load(const std::string& path, uint32_t& height) override {
        ++loads;
        std::vector<uint8_t> f;
        if (failLoad || m_.files.ReadFile(path, f) != kOk || f.size() < 62) return false;
        height = GetU32(f.data(), 22);
        shown = path;
        return true;
    }
    void Release() override {
        ++releases;
        shown.clear();
    }
    sim::SimMachine& m_;
    std::string shown;
    int loads = 0, releases = 0;
    bool failLoad = false;
};

const std::string kRoot = "C:\\PellamorDriverlog\\K-20";
const std::string kImages = "C:\\Users\\user\\AppData\\Local\\Temp\\K20LogViewer";

// A band job of `pages` pages of `bands` bands each: height pages * (24 * bands + 24).
std::vector<uint8_t> BandJob(int pages, int bands) {
    JobBuilder j;
    j.Init();
    for (int p = 0; p < pages; ++p) {
        for (int b = 0; b < bands; ++b) j.Band(std::vector<uint8_t>(3 * 64, 0x5A)).Spacing(24);
        j.PageEndFeed();
    }
    return j.out;
}

struct Viewer : ::testing::Test {
    sim::SimMachine m;
    FakeHost host{m};
    Platform plat = m.platform();
    LogViewerModel model{plat, host};

    void SetUp() override {
        m.files.Put(kRoot + "\\20240105\\job1.prn", BandJob(3, 4));  // 3 pages of 120 rows
        m.files.Put(kRoot + "\\20240105\\job2.prn", BandJob(1, 1));  // 48 rows
        m.files.Put(kRoot + "\\20240105\\broken.prn", std::vector<uint8_t>{0x1B, 0x40, 0x00});
        m.files.Put(kRoot + "\\20240106\\notes.txt", "no jobs here");
        m.files.Put(kRoot + "\\loose.prn", BandJob(1, 1));
        m.files.Put(kRoot + "\\20240107\\deeper\\x.prn", BandJob(1, 1));
        PrinterInfo2 p;
        for (const char* name : {"K-20 Receipt", "Office Laser", "K-20 Kitchen@K-20 Bar", "k-20 lower"}) {
            p.printerName = name;
            m.spooler.AddPrinter(p);
        }
        model.SetPictureSize(160, 50);  // twice the height: 100 rows
    }
    std::string Select(const std::string& job, const std::string& day = "20240105") {
        return model.SelectItem(job, day, kRoot);
    }
};

TEST_F(Viewer, TreeShowsOnlyDayFoldersWithJobs) {
    EXPECT_EQ(model.Start({"K-20", kRoot}), "");
    ASSERT_EQ(model.roots().size(), 1u);
    const LogRoot& r = model.roots()[0];
    EXPECT_TRUE(r.listed);
    ASSERT_EQ(r.days.size(), 1u);
    EXPECT_EQ(r.days[0].name, "20240105");
    EXPECT_EQ(r.days[0].jobs, (std::vector<std::string>{"broken.prn", "job1.prn", "job2.prn"}));
    EXPECT_EQ(model.buttons(), ButtonState{});
}

TEST_F(Viewer, UnlistableFolderGivesNotFoundAndAnEmptyRoot) {
    model.Start({"K-20", kRoot});
    EXPECT_EQ(model.AddLogFolder("D:\\nowhere"), "Not found file.");
    ASSERT_EQ(model.roots().size(), 2u);
    EXPECT_FALSE(model.roots()[1].listed);
    EXPECT_TRUE(model.roots()[1].days.empty());
    m.files.CreateDirectories("C:\\empty");
    EXPECT_EQ(model.AddLogFolder("C:\\empty"), "");
}

TEST_F(Viewer, PrinterListIsFilteredAndSplitAtTheAtSign) {
    model.Start({"K-20", kRoot});
    EXPECT_EQ(model.printers(), (std::vector<std::string>{"K-20 Receipt", "K-20 Kitchen", "K-20 Bar"}));
    std::vector<PrinterInfo2> many(40);
    for (size_t i = 0; i < many.size(); ++i)
        many[i].printerName = "K-20 printer number " + std::to_string(i + 100);
    // 25 characters each with the separator: 40 of them exceed 1024 characters.
    EXPECT_EQ(FilterPrinters(many, "K-").size(), 1024u / 25);
}

TEST_F(Viewer, LanguageFileComesFromTheRegistryValueOfTheModelElseTheSystemLanguage) {
    struct Case {
        uint16_t lang;
        const char* stored;  // nullptr: no value
        const char* want;
    };
    const Case cases[] = {
        {0x0409, nullptr, "ENG.ini"}, {1028, nullptr, "CHF.ini"}, {3076, nullptr, "CHF.ini"},
        {4100, nullptr, "CHF.ini"},   {2052, nullptr, "CHN.ini"}, {2052, "ENG.ini", "ENG.ini"},
    };
    for (const Case& c : cases) {
        sim::SimMachine mm;
        mm.system.language = c.lang;
        mm.registry.CreateKey(RegRoot::CurrentUser, kLanguageKey);
        if (c.stored) mm.registry.SetString(RegRoot::CurrentUser, kLanguageKey, "LANGUAGE_K-20", c.stored);
        EXPECT_EQ(ViewerLanguageFileName(mm.registry, mm.system, "K-20"), c.want) << c.lang;
    }
    // The plug-in's own value is named without the hyphen and is not the viewer's.
    m.registry.CreateKey(RegRoot::CurrentUser, kLanguageKey);
    m.registry.SetString(RegRoot::CurrentUser, kLanguageKey, "LANGUAGE_K20", "CHN_K20.res");
    EXPECT_EQ(ViewerLanguageFileName(m.registry, m.system, "K-20"), "ENG.ini");
    m.registry.SetString(RegRoot::CurrentUser, kLanguageKey, "LANGUAGE_K-20", std::string(300, 'x'));
    EXPECT_EQ(ViewerLanguageFileName(m.registry, m.system, "K-20"), "ENG.ini");
}

TEST_F(Viewer, TextsComeFromTheLanguageFileCutToFiftyCharacters) {
    m.system.language = 2052;
    m.files.Put(
        m.system.appDataDir + "\\PLR\\CHN.ini",
        "[DRIVERLOG]\r\nRC_BTN_NEXT=Next page\r\nRC_DRVNAME=Office\r\nRC_PRNWIDTH=72\r\nMB_LOGERROR=" +
            std::string(60, 'e') + "\r\n");
    model.Start({"K-20", kRoot});
    EXPECT_EQ(model.texts().next, "Next page");
    EXPECT_EQ(model.texts().top, "TOP");
    EXPECT_EQ(model.texts().widthBytes, 72);
    EXPECT_EQ(model.texts().dots, 640);
    EXPECT_EQ(model.texts().logError, std::string(49, 'e'));
    EXPECT_EQ(model.printers(), std::vector<std::string>{"Office Laser"});
}

TEST_F(Viewer, CommandLineNeedsTwoArguments) {
    EXPECT_EQ(ParseViewerCommandLine("\"K-20\" \"C:\\Pellamor Driverlog\\K-20\"").logRoot,
              "C:\\Pellamor Driverlog\\K-20");
    ViewerArgs a = ParseViewerCommandLine("\"K-20\" \"C:\\\"");
    EXPECT_EQ(a.model, "K-20");
    EXPECT_EQ(a.logRoot, "C:\\");
    // The plug-in quotes by the Windows rules; every folder arrives whole.
    for (const char* root :
         {"D:\\", "\\\\server\\log share\\", "C:\\Pellamor Driverlog\\K-20", "E:\\a\\\\"}) {
        a = ParseViewerCommandLine(QuoteCommandLineArgument("K-20") + " " + QuoteCommandLineArgument(root));
        EXPECT_EQ(a.model, "K-20") << root;
        EXPECT_EQ(a.logRoot, root);
    }
    a = ParseViewerCommandLine("K-20 \"D:\\\\\"");
    EXPECT_EQ(a.logRoot, "D:\\");
    a = ParseViewerCommandLine("\"K-20\"");
    EXPECT_EQ(a.model, "");
    EXPECT_EQ(a.logRoot, "");
    EXPECT_EQ(SkipProgramName("\"C:\\a b\\logviewer.exe\" \"K-20\" x"), " \"K-20\" x");
}

TEST_F(Viewer, SelectingAJobDecodesShowsAndEnablesPaging) {
    model.Start({"K-20", kRoot});
    EXPECT_EQ(Select("job1.prn"), "");
    EXPECT_EQ(model.jobFile(), kRoot + "\\20240105\\job1.prn");
    EXPECT_EQ(host.shown, kImages + "\\1\\job1.bmp");
    EXPECT_TRUE(m.files.Exists(kImages + "\\1\\job1.bmp"));
    EXPECT_FALSE(m.files.Exists(kRoot + "\\20240105\\job1.bmp")) << "nothing is written beside the jobs";
    EXPECT_EQ(model.imageHeight(), 360u);
    EXPECT_EQ(model.boundaries(), (std::vector<uint32_t>{120, 240, 360}));
    EXPECT_EQ(model.scrollLimit(), 260);
    EXPECT_EQ(model.buttons(), (ButtonState{false, false, true, true, true}));
    DrawPlan d = model.Plan();
    EXPECT_FALSE(d.whole);
    EXPECT_EQ(d.srcWidth, 320);
    EXPECT_EQ(d.srcHeight, 100);
}

TEST_F(Viewer, ShortImageIsShownWholeScaledToTheWidthWithNextAndBottomDisabled) {
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job2.prn"), "");
    EXPECT_EQ(model.imageHeight(), 48u);
    EXPECT_FALSE(model.buttons().next);
    EXPECT_FALSE(model.buttons().bottom);
    EXPECT_EQ(model.scrollLimit(), 48);
    DrawPlan d = model.Plan();
    EXPECT_TRUE(d.whole);
    EXPECT_EQ(d.dstWidth, 160);
    EXPECT_EQ(d.dstHeight, 48 * 160 / 640);
}

TEST_F(Viewer, PagingWalksTheBoundaries) {
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job1.prn"), "");
    model.OnBack();  // at the first page: nothing moves
    EXPECT_EQ(model.pageIndex(), 0u);
    EXPECT_EQ(model.scrollPos(), 0);
    EXPECT_FALSE(model.buttons().back);
    model.OnNext();
    EXPECT_EQ(model.scrollPos(), 120);
    EXPECT_EQ(model.pageIndex(), 1u);
    EXPECT_TRUE(model.buttons().top && model.buttons().back);
    model.OnNext();
    EXPECT_EQ(model.scrollPos(), 240);
    model.OnNext();  // 360 is beyond the limit of 260
    EXPECT_EQ(model.scrollPos(), 260);
    EXPECT_EQ(model.pageIndex(), 3u);
    EXPECT_FALSE(model.buttons().next || model.buttons().bottom);
    model.OnNext();  // k = n: nothing
    EXPECT_EQ(model.pageIndex(), 3u);
    model.OnBack();
    EXPECT_EQ(model.scrollPos(), 240);
    EXPECT_EQ(model.pageIndex(), 2u);
    model.OnBack();
    EXPECT_EQ(model.scrollPos(), 120);
    model.OnBack();
    EXPECT_EQ(model.scrollPos(), 0);
    EXPECT_EQ(model.pageIndex(), 0u);
    EXPECT_FALSE(model.buttons().top || model.buttons().back);
    model.OnBottom();
    EXPECT_EQ(model.scrollPos(), 260);
    EXPECT_EQ(model.pageIndex(), 3u);
    model.OnTop();
    EXPECT_EQ(model.scrollPos(), 0);
    EXPECT_EQ(model.buttons(), (ButtonState{false, false, true, true, true}));
}

TEST_F(Viewer, ScrollBarMovesOneRowAndSetsTheButtons) {
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job1.prn"), "");
    model.OnScroll(LogViewerModel::Scroll::LineUp);
    EXPECT_EQ(model.scrollPos(), 0);
    model.OnScroll(LogViewerModel::Scroll::PageDown);
    EXPECT_EQ(model.scrollPos(), 1);
    EXPECT_EQ(model.buttons(), (ButtonState{true, true, true, true, true}));
    model.OnScroll(LogViewerModel::Scroll::Thumb, 500);
    EXPECT_EQ(model.scrollPos(), 260);
    EXPECT_FALSE(model.buttons().next);
    model.OnScroll(LogViewerModel::Scroll::LineDown);
    EXPECT_EQ(model.scrollPos(), 260);
    EXPECT_EQ(model.Plan().srcY, 260);
    model.OnScroll(LogViewerModel::Scroll::Top);
    EXPECT_EQ(model.buttons(), (ButtonState{false, false, true, true, true}));
}

TEST_F(Viewer, LongNamesAndNonJobItemsAreNotActedOn) {
    const std::string longName = std::string(26, 'a') + ".prn";  // ".prn" ends at character 30
    m.files.Put(kRoot + "\\20240105\\" + longName, BandJob(1, 1));
    const std::string fits = std::string(25, 'a') + ".prn";  // 29 characters
    m.files.Put(kRoot + "\\20240105\\" + fits, BandJob(1, 1));
    model.Start({"K-20", kRoot});
    EXPECT_EQ(Select(longName), "");
    EXPECT_EQ(model.jobFile(), "");
    EXPECT_EQ(model.SelectItem("x.prn.d", kRoot, ""), "");  // a day folder named like a job
    EXPECT_EQ(model.jobFile(), "");
    EXPECT_EQ(Select(fits), "");
    EXPECT_EQ(model.jobFile(), kRoot + "\\20240105\\" + fits);
}

TEST_F(Viewer, FailuresShowTheirMessageAndKeepThePreviousImage) {
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job1.prn"), "");
    EXPECT_EQ(Select("broken.prn"), "The printer dirver log is error!");
    EXPECT_TRUE(model.imageLoaded());
    EXPECT_EQ(host.shown, kImages + "\\1\\job1.bmp");
    host.failLoad = true;
    EXPECT_EQ(Select("job2.prn"), "Load image failed!");
    EXPECT_EQ(host.releases, 0);
    m.faults.Reset();
    m.faults.FailOn("WriteFile", 1, kErrAccessDenied);
    host.failLoad = false;
    EXPECT_EQ(Select("job2.prn"), "The printer dirver log is error!");
}

TEST_F(Viewer, OnlyTheImagesTheViewerWroteAreDeletedOnChangeAndClose) {
    // The user's own pictures beside the jobs, one named like a job's page image.
    m.files.Put(kRoot + "\\20240105\\job1.bmp", "the user's job1 picture");
    m.files.Put(kRoot + "\\20240105\\holiday.bmp", "the user's holiday picture");
    m.files.Put(kRoot + "\\20240108\\a.prn", BandJob(1, 1));
    m.files.Put(kRoot + "\\20240108\\a.bmp", "the user's a picture");
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job1.prn"), "");
    const std::string folder = model.imageFolder();
    EXPECT_EQ(folder, kImages + "\\1");
    ASSERT_EQ(Select("job2.prn"), "");
    EXPECT_FALSE(m.files.Exists(folder + "\\job1.bmp"));
    EXPECT_TRUE(m.files.Exists(folder + "\\job2.bmp"));
    ASSERT_EQ(Select("a.prn", "20240108"), "");
    EXPECT_FALSE(m.files.Exists(folder + "\\job2.bmp"));
    EXPECT_TRUE(m.files.Exists(folder + "\\a.bmp"));
    model.Close();
    EXPECT_FALSE(m.files.Exists(folder + "\\a.bmp"));
    EXPECT_FALSE(m.files.Exists(folder)) << "the viewer's own folder goes too";
    EXPECT_EQ(host.releases, 1);
    std::vector<uint8_t> bytes;
    for (auto [path, text] : {std::pair{"\\20240105\\job1.bmp", "the user's job1 picture"},
                              std::pair{"\\20240105\\holiday.bmp", "the user's holiday picture"},
                              std::pair{"\\20240108\\a.bmp", "the user's a picture"}}) {
        ASSERT_EQ(m.files.ReadFile(kRoot + path, bytes), kOk) << path;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text) << path;
    }
    EXPECT_TRUE(m.files.Exists(kRoot + "\\20240108\\a.prn"));
}

TEST_F(Viewer, TwoViewersUseTwoFoldersAndAForeignFileInTheImageRootStays) {
    m.files.Put(kImages + "\\1\\job1.bmp", "another viewer's image");
    m.files.Put(kImages + "\\left.bmp", "not ours");
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job1.prn"), "");
    EXPECT_EQ(model.imageFolder(), kImages + "\\2");
    model.Close();
    EXPECT_TRUE(m.files.Exists(kImages + "\\1\\job1.bmp"));
    EXPECT_TRUE(m.files.Exists(kImages + "\\left.bmp"));
    EXPECT_FALSE(m.files.Exists(kImages + "\\2"));
}

TEST_F(Viewer, WithoutATemporaryFolderNothingIsWrittenAndTheLoadFails) {
    m.system.tempDir = "";
    model.Start({"K-20", kRoot});
    const auto before = m.files.AllPaths();
    EXPECT_EQ(Select("job1.prn"), "Load image failed!");
    EXPECT_EQ(m.files.AllPaths(), before);
    EXPECT_FALSE(model.imageLoaded());
}

TEST_F(Viewer, WithoutTheApplicationDataFolderTheTextsAreBuiltIn) {
    m.system.appDataDir = "";
    m.files.Put("PLR\\ENG.ini", "[DRIVERLOG]\r\nRC_BTN_TOP=relative\r\n");
    model.Start({"K-20", kRoot});
    EXPECT_EQ(model.texts().top, "TOP");
}

TEST_F(Viewer, PrintsTheJobOrTheWholeDayAsRawDocuments) {
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job1.prn"), "");
    int printed = 0;
    // A name split at "@" is no printer of the spooler's: nothing is printed, silently.
    EXPECT_EQ(model.Print("K-20 Bar", &printed), "");
    EXPECT_EQ(printed, 0);
    EXPECT_TRUE(m.spooler.jobs.empty());
    EXPECT_EQ(model.Print("K-20 Receipt", &printed), "");
    EXPECT_EQ(printed, 1);
    ASSERT_EQ(m.spooler.jobs.size(), 1u);
    EXPECT_EQ(m.spooler.jobs[0].docName, "Driver LOG Printing");
    EXPECT_EQ(m.spooler.jobs[0].dataType, "RAW");
    EXPECT_EQ(m.spooler.jobs[0].printer, "K-20 Receipt");
    EXPECT_EQ(m.spooler.jobs[0].data, BandJob(3, 4));
    EXPECT_TRUE(m.spooler.jobs[0].ended);
    EXPECT_EQ(m.spooler.OpenHandles(), 0);

    model.printChoice = PrintChoice::DayLog;
    m.faults.Reset();
    m.faults.FailOn("WritePrinter", 1, kErrWriteFault);
    EXPECT_EQ(model.Print("K-20 Receipt", &printed), "");
    EXPECT_EQ(printed, 2);  // the first write failed silently
    EXPECT_EQ(m.spooler.jobs.size(), 4u);
    EXPECT_TRUE(m.spooler.jobs[1].ended);
    EXPECT_EQ(m.spooler.OpenHandles(), 0);

    EXPECT_EQ(model.Print("No such printer", &printed), "");
    EXPECT_EQ(printed, 0);
    EXPECT_EQ(m.spooler.OpenHandles(), 0);
}

TEST_F(Viewer, PrintingADayWithoutJobsShowsLoadImageFailed) {
    model.Start({"K-20", kRoot});
    ASSERT_EQ(Select("job2.prn"), "");
    m.files.DeleteFile(kRoot + "\\20240105\\job1.prn");
    m.files.DeleteFile(kRoot + "\\20240105\\job2.prn");
    m.files.DeleteFile(kRoot + "\\20240105\\broken.prn");
    model.printChoice = PrintChoice::DayLog;
    EXPECT_EQ(model.Print("K-20 Receipt"), "Load image failed!");
}

}  // namespace
}  // namespace k20::logviewer
