#include "host/memdataset.h"
#include "host/sqldataset.h"
#include "report/PimDS.h"

#include <gtest/gtest.h>

namespace {

// An in-memory set that counts its openings and can be told to fail them.
struct TCountedSet {
    TMemDataSet* Set;
    int Opens = 0;
    int Attempts = 0;
    bool Fail = false;

    explicit TCountedSet(TMemDataSet* DataSet) : Set(DataSet) {
        Set->FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        Set->AppendRecord({1});
        Set->BeforeOpen = [this](TDataSet*) {
            ++Attempts;
            if (Fail) throw EDatabaseError(QStringLiteral("no such table: orders"));
        };
        Set->AfterOpen = [this](TDataSet*) { ++Opens; };
    }
};

} // namespace

TEST(PimDataSourceManager, OpensEachSetOncePerRunAndClosesWhatItOpened) {
    TMemDataSet ds;
    TCountedSet c(&ds);
    TDataSource Source;
    Source.SetDataSet(&ds);
    TPimDataSourceManager m;
    EXPECT_TRUE(m.ActivateDataSource(&Source));
    EXPECT_TRUE(m.ActivateDataSource(&Source)); // a second variable on the same source
    EXPECT_EQ(c.Opens, 1);
    ASSERT_EQ(m.Count(), 1);
    EXPECT_TRUE(m.Items(0)->CloseDataSource());
    m.CloseDataSources();
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(m.Count(), 0);
    // The next run opens it again.
    EXPECT_TRUE(m.ActivateDataSource(&Source));
    EXPECT_EQ(c.Opens, 2);
}

TEST(PimDataSourceManager, LeavesSetsThatWereOpenBeforeTheRunOpen) {
    TMemDataSet ds;
    TCountedSet c(&ds);
    ds.Open();
    TDataSource Source;
    Source.SetDataSet(&ds);
    TPimDataSourceManager m;
    EXPECT_TRUE(m.ActivateDataSource(&Source));
    EXPECT_FALSE(m.Items(0)->CloseDataSource());
    m.CloseDataSources();
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(c.Opens, 1);
}

TEST(PimDataSourceManager, TriesAFailingSetOnceAndKeepsItsMessage) {
    TMemDataSet ds;
    TCountedSet c(&ds);
    c.Fail = true;
    TDataSource Source;
    Source.SetDataSet(&ds);
    TPimDataSourceManager m;
    EXPECT_FALSE(m.ActivateDataSource(&Source));
    EXPECT_FALSE(m.ActivateDataSource(&Source));
    EXPECT_EQ(c.Attempts, 1);
    TPimDataSource* Entry = m.Find(&Source);
    ASSERT_NE(Entry, nullptr);
    EXPECT_TRUE(Entry->UnableToActivate());
    EXPECT_EQ(Entry->ErrorMessage(), QStringLiteral("no such table: orders"));
    EXPECT_EQ(Entry->TakeErrorMessage(), QStringLiteral("no such table: orders"));
    EXPECT_EQ(Entry->TakeErrorMessage(), QString()); // told once
    m.CloseDataSources();
    c.Fail = false;
    EXPECT_TRUE(m.ActivateDataSource(&Source)); // a new run tries again
    EXPECT_EQ(c.Attempts, 2);
    EXPECT_TRUE(m.Find(&Source)->ErrorMessage().isEmpty());
}

TEST(PimDataSourceManager, NothingToOpenGivesFalse) {
    TPimDataSourceManager m;
    EXPECT_FALSE(m.ActivateDataSource(nullptr));
    TDataSource Empty;
    EXPECT_FALSE(m.ActivateDataSource(&Empty));
    EXPECT_FALSE(m.ActivateDataSource(&Empty));
    EXPECT_EQ(m.Count(), 1);
    TPimDataSource Alone(nullptr);
    EXPECT_FALSE(Alone.OpenSource());
}

TEST(PimDataSourceManager, ReopensASetClosedDuringTheRun) {
    TMemDataSet Opened, Found;
    TCountedSet c1(&Opened), c2(&Found);
    Found.Open();
    TDataSource s1, s2;
    s1.SetDataSet(&Opened);
    s2.SetDataSet(&Found);
    TPimDataSourceManager m;
    EXPECT_TRUE(m.ActivateDataSource(&s1));
    EXPECT_TRUE(m.ActivateDataSource(&s2));
    // A sub data band with CloseDataSet, or the end of the first of two passes.
    Opened.Close();
    Found.Close();
    EXPECT_TRUE(m.ActivateDataSource(&s1));
    EXPECT_TRUE(m.ActivateDataSource(&s2));
    EXPECT_TRUE(Opened.Active());
    EXPECT_TRUE(Found.Active());
    EXPECT_EQ(c1.Opens, 2);
    EXPECT_EQ(c2.Opens, 2);
    m.CloseDataSources();
    EXPECT_FALSE(Opened.Active());
    EXPECT_TRUE(Found.Active()); // it was open before the run
}

TEST(PimDataSourceManager, ClosesOnlyTheSetItOpened) {
    TMemDataSet a, b;
    TCountedSet ca(&a), cb(&b);
    b.Open();
    TDataSource Source;
    Source.SetDataSet(&a);
    TPimDataSourceManager m;
    EXPECT_TRUE(m.ActivateDataSource(&Source));
    Source.SetDataSet(&b);
    m.CloseDataSources();
    EXPECT_FALSE(a.Active());
    EXPECT_TRUE(b.Active());
}

TEST(PimDataSourceManager, ForgetsSourcesAndSetsThatAreFreed) {
    TPimDataSourceManager m;
    // A freed data source whose set the manager opened: the set is still closed at the end.
    TMemDataSet Kept;
    TCountedSet c(&Kept);
    auto* Source = new TDataSource(nullptr);
    Source->SetDataSet(&Kept);
    EXPECT_TRUE(m.ActivateDataSource(Source));
    delete Source;
    EXPECT_EQ(m.Find(Source), nullptr);
    // A freed data source whose set was open already: nothing is left of it.
    TMemDataSet Open;
    TCountedSet co(&Open);
    Open.Open();
    auto* Source2 = new TDataSource(nullptr);
    Source2->SetDataSet(&Open);
    EXPECT_TRUE(m.ActivateDataSource(Source2));
    EXPECT_EQ(m.Count(), 2);
    delete Source2;
    EXPECT_EQ(m.Count(), 1);
    // A freed data set is never closed again (ASan would see it).
    auto* Gone = new TMemDataSet(nullptr);
    TCountedSet cg(Gone);
    TDataSource Source3;
    Source3.SetDataSet(Gone);
    EXPECT_TRUE(m.ActivateDataSource(&Source3));
    delete Gone;
    EXPECT_FALSE(m.ActivateDataSource(&Source3));
    m.CloseDataSources();
    EXPECT_FALSE(Kept.Active());
    EXPECT_TRUE(Open.Active());
    EXPECT_EQ(m.Count(), 0);
}

TEST(PimDataSourceManager, FreeingTheManagerClosesWhatItOpened) {
    TMemDataSet ds;
    TCountedSet c(&ds);
    TDataSource Source;
    Source.SetDataSet(&ds);
    {
        auto m = std::make_unique<TPimDataSourceManager>();
        EXPECT_TRUE(m->ActivateDataSource(&Source));
    }
    EXPECT_FALSE(ds.Active());
    // And a data source outliving the manager holds no link back to it.
    auto* Source2 = new TDataSource(nullptr);
    {
        TPimDataSourceManager m;
        Source2->SetDataSet(&ds);
        m.ActivateDataSource(Source2);
    }
    delete Source2;
}

TEST(PimDataSourceManager, KeepsTheDatabasesMessageOfAFailedQuery) {
    TSqlDataSet Query;
    Query.SetDatabaseName(QStringLiteral(":memory:"));
    Query.SetSQL(QStringLiteral("SELECT * FROM nosuch"));
    TDataSource Source;
    Source.SetDataSet(&Query);
    TPimDataSourceManager m;
    EXPECT_FALSE(m.ActivateDataSource(&Source));
    EXPECT_EQ(m.Find(&Source)->ErrorMessage(), QStringLiteral("no such table: nosuch"));
    Query.SetSQL(QStringLiteral("SELECT 1 AS one"));
    EXPECT_FALSE(m.ActivateDataSource(&Source)); // not tried again within the run
    m.CloseDataSources();
    EXPECT_TRUE(m.ActivateDataSource(&Source));
    EXPECT_EQ(Query.Fields(0)->AsInteger(), 1);
}
