#include "host/forms.h"
#include "host/memdataset.h"
#include "output/PimFile.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "support/bandfixture.h"
#include "support/passdriver.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The fixture's 3 x 4 in page (body 288 high from y 48) with its main bands, over a data set of
// numbered records; every band notes "name page y" when it prints.
struct TGenPage : TBandPage {
    TMemDataSet Set;
    TDataSource Source;
    QStringList Log;
    std::shared_ptr<TPimPimFile> Doc; // what the screen would show
    explicit TGenPage(int Records) {
        Page->OnPreview = [this](TComponent*) { Doc = Output.PimFile(); };
        Set.FieldDefs().Add(QStringLiteral("N"), ftInteger);
        Set.Open();
        for (int i = 1; i <= Records; ++i) Set.AppendRecord({i});
        Source.SetDataSet(&Set);
        Page->SetDataSource(&Source);
        Page->AddMainBands();
        ClearPostedMessages();
        for (TVyrBand* B : *Page->Bands()) Watch(B);
        Page->Head()->SetVisible(false);
        Page->Foot()->SetVisible(false);
        Page->PageHead()->SetHeight(20);
        Page->Detail()->SetHeight(30);
        Page->PageFoot()->SetHeight(24);
    }
    ~TGenPage() { Page->SetDataSource(nullptr); }
    void Watch(TVyrBand* B) {
        B->OnBeforePrint = [this](TVyrBand* Band) {
            Log << QStringLiteral("%1 %2 %3").arg(Band->Name()).arg(Page->PageNumber()).arg(Page->YPos());
        };
    }
    // The lines of the log for one band.
    QStringList Of(const QString& Name) const { return Log.filter(QRegularExpression(QStringLiteral("^%1 ").arg(Name))); }
    void Run() { RunPasses(*Page, Output); }
};

} // namespace

TEST(Generation, DetailsFillEachPageAboveTheFooterAndTheLastFooterCanBeLeftOut) {
    TGenPage G(20);
    G.Run();
    const QString Detail = G.Page->Detail()->Name();
    const QString Foot = G.Page->PageFoot()->Name();
    const QString Head = G.Page->PageHead()->Name();
    QStringList Expected;
    for (int Pg = 1; Pg <= 3; ++Pg) {
        Expected << QStringLiteral("%1 %2 48").arg(Head).arg(Pg);
        for (int k = 0; k < (Pg < 3 ? 8 : 4); ++k) Expected << QStringLiteral("%1 %2 %3").arg(Detail).arg(Pg).arg(68 + 30 * k);
        Expected << QStringLiteral("%1 %2 312").arg(Foot).arg(Pg);
    }
    EXPECT_EQ(G.Log, Expected);
    EXPECT_EQ(G.Page->PageCount(), 3);
    ASSERT_NE(G.Doc, nullptr);
    EXPECT_EQ(G.Doc->PageCount(), 3);

    // 61 high: 251 + 61 + 24 reaches the body's bottom, so three a page; 60 gives four.
    for (int Height : {61, 60}) {
        TGenPage H(8);
        H.Page->Detail()->SetHeight(Height);
        H.Page->SetOmitLastPgFt(true);
        H.Run();
        const int PerPage = Height == 61 ? 3 : 4;
        const QStringList Details = H.Of(H.Page->Detail()->Name());
        ASSERT_EQ(Details.size(), 8);
        EXPECT_EQ(Details[PerPage - 1], QStringLiteral("%1 1 %2").arg(H.Page->Detail()->Name()).arg(68 + Height * (PerPage - 1)));
        EXPECT_EQ(Details[PerPage], QStringLiteral("%1 2 68").arg(H.Page->Detail()->Name()));
        const int Pages = (8 + PerPage - 1) / PerPage;
        EXPECT_EQ(H.Page->PageCount(), Pages) << Height;
        EXPECT_EQ(H.Of(H.Page->PageFoot()->Name()).size(), Pages - 1) << Height;
    }
}
