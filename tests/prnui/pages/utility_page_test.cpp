#include "prnui/pages/utility_page.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "platform/sim/sim_machine.h"

namespace k20::prnui {
namespace {

using platform::FormInfo1;
using platform::kErrAccessDenied;
using platform::kOk;

platform::PrinterHandle OpenK20(platform::sim::SimMachine& machine) {
    platform::PrinterInfo2 p;
    p.printerName = "K-20";
    machine.spooler.AddPrinter(p);
    platform::PrinterHandle h = 0;
    EXPECT_EQ(kOk, machine.spooler.OpenPrinter("K-20", h));
    machine.faults.Reset();
    return h;
}

class UtilityPageTest : public ::testing::Test {
  protected:
    void SetUp() override { h = OpenK20(m); }
    void AddForm(const std::string& name, int32_t w, int32_t h) {
        m.spooler.forms.push_back(FormInfo1{platform::kFormUser, name, w, h, 0, 0, w, h});
    }
    const FormInfo1* Form(const std::string& name) {
        for (auto& f : m.spooler.forms)
            if (f.name == name) return &f;
        return nullptr;
    }
    int CountNamed(const std::string& name) {
        int n = 0;
        for (auto& f : m.spooler.forms) n += f.name == name;
        return n;
    }
    platform::sim::SimMachine m;
    platform::PrinterHandle h = 0;
};

TEST_F(UtilityPageTest, FirstOpenCreatesTheDefaultFormOnce) {
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    const FormInfo1* f = Form("Custom Paper-K20");
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(platform::kFormUser, f->flags);
    EXPECT_EQ(80000, f->width);
    EXPECT_EQ(297000, f->height);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 80000, 297000}),
              (std::vector<int32_t>{f->left, f->top, f->right, f->bottom}));

    UtilityPageModel again(m.spooler, h);
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(1, CountNamed("Custom Paper-K20"));
    EXPECT_EQ(1, m.faults.Calls("AddForm"));
}

TEST_F(UtilityPageTest, OpenListsDefaultFirstThenPaperFormsInSpoolerOrder) {
    AddForm("Custom Paper-B", 58000, 100000);
    AddForm("Receipt", 80000, 200000);
    AddForm("My Custom Paper-X", 60000, 150000);
    AddForm("Custom Paper-K20", 72000, 123456);  // already there, with its own size
    AddForm("Custom Paper-A", 41000, 25400);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    EXPECT_EQ((std::vector<std::u16string>{u"Custom Paper-K20", u"Custom Paper-B", u"My Custom Paper-X",
                                           u"Custom Paper-A"}),
              page.List());
    EXPECT_EQ(0, m.faults.Calls("AddForm"));
    EXPECT_EQ(0, page.Selected());
    EXPECT_EQ(u"K20", page.NameEdit());
    EXPECT_EQ(u"720", page.WidthEdit());
    EXPECT_EQ(u"1234", page.HeightEdit());
    EXPECT_FALSE(page.DeleteEnabled());
}

TEST_F(UtilityPageTest, OpenStopsSilentlyWhenTheSpoolerFails) {
    for (const char* op : {"EnumForms", "AddForm"}) {
        platform::sim::SimMachine fresh;
        const platform::PrinterHandle ph = OpenK20(fresh);
        fresh.faults.FailOn(op, 1, kErrAccessDenied);
        UtilityPageModel page(fresh.spooler, ph);
        EXPECT_FALSE(page.Open()) << op;
        EXPECT_TRUE(page.List().empty()) << op;
        EXPECT_FALSE(page.DeleteEnabled()) << op;
    }
}

TEST_F(UtilityPageTest, DefaultStaysListedWhenTheSpoolerDoesNotKeepUserForms) {
    // Some spoolers accept AddForm and then never list the form.
    UtilityPageModel page(m.spooler, h);
    m.faults.Reset();
    ASSERT_TRUE(page.Open());
    m.spooler.forms.resize(2);  // only the built-in ones again
    ASSERT_TRUE(page.Open());
    EXPECT_EQ(std::vector<std::u16string>{u"Custom Paper-K20"}, page.List());
    EXPECT_EQ(u"800", page.WidthEdit());
    EXPECT_EQ(u"2970", page.HeightEdit());
}

struct ClampCase {
    const char16_t* width;
    const char16_t* height;
    int32_t storedWidth, storedHeight;
    const char16_t* shownWidth;
    const char16_t* shownHeight;
};

TEST_F(UtilityPageTest, SaveLimitsWidthAndHeightComparingUnsigned) {
    const ClampCase cases[] = {
        {u"300", u"40000", 41000, 3276000, u"410", u"32760"},
        {u"", u"", 41000, 25400, u"410", u"254"},          // empty reads as 0: the minimum
        {u"-5", u"-1", 80000, 3276000, u"800", u"32760"},  // negative is huge unsigned: the maximum
        {u"801", u"253", 80000, 25400, u"800", u"254"},
        {u"410", u"32760", 41000, 3276000, u"410", u"32760"},
        {u"800", u"254", 80000, 25400, u"800", u"254"},
        {u"x5", u" 700 ", 41000, 70000, u"410", u" 700 "},  // an in-range entry keeps its text
    };
    for (auto& c : cases) {
        platform::sim::SimMachine fresh;
        const platform::PrinterHandle ph = OpenK20(fresh);
        UtilityPageModel page(fresh.spooler, ph);
        ASSERT_TRUE(page.Open());
        page.SetNameEdit(u"T");
        page.SetWidthEdit(c.width);
        page.SetHeightEdit(c.height);
        EXPECT_EQ("", page.Save());
        const FormInfo1& f = fresh.spooler.forms.back();
        EXPECT_EQ("Custom Paper-T", f.name);
        EXPECT_EQ(c.storedWidth, f.width) << Utf16ToUtf8(c.width);
        EXPECT_EQ(c.storedHeight, f.height);
        EXPECT_EQ(c.storedWidth, f.right);
        EXPECT_EQ(c.storedHeight, f.bottom);
        EXPECT_EQ(c.shownWidth, page.WidthEdit());
        EXPECT_EQ(c.shownHeight, page.HeightEdit());
    }
}

TEST(ReadSignedEditTest, ReadsLikeTheDialogManager) {
    const std::pair<const char16_t*, int32_t> cases[] = {
        {u"123", 123},
        {u"-7", -7},
        {u"+8", 8},
        {u"  42  ", 42},
        {u"", 0},
        {u"-", 0},
        {u"12a", 0},
        {u"a12", 0},
        {u"1 2", 0},
        {u"2147483647", 2147483647},
        {u"2147483648", 0},
        {u"-2147483648", INT32_MIN},
        {u"99999999999", 0},
    };
    for (auto& [text, v] : cases) EXPECT_EQ(v, ReadSignedEdit(text)) << Utf16ToUtf8(text);
}

TEST_F(UtilityPageTest, SavingTheDefaultNameReplacesItsSize) {
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    const size_t forms = m.spooler.forms.size();
    page.SetNameEdit(u"K20");
    page.SetWidthEdit(u"580");
    page.SetHeightEdit(u"1000");
    EXPECT_EQ("", page.Save());
    ASSERT_EQ(forms, m.spooler.forms.size());
    const FormInfo1* f = Form("Custom Paper-K20");
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(58000, f->width);
    EXPECT_EQ(100000, f->height);
    EXPECT_EQ(std::vector<std::u16string>{u"Custom Paper-K20"}, page.List());
    EXPECT_EQ(0, page.Selected());
}

TEST_F(UtilityPageTest, ExistingNameIsReplacedNewNameIsAppendedAndSelected) {
    AddForm("Custom Paper-A", 41000, 25400);
    AddForm("Custom Paper-B", 41000, 25400);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());

    page.SetNameEdit(u"A");
    page.SetWidthEdit(u"600");
    page.SetHeightEdit(u"3000");
    EXPECT_EQ("", page.Save());
    EXPECT_EQ(3u, page.List().size());
    EXPECT_EQ(60000, Form("Custom Paper-A")->width);
    EXPECT_EQ(300000, Form("Custom Paper-A")->height);
    EXPECT_EQ(0, page.Selected());

    page.SetNameEdit(u"Long receipt 18chr");
    EXPECT_EQ("", page.Save());
    ASSERT_EQ(4u, page.List().size());
    EXPECT_EQ(u"Custom Paper-Long receipt 18chr", page.List().back());
    EXPECT_EQ(3, page.Selected());
    EXPECT_TRUE(page.DeleteEnabled());
    ASSERT_NE(nullptr, Form("Custom Paper-Long receipt 18chr"));
    EXPECT_EQ(60000, Form("Custom Paper-Long receipt 18chr")->width);
}

TEST_F(UtilityPageTest, NameMatchIsExactAfterThePrefix) {
    AddForm("Custom Paper-Ab", 41000, 25400);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    page.SetNameEdit(u"A");  // a prefix of an existing name is a new name
    page.SetWidthEdit(u"500");
    page.SetHeightEdit(u"500");
    EXPECT_EQ("", page.Save());
    EXPECT_EQ(41000, Form("Custom Paper-Ab")->width);
    EXPECT_EQ(50000, Form("Custom Paper-A")->width);
    EXPECT_EQ(3u, page.List().size());
}

TEST_F(UtilityPageTest, RefusedFormShowsTheSaveMessage) {
    AddForm("Custom Paper-A", 41000, 25400);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    page.SetWidthEdit(u"500");
    page.SetHeightEdit(u"500");

    page.SetNameEdit(u"A");
    m.faults.FailOn("SetForm", 1, kErrAccessDenied);
    EXPECT_EQ("MB_UTILITY_ERROR1", page.Save());
    EXPECT_EQ(41000, Form("Custom Paper-A")->width);

    page.SetNameEdit(u"New");
    m.faults.FailOn("AddForm", m.faults.Calls("AddForm") + 1, kErrAccessDenied);
    EXPECT_EQ("MB_UTILITY_ERROR1", page.Save());
    EXPECT_EQ(2u, page.List().size());
    EXPECT_EQ(0, page.Selected());

    // A form the spooler refuses for its name (same name in another case) is a failure too.
    page.SetNameEdit(u"a");
    EXPECT_EQ("MB_UTILITY_ERROR1", page.Save());

    // A failing enumeration ends the save without a message and without a change.
    page.SetNameEdit(u"Other");
    m.faults.FailOn("EnumForms", m.faults.Calls("EnumForms") + 1, kErrAccessDenied);
    EXPECT_EQ("", page.Save());
    EXPECT_EQ(nullptr, Form("Custom Paper-Other"));
    EXPECT_EQ(2u, page.List().size());
}

TEST_F(UtilityPageTest, DeleteIsNeverOfferedForTheDefaultForm) {
    AddForm("Custom Paper-A", 41000, 25400);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    EXPECT_FALSE(page.DeleteEnabled());
    page.Delete();
    EXPECT_EQ(0, m.faults.Calls("DeleteForm"));
    EXPECT_EQ(2u, page.List().size());
    page.Select(1);
    EXPECT_TRUE(page.DeleteEnabled());
    page.Select(0);
    EXPECT_FALSE(page.DeleteEnabled());
    // Typing a name does not change the rule: the selected entry decides.
    page.SetNameEdit(u"A");
    EXPECT_FALSE(page.DeleteEnabled());
}

TEST_F(UtilityPageTest, DeleteMovesTheSelectionAndShowsTheNewEntry) {
    AddForm("Custom Paper-A", 50000, 100000);
    AddForm("Custom Paper-B", 60000, 200000);
    AddForm("Custom Paper-C", 70000, 300000);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());

    page.Select(1);
    EXPECT_EQ(u"A", page.NameEdit());
    EXPECT_EQ(u"500", page.WidthEdit());
    EXPECT_EQ(u"1000", page.HeightEdit());

    page.Delete();  // a middle entry: the next one moves up into its place
    EXPECT_EQ(nullptr, Form("Custom Paper-A"));
    EXPECT_EQ(1, page.Selected());
    EXPECT_EQ(u"B", page.NameEdit());
    EXPECT_EQ(u"600", page.WidthEdit());
    EXPECT_EQ(u"2000", page.HeightEdit());

    page.Select(2);
    page.Delete();  // the last entry: the one before it is selected
    EXPECT_EQ((std::vector<std::u16string>{u"Custom Paper-K20", u"Custom Paper-B"}), page.List());
    EXPECT_EQ(1, page.Selected());
    EXPECT_EQ(u"B", page.NameEdit());
    EXPECT_TRUE(page.DeleteEnabled());

    page.Delete();  // back to the default form alone
    EXPECT_EQ(0, page.Selected());
    EXPECT_EQ(u"K20", page.NameEdit());
    EXPECT_EQ(u"800", page.WidthEdit());
    EXPECT_EQ(u"2970", page.HeightEdit());
    EXPECT_FALSE(page.DeleteEnabled());
}

TEST_F(UtilityPageTest, DeleteDropsTheEntryEvenWhenTheSpoolerRefuses) {
    AddForm("Custom Paper-A", 50000, 100000);
    UtilityPageModel page(m.spooler, h);
    ASSERT_TRUE(page.Open());
    page.Select(1);
    m.faults.FailOn("DeleteForm", 1, kErrAccessDenied);
    page.Delete();
    EXPECT_EQ(1u, page.List().size());
    ASSERT_TRUE(page.Open());
    EXPECT_EQ(2u, page.List().size());  // the form is still there and comes back
}

TEST_F(UtilityPageTest, SelfTestSendsOneRawJobInThreeWrites) {
    UtilityPageModel page(m.spooler, h);
    EXPECT_EQ(kOk, page.SelfTest());
    ASSERT_EQ(1u, m.spooler.jobs.size());
    const auto& job = m.spooler.jobs[0];
    EXPECT_EQ("SELFTEST", job.docName);
    EXPECT_EQ("RAW", job.dataType);
    EXPECT_EQ((std::vector<uint8_t>{0x1B, 0x63, 0x3B, 0x01, 0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02, 0x1B,
                                    0x63, 0x3B, 0x00}),
              job.data);
    EXPECT_EQ(1, job.pagesStarted);
    EXPECT_EQ(1, job.pagesEnded);
    EXPECT_TRUE(job.ended);
    EXPECT_EQ(3, m.faults.Calls("WritePrinter"));
}

TEST_F(UtilityPageTest, SelfTestStopsAtTheFirstFailureAndClosesWhatItOpened) {
    struct Point {
        const char* op;
        int nth;
        size_t bytesSent;
        bool pageOpened;
    };
    const Point points[] = {{"StartDoc", 1, 0, false},     {"StartPage", 1, 0, false},
                            {"WritePrinter", 1, 0, true},  {"WritePrinter", 2, 4, true},
                            {"WritePrinter", 3, 11, true}, {"EndPage", 1, 15, true}};
    for (auto& p : points) {
        platform::sim::SimMachine fresh;
        const platform::PrinterHandle ph = OpenK20(fresh);
        fresh.faults.FailOn(p.op, p.nth, kErrAccessDenied);
        EXPECT_EQ(kErrAccessDenied, PrintSelfTest(fresh.spooler, ph)) << p.op << p.nth;
        if (std::string(p.op) == "StartDoc") {
            EXPECT_TRUE(fresh.spooler.jobs.empty());
            continue;
        }
        ASSERT_EQ(1u, fresh.spooler.jobs.size());
        const auto& job = fresh.spooler.jobs[0];
        EXPECT_EQ(p.bytesSent, job.data.size()) << p.op << p.nth;
        EXPECT_TRUE(job.ended) << p.op << p.nth;
        EXPECT_EQ(p.pageOpened ? 1 : 0, fresh.faults.Calls("EndPage")) << p.op << p.nth;
        // Nothing is written after the failing call.
        EXPECT_EQ(std::string(p.op) == "WritePrinter" ? p.nth : (p.pageOpened ? 3 : 0),
                  fresh.faults.Calls("WritePrinter"));
    }
}

}  // namespace
}  // namespace k20::prnui
