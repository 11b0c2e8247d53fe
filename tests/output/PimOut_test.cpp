#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/mathutil.h"
#include "host/printers.h"
#include "host/streams.h"
#include "host/tempfiles.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "output/PimPSet.h"
#include "output/PimSetup.h"
#include "support/fakeprinter.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

std::vector<std::unique_ptr<TFakePrinter>> OfficeOnly() {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    return List;
}

// Every test starts with the process-wide offsets, hook and printer cache as at start-up.
class PimOutput : public ::testing::Test {
protected:
    void SetUp() override {
        PimResetPrintOffset();
        PimClearPrinterInfoCache();
        SetPimViewerFactory({});
    }
    void TearDown() override {
        PimResetPrintOffset();
        PimClearPrinterInfoCache();
        SetPimViewerFactory({});
    }
};

// A viewer as the preview layer will install it, keeping what the job hands it.
class TTestViewer : public TPimJobViewer {
public:
    void SetGenerating(bool Value) override { Generating.push_back(Value); }
    void SetPimFile(std::shared_ptr<TPimPimFile> Value) override { Document = std::move(Value); }
    void Show() override { ++Shown; }

    std::vector<bool> Generating;
    std::shared_ptr<TPimPimFile> Document;
    int Shown = 0;
};

TDeviceCaps PrinterLikeCaps() {
    TDeviceCaps C;
    C.Technology = DT_RASPRINTER;
    C.LogPixelsX = C.LogPixelsY = 300;
    C.PhysicalWidth = 2550;
    C.PhysicalHeight = 3300;
    C.HorzRes = 2550;
    C.VertRes = 3300;
    return C;
}

QByteArray AllOf(TStream& S) {
    QByteArray B(int(S.Size()), '\0');
    S.SetPosition(0);
    S.ReadBuffer(B.data(), B.size());
    return B;
}

} // namespace

TEST_F(PimOutput, PrinterJobPutsTheOriginAtThePaperCornerShiftedByThePrintOffset) {
    TFakePrinterList Printers(OfficeOnly());
    PrintOffsetX = 300;
    int Calls = 0;
    OnPrintOffset = [&] { ++Calls; };
    TPimOutput O;
    O.BeginDoc();
    ASSERT_NE(O.Handle(), nullptr);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(O.PixelsPerInchX(), 600);
    EXPECT_EQ(O.PimCanvas()->PixelsPerInchY(), 600);
    TPoint Org;
    O.Handle()->GetViewportOrgEx(Org);
    EXPECT_EQ(Org.X, 450); // 300/300 inch at 600 dpi less a quarter-inch margin
    EXPECT_EQ(Org.Y, -150);
    EXPECT_EQ(O.Handle()->GetMapMode(), MM_ANISOTROPIC);

    O.Handle()->StartLog();
    TBrush Black;
    Black.SetColor(clBlack);
    O.PimCanvas()->SetBrush(Black);
    O.PimCanvas()->FillRect(Rect(600, 600, 1200, 1200));
    O.NewPage();
    EXPECT_EQ(Calls, 2);
    O.PimCanvas()->FillRect(Rect(150, 150, 300, 300));
    const QStringList Log = O.Handle()->Log()->Only(
        {QStringLiteral("FillRect"), QStringLiteral("NewPage"), QStringLiteral("SetViewportOrgEx")});
    O.EndDoc();
    EXPECT_TRUE(O.ExceptionText().isEmpty());
    EXPECT_EQ(O.Handle(), nullptr);

    ASSERT_EQ(Log.size(), 4) << Log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Log[0].startsWith(QStringLiteral("FillRect 600 600 1200 1200 brush 0 0x000000 0")))
        << Log[0].toStdString();
    EXPECT_EQ(Log[1], QStringLiteral("NewPage"));
    EXPECT_TRUE(Log[2].startsWith(QStringLiteral("SetViewportOrgEx 450 -150"))) << Log[2].toStdString();
    EXPECT_TRUE(Log[3].startsWith(QStringLiteral("FillRect 150 150 300 300 brush 0 0x000000 0")))
        << Log[3].toStdString();

    ASSERT_EQ(Printers[0]->Jobs.size(), 1u);
    const TFakeJob& Job = Printers[0]->Jobs[0];
    EXPECT_EQ(Job.Title, QStringLiteral("Untitled Report"));
    EXPECT_TRUE(Job.Ended);
    EXPECT_EQ(Job.Pages.size(), 2u);
}

TEST_F(PimOutput, PrinterJobTakesTheDescriptionAsTitleAndKeepsAnEndError) {
    TFakePrinterList Printers(OfficeOnly());
    Printers[0]->FailAt = TFakePrinter::fpEndDoc;
    TPimOutput O;
    O.SetDescription(QStringLiteral("Invoices"));
    O.BeginDoc();
    O.PimCanvas()->Textout(10, 10, QStringLiteral("x"));
    EXPECT_NO_THROW(O.EndDoc());
    EXPECT_EQ(O.ExceptionText(), Printers[0]->FailMessage);
    ASSERT_EQ(Printers[0]->Jobs.size(), 1u);
    EXPECT_EQ(Printers[0]->Jobs[0].Title, QStringLiteral("Invoices"));
    EXPECT_FALSE(Printer().Printing());
}

TEST_F(PimOutput, AbortedPrinterJobIsAbortedOnThePrinter) {
    TFakePrinterList Printers(OfficeOnly());
    TPimOutput O;
    O.BeginDoc();
    O.Abort();
    ASSERT_EQ(Printers[0]->Jobs.size(), 1u);
    EXPECT_TRUE(Printers[0]->Jobs[0].Aborted);
    EXPECT_EQ(O.Handle(), nullptr);
}

TEST_F(PimOutput, NoWhereTouchesNoPrinterAndMakesNoDocument) {
    TFakePrinterList Printers(OfficeOnly());
    const int Objects = GdiObjectCount();
    TPimOutput O;
    O.SetDestination(adNoWhere);
    O.BeginDoc();
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    O.PimCanvas()->SetFont(Font);
    O.PimCanvas()->Textout(1, 1, QStringLiteral("nothing"));
    O.PimCanvas()->Rectangle(1, 1, 5, 5);
    O.NewPage();
    O.StartPage();
    O.EndDoc();
    EXPECT_TRUE(Printers[0]->Jobs.empty());
    EXPECT_EQ(O.PimFile(), nullptr);
    EXPECT_EQ(O.Handle(), nullptr);
    EXPECT_EQ(GdiObjectCount(), Objects);
    EXPECT_EQ(O.PimCanvas()->Destination(), adNoWhere);
}

TEST_F(PimOutput, FileJobRecordsEveryPageAndWritesTheFileAtTheEnd) {
    TFakePrinterList Printers;
    const QString Name = CreateTempFileName();
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.SetFileName(Name);
    O.SetDescription(QStringLiteral("Report"));
    O.BeginDoc();
    std::shared_ptr<TPimPimFile> Doc = O.PimFile();
    ASSERT_NE(Doc, nullptr);
    EXPECT_TRUE(Doc->CreateFile());
    EXPECT_EQ(Doc->Description(), QStringLiteral("Report"));
    EXPECT_EQ(O.Handle(), nullptr);
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(10);
    O.PimCanvas()->SetFont(Font);
    EXPECT_EQ(O.PimCanvas()->LogFont().lfHeight, -13);
    O.PimCanvas()->SetFont(Font);
    O.PimCanvas()->Textout(5, 6, QStringLiteral("a"));
    O.SetLoadPercent(40);
    O.NewPage();
    EXPECT_EQ(Doc->PercentDone(), float(40));
    O.EndDoc();
    EXPECT_EQ(O.PimFile(), Doc);
    EXPECT_FALSE(Doc->Running());
    EXPECT_EQ(Doc->PageCount(), 2);
    EXPECT_EQ(Doc->Objects()->size(), 1u);
    EXPECT_EQ(Doc->PercentDone(), 100);

    TMemoryStream FromFile;
    FromFile.LoadFromFile(Name);
    TMemoryStream Saved;
    Doc->SaveToStream(Saved);
    EXPECT_EQ(AllOf(FromFile), AllOf(Saved));
    QFile::remove(Name);
}

TEST_F(PimOutput, CreateFileReachesOnlyADocumentWithAFileName) {
    TFakePrinterList Printers;
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.SetCreateFile(false);
    O.SetFileName(QStringLiteral("/nonexistent-dir/never.pim"));
    O.BeginDoc();
    EXPECT_FALSE(O.PimFile()->CreateFile());
    O.EndDoc();
    EXPECT_FALSE(QFile::exists(QStringLiteral("/nonexistent-dir/never.pim")));

    TPimOutput NoName;
    NoName.SetDestination(adPimFile);
    NoName.SetCreateFile(true);
    NoName.BeginDoc();
    EXPECT_FALSE(NoName.PimFile()->CreateFile());
    NoName.EndDoc();
}

TEST_F(PimOutput, AbortedFileJobLeavesNoFile) {
    TFakePrinterList Printers;
    const QString Name = CreateTempFileName();
    QFile::remove(Name);
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.SetFileName(Name);
    O.BeginDoc();
    O.PimCanvas()->Textout(1, 2, QStringLiteral("half a report"));
    O.Abort();
    EXPECT_FALSE(QFile::exists(Name));
    EXPECT_FALSE(O.PimFile()->Running());
    EXPECT_EQ(O.PimFile()->PageCount(), 1);
}

TEST_F(PimOutput, FailedEndDocRaisesAndStopsTheDocument) {
    TFakePrinterList Printers;
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.SetFileName(QStringLiteral("/nonexistent-dir/doc.pim"));
    O.BeginDoc();
    EXPECT_THROW(O.EndDoc(), Exception);
    EXPECT_FALSE(O.PimFile()->Running());
    EXPECT_EQ(O.PimFile()->PercentDone(), 100);
}

TEST_F(PimOutput, PreviewHandsItsDocumentToTheViewer) {
    TFakePrinterList Printers;
    TTestViewer* Viewer = nullptr;
    std::unique_ptr<TTestViewer> Keep;
    SetPimViewerFactory([&](TComponent*) {
        Keep = std::make_unique<TTestViewer>();
        Viewer = Keep.get();
        return Viewer;
    });
    std::weak_ptr<TPimPimFile> Watch;
    {
        TPimOutput O;
        O.SetDestination(adPreview);
        O.BeginDoc();
        ASSERT_EQ(O.PimViewer(), Viewer);
        EXPECT_EQ(Viewer->Document, O.PimFile());
        EXPECT_EQ(Viewer->Shown, 1);
        Watch = O.PimFile();
        O.PimCanvas()->Textout(1, 1, QStringLiteral("seen while it grows"));
        O.EndDoc();
        EXPECT_EQ(O.PimFile(), nullptr);
    }
    EXPECT_EQ(Viewer->Generating, (std::vector<bool>{true, false}));
    ASSERT_FALSE(Watch.expired());
    EXPECT_FALSE(Viewer->Document->Running());
}

TEST_F(PimOutput, AViewerClosedWhileTheJobRunsIsNeverCalledAgain) {
    TFakePrinterList Printers;
    auto Viewer = std::make_unique<TTestViewer>();
    SetPimViewerFactory([&](TComponent*) { return Viewer.get(); });
    TPimOutput O;
    O.SetDestination(adPreview);
    O.BeginDoc();
    O.NewPage();
    Viewer.reset(); // the user closed the window, which freed it
    EXPECT_EQ(O.PimViewer(), nullptr);
    O.NewPage();
    O.PimCanvas()->Textout(1, 1, QStringLiteral("after the window went"));
    O.EndDoc();
    // Nobody took the document: the job still holds it, complete.
    ASSERT_NE(O.PimFile(), nullptr);
    EXPECT_FALSE(O.PimFile()->Running());
    EXPECT_EQ(O.PimFile()->PageCount(), 3);
}

TEST_F(PimOutput, PreviewWithoutAViewerKeepsItsDocument) {
    TFakePrinterList Printers;
    TPimOutput O;
    O.SetDestination(adPreview);
    O.BeginDoc();
    EXPECT_EQ(O.PimViewer(), nullptr);
    O.EndDoc();
    ASSERT_NE(O.PimFile(), nullptr);
    EXPECT_FALSE(O.PimFile()->Running());
}

TEST_F(PimOutput, ANewJobReplacesTheDocumentStillHeld) {
    TFakePrinterList Printers;
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.BeginDoc();
    O.EndDoc();
    std::weak_ptr<TPimPimFile> First = O.PimFile();
    O.BeginDoc();
    EXPECT_TRUE(First.expired());
    EXPECT_TRUE(O.PimFile()->Running());
    O.EndDoc();
}

// The canvas on a device context that logs every call, as on a printer.
class PimCanvasOnPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        DC = DeviceContext::CreateRecording(PrinterLikeCaps());
        C.SetPixelsPerInchX(300);
        C.SetPixelsPerInchY(300);
        C.SetHandle(DC.get());
    }
    void TearDown() override { C.SetHandle(nullptr); }
    QStringList Calls(const QStringList& Names) const { return DC->Log()->Only(Names); }

    std::unique_ptr<DeviceContext> DC;
    TPimCanvas C;
};

TEST_F(PimCanvasOnPrinter, AttachingLeavesTheStockObjects) {
    EXPECT_EQ(C.Pen().Color(), clBlack);
    EXPECT_EQ(C.Pen().Style(), psSolid);
    EXPECT_EQ(C.Brush().Style(), bsClear);
    EXPECT_EQ(C.GetSelectFont() != 0, true);
    C.SetSelectFont(0);
    EXPECT_TRUE(Calls({QStringLiteral("TextOut")}).isEmpty());
}

TEST_F(PimCanvasOnPrinter, FontFollowsItsSizeInPointsAndItsAngle) {
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(12);
    Font.SetColor(clRed);
    C.SetFont(Font);
    EXPECT_EQ(C.LogFont().lfHeight, -50);
    EXPECT_EQ(DC->GetTextColor(), COLORREF(0x0000FF));
    const HFONT Before = C.GetSelectFont();
    C.SetFontAngle(90);
    EXPECT_EQ(C.LogFont().lfEscapement, 900);
    const HFONT After = C.GetSelectFont();
    EXPECT_NE(After, 0u);
    EXPECT_EQ(DC->GetCurrentObject(OBJ_FONT), After);
    EXPECT_NE(GetObjectType(Before), OBJ_FONT); // the old one was deleted
    TLogFont L;
    GetObject(After, L);
    EXPECT_EQ(L.lfEscapement, 900);
}

TEST_F(PimCanvasOnPrinter, DrawingGoesToTheDeviceContext) {
    DC->StartLog();
    C.Textout(1, 2, QString());
    EXPECT_TRUE(Calls({QStringLiteral("TextOut")}).isEmpty());
    C.Textout(1, 2, QStringLiteral("A"));
    EXPECT_EQ(Calls({QStringLiteral("TextOut")}), QStringList{QStringLiteral("TextOut 1 2 \"A\"")});
    const TPoint Pts[3] = {{0, 0}, {10, 0}, {5, 8}};
    C.Polygon(Pts, 3);
    EXPECT_EQ(Calls({QStringLiteral("Polygon")}), QStringList{QStringLiteral("Polygon 3 0,0 10,0 5,8")});
    C.Rectangle(1, 2, 30, 40);
    EXPECT_EQ(Calls({QStringLiteral("Rectangle")}), QStringList{QStringLiteral("Rectangle 1 2 30 40")});
}

TEST_F(PimCanvasOnPrinter, TextRectIsOpaqueUnlessTheBrushIsClear) {
    DC->StartLog();
    TBrush Clear;
    Clear.SetStyle(bsClear);
    C.SetBrush(Clear);
    C.TextRect(Rect(0, 0, 50, 20), 1, 1, QStringLiteral("a"));
    TBrush Solid;
    C.SetBrush(Solid);
    C.TextRect(Rect(0, 0, 50, 20), 1, 1, QStringLiteral("a"));
    const QStringList L = Calls({QStringLiteral("ExtTextOut")});
    ASSERT_EQ(L.size(), 2);
    EXPECT_TRUE(L[0].startsWith(QStringLiteral("ExtTextOut 1 1 4 "))) << L[0].toStdString();
    EXPECT_TRUE(L[1].startsWith(QStringLiteral("ExtTextOut 1 1 6 "))) << L[1].toStdString();
    EXPECT_EQ(DC->GetBkMode(), OPAQUE);
}

TEST_F(PimCanvasOnPrinter, EmptyStreamsAndGraphicsDrawNothing) {
    DC->StartLog();
    TMemoryStream Empty;
    C.DrawBitmap(1, 1, &Empty);
    C.StretchDrawBitmap(Rect(0, 0, 5, 5), nullptr);
    C.RtfDraw(Rect(0, 0, 5, 5), &Empty, 0, -1, false);
    C.Draw(1, 1, nullptr);
    EXPECT_TRUE(DC->Log()->Calls.isEmpty()) << DC->Log()->Text().toStdString();
}

TEST_F(PimCanvasOnPrinter, RichTextIsDrawnOnThePrinter) {
    DC->StartLog();
    TMemoryStream Rtf;
    const QByteArray Text("{\\rtf1 Hello}");
    Rtf.WriteBuffer(Text.constData(), Text.size());
    C.RtfDraw(Rect(0, 0, 600, 300), &Rtf, 0, -1, true);
    EXPECT_FALSE(DC->Log()->Calls.isEmpty());
}

TEST(PimCanvas, NoWhereLeavesNoTrace) {
    auto DC = DeviceContext::CreateRecording(PrinterLikeCaps());
    const int Objects = GdiObjectCount();
    TPimCanvas C;
    C.SetDestination(adNoWhere);
    C.SetHandle(DC.get());
    DC->StartLog();
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    C.SetFont(Font);
    TPen Pen;
    Pen.SetColor(clRed);
    C.SetPen(Pen);
    C.Textout(1, 1, QStringLiteral("x"));
    C.FillRect(Rect(0, 0, 4, 4));
    C.Print3of9Barcode(0, 0, 100, 20, 1, 3, false, false, QStringLiteral("A1"));
    EXPECT_TRUE(DC->Log()->Calls.isEmpty());
    EXPECT_EQ(GdiObjectCount(), Objects);
    C.SetHandle(nullptr);
}

TEST_F(PimOutput, CanvasRecordsPenAndBrushOnceEachTimeTheyAreSet) {
    TFakePrinterList Printers;
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.BeginDoc();
    const int64_t Start = O.PimFile()->Stream()->Size();
    TPen Pen;
    Pen.SetColor(clRed);
    O.PimCanvas()->SetPen(Pen);
    O.PimCanvas()->SetPen(Pen);
    TBrush Brush;
    O.PimCanvas()->SetBrush(Brush);
    O.PimCanvas()->SetTextAlign(TA_BASELINE);
    O.PimCanvas()->SetBkColor(0x123456);
    const QByteArray Bytes = AllOf(*O.PimFile()->Stream()).mid(int(Start));
    EXPECT_EQ(Bytes.toHex(' '),
              QByteArray::fromHex("0400 0000 0400 0000 0400 0100 1400 1800 2300 56341200").toHex(' '));
    O.EndDoc();
}

TEST_F(PimOutput, AFontChangedWhileDrawingNowhereIsTheOneRecordedWhenRecordingResumes) {
    TFakePrinterList Printers;
    TPimOutput O;
    O.SetDestination(adPimFile);
    O.BeginDoc();
    TPimCanvas& C = *O.PimCanvas();
    TFont Bold;
    Bold.SetName(QStringLiteral("Arial"));
    Bold.SetStyle(fsBold);
    C.SetFont(Bold);
    O.SetDestination(adNoWhere);
    TFont Italic;
    Italic.SetName(QStringLiteral("Times New Roman"));
    Italic.SetSize(8);
    Italic.SetStyle(fsItalic);
    C.SetFont(Italic);
    C.SetFontAngle(90);
    EXPECT_EQ(C.LogFont().lfFaceName, QStringLiteral("Times New Roman"));
    EXPECT_EQ(C.LogFont().lfEscapement, 900);
    EXPECT_EQ(C.LogFont().lfItalic, 1);
    C.SetFont(Italic);
    // The height stays the one of the resolution the font was set at, as with a recording canvas.
    C.SetPixelsPerInchY(300);
    EXPECT_EQ(C.LogFont().lfHeight, -MulDiv(8, 96, 72));
    EXPECT_EQ(C.LogFont().lfEscapement, 0);
    C.SetPixelsPerInchY(96);
    O.SetDestination(adPimFile);
    const int64_t Start = O.PimFile()->Stream()->Size();
    C.SetFontAngle(45);
    const QByteArray Bytes = AllOf(*O.PimFile()->Stream()).mid(int(Start));
    // One selection of a second table entry: the italic font turned by 45 degrees.
    EXPECT_EQ(Bytes.toHex(' '), QByteArray::fromHex("0400 0100").toHex(' '));
    ASSERT_EQ(O.PimFile()->Objects()->size(), 2u);
    const TPimLogFont& F = (*O.PimFile()->Objects())[1]->LogFont;
    EXPECT_EQ(PimWideFieldText(F.Name, PimFontNameLength), QStringLiteral("Times New Roman"));
    EXPECT_EQ(F.Size, 8);
    EXPECT_EQ(F.Italic, 1);
    EXPECT_EQ(F.Escapement, 450);
    O.EndDoc();
}

TEST_F(PimOutput, PrinterFontTakesItsSizeInPointsAtThePrinterResolution) {
    TFakePrinterList Printers(OfficeOnly());
    TPimOutput O;
    O.BeginDoc();
    O.Handle()->StartLog();
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(36); // half an inch: 300 pixels at 600 dpi
    O.PimCanvas()->SetFont(Font);
    O.PimCanvas()->Textout(150, 150, QStringLiteral("HHHH"));
    O.NewPage(); // the font is selected again on the new page
    const QStringList Log =
        O.Handle()->Log()->Only({QStringLiteral("SelectObject"), QStringLiteral("TextOut")});
    O.EndDoc();
    const QStringList Fonts = Log.filter(QStringLiteral("SelectObject font"));
    ASSERT_EQ(Fonts.size(), 2) << Log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Fonts[0].startsWith(QStringLiteral("SelectObject font \"Arial\" -300 ")))
        << Fonts[0].toStdString();
    EXPECT_EQ(Fonts[1], Fonts[0]);
    EXPECT_TRUE(Log.contains(QStringLiteral("TextOut 150 150 \"HHHH\"")));
}

TEST_F(PimOutput, PrinterJobWithoutAnyPrinterRaisesTheSystemMessage) {
    TFakePrinterList NoPrinters;
    TPimOutput O;
    EXPECT_THROW(O.BeginDoc(), Exception);
    EXPECT_EQ(O.Handle(), nullptr);
    O.PimCanvas()->Textout(1, 1, QStringLiteral("goes nowhere"));
}

TEST_F(PimOutput, PrinterFailingToStartPassesTheErrorOn) {
    TFakePrinterList Printers(OfficeOnly());
    Printers[0]->FailAt = TFakePrinter::fpBeginDoc;
    TPimOutput O;
    try {
        O.BeginDoc();
        FAIL() << "no error from the printer";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), Printers[0]->FailMessage);
    }
    EXPECT_FALSE(Printer().Printing());
}
