#include "host/forms.h"
#include "host/memdataset.h"
#include "host/resstrings.h"
#include "host/sqldataset.h"
#include "report/PimPage.h"
#include "support/reportfixture.h"

#include <gtest/gtest.h>

namespace {

// A page walking a data set of numbered records; what reaches the application's handler and the
// records the page stood on after each accepted move are noted.
struct TDataLoop {
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("Page1"), nullptr);
    TMemDataSet Set;
    TDataSource Source;
    TToldErrors Errors;
    QStringList& Told = Errors.Messages;
    QList<int> Visited;
    explicit TDataLoop(int Count) {
        FillNumbered(Set, QStringLiteral("N"), Count);
        Source.SetDataSet(&Set);
        Page->SetDataSource(&Source);
        Page->OnAfterDataSkip = [this](TVyrPage*) { Visited << Set.FieldByName(QStringLiteral("N"))->AsInteger(); };
    }
    ~TDataLoop() { Page->SetDataSource(nullptr); }
    // The whole loop as generation drives it: one skip after each record until the data ends.
    void Walk(int Limit = 100) {
        Page->DataStart();
        while (!Page->DataIsFinished() && Limit-- > 0) Page->DataSkip();
        Page->DataFinish();
    }
};

} // namespace

TEST(MasterDataLoop, WalksFilteredRecordsCountingEveryMoveAndReportsProgress) {
    TDataLoop L(4);
    QList<float> Percents;
    L.Page->DataStart();
    EXPECT_EQ(L.Page->Records(), 4);
    while (!L.Page->DataIsFinished()) {
        L.Page->DataSkip();
        Percents << L.Page->PercentDone();
    }
    // The last skip reaches 100 but shows 99: the data has ended, the pages have not.
    EXPECT_EQ(Percents, (QList<float>{25, 50, 75, 99}));
    EXPECT_EQ(L.Visited, (QList<int>{1, 2, 3, 4}));
    L.Page->DataFinish();
    EXPECT_EQ(L.Page->Skipped(), 4);
    EXPECT_TRUE(L.Set.Active()); // CloseDataSet is off

    // A filter taking even records: the start moves on to the first accepted one and every
    // rejected record counts as skipped.
    L.Visited.clear();
    L.Page->OnDataFilter = [&L](TComponent*, bool& Result) {
        Result = L.Set.FieldByName(QStringLiteral("N"))->AsInteger() % 2 == 0;
    };
    L.Page->DataStart();
    EXPECT_EQ(L.Page->Skipped(), 1);
    L.Page->DataSkip();
    EXPECT_EQ(L.Page->Skipped(), 3);
    L.Page->DataSkip();
    EXPECT_TRUE(L.Page->DataIsFinished());
    EXPECT_EQ(L.Visited, (QList<int>{2, 4}));

    // A single record is the current one, not the first; a rejecting filter leaves no record.
    L.Page->OnDataFilter = nullptr;
    L.Page->SetDataRange(drSingleRecord);
    L.Page->SetCloseDataSet(true);
    L.Visited.clear();
    L.Set.First();
    L.Set.MoveBy(2);
    L.Walk();
    EXPECT_EQ(L.Visited, (QList<int>{3}));
    EXPECT_EQ(L.Page->Records(), 1);
    EXPECT_EQ(L.Page->Skipped(), 1);
    EXPECT_FALSE(L.Set.Active());
    L.Set.Open();
    L.Page->OnDataFilter = [](TComponent*, bool& Result) { Result = false; };
    L.Page->DataStart();
    EXPECT_TRUE(L.Page->DataIsFinished());
    EXPECT_TRUE(L.Told.isEmpty());

    // NoRecordCount: no progress is known.
    TDataLoop M(3);
    M.Page->SetNoRecordCount(true);
    M.Walk();
    EXPECT_EQ(M.Visited, (QList<int>{1, 2, 3}));
    EXPECT_EQ(M.Page->PercentDone(), 0);
}

TEST(MasterDataLoop, EndsTheDataOnFaultsInsteadOfPrintingPhantomOrEndlessRecords) {
    // No data set and no start handler: the message reaches the handler, the pass has no data.
    TDataLoop L(3);
    L.Page->SetDataSource(nullptr);
    L.Walk();
    EXPECT_EQ(L.Told, QStringList{LoadStr(SNoDataSource)});
    EXPECT_TRUE(L.Visited.isEmpty());

    // A start handler without a data set and without a skip handler: the first skip ends the data.
    L.Told.clear();
    int Starts = 0;
    L.Page->OnDataStart = [&Starts](TComponent*) { ++Starts; };
    L.Walk();
    EXPECT_EQ(Starts, 1);
    EXPECT_TRUE(L.Page->DataIsFinished());
    EXPECT_TRUE(L.Told.isEmpty());
    L.Page->OnDataStart = nullptr;

    // A record the data set cannot move past: told once, and the data ends there.
    L.Page->SetDataSource(&L.Source);
    L.Set.OnFilterRecord = [](TDataSet* Set, bool& Accept) {
        if (Set->FieldByName(QStringLiteral("N"))->AsInteger() == 3) throw Exception(QStringLiteral("bad row"));
        Accept = true;
    };
    L.Set.SetFiltered(true);
    L.Walk(5);
    EXPECT_EQ(L.Told, QStringList{QStringLiteral("bad row")});
    EXPECT_EQ(L.Visited.size(), 1);
    EXPECT_TRUE(L.Page->DataIsFinished());

    // A single record of an empty set is none.
    TDataLoop E(0);
    E.Page->SetDataRange(drSingleRecord);
    E.Walk();
    EXPECT_TRUE(E.Visited.isEmpty());
    EXPECT_TRUE(E.Page->DataIsFinished());

    // A query that is not open counts no records, without an error.
    TSqlDataSet Query;
    EXPECT_TRUE(IsQueryDataSet(&Query));
    EXPECT_FALSE(IsQueryDataSet(&E.Set));
    EXPECT_EQ(DataSetRecordCount(&Query), 0);
    EXPECT_EQ(DataSetRecordCount(E.Page), 0);
}
