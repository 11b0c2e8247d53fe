#include "host/exceptions.h"
#include "host/streams.h"
#include "output/PimSetup.h"
#include "support/fakeprinter.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

QByteArray BlockOf(const TPimPrinterSetup& S) {
    TMemoryStream M;
    S.WriteToStream(M);
    return QByteArray(reinterpret_cast<const char*>(M.Memory()), int(M.Size()));
}

QByteArray Hex(const char* Text) {
    return QByteArray::fromHex(Text);
}

// A stream that stands after the record type of the given block bytes.
std::unique_ptr<TMemoryStream> AfterType(const QByteArray& Block) {
    auto M = std::make_unique<TMemoryStream>();
    M->WriteBuffer(Block.constData(), Block.size());
    M->SetPosition(2);
    return M;
}

const char* const FreshBlock = "6500 10000000 0000 0100 0100 0100 0600 0100 0900 0100";

class PimSetup : public ::testing::Test {
protected:
    void SetUp() override { PimClearPrinterInfoCache(); }
    void TearDown() override { PimClearPrinterInfoCache(); }
};

} // namespace

TEST(PimSetupBlock, FreshSetupWritesTheFourFixedEntries) {
    TPimPrinterSetup S;
    EXPECT_EQ(BlockOf(S).toHex(' '), Hex(FreshBlock).toHex(' '));
}

TEST(PimSetupBlock, EachFlaggedSettingAddsItsEntry) {
    struct TCase {
        const char* Name;
        std::function<void(TPimPrinterSetup&)> Change;
        const char* Block;
    };
    const TCase Cases[] = {
        {"orientation", [](TPimPrinterSetup& S) { S.SetOrientation(2); },
         "6500 10000000 0000 0200 0100 0100 0600 0100 0900 0100"},
        {"length", [](TPimPrinterSetup& S) { S.SetLength(11.69); },
         "6500 16000000 0000 0100 0100 0100 0200 990b0000 0600 0100 0900 0100"},
        {"width", [](TPimPrinterSetup& S) { S.SetWidth(8.27); },
         "6500 16000000 0000 0100 0100 0100 0300 35080000 0600 0100 0900 0100"},
        {"scale", [](TPimPrinterSetup& S) { S.SetScale(75); },
         "6500 14000000 0000 0100 0100 0100 0400 4b00 0600 0100 0900 0100"},
        {"copies", [](TPimPrinterSetup& S) { S.SetCopies(3); },
         "6500 14000000 0000 0100 0100 0100 0500 0300 0600 0100 0900 0100"},
        {"quality", [](TPimPrinterSetup& S) { S.SetPrintQuality(-1); },
         "6500 14000000 0000 0100 0100 0100 0600 0100 0700 ffff 0900 0100"},
        {"colour", [](TPimPrinterSetup& S) { S.SetColor(1); },
         "6500 14000000 0000 0100 0100 0100 0600 0100 0800 0100 0900 0100"},
        {"y resolution", [](TPimPrinterSetup& S) { S.SetYResolution(600); },
         "6500 14000000 0000 0100 0100 0100 0600 0100 0900 0100 0a00 5802"},
        {"truetype", [](TPimPrinterSetup& S) { S.SetTTOption(3); },
         "6500 14000000 0000 0100 0100 0100 0600 0100 0900 0100 0b00 0300"},
        {"collate", [](TPimPrinterSetup& S) { S.SetCollatedCopies(false); },
         "6500 13000000 0000 0100 0100 0100 0600 0100 0900 0100 0c00 00"},
        {"form name", [](TPimPrinterSetup& S) { S.SetFormName(QStringLiteral("A4")); },
         "6500 18000000 0000 0100 0100 0100 0600 0100 0900 0100 0d00 0400 4100 3400"},
        {"duplex and bin",
         [](TPimPrinterSetup& S) {
             S.SetDuplex(2);
             S.SetSource(15);
         },
         "6500 10000000 0000 0100 0100 0100 0600 0f00 0900 0200"},
    };
    for (const TCase& C : Cases) {
        TPimPrinterSetup S;
        C.Change(S);
        EXPECT_EQ(BlockOf(S).toHex(' '), Hex(C.Block).toHex(' ')) << C.Name;
    }
}

TEST(PimSetupBlock, SettingTheValueItHoldsRaisesNoFlag) {
    TPimPrinterSetup S;
    S.SetCopies(1);
    S.SetLength(11.0);
    S.SetFormName(QString());
    S.SetCollatedCopies(true);
    for (int I = 0; I < TPimPrinterSettings::PropCount; ++I)
        EXPECT_FALSE(S.PrintSet(TPimPrintSettings(I))) << I;
    EXPECT_EQ(BlockOf(S), Hex(FreshBlock));
}

TEST(PimSetupBlock, LengthGoesThroughTenthsOfAMillimetre) {
    TPimPrinterSetup S;
    S.SetLength(11.69);
    TPimPrinterSetup R;
    auto M = AfterType(BlockOf(S));
    ASSERT_TRUE(R.ReadFromStream(*M));
    EXPECT_DOUBLE_EQ(R.Length(), 2969 / 254.0);
    EXPECT_NEAR(R.Length(), 11.6889, 1e-4);
    EXPECT_TRUE(R.PrintSet(apsPaperLength));
    EXPECT_EQ(M->Position(), M->Size());
}

TEST(PimSetupBlock, EverySettingRoundTrips) {
    TPimPrinterSetup S;
    S.SetOrientation(2);
    S.SetPaperSize(9);
    S.SetLength(11.69);
    S.SetWidth(8.27);
    S.SetScale(90);
    S.SetCopies(4);
    S.SetSource(261);
    S.SetPrintQuality(-3);
    S.SetColor(1);
    S.SetDuplex(3);
    S.SetYResolution(1200);
    S.SetTTOption(1);
    S.SetCollatedCopies(false);
    S.SetFormName(QStringLiteral("A4 210 x 297 mm"));
    TPimPrinterSetup R;
    auto M = AfterType(BlockOf(S));
    ASSERT_TRUE(R.ReadFromStream(*M));
    EXPECT_EQ(R.Orientation(), 2);
    EXPECT_EQ(R.PaperSize(), 9);
    EXPECT_DOUBLE_EQ(R.Width(), 2101 / 254.0);
    EXPECT_EQ(R.Scale(), 90);
    EXPECT_EQ(R.Copies(), 4);
    EXPECT_EQ(R.Source(), 261);
    EXPECT_EQ(R.PrintQuality(), -3);
    EXPECT_EQ(R.Color(), 1);
    EXPECT_EQ(R.Duplex(), 3);
    EXPECT_EQ(R.YResolution(), 1200);
    EXPECT_EQ(R.TTOption(), 1);
    EXPECT_FALSE(R.CollatedCopies());
    EXPECT_EQ(R.FormName(), QStringLiteral("A4 210 x 297 mm"));
    EXPECT_FALSE(R.IsEqual(S)) << "lengths went through tenths of a millimetre";
    for (int I = 0; I < TPimPrinterSettings::PropCount; ++I)
        EXPECT_TRUE(R.PrintSet(TPimPrintSettings(I))) << I;
    EXPECT_EQ(BlockOf(R), BlockOf(S));
}

TEST(PimSetupBlock, FormNameIsWrittenWholeAndOldBlocksStillRead) {
    TPimPrinterSetup S;
    S.SetFormName(QStringLiteral("A4"));
    TPimPrinterSetup R;
    auto M = AfterType(BlockOf(S));
    ASSERT_TRUE(R.ReadFromStream(*M));
    EXPECT_EQ(R.FormName(), QStringLiteral("A4"));

    // A block of an older writer: n = the character count and only n bytes.
    TPimPrinterSetup Old;
    auto O = AfterType(Hex("6500 0a000000 0000 0100 0d00 0200 4100 ffff"));
    ASSERT_TRUE(Old.ReadFromStream(*O));
    EXPECT_EQ(Old.FormName(), QStringLiteral("A"));
    EXPECT_EQ(O->ReadUInt16(), 0xFFFF) << "the block ends where its length says";

    TPimPrinterSetup Long;
    Long.SetFormName(QString(300, u'x'));
    TPimPrinterSetup L;
    auto LM = AfterType(BlockOf(Long));
    ASSERT_TRUE(L.ReadFromStream(*LM));
    EXPECT_EQ(L.FormName(), QString(255, u'x'));
}

TEST(PimSetupBlock, EmptyBlockReadsNothing) {
    TPimPrinterSetup R;
    R.SetCopies(5);
    auto M = AfterType(Hex("6500 00000000 0500 0900"));
    EXPECT_FALSE(R.ReadFromStream(*M));
    EXPECT_EQ(R.Copies(), 5);
    EXPECT_TRUE(R.PrintSet(apsCopies));
    EXPECT_FALSE(R.PrintSet(apsScale));
    EXPECT_EQ(M->Position(), 6);
}

TEST(PimSetupBlock, UnknownTagSkipsToTheEndOfTheBlock) {
    TPimPrinterSetup R;
    auto M = AfterType(Hex("6500 0c000000 0000 0200 1400 0500 0100 0300 efbe"));
    ASSERT_TRUE(R.ReadFromStream(*M));
    EXPECT_EQ(R.Orientation(), 2);
    EXPECT_EQ(R.Copies(), 1) << "nothing after the unknown tag is applied";
    EXPECT_EQ(M->ReadUInt16(), 0xBEEF) << "what follows the block stays aligned";
}

TEST(PimSetupBlock, ATruncatedBlockRaisesAReadError) {
    TPimPrinterSetup R;
    auto M = AfterType(Hex("6500 10000000 0000 0100 0d00 2000 4100"));
    EXPECT_THROW(R.ReadFromStream(*M), EReadError);
}

TEST(PimSetupBlock, EqualityAndAssignment) {
    TPimPrinterSetup A, B;
    EXPECT_TRUE(A.IsEqual(B));
    B.SetScale(50);
    EXPECT_FALSE(A.IsEqual(B));
    EXPECT_TRUE(A.IsRunningEqual(B));
    B.SetDuplex(2);
    EXPECT_FALSE(A.IsRunningEqual(B));

    B.SetFormName(QStringLiteral("Legal"));
    B.PrinterSettings()->SetCopies(9);
    A.Assign(&B);
    EXPECT_TRUE(A.IsEqual(B));
    EXPECT_TRUE(A.PrintSet(apsScale));
    EXPECT_TRUE(A.PrintSet(apsFormName));
    EXPECT_EQ(A.PrinterSettings()->Copies(), 9);
    A.Assign(nullptr);
    EXPECT_EQ(A.Scale(), 50);

    A.ClearSettings();
    for (int I = 0; I < TPimPrinterSettings::PropCount; ++I)
        EXPECT_FALSE(A.PrintSet(TPimPrintSettings(I)));
}

TEST(PimSetupBlock, PrintInfoRecordRoundTrip) {
    TPimFilePrinterInfo I;
    I.Orientation = 2;
    I.PaperSize = 9;
    I.Length = 11.69;
    I.Width = 8.27;
    I.Scale = 100;
    I.Copies = 2;
    I.Source = 0xFFF0;
    I.PrintQuality = -4;
    I.Color = 1;
    I.Duplex = 2;
    I.YResolution = 600;
    I.TTOption = 3;
    I.CollatedCopies = false;
    TPimPrinterSetup S;
    S.SetFormName(QStringLiteral("A4"));
    S.SetPrintInfo(I);
    EXPECT_EQ(S.Source(), 0xFFF0) << "Words are zero-extended";
    EXPECT_EQ(S.PrintQuality(), -4) << "the quality is signed";
    EXPECT_EQ(S.FormName(), QStringLiteral("A4"));
    for (int K = 0; K < TPimPrinterSettings::PropCount; ++K)
        EXPECT_TRUE(S.PrintSet(TPimPrintSettings(K)));
    TPimFilePrinterInfo O;
    S.GetPrintInfo(O);
    EXPECT_EQ(O.Source, 0xFFF0);
    EXPECT_EQ(O.PrintQuality, -4);
    EXPECT_EQ(O.Length, 11.69);
    EXPECT_FALSE(O.CollatedCopies);
    EXPECT_EQ(O.TTOption, 3);
}

TEST_F(PimSetup, SetDataThenGetDataThroughAFakePrinter) {
    TFakePrinterList List([] {
        std::vector<std::unique_ptr<TFakePrinter>> L;
        L.push_back(TFakePrinter::Office());
        return L;
    }());
    TPimPrinterSetup S;
    EXPECT_EQ(S.PrinterCount(), 1);
    EXPECT_EQ(S.PixelsPerInchX(), 600);
    S.SetPaperSize(dmPaperA4);
    S.SetOrientation(dmOrientLandscape);
    S.SetCopies(2);
    S.SetSource(dmBinManual);
    S.SetDuplex(dmDupVertical);
    S.SetPrintQuality(dmResDraft);
    S.SetData();

    const TDeviceMode& Dm = Printer().DeviceMode();
    EXPECT_EQ(Dm.PaperSize, dmPaperA4);
    EXPECT_EQ(Dm.Orientation, dmOrientLandscape);
    EXPECT_EQ(Dm.Copies, 2);
    EXPECT_EQ(Dm.DefaultSource, 261);
    EXPECT_EQ(Dm.Duplex, dmDupVertical);
    EXPECT_EQ(Dm.PrintQuality, dmResDraft);

    // Read back: the A4 sheet turned on its side, the bin the driver has, a quarter inch margins.
    EXPECT_EQ(S.PaperSize(), dmPaperA4);
    EXPECT_TRUE(S.FormName().isEmpty()) << "no form name was forced, so the device mode carries none";
    EXPECT_DOUBLE_EQ(S.Length(), 2100 / 254.0);
    EXPECT_DOUBLE_EQ(S.Width(), 2970 / 254.0);
    EXPECT_EQ(S.Source(), 261);
    EXPECT_EQ(S.Copies(), 2);
    EXPECT_EQ(S.Scale(), 100);
    EXPECT_DOUBLE_EQ(S.LeftPrintArea(), 0.25);
    EXPECT_DOUBLE_EQ(S.TopPrintArea(), 0.25);
    // 297 mm across at the printer's default 600 dpi is 7015.7 pixels, kept as 7016.
    const TDeviceCaps C = Printer().DeviceCaps();
    EXPECT_EQ(C.LogPixelsX, 600) << "a quality code leaves the printer's default resolution";
    EXPECT_EQ(C.PhysicalWidth, 7016);
    EXPECT_EQ(C.PhysicalHeight, 4961);
    EXPECT_DOUBLE_EQ(S.RightPrintArea(), 0.25);
    EXPECT_DOUBLE_EQ(S.BottomPrintArea(), 0.25);
    EXPECT_TRUE(S.PrintSet(apsCopies));
    EXPECT_FALSE(S.PrintSet(apsScale)) << "reading back leaves the flags alone";

    // A setup that forces nothing reads what the printer now holds.
    TPimPrinterSetup T;
    T.GetData();
    EXPECT_EQ(T.Orientation(), dmOrientLandscape);
    EXPECT_EQ(T.Copies(), 2);

    // Reset first: the earlier edits go, only this setup's own flags count.
    TPimPrinterSetup U;
    U.SetScale(80);
    U.SetDataReset();
    EXPECT_EQ(Printer().DeviceMode().Orientation, dmOrientPortrait);
    EXPECT_EQ(Printer().DeviceMode().Copies, 1);
    EXPECT_EQ(U.Scale(), 80);
    EXPECT_EQ(U.PaperSize(), dmPaperLetter);
    EXPECT_DOUBLE_EQ(U.Length(), 2794 / 254.0);
}

TEST_F(PimSetup, WithNoPrinterSetDataOnlyFillsTheSettings) {
    TFakePrinterList None;
    TPimPrinterSetup S;
    EXPECT_EQ(S.PrinterCount(), 0);
    EXPECT_EQ(S.PixelsPerInchX(), 0);
    S.SetCopies(3);
    S.SetLength(14.0);
    S.SetData();
    EXPECT_EQ(S.PrinterSettings()->Copies(), 3);
    EXPECT_EQ(S.PrinterSettings()->PaperLength(), 3556);
    EXPECT_EQ(S.Copies(), 3);
    EXPECT_EQ(S.Length(), 14.0);
    EXPECT_EQ(S.LeftPrintArea(), 0.0);
    S.GetData();
    EXPECT_EQ(S.Copies(), 3);
}
