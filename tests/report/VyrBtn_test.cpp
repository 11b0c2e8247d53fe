#include "host/exceptions.h"
#include "host/messages.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrBtn.h"
#include "report/VyrRep.h"
#include "support/fakeprinter.h"
#include "support/reportfixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::vector<std::unique_ptr<TFakePrinter>> OfficePrinter() {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    return List;
}

// A report with an empty page that asks where to go, and a button for it that counts its presses.
struct TButtonForm {
    TFakePrinterList Printers{OfficePrinter()};
    TToldErrors Told; // the page has no data source: the run tells so and goes on
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    TVyrReportButton* Button = Make<TVyrReportButton>(Form.get(), QStringLiteral("RunButton"), Form.get());
    int Clicks = 0;
    int Asked = 0;
    TButtonForm() {
        ClearPostedMessages();
        Report->OnPromptPrint = [this](TVyrPage*, bool& Result) {
            ++Asked;
            Result = true;
        };
        Page->PageSetup()->SetDestination(destFile);
        Button->SetReport(Report);
        Button->OnClick = [this](TComponent*) { ++Clicks; };
    }
    ~TButtonForm() { Application()->ProcessMessages(); }
    QString ClickError() {
        try {
            Button->Click();
        } catch (const Exception& E) {
            return E.Message();
        }
        return QString();
    }
};

} // namespace

TEST(VyrReportButton, RunsTheReportWithItsChoicesWhichStayAfterwards) {
    TButtonForm F;
    F.Button->SetDestination(bdPrinter);
    F.Button->SetPrompt(bpNoPrompt);
    F.Button->SetDataRange(brSingleRecord);
    TVyrPageSetup* Seen = nullptr;
    F.Button->OnBeforeRun = [&](TVyrPageSetup* Setup) { Seen = Setup; };
    EXPECT_EQ(F.ClickError(), QString());
    EXPECT_EQ(F.Clicks, 1);
    EXPECT_EQ(Seen, F.Page->PageSetup());
    EXPECT_EQ(F.Asked, 0);
    ASSERT_EQ(F.Printers[0]->Jobs.size(), 1u);
    EXPECT_EQ(F.Page->PageSetup()->Destination(), destPrinter);
    EXPECT_FALSE(F.Report->Prompt());
    EXPECT_EQ(F.Page->DataRange(), drSingleRecord);

    // A failing OnBeforeRun skips the run without a word; the press still counts.
    F.Button->OnBeforeRun = [](TVyrPageSetup*) { throw Exception(QStringLiteral("not now")); };
    EXPECT_EQ(F.ClickError(), QString());
    EXPECT_EQ(F.Clicks, 2);
    EXPECT_EQ(F.Printers[0]->Jobs.size(), 1u);
}

TEST(VyrReportButton, PressesAlsoWhenTheRunFailsOrCannotRun) {
    TButtonForm F;
    // A file destination without a file name: the run raises, after the button's own press.
    EXPECT_TRUE(F.ClickError().contains(QStringLiteral("PimFileName")));
    EXPECT_EQ(F.Clicks, 1);
    EXPECT_EQ(F.Asked, 1);
    EXPECT_FALSE(F.Report->Printing());

    // A report that lost its page, and a button that lost its report, only press.
    F.Page->SafeDelete();
    EXPECT_EQ(F.ClickError(), QString());
    F.Report->Free();
    EXPECT_EQ(F.Button->Report(), nullptr);
    EXPECT_EQ(F.ClickError(), QString());
    EXPECT_EQ(F.Clicks, 3);
    EXPECT_EQ(F.Asked, 1);

    // A button does not go on a report.
    TVyrReport Other(nullptr);
    EXPECT_THROW(F.Button->SetParent(&Other), EAbort);
    EXPECT_EQ(F.Button->Parent(), F.Form.get());
}
