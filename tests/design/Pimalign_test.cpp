#include "design/Pimalign.h"
#include "design/Vyrreg.h"
#include "host/storedforms.h"
#include "report/PSetup.h"
#include "report/VyrText.h"
#include "support/designfixture.h"

#include <gtest/gtest.h>

namespace {

struct Pimalign : ::testing::Test {
    void SetUp() override { initDesignPackage(); }
    void TearDown() override {
        resetDesignPackage();
        ResetStoredForms();
    }
};

// Paper whose printable width is Width pixels at 96 pixels per inch.
void PrintWidth(TVyrPage* Page, int Width) {
    UseTestPaper(Page->PageSetup());
    Page->PageSetup()->SetWidth(Width / 96.0 + 1);
    ASSERT_EQ(Page->getpagewidth(), Width);
}

TEST_F(Pimalign, TheSelectedLabelsOfThePageFollowTheFirstOrMoveAsOneBlockToThePagesMiddle) {
    TDesignedReport R;
    TVyrPage* Page = R.Page;
    PrintWidth(Page, 800);
    auto Label = [&](const char* Name, TVyrBand* Band, int Left, int Width) {
        auto* L = R.Add<TVyrTextLabel>(QString::fromLatin1(Name), Band);
        L->SetBounds(Left, 2, Width, 12);
        return L;
    };
    TVyrLabel* A = Label("A", Page->Detail(), 10, 60);
    TVyrLabel* B = Label("B", Page->PageHead(), 50, 100);
    TVyrLabel* C = Label("C", Page->Detail(), 200, 40);
    // A label of another report's page and a component that is no label are left alone.
    auto* Other = R.Add<TVyrReport>(QStringLiteral("Other"), R.Form.get());
    DeliverPostedMessages();
    TVyrLabel* Elsewhere = Label("Elsewhere", Other->Page()->Detail(), 70, 30);
    TVyrBand* Band = Page->Foot();
    const int BandLeft = Band->Left();

    auto Lefts = [&](int Mode, std::initializer_list<std::pair<TVyrLabel*, int>> Start) {
        for (auto [L, Left] : Start)
            L->SetLeft(Left);
        R.Designer->SetSelections({B, Band, Elsewhere, A, C});
        PimAlignLabel(Page, Mode);
        return std::vector<int>{A->Left(), B->Left(), C->Left(), Elsewhere->Left(), Band->Left()};
    };
    const auto Start = {std::pair{A, 10}, std::pair{B, 50}, std::pair{C, 200}};
    // B, selected first, sets the line: its left edge 50, centre 100, right edge 150.
    EXPECT_EQ(Lefts(0, Start), (std::vector<int>{50, 50, 50, 70, BandLeft}));
    EXPECT_EQ(Lefts(1, Start), (std::vector<int>{70, 50, 80, 70, BandLeft}));
    EXPECT_EQ(Lefts(2, Start), (std::vector<int>{90, 50, 110, 70, BandLeft}));
    EXPECT_EQ(Lefts(4, Start), (std::vector<int>{50, 50, 50, 70, BandLeft})); // an unknown mode: left edges
    // Over 100..300 on 800 pixels the block moves by 200; over 100..202 on 803 by 250.
    A->SetWidth(50);
    C->SetWidth(50);
    EXPECT_EQ(Lefts(3, {{A, 100}, {B, 180}, {C, 250}}), (std::vector<int>{300, 380, 450, 70, BandLeft}));
    PrintWidth(Page, 803);
    A->SetWidth(2);
    B->SetWidth(2);
    C->SetWidth(52);
    EXPECT_EQ(Lefts(3, {{A, 100}, {B, 120}, {C, 150}}), (std::vector<int>{350, 370, 400, 70, BandLeft}));

    // The page centre button of the report's tool row does the same; nothing selected still counts as
    // a change of the form.
    R.Designer->Modifieds = 0;
    R.Designer->SetSelections({});
    R.Report->Controls(11)->Click();
    EXPECT_EQ(R.Designer->Modifieds, 1);
    EXPECT_EQ(A->Left(), 350);
    R.Designer->SetSelections({C});
    R.Report->Controls(11)->Click();
    EXPECT_EQ(C->Left(), 401 - 26);
}

} // namespace
