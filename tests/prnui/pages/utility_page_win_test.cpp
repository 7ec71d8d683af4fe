// The Utility page model on the system's own spooler. Wine's spooler accepts form calls
// without keeping user forms, so the rules are proven on the simulated spooler; here the
// page must open, list the default form and talk to the spooler without failing.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "prnui/pages/utility_page.h"

namespace k20::prnui {
namespace {

using platform::kOk;

class UtilityWin : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<platform::PrinterInfo2> printers;
        if (spooler.EnumLocalPrinters(printers) != kOk || printers.empty())
            GTEST_SKIP() << "this system has no local printer to open";
        ASSERT_EQ(kOk, spooler.OpenPrinter(printers[0].printerName, printer));
    }
    void TearDown() override {
        if (printer) spooler.ClosePrinter(printer);
    }
    platform::win32::Win32Spooler spooler;
    platform::PrinterHandle printer = 0;
};

TEST_F(UtilityWin, PageOpensWithTheDefaultFormFirst) {
    std::vector<platform::FormInfo1> forms;
    ASSERT_EQ(kOk, spooler.EnumForms1(printer, forms));
    EXPECT_FALSE(forms.empty());  // the built-in paper sizes at least
    UtilityPageModel page(spooler, printer);
    if (!page.Open()) GTEST_SKIP() << "the spooler refused the default form";
    ASSERT_FALSE(page.List().empty());
    EXPECT_EQ(kDefaultFormName, page.List()[0]);
    EXPECT_EQ(u"K20", page.NameEdit());
    EXPECT_FALSE(page.DeleteEnabled());
}

TEST_F(UtilityWin, SelfTestJobIsAccepted) {
    EXPECT_EQ(kOk, PrintSelfTest(spooler, printer));
}

}  // namespace
}  // namespace k20::prnui
