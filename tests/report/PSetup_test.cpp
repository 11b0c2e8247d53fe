#include "host/classes.h"
#include "host/exceptions.h"
#include "host/properties.h"
#include "output/PimSetup.h"
#include "report/PSetup.h"
#include "support/fakeprinter.h"

#include <gtest/gtest.h>

namespace {

// A page that counts what its setup asks of it.
class TCountingPage : public TComponent, public TVyrPageSetupHost {
public:
    TCountingPage() : TComponent(nullptr) {}
    void PageSetupChanged() override { ++Refreshes; }
    int Refreshes = 0;
};

std::vector<std::unique_ptr<TFakePrinter>> OfficeOnly(double LeftBorderInches = 0.25) {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    for (TPrinterPaper& Paper : List.back()->Caps.Papers)
        Paper.Margins.setLeft(int(LeftBorderInches * 2540 + 0.5));
    return List;
}

class PageSetup : public ::testing::Test {
protected:
    void SetUp() override { PimClearPrinterInfoCache(); }
    void TearDown() override { PimClearPrinterInfoCache(); }
};

// Every value from First to Last goes into a printer setup and comes back into a setup that holds
// Other, which is not the use-current value, so that it takes the printer setup's.
template <class T>
void ExpectRoundTrip(T First, T Last, void (TVyrPageSetup::*Set)(T), T (TVyrPageSetup::*Get)() const,
                     T Other) {
    for (int i = First; i <= Last; ++i) {
        TVyrPageSetup A, B;
        (A.*Set)(T(i));
        A.WriteToAPS();
        (B.*Set)(Other);
        B.SetPimPrinterSetup(A.PimPrinterSetup());
        EXPECT_EQ(int((B.*Get)()), i);
    }
}

void ExpectSize(const TVyrPageSetup& S, double Width, double Height, const char* What) {
    EXPECT_NEAR(S.Width(), Width, 1e-9) << What;
    EXPECT_NEAR(S.Height(), Height, 1e-9) << What;
}

} // namespace

TEST_F(PageSetup, EverySettingTravelsToThePrinterSetupAndBack) {
    TFakePrinterList Printers(OfficeOnly());
    // A few numbers of each block of the paper list, and the user size.
    const std::pair<TVyrPaperSize, int> Ids[] = {
        {psLetter, 1},      {psExecutive, 7},        {psA4, 9},
        {psCustom, 256},    {psESheet, 26},          {psENV_DL, 27},
        {psENV_INVITE, 47}, {psLETTER_EXTRA, 50},    {psA2, 66},
        {psA6, 70},         {psLETTER_ROTATED, 75},  {psA6_ROTATED, 83},
        {psB6_JIS, 88},     {ps12X11, 90},           {psP16K, 93},
        {psPENV_10, 105},   {psPENV_1_ROTATED, 109}, {psPENV_10_ROTATED, 118}};
    for (const auto& [Size, Id] : Ids)
        EXPECT_EQ(VyrPaperSizeId(Size), Id) << int(Size);

    for (int i = 0; i < VyrPaperSizeCount; ++i) {
        if (i == psUseCurrent) continue;
        TVyrPageSetup A, B;
        A.SetSize(TVyrPaperSize(i));
        A.WriteToAPS();
        B.SetSize(psLetter);
        B.SetPimPrinterSetup(A.PimPrinterSetup());
        EXPECT_EQ(B.Size(), TVyrPaperSize(i)) << i;
    }
    ExpectRoundTrip(psUpper, psLargeFmt, &TVyrPageSetup::SetSource, &TVyrPageSetup::Source, psOverride);
    ExpectRoundTrip(pdSimplex, pdDuplexShortEdge, &TVyrPageSetup::SetDuplex, &TVyrPageSetup::Duplex,
                    pdSimplex);
    ExpectRoundTrip(pqHigh, pqCustom, &TVyrPageSetup::SetPrintQuality, &TVyrPageSetup::PrintQuality, pqHigh);
    ExpectRoundTrip(ttBitmap, ttDownLoadOutline, &TVyrPageSetup::SetTrueTypeOption,
                    &TVyrPageSetup::TrueTypeOption, ttBitmap);

    // A bin the list does not name is kept by number and sent back.
    TVyrPageSetup S;
    S.SetSource(psUpper);
    S.PimPrinterSetup()->SetSource(260);
    S.ReadFromAPS();
    EXPECT_EQ(S.Source(), psOverride);
    EXPECT_EQ(S.SourceNum(), 260);
    S.PimPrinterSetup()->SetSource(1);
    S.WriteToAPS();
    EXPECT_EQ(S.PimPrinterSetup()->Source(), 260);
    S.SetSourceNum(0);
    S.WriteToAPS();
    EXPECT_EQ(S.PimPrinterSetup()->Source(), 7);

    // An unknown paper number leaves the size; a copy count of 0 leaves the printer's alone.
    S.SetSize(psA4);
    S.PimPrinterSetup()->SetPaperSize(49);
    S.ReadFromAPS();
    EXPECT_EQ(S.Size(), psA4);
    TVyrPageSetup C;
    C.SetCopies(0);
    C.PimPrinterSetup()->ClearSettings();
    C.WriteToAPS();
    EXPECT_FALSE(C.PimPrinterSetup()->PrintSet(apsCopies));
    C.PimPrinterSetup()->SetCopies(5);
    C.ReadFromAPS();
    EXPECT_EQ(C.Copies(), 0);
    C.SetCopies(2);
    C.ReadFromAPS();
    EXPECT_EQ(C.Copies(), 5);

    // The printer's resolution, per unit of the page.
    C.SetUnits(unitMiliMeters);
    C.ReadFromAPS();
    EXPECT_DOUBLE_EQ(C.PixelsPerUnit(), 600 / 25.4);
    EXPECT_EQ(C.PixelsPerInch(), 600);
}

TEST_F(PageSetup, WithoutPrinterTheCurrentPaperIsLetter) {
    TFakePrinterList None;
    TVyrPageSetup S;
    EXPECT_FALSE(S.AnyPrinters());
    S.WriteToAPS();
    EXPECT_EQ(S.Size(), psLetter);
    EXPECT_EQ(S.PimPrinterSetup()->PaperSize(), 1);
    EXPECT_DOUBLE_EQ(S.PimPrinterSetup()->Length(), 11);
    TVyrPageSetup R;
    R.ReadFromAPS();
    EXPECT_EQ(R.Size(), psLetter);
    EXPECT_EQ(R.PixelsPerUnit(), 300);
}

TEST_F(PageSetup, WithoutPrinterSizesInAnyUnitReachThePrinterSetupInInches) {
    TFakePrinterList None;
    const struct {
        TVyrUnits Units;
        TVyrPaperSize Size;
        double Height, Width;       // in Units
        double Length, WidthInches; // in the printer setup
        int PaperSize;
    } Cases[] = {
        {unitMiliMeters, psCustom, 254, 127, 10, 5, 256},
        {unitCentiMeters, psCustom, 25.4, 12.7, 10, 5, 256},
        {unitInches, psCustom, 10, 5, 10, 5, 256},
        {unitMiliMeters, psA5, 0, 0, 210 / 25.4, 148 / 25.4, 11},
    };
    for (const auto& C : Cases) {
        TVyrPageSetup S;
        S.SetUnits(C.Units);
        S.SetSize(C.Size);
        if (C.Size == psCustom) {
            S.SetHeight(C.Height);
            S.SetWidth(C.Width);
        }
        S.WriteToAPS();
        EXPECT_EQ(S.PimPrinterSetup()->PaperSize(), C.PaperSize) << C.Units << " " << C.Size;
        EXPECT_NEAR(S.PimPrinterSetup()->Length(), C.Length, 1e-9) << C.Units << " " << C.Size;
        EXPECT_NEAR(S.PimPrinterSetup()->Width(), C.WidthInches, 1e-9) << C.Units << " " << C.Size;
    }
}

TEST_F(PageSetup, NamedSizesTakeTheTableInEitherOrientationAndCustomSizesStayAsTheyAre) {
    TFakePrinterList Printers(OfficeOnly());
    TVyrPageSetup S;
    S.SetOrientation(poLandscape);
    S.SetSize(psLegal);
    ExpectSize(S, 14, 8.5, "legal landscape");
    S.SetUnits(unitMiliMeters);
    ExpectSize(S, 355.6, 215.9, "legal landscape in mm");
    S.SetSize(psA2);
    S.SetSize(psA3);
    ExpectSize(S, 420, 297, "A3 landscape");
    S.SetSize(psA2);
    ExpectSize(S, 594, 420, "A2 landscape again");
    S.SetSize(psEnv_12);
    ExpectSize(S, 11 * 25.4, 4.5 * 25.4, "#12 envelope");
    // A custom size keeps its numbers at every switch.
    S.SetWidth(100);
    S.SetHeight(150);
    S.SetSize(psCustom);
    ExpectSize(S, 100, 150, "custom");
    EXPECT_TRUE(S.StoreHW());
    S.SetSize(psUseCurrent);
    S.SetSize(psCustom);
    ExpectSize(S, 100, 150, "custom again");

    // The printer holds Letter; an A4 page turned keeps A4.
    TVyrPageSetup A;
    A.SetUnits(unitMiliMeters);
    A.SetSize(psA4);
    ExpectSize(A, 210, 297, "A4");
    A.SetOrientation(poLandscape);
    ExpectSize(A, 297, 210, "A4 turned");
    A.SetOrientation(poPortrait);
    ExpectSize(A, 210, 297, "A4 turned back");
    // The printer's own paper follows the printer.
    A.SetSize(psUseCurrent);
    A.SetOrientation(poLandscape);
    ExpectSize(A, 279.4, 215.9, "the printer's Letter turned");
}

TEST_F(PageSetup, UnitsConvertEveryLengthBothWaysUnlessAFormIsRead) {
    TFakePrinterList None;
    TCountingPage Page;
    for (TComponent* Owner : {static_cast<TComponent*>(nullptr), static_cast<TComponent*>(&Page)}) {
        TVyrPageSetup S;
        S.SetPage(Owner);
        S.SetSize(psCustom);
        S.SetWidth(8.5);
        S.SetHeight(11);
        S.SetLeftMargin(0.25);
        S.SetTopMargin(0.75);
        S.SetRightMargin(1);
        S.SetBottomMargin(1.25);
        S.SetPixelsPerUnit(600);
        S.SetUnits(unitMiliMeters);
        EXPECT_NEAR(S.Width(), 215.9, 1e-9);
        EXPECT_NEAR(S.BottomMargin(), 31.75, 1e-9);
        EXPECT_EQ(S.PixelsPerInch(), 600);
        S.SetUnits(unitCentiMeters);
        EXPECT_NEAR(S.Height(), 27.94, 1e-9);
        S.SetUnits(unitInches);
        EXPECT_NEAR(S.Width(), 8.5, 1e-9);
        EXPECT_NEAR(S.Height(), 11, 1e-9);
        EXPECT_NEAR(S.LeftMargin(), 0.25, 1e-9);
        EXPECT_NEAR(S.TopMargin(), 0.75, 1e-9);
        EXPECT_NEAR(S.RightMargin(), 1, 1e-9);
        EXPECT_NEAR(S.BottomMargin(), 1.25, 1e-9);
        EXPECT_NEAR(S.PixelsPerUnit(), 600, 1e-9);
    }
    // A form being read names its unit after or before its lengths, in that unit.
    Page.IncludeState(csReading | csLoading);
    TVyrPageSetup R;
    R.SetPage(&Page);
    R.SetUnits(unitMiliMeters);
    EXPECT_EQ(R.Units(), unitMiliMeters);
    EXPECT_EQ(R.Width(), 8.5);
    EXPECT_EQ(Page.Refreshes, 0);
}

TEST_F(PageSetup, ADesignedPageIsRefreshedOnlyForChanges) {
    TFakePrinterList None;
    TCountingPage Page;
    TVyrPageSetup S;
    S.SetPage(&Page);
    S.SetLeftMargin(1);
    EXPECT_EQ(Page.Refreshes, 0); // not designed
    Page.SetDesigning(true);
    S.SetLeftMargin(1);
    S.SetColor(false);
    S.SetTrueTypeOption(ttBitmap);
    EXPECT_EQ(Page.Refreshes, 0);
    S.SetLeftMargin(2);
    S.SetSize(psA4);
    S.SetOrientation(poLandscape);
    S.SetUnits(unitCentiMeters);
    EXPECT_EQ(Page.Refreshes, 4);
    Page.IncludeState(csLoading);
    S.SetHeight(3);
    EXPECT_EQ(Page.Refreshes, 4);
}

TEST_F(PageSetup, MarginsGrowToTheUnprintableBorderOfNamedSizesOnly) {
    TFakePrinterList Printers(OfficeOnly(0.6));
    TVyrPageSetup S;
    S.SetSize(psLetter);
    S.CopySettings();
    EXPECT_NEAR(S.LeftPrint(), 0.6, 1e-9);
    EXPECT_NEAR(S.LeftMargin(), 0.6, 1e-9);
    EXPECT_EQ(S.RightMargin(), 0.5);
    TVyrPageSetup C;
    C.SetSize(psCustom);
    C.WriteToAPS();
    C.ReadFromAPS();
    EXPECT_EQ(C.Size(), psCustom);
    EXPECT_EQ(C.LeftMargin(), 0.5);
}

TEST_F(PageSetup, AssignCopiesEverySettingAndCopiesStayInRange) {
    TFakePrinterList None;
    TCountingPage Page;
    TVyrPageSetup A;
    A.SetPage(&Page);
    A.SetUnits(unitMiliMeters);
    A.SetOrientation(poLandscape);
    A.SetSize(psCustom);
    A.SetSource(psOverride);
    A.SetSourceNum(300);
    A.SetDuplex(pdDuplexShortEdge);
    A.SetCopies(9999);
    A.SetHeight(100);
    A.SetWidth(200);
    A.SetPixelsPerUnit(12.5);
    A.SetPrintQuality(pqDraft);
    A.SetLeftMargin(1);
    A.SetTopMargin(2);
    A.SetBottomMargin(3);
    A.SetRightMargin(4);
    A.SetColor(false);
    A.SetRangeStart(2);
    A.SetRangeEnd(5);
    A.SetDestination(destFile);
    A.SetPreviewStream(psMemory);
    A.SetTrueTypeOption(ttSubDev);
    A.SetAdjustMargin(false);
    A.SetTextDriverCompatibility(true);
    A.SetDirectPrinter(true);
    A.SetCollatedCopies(false);
    A.SetFormName(QStringLiteral("Wide"));
    A.PreviewSettings()->SetModalPreview(mpModal);
    A.PreviewSettings()->SetPreviewOwner(poAppOwned);
    A.PreviewSettings()->SetFormStyle(pfsStayOnTop);
    A.PreviewSettings()->SetWindowState(wsNormal);
    A.PreviewSettings()->SetZoom(azWidth);

    TVyrPageSetup B;
    B.Assign(&A);
    EXPECT_EQ(B.Page(), &Page);
    EXPECT_EQ(B.Units(), unitMiliMeters);
    EXPECT_EQ(B.Orientation(), poLandscape);
    EXPECT_EQ(B.Size(), psCustom);
    EXPECT_TRUE(B.StoreHW());
    EXPECT_EQ(B.Source(), psOverride);
    EXPECT_EQ(B.SourceNum(), 300);
    EXPECT_EQ(B.Duplex(), pdDuplexShortEdge);
    EXPECT_EQ(B.Copies(), 9999);
    EXPECT_EQ(B.Height(), 100);
    EXPECT_EQ(B.Width(), 200);
    EXPECT_EQ(B.PixelsPerUnit(), 12.5);
    EXPECT_EQ(B.PrintQuality(), pqDraft);
    EXPECT_EQ(B.LeftMargin(), 1);
    EXPECT_EQ(B.TopMargin(), 2);
    EXPECT_EQ(B.BottomMargin(), 3);
    EXPECT_EQ(B.RightMargin(), 4);
    EXPECT_FALSE(B.Color());
    EXPECT_EQ(B.RangeStart(), 2);
    EXPECT_EQ(B.RangeEnd(), 5);
    EXPECT_EQ(B.Destination(), destFile);
    EXPECT_EQ(B.PreviewStream(), psMemory);
    EXPECT_EQ(B.TrueTypeOption(), ttSubDev);
    EXPECT_FALSE(B.AdjustMargin());
    EXPECT_TRUE(B.TextDriverCompatibility());
    EXPECT_TRUE(B.DirectPrinter());
    EXPECT_FALSE(B.CollatedCopies());
    EXPECT_EQ(B.FormName(), "Wide");
    EXPECT_EQ(B.PreviewSettings()->ModalPreview(), mpModal);
    EXPECT_EQ(B.PreviewSettings()->PreviewOwner(), poAppOwned);
    EXPECT_EQ(B.PreviewSettings()->FormStyle(), pfsStayOnTop);
    EXPECT_EQ(B.PreviewSettings()->WindowState(), wsNormal);
    EXPECT_EQ(B.PreviewSettings()->Zoom(), azWidth);
    EXPECT_EQ(Page.Refreshes, 0);

    EXPECT_THROW(A.SetCopies(10000), ERangeError);
    EXPECT_THROW(A.SetCopies(-1), ERangeError);
    EXPECT_EQ(A.Copies(), 9999);
    TVyrPreviewSettings Other;
    EXPECT_THROW(B.Assign(&Other), Exception);
}

TEST_F(PageSetup, OnlyMarginsOtherThanAHalfAreStoredAndAStoredResolutionIsDropped) {
    TFakePrinterList None;
    TVyrPageSetup S;
    S.SetLeftMargin(0.25);
    TPropertyCollector Collector;
    Collector.Collect(&S);
    ASSERT_EQ(Collector.Entries.size(), 5u);
    const char* Names[] = {"LeftMargin", "RightMargin", "TopMargin", "BottomMargin", "PixelsPerUnit"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Collector.Entries[i].Name, Names[i]);
        EXPECT_EQ(Collector.Entries[i].HasData, i == 0) << Names[i];
    }
    EXPECT_EQ(Collector.Entries[0].Value.toDouble(), 0.25);

    Collector.Entries[4].HasData = true;
    Collector.Entries[4].Value = 72.0;
    TVyrPageSetup R;
    Collector.Apply(&R);
    EXPECT_EQ(R.LeftMargin(), 0.25);
    EXPECT_EQ(R.RightMargin(), 0.5);
    EXPECT_EQ(R.PixelsPerUnit(), 300);
}

TEST_F(PageSetup, PublishedPropertiesComeInStreamOrderAndOnlyChangedOnesAreStored) {
    TFakePrinterList None;
    TVyrPageSetup S;
    const auto Names = [](TPersistent* Object, bool StoredOnly) {
        QStringList Result;
        for (const TPropInfo* Info : GetPropList(Object)->Published())
            if (!StoredOnly || IsStoredProp(ErasedPointer(Object), *Info)) Result << Info->Name;
        return Result;
    };
    EXPECT_EQ(Names(&S, false).join(u' '),
              "Orientation Size Source SourceNum Duplex Copies Height Width PrintQuality TrueTypeOption "
              "LeftMargin RightMargin TopMargin BottomMargin Color Units RangeStart RangeEnd Destination "
              "AdjustMargin PreviewSettings TextDriverCompatibility DirectPrinter CollatedCopies FormName");
    EXPECT_EQ(Names(&S, true).join(u' '), "Height Width PreviewSettings");
    EXPECT_EQ(Names(S.PreviewSettings(), false).join(u' '),
              "ModalPreview PreviewOwner FormStyle WindowState Zoom");
    EXPECT_TRUE(Names(S.PreviewSettings(), true).isEmpty());

    SetPropValue(&S, QStringLiteral("Size"), QStringLiteral("psENV_DL"));
    SetPropValue(&S, QStringLiteral("Copies"), 0);
    SetPropValue(&S, QStringLiteral("LeftMargin"), 0.25);
    SetPropValue(&S, QStringLiteral("Units"), QStringLiteral("unitCentiMeters"));
    SetPropValue(&S, QStringLiteral("PreviewSettings.Zoom"), QStringLiteral("azPage"));
    SetPropValue(&S, QStringLiteral("CollatedCopies"), false);
    EXPECT_EQ(S.Size(), psENV_DL);
    EXPECT_EQ(S.Copies(), 0);
    EXPECT_EQ(S.PreviewSettings()->Zoom(), azPage);
    EXPECT_EQ(Names(&S, true).join(u' '), "Size Copies Height Width Units PreviewSettings CollatedCopies");
    EXPECT_EQ(Names(S.PreviewSettings(), true).join(u' '), "Zoom");
    EXPECT_THROW(SetPropValue(&S, QStringLiteral("Copies"), 10000), EPropertyError);
    EXPECT_THROW(SetPropValue(&S, QStringLiteral("Size"), QStringLiteral("psA9")), Exception);
}
