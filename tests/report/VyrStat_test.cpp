#include "host/forms.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrStat.h"
#include "support/reportfixture.h"
#include "support/scripteddialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct TStatusPage {
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    QList<TVyrStatus> UserSeen;
    TStatusPage() {
        Page->OnUpdateStatus = [this](TVyrPage* P, TVyrStatus Stat) {
            EXPECT_EQ(P, Page);
            UserSeen << Stat;
        };
    }
    void Status(int PageNumber, float Percent, TVyrStatus Stat) {
        Page->SetPageNumber(PageNumber);
        Page->SetPercentDone(Percent);
        Page->UpdateStatus(Stat);
    }
};

template <class T = QWidget> T* Find(TFormPrintStatus* S, const char* Name) {
    T* W = S->Widget()->findChild<T*>(QString::fromLatin1(Name));
    EXPECT_NE(W, nullptr) << Name;
    return W;
}

} // namespace

TEST(PrintStatus, FollowsThePagesStatusAlongsideTheUsersHandlerAndAsksBeforeAborting) {
    TStatusPage P;
    TComponentRef<TFormPrintStatus> Status(new TFormPrintStatus(Application()));
    QList<bool> Aborts;
    Status->OnAbort = [&](TVyrPage* Page, bool Discard) {
        EXPECT_EQ(Page, P.Page);
        Aborts << Discard;
    };
    Status->SetReport(P.Report);
    Status->Start(P.Page);
    TFormPrintStatus* S = Status.Get();
    EXPECT_TRUE(S->Widget()->isVisible());
    EXPECT_EQ(S->Widget()->size(), QSize(302, 131));
    EXPECT_EQ(S->Caption(), QStringLiteral("Print Status"));
    EXPECT_EQ(Find<QLabel>(S, "lbPage")->text(), QStringLiteral("Page:"));
    EXPECT_EQ(Find<QPushButton>(S, "Abortbutton")->text(), QStringLiteral("Abort"));
    EXPECT_EQ(Find(S, "LoadMeter")->geometry(), QRect(16, 90, 271, 29));
    EXPECT_EQ(Find(S, "pagenumber")->geometry(), QRect(92, 58, 81, 23));
    EXPECT_EQ(S->WaitText(), QStringLiteral("Printing Please Wait..."));
    EXPECT_FALSE(S->Closing());

    // Halves round to even; a percentage past the end fills the bar and no more.
    P.Status(3, 42.5f, ssGenerating);
    EXPECT_EQ(S->WaitText(), QStringLiteral("Generating, Please Wait ..."));
    EXPECT_EQ(S->PageText(), QStringLiteral("3"));
    EXPECT_EQ(S->Progress(), 42);
    P.Status(7, 137.0f, ssPrinting);
    EXPECT_EQ(S->WaitText(), QStringLiteral("Printing, Please Wait..."));
    EXPECT_EQ(S->PageText(), QStringLiteral("7"));
    EXPECT_EQ(S->Progress(), 100);
    EXPECT_EQ(P.UserSeen, (QList<TVyrStatus>{ssGenerating, ssPrinting}));

    {
        TScriptedDialogs Script;
        // The close box only asks; Cancel keeps the window and the run.
        Script.Answer(IDCANCEL);
        S->Widget()->close();
        EXPECT_TRUE(S->Widget()->isVisible());
        ASSERT_EQ(Script.MessageCount(), 1);
        EXPECT_EQ(Script.Last().Caption, QStringLiteral("Abort Report?"));
        EXPECT_EQ(Script.Last().Text, QStringLiteral("Yes      - Discard Report\rNo       - Retain partial "
                                                     "report\rCancel - Continue generating report"));
        Script.Answer(IDNO);
        Find<QPushButton>(S, "Abortbutton")->click();
        Script.Answer(IDYES);
        S->AskAbort();
        EXPECT_EQ(Aborts, (QList<bool>{false, true}));
    }

    // The end closes the window, which goes with the next messages; the user's handler stays.
    P.Status(9, 100.0f, ssEnd);
    EXPECT_TRUE(S->Closing());
    EXPECT_FALSE(S->Widget()->isVisible());
    EXPECT_EQ(P.UserSeen.back(), ssEnd);
    Application()->ProcessMessages();
    EXPECT_EQ(Status.Get(), nullptr);
    P.Status(1, 0.0f, ssGenerating);
    EXPECT_EQ(P.UserSeen.size(), 4);
}

TEST(PrintStatus, ARunThatEndsWithoutItsEndStatusStillClosesTheWindowAndKeepsTheHandler) {
    TStatusPage P;
    // An error ended the run: the run driver's Finish closes the window, even twice.
    TComponentRef<TFormPrintStatus> First(new TFormPrintStatus(Application()));
    First->Start(P.Page);
    {
        // Without an abort handler the answers stop the page.
        TScriptedDialogs Script;
        Script.Answer(IDNO);
        First->AskAbort();
        EXPECT_TRUE(P.Page->AbortPrinting());
    }
    First->Finish();
    First->Finish();
    Application()->ProcessMessages();
    EXPECT_EQ(First.Get(), nullptr);
    P.Status(2, 10.0f, ssGenerating);
    EXPECT_EQ(P.UserSeen, (QList<TVyrStatus>{ssGenerating}));

    // A second window over one still hooked keeps the user's handler, not the first window's; freeing
    // them in any order leaves the page with its own handler.
    auto* A = new TFormPrintStatus(Application());
    auto* B = new TFormPrintStatus(Application());
    A->Start(P.Page);
    B->Start(P.Page);
    P.Status(3, 20.0f, ssGenerating);
    EXPECT_EQ(A->PageText(), QStringLiteral("1"));
    EXPECT_EQ(B->PageText(), QStringLiteral("3"));
    delete A;
    P.Status(4, 30.0f, ssGenerating);
    EXPECT_EQ(B->PageText(), QStringLiteral("4"));
    delete B;
    P.Status(5, 40.0f, ssGenerating);
    EXPECT_EQ(P.UserSeen.size(), 4);
}
