#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"

using namespace k20::platform;
using namespace k20::platform::sim;

TEST(SimRegistry, KeysAreCaseInsensitiveAndViewsSplitSoftware) {
    SimMachine m;
    ASSERT_EQ(m.registry.CreateKey(RegRoot::CurrentUser, "SOFTWARE\\KESTRAN\\LANGUAGE"), kOk);
    ASSERT_EQ(m.registry.SetString(RegRoot::CurrentUser, "software\\kestran\\language", "LANGUAGE_K20",
                                   "ENG_K20.res"),
              kOk);
    std::string v;
    EXPECT_EQ(m.registry.GetString(RegRoot::CurrentUser, "SOFTWARE\\KESTRAN\\LANGUAGE", "language_k20", v),
              kOk);
    EXPECT_EQ(v, "ENG_K20.res");
    EXPECT_EQ(m.registry.GetString(RegRoot::CurrentUser, "SOFTWARE\\KESTRAN", "x", v), kErrFileNotFound);

    ASSERT_EQ(m.registry.CreateKey(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::View32), kOk);
    EXPECT_TRUE(
        m.registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\WOW6432Node\\Vendor", RegView::View64));
    EXPECT_FALSE(m.registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::View64));
    EXPECT_EQ(m.registry.DeleteTree(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::View32), kOk);
    EXPECT_FALSE(m.registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::View32));
}

TEST(SimFaults, FailTheNthCallWithTheChosenError) {
    SimMachine m;
    m.faults.FailOn("RegCreateKey", 2, kErrAccessDenied);
    EXPECT_EQ(m.registry.CreateKey(RegRoot::CurrentUser, "A"), kOk);
    EXPECT_EQ(m.registry.CreateKey(RegRoot::CurrentUser, "B"), kErrAccessDenied);
    EXPECT_EQ(m.registry.CreateKey(RegRoot::CurrentUser, "C"), kOk);
    EXPECT_EQ(m.faults.Calls("RegCreateKey"), 3);
}

TEST(SimFiles, StrictAboutFoldersAttributesAndPatterns) {
    SimMachine m;
    EXPECT_EQ(m.files.WriteFile("C:\\nofolder\\a.txt", {1}), kErrPathNotFound);
    ASSERT_EQ(m.files.CreateDirectories("C:\\log\\2026-12-07"), kOk);
    ASSERT_EQ(m.files.WriteFile("C:\\log\\2026-12-07\\job1.PRN", {1, 2}), kOk);
    ASSERT_EQ(m.files.WriteFile("C:\\log\\2026-12-07\\notes.txt", {3}), kOk);
    std::vector<FindEntry> found;
    ASSERT_EQ(m.files.FindFiles("c:\\LOG\\2026-12-07\\*.prn", found), kOk);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "job1.PRN");
    ASSERT_EQ(m.files.SetAttributes("C:\\log\\2026-12-07\\job1.PRN", kAttrReadOnly), kOk);
    EXPECT_EQ(m.files.DeleteFile("C:\\log\\2026-12-07\\job1.PRN"), kErrAccessDenied);
    EXPECT_EQ(m.files.CopyFile("C:\\log\\2026-12-07\\notes.txt", "C:\\log\\2026-12-07\\job1.prn", false),
              kErrAccessDenied);
    EXPECT_EQ(m.files.CopyFile("C:\\log\\2026-12-07\\notes.txt", "C:\\log\\copy.txt", true), kOk);
    EXPECT_EQ(m.files.CopyFile("C:\\log\\2026-12-07\\notes.txt", "C:\\log\\copy.txt", true), kErrFileExists);
}

TEST(SimSpooler, RawJobsAreCapturedAndClosedOnEveryFailure) {
    SimMachine m;
    PrinterInfo2 p;
    p.printerName = "K-20";
    m.spooler.AddPrinter(p);
    PrinterHandle h = 0;
    ASSERT_EQ(m.spooler.OpenPrinter("k-20", h), kOk);
    ASSERT_EQ(SendRawJob(m.spooler, h, "SELFTEST", {{0x1B, 0x63}, {0x0A}}), kOk);
    ASSERT_EQ(m.spooler.jobs.size(), 1u);
    EXPECT_EQ(m.spooler.jobs[0].data, (std::vector<uint8_t>{0x1B, 0x63, 0x0A}));
    EXPECT_EQ(m.spooler.jobs[0].dataType, "RAW");

    // Every failure point still closes the page and the document it opened.
    for (const char* op : {"StartPage", "WritePrinter", "EndPage", "EndDoc"}) {
        m.faults.Reset();
        m.faults.FailOn(op, 1, kErrAccessDenied);
        EXPECT_EQ(SendRawJob(m.spooler, h, "X", {{1}, {2}}), kErrAccessDenied) << op;
        EXPECT_TRUE(m.spooler.jobs.back().ended) << op;
        if (std::string(op) == "WritePrinter") {
            EXPECT_EQ(m.faults.Calls("WritePrinter"), 1);
        }
    }
    EXPECT_EQ(m.spooler.ClosePrinter(h), kOk);
    EXPECT_EQ(m.spooler.OpenHandles(), 0);
    EXPECT_EQ(m.spooler.OpenPrinter("nope", h), kErrInvalidPrinterName);
}
