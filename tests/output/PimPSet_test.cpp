#include "host/exceptions.h"
#include "output/PimPSet.h"
#include "support/fakeprinter.h"

#include <gtest/gtest.h>

namespace {

// Each test meets its printers afresh: the process-wide cache is emptied before and after.
class PimPSet : public ::testing::Test {
protected:
    void SetUp() override { PimClearPrinterInfoCache(); }
    void TearDown() override { PimClearPrinterInfoCache(); }

    static std::vector<std::unique_ptr<TFakePrinter>> Printers() {
        std::vector<std::unique_ptr<TFakePrinter>> L;
        L.push_back(TFakePrinter::Office());
        L.push_back(std::make_unique<TFakePrinter>(QStringLiteral("Label Printer")));
        return L;
    }
};

} // namespace

TEST(PimPSetNames, PaperAndBinNameTables) {
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(1), QStringLiteral("Letter"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(9), QStringLiteral("A4"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(20), QStringLiteral("ENV 10"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(47), QStringLiteral("ENV_INVITE"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(48), QStringLiteral("Letter"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(70), QStringLiteral("A6"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(71), QStringLiteral("Letter"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(90), QStringLiteral("12X11"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(105), QStringLiteral("PENV_10"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(107), QStringLiteral("Letter"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(118), QStringLiteral("PENV_10_ROTATED"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(119), QStringLiteral("Letter"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(256), QStringLiteral("Custom"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(0), QStringLiteral("Letter"));
    EXPECT_EQ(TPimPrinterInfo::GetPaperName(-3), QStringLiteral("Letter"));

    EXPECT_EQ(TPimPrinterInfo::GetBinName(1), QStringLiteral("Upper"));
    EXPECT_EQ(TPimPrinterInfo::GetBinName(6), QStringLiteral("Envelope Manual"));
    EXPECT_EQ(TPimPrinterInfo::GetBinName(11), QStringLiteral("Large Capacity"));
    EXPECT_EQ(TPimPrinterInfo::GetBinName(12), QStringLiteral("Override Bin #12"));
    EXPECT_EQ(TPimPrinterInfo::GetBinName(15), QStringLiteral("Form Source"));
    EXPECT_EQ(TPimPrinterInfo::GetBinName(300), QStringLiteral("Override Bin #300"));
}

TEST(PimPSetNames, WordMatchNeedsEveryWordIgnoringCase) {
    EXPECT_TRUE(PimWordMatch(QStringLiteral("A4"), QStringLiteral("A4 210 x 297 mm")));
    EXPECT_TRUE(PimWordMatch(QStringLiteral("manual"), QStringLiteral("Manual Paper Feed")));
    EXPECT_TRUE(PimWordMatch(QStringLiteral("ENV 10"), QStringLiteral("Envelope #10")));
    EXPECT_FALSE(PimWordMatch(QStringLiteral("LETTER SMALL"), QStringLiteral("Letter")));
    EXPECT_TRUE(PimWordMatch(QStringLiteral("LETTER SMALL"), QStringLiteral("Small Letter")));
    EXPECT_FALSE(PimWordMatch(QString(), QStringLiteral("Letter")));
}

TEST_F(PimPSet, InformationIsReadOncePerPrinterName) {
    TFakePrinterList List(Printers(), 0);
    {
        TPimPrinterInfo A;
        TPimPrinterInfo B;
        EXPECT_EQ(A.PrinterName(), QStringLiteral("Office Laser"));
        EXPECT_EQ(A.PaperList().size(), 5u);
        EXPECT_EQ(B.PaperList().size(), 5u);
        EXPECT_EQ(A.BinList().size(), 3u);
        EXPECT_EQ(A.Copies(), 999);
        EXPECT_TRUE(A.Duplex());
        EXPECT_EQ(A.Resolutions().size(), 3u);
        EXPECT_EQ(A.TrueType(), 0);
        EXPECT_NE(A.GetPaperByNum(dmPaperA4), B.GetPaperByNum(dmPaperA4)) << "each object holds its own copy";
    }
    EXPECT_EQ(List[0]->CapabilityReads, 1);
    Printer().SetPrinterIndex(1);
    TPimPrinterInfo Label;
    EXPECT_EQ(Label.PrinterName(), QStringLiteral("Label Printer"));
    EXPECT_EQ(Label.PaperList().size(), 1u);
    Printer().SetPrinterIndex(0);
    TPimPrinterInfo Again;
    EXPECT_FALSE(Again.PrinterChanged());
    EXPECT_TRUE(Label.PrinterChanged());
    EXPECT_EQ(List[0]->CapabilityReads, 1);
    EXPECT_EQ(List[1]->CapabilityReads, 1);
}

TEST_F(PimPSet, AFailedEntryLeavesTheCacheUsable) {
    TFakePrinterList List(Printers(), 0);
    List[0]->FailAt = TFakePrinter::fpCapabilities;
    EXPECT_THROW(TPimPrinterInfo(), Exception);
    List[0]->FailAt = TFakePrinter::fpNone;
    TPimPrinterInfo Info;
    EXPECT_EQ(Info.PaperList().size(), 5u) << "the re-entry flag must not stay set after the failure";
    EXPECT_EQ(Info.PrinterSettings()->Copies(), 1);
}

TEST_F(PimPSet, NoPrinterGivesEmptyInformationAndChangesNothing) {
    TFakePrinterList None;
    EXPECT_EQ(PimGetPrinterCount(), 0);
    TPimPrinterInfo Info;
    EXPECT_TRUE(Info.PaperList().empty());
    EXPECT_TRUE(Info.PrinterName().isEmpty());
    EXPECT_FALSE(Info.PrinterChanged());
    Info.GetDeviceMode(true);
    EXPECT_EQ(Info.DeviceMode, nullptr);
    PimResetPrinter();
    TPimPrinterSettings S;
    S.SetCopies(3);
    S.SetValues(false);
    S.GetValues();
    EXPECT_EQ(S.Copies(), 3);
    EXPECT_EQ(PimWinVersion(), awvWinNT);
}

TEST_F(PimPSet, CachedDefaultsCarryNoPaperLength) {
    TFakePrinterList List(Printers(), 0);
    TPimPrinterInfo Info;
    const TPimPrinterSettings& D = *Info.PrinterSettings();
    EXPECT_TRUE(D.PrintSet(apsPaperSize));
    EXPECT_EQ(D.PaperSize(), dmPaperLetter);
    EXPECT_EQ(D.FormName(), QStringLiteral("Letter"));
    EXPECT_FALSE(D.PrintSet(apsFormName)) << "the form name is read without raising its flag";
    EXPECT_FALSE(D.PrintSet(apsPaperLength));
    EXPECT_FALSE(D.PrintSet(apsPaperWidth));
    EXPECT_EQ(D.PrintQuality(), 600);
    EXPECT_EQ(D.DefaultSource(), dmBinAuto);

    // Read again once the entry exists, the paper is found and its size comes with it.
    TPimPrinterSettings S;
    S.GetValues();
    EXPECT_EQ(S.PaperLength(), 2794);
    EXPECT_EQ(S.PaperWidth(), 2159);
}

TEST_F(PimPSet, GetValuesSwapsThePaperInLandscapeAndTakesAUserSize) {
    TFakePrinterList List(Printers(), 0);
    TDeviceMode& Dm = Printer().DeviceMode();
    Dm.Orientation = dmOrientLandscape;
    Dm.PaperSize = dmPaperLegal;
    Dm.FormName = QStringLiteral("Legal");
    TPimPrinterSettings S;
    S.GetValues();
    EXPECT_EQ(S.PaperLength(), 2159);
    EXPECT_EQ(S.PaperWidth(), 3556);
    EXPECT_FALSE(S.CustomPaperSize());

    Dm.Orientation = dmOrientPortrait;
    Dm.PaperSize = dmPaperUser;
    Dm.FormName = QStringLiteral("User Defined");
    Dm.Fields |= dmfPaperLength | dmfPaperWidth;
    Dm.PaperLength = 1500;
    Dm.PaperWidth = 1000;
    TPimPrinterSettings U;
    U.GetValues();
    EXPECT_TRUE(U.CustomPaperSize());
    EXPECT_EQ(U.PaperLength(), 1500);
    EXPECT_EQ(U.PaperWidth(), 1000);
}

TEST_F(PimPSet, SetValuesWithOnlyCopiesLeavesThePaperAlone) {
    TFakePrinterList List(Printers(), 0);
    const TDeviceMode Before = Printer().DeviceMode();
    TPimPrinterSettings S;
    S.SetCopies(3);
    S.SetValues(false);
    const TDeviceMode& After = Printer().DeviceMode();
    EXPECT_EQ(After.Copies, 3);
    EXPECT_EQ(After.PaperSize, Before.PaperSize);
    EXPECT_EQ(After.FormName, Before.FormName);
    EXPECT_EQ(After.Orientation, Before.Orientation);
    EXPECT_EQ(After.Fields & (dmfPaperSize | dmfFormName), Before.Fields & (dmfPaperSize | dmfFormName));
}

TEST_F(PimPSet, SetValuesChoosesPaperByFormNameNumberAndWordMatch) {
    auto L = Printers();
    // A driver that numbers A4 its own way.
    L[1]->Caps.Papers = {{dmPaperLetter, QStringLiteral("Letter"), QPoint(2159, 2794), QString(), {}},
                         {280, QStringLiteral("A4 (210 x 297 mm)"), QPoint(2100, 2970), QString(), {}}};
    TFakePrinterList List(std::move(L), 0);

    TPimPrinterSettings ByName;
    ByName.SetFormName(QStringLiteral("a4 210 x 297 MM"));
    ByName.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().PaperSize, dmPaperA4);
    EXPECT_EQ(Printer().DeviceMode().FormName, QStringLiteral("A4 210 x 297 mm"));
    EXPECT_TRUE(Printer().DeviceMode().Has(dmfFormName));

    TPimPrinterSettings ByNumber;
    ByNumber.SetPaperSize(dmPaperLegal);
    ByNumber.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().PaperSize, dmPaperLegal);
    EXPECT_FALSE(Printer().DeviceMode().Has(dmfFormName)) << "only an own form name is written";

    Printer().SetPrinterIndex(1);
    TPimPrinterSettings ByWord;
    ByWord.SetPaperSize(dmPaperA4);
    ByWord.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().PaperSize, 280);

    // A number nobody has and no name: the device mode keeps its paper.
    TPimPrinterSettings Unknown;
    Unknown.SetPaperSize(66);
    Unknown.SetValues(false);
    EXPECT_FALSE(Printer().DeviceMode().Has(dmfPaperSize));
}

TEST_F(PimPSet, SetValuesWritesAUserSizeOnlyForTheUserPaper) {
    TFakePrinterList List(Printers(), 0);
    TPimPrinterSettings S;
    S.SetPaperSize(dmPaperUser);
    S.SetPaperLength(1500);
    S.SetPaperWidth(1000);
    S.SetValues(false);
    TDeviceMode& Dm = Printer().DeviceMode();
    EXPECT_EQ(Dm.PaperSize, dmPaperUser);
    EXPECT_TRUE(Dm.Has(dmfPaperLength));
    EXPECT_EQ(Dm.PaperLength, 1500);
    EXPECT_EQ(Dm.PaperWidth, 1000);
    EXPECT_EQ(Printer().DeviceCaps().PhysicalHeight, 3543);
}

TEST_F(PimPSet, SetValuesFindsBinsByNumberAndByName) {
    TFakePrinterList List(Printers(), 0);
    TPimPrinterSettings Upper;
    Upper.SetDefaultSource(dmBinUpper);
    Upper.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().DefaultSource, dmBinUpper);

    TPimPrinterSettings Manual;
    Manual.SetDefaultSource(dmBinManual); // "Manual" is found in "Manual Paper Feed"
    Manual.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().DefaultSource, 261);

    TPimPrinterSettings None;
    None.SetDefaultSource(dmBinCassette);
    None.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().DefaultSource, 261) << "a bin the printer lacks changes nothing";

    TPimPrinterInfo Info;
    EXPECT_EQ(Info.FindBinByNum(dmBinAuto)->binNumber, dmBinAuto);
    EXPECT_EQ(Info.FindBinByName(QStringLiteral("tray")), Info.GetBinByNum(dmBinUpper));
    EXPECT_EQ(Info.FindBinByNum(dmBinLower), nullptr);
}

TEST_F(PimPSet, SetValuesFiltersQualityColourAndOrientation) {
    TFakePrinterList List(Printers(), 0);
    TPimPrinterSettings S;
    S.SetPrintQuality(300);
    S.SetColor(3);
    S.SetOrientation(5);
    S.SetDuplex(dmDupHorizontal);
    S.SetCollate(1);
    S.SetTTOption(dmTTBitmap);
    S.SetValues(false);
    TDeviceMode& Dm = Printer().DeviceMode();
    EXPECT_EQ(Dm.PrintQuality, 600) << "a resolution is not a quality code";
    EXPECT_EQ(Dm.Color, dmColorColor);
    EXPECT_EQ(Dm.Orientation, dmOrientPortrait);
    EXPECT_EQ(Dm.Duplex, dmDupHorizontal);
    EXPECT_EQ(Dm.Collate, 1);
    EXPECT_EQ(Dm.TTOption, dmTTDownload) << "no TrueType capability, so the option is not written";

    TPimPrinterSettings High;
    High.SetPrintQuality(dmResHigh);
    High.SetColor(dmColorMonochrome);
    High.SetOrientation(dmOrientLandscape);
    High.SetValues(false);
    EXPECT_EQ(Dm.PrintQuality, dmResHigh);
    EXPECT_EQ(Dm.Color, dmColorMonochrome);
    EXPECT_EQ(Dm.Orientation, dmOrientLandscape);
}

TEST_F(PimPSet, ResetDropsEarlierEdits) {
    TFakePrinterList List(Printers(), 0);
    TPimPrinterSettings S;
    S.SetCopies(4);
    S.SetValues(false);
    EXPECT_EQ(Printer().DeviceMode().Copies, 4);
    TPimPrinterSettings T;
    T.SetScale(50);
    T.SetValues(true);
    EXPECT_EQ(Printer().DeviceMode().Copies, 1);
    EXPECT_EQ(Printer().DeviceMode().Scale, 50);
    PimResetPrinter();
    EXPECT_EQ(Printer().DeviceMode().Scale, 100);
}

TEST_F(PimPSet, SetValuesWhilePrintingTakesEffectOnTheNextPage) {
    TFakePrinterList List(Printers(), 0);
    Printer().BeginDoc();
    TPimPrinterSettings S;
    S.SetPaperSize(dmPaperLegal);
    S.SetValues(false);
    PimResetPrinter(); // ignored while a job runs
    Printer().NewPage();
    Printer().EndDoc();
    const TFakeJob& Job = List[0]->Jobs.at(0);
    ASSERT_EQ(Job.Pages.size(), 2u);
    EXPECT_EQ(Job.Pages[0].Mode.PaperSize, dmPaperLetter);
    EXPECT_EQ(Job.Pages[1].Mode.PaperSize, dmPaperLegal);
}

TEST_F(PimPSet, ResolutionLookupTakesTheLastThatIsLargeEnough) {
    TFakePrinterList List(Printers(), 0);
    TPimPrinterInfo Info;
    EXPECT_EQ(Info.GetResolution(300, 300)->HorzRes, 1200);
    EXPECT_EQ(Info.GetResolution(2400, 2400)->HorzRes, 300);
    PimClearPrinterInfoCache();
    Printer().SetPrinterIndex(1);
    List[1]->Caps.Resolutions.clear();
    TPimPrinterInfo Empty;
    EXPECT_EQ(Empty.GetResolution(300, 300), nullptr);
}
