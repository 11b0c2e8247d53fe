#include "host/formatting.h"
#include "host/graphic.h"
#include "host/storedforms.h"
#include "output/PimCtrl.h"
#include "output/PimImg.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrData.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/bytes.h"
#include "support/devices.h"
#include "support/runvars.h"

#include <gtest/gtest.h>

namespace {

std::string Lines(const QStringList& Calls) {
    return Calls.join(QLatin1Char('\n')).toStdString();
}

// A label of the common placement: Left 10, Top 5, 100 x 17; on a band printed at (48, 68) its
// rectangle is 58 73 158 90.
template <class T> T* AddKind(TBandPage& P, TVyrBand* Band, const QString& Name, int Height = 17) {
    auto* L = Make<T>(P.Form.get(), Name, Band);
    L->SetBounds(10, 5, 100, Height);
    return L;
}

// Prints Band at y 20 of the first page and returns the played calls named in Names, a line each.
std::string PrintedCalls(TBandPage& P, TVyrBand* Band, const QStringList& Names) {
    P.BeginDoc();
    P.Page->Position(0, 20);
    Band->Print(P.Page);
    P.EndDoc();
    return Lines(PlayedPage(*P.Document(), 1, Names));
}

// Prints Band at y 20 of the first page and returns the records named in Names as an export filter
// gets them, a line each.
std::string ExportedCalls(TBandPage& P, TVyrBand* Band, const QStringList& Names) {
    P.BeginDoc();
    P.Page->Position(0, 20);
    Band->Print(P.Page);
    P.EndDoc();
    QStringList Calls;
    for (const QString& Call : ExportedPage(*P.Document(), 1))
        if (Names.contains(Call.section(QLatin1Char(' '), 0, 0))) Calls << Call;
    return Lines(Calls);
}

QByteArray PictureBytes(int Width, int Height, const char* Format) {
    QImage Image(Width, Height, QImage::Format_RGB32);
    Image.fill(Qt::blue);
    return Encode(Image, Format);
}

std::unique_ptr<TGraphic> GraphicOf(const QByteArray& Bytes) {
    TMemoryStream S = StreamOf(Bytes);
    return PimGetGraphic(&S);
}

// A variable of the page whose value the test sets.
TVyrExprVar* AddVariable(TBandPage& P, const QString& Name, TVyrDataTypes Type,
                         std::function<void(TVyrVar*)> Value) {
    auto* V = Make<TVyrExprVar>(P.Form.get(), Name, P.Page);
    V->SetDataType(Type);
    V->OnGetData = std::move(Value);
    V->SetUpdateMode(umNeedUpdate);
    return V;
}

// The same round trip of stored forms for every kind: written, read back and written again alike.
void ExpectRoundTrip(TBandPage& P) {
    RegisterReportTestClasses();
    const QByteArray Stored = WriteComponentText(P.Form.get());
    TReportTestForm Loaded;
    ReadComponentText(Stored, &Loaded);
    EXPECT_EQ(WriteComponentText(&Loaded).toStdString(), Stored.toStdString());
}

} // namespace

TEST(VyrLine, LinesFillInThePenColourAlongTheirEdgeOrJoinTheCorners) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto Line = [&](const QString& Name, TVyrLineType Type, int PenWidth) {
        auto* L = AddKind<TVyrLine>(P, B, Name);
        L->SetLineType(Type);
        L->Pen()->SetWidth(PenWidth);
        L->Pen()->SetColor(clRed);
        return L;
    };
    auto* Bottom = Line(QStringLiteral("Bottom"), ltHorizontal, 3);
    Bottom->Brush()->SetColor(clYellow);
    auto* Right = Line(QStringLiteral("Right"), ltVertical, 3);
    Right->SetHorizontalAlign(laRight);
    auto* Top = Line(QStringLiteral("Top"), ltHorizontal, 1);
    Top->SetVerticalAlign(laTop);
    auto* Middle = Line(QStringLiteral("Middle"), ltHorizontal, 2);
    Middle->SetVerticalAlign(laMiddle);
    auto* Centre = Line(QStringLiteral("Centre"), ltVertical, 1);
    Centre->SetHorizontalAlign(laCenter);
    Line(QStringLiteral("Left"), ltDiagonalLeft, 1);
    Line(QStringLiteral("Mirrored"), ltDiagonalRight, 1);
    Line(QStringLiteral("Invisible"), ltHorizontal, 0);
    const QStringList Expected{
        // rows 14 to 16 of the 17-pixel label, one pixel wider than the label as a border is
        QStringLiteral("FillRect 58 87 159 90 brush 0 0x0000FF 0"),
        QStringLiteral("FillRect 155 73 158 91 brush 0 0x0000FF 0"),
        QStringLiteral("FillRect 58 73 159 74 brush 0 0x0000FF 0"),
        QStringLiteral("FillRect 58 81 159 83 brush 0 0x0000FF 0"),
        QStringLiteral("FillRect 108 73 109 91 brush 0 0x0000FF 0"),
        QStringLiteral("MoveToEx 58 73"),
        QStringLiteral("LineTo 158 90"),
        QStringLiteral("MoveToEx 158 73"),
        QStringLiteral("LineTo 58 90")};
    EXPECT_EQ(PrintedCalls(
                  P, B, {QStringLiteral("FillRect"), QStringLiteral("MoveToEx"), QStringLiteral("LineTo")}),
              Lines(Expected));
    // the fill colour was the working brush's: the stored one is saved unchanged
    EXPECT_EQ(Bottom->Brush()->Color(), clYellow);
    EXPECT_EQ(Right->Brush()->Color(), clWhite);
    ExpectRoundTrip(P);
}

TEST(VyrShape, ShapesKeepTheirSquaresCentredInsideThePen) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 50);
    auto Shape = [&](const QString& Name, TVyrShapeType Type, int PenWidth = 1) {
        auto* S = AddKind<TVyrShape>(P, B, Name, 40);
        S->SetShapeType(Type);
        S->Pen()->SetWidth(PenWidth);
        S->SetBorderType(btSingle); // shapes draw no border of the label
        return S;
    };
    Shape(QStringLiteral("Rect"), sstRectangle);
    Shape(QStringLiteral("Square"), sstSquare);
    Shape(QStringLiteral("RoundRect"), sstRoundRect);
    Shape(QStringLiteral("RoundSquare"), sstRoundSquare);
    Shape(QStringLiteral("Circle"), sstCircle);
    Shape(QStringLiteral("Ellipse"), sstEllipse);
    Shape(QStringLiteral("Thick"), sstSquare, 3);
    const QStringList Expected{
        QStringLiteral("Rectangle 58 73 158 113"),       QStringLiteral("Rectangle 88 73 128 113"),
        QStringLiteral("RoundRect 58 73 158 113 10 10"), QStringLiteral("RoundRect 88 73 128 113 10 10"),
        QStringLiteral("Ellipse 88 73 128 113"),         QStringLiteral("Ellipse 58 73 158 113"),
        QStringLiteral("Rectangle 89 74 127 112")};
    EXPECT_EQ(ExportedCalls(P, B,
                            {QStringLiteral("Rectangle"), QStringLiteral("RoundRect"),
                             QStringLiteral("Ellipse"), QStringLiteral("FillRect")}),
              Lines(Expected));
    ExpectRoundTrip(P);
}

TEST(VyrImageLabel, PicturesDrawFromBlobsOrTheirOwnPictureAtTheirSizeOrStretched) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 120);
    const QByteArray Png = PictureBytes(30, 15, "PNG");
    // a blob field's picture behind its 8-byte header
    QByteArray Blob;
    Put16(Blob, 1);
    Put16(Blob, 0x0100);
    Put32(Blob, uint32_t(Png.size()));
    Blob += Png;
    auto* Var = AddVariable(P, QStringLiteral("Photo"), dtypeBlob, [&](TVyrVar* V) {
        TMemoryStream S = StreamOf(Blob);
        V->SetAsStream(&S);
    });
    auto* FromBlob = AddKind<TVyrImageLabel>(P, B, QStringLiteral("FromBlob"));
    FromBlob->SetVariable(Var);
    FromBlob->SetBorderType(btUnderLine);
    // a bitmap of its own, drawn by the output
    const QByteArray Bmp = PictureBytes(10, 5, "BMP");
    auto* Own = AddKind<TVyrImageLabel>(P, B, QStringLiteral("Own"));
    Own->SetPicture(GraphicOf(Bmp).get());
    // 200 x 100 stretched into 100 x 100, keeping its aspect, centred
    auto* Wide = AddKind<TVyrImageLabel>(P, B, QStringLiteral("Wide"), 100);
    Wide->SetPicture(GraphicOf(PictureBytes(200, 100, "PNG")).get());
    Wide->SetStretch(true);
    Wide->SetKeepAspect(true);
    Wide->SetCenter(true);
    Wide->SetKeepBorderAspect(true);
    Wide->SetBorderType(btUnderLine);
    // nothing to draw, and no height to stretch into: the frame alone
    auto* Empty = AddKind<TVyrImageLabel>(P, B, QStringLiteral("Empty"));
    Empty->SetBorderType(btUnderLine);
    auto* Flat = AddKind<TVyrImageLabel>(P, B, QStringLiteral("Flat"), 0);
    Flat->SetPicture(Wide->Picture());
    Flat->SetStretch(true);
    Flat->SetKeepAspect(true);
    Flat->SetBorderType(btUnderLine);
    // a blob that only looks like a bitmap
    auto* Garbage = AddVariable(P, QStringLiteral("Garbage"), dtypeBlob, [](TVyrVar* V) {
        TMemoryStream S = StreamOf(QByteArray("BM") + QByteArray(20, '\x7F'));
        V->SetAsStream(&S);
    });
    auto* Damaged = AddKind<TVyrImageLabel>(P, B, QStringLiteral("Damaged"));
    Damaged->SetVariable(Garbage);
    Damaged->SetBorderType(btUnderLine);

    Var->Initialize();
    Garbage->Initialize();
    EXPECT_EQ(Damaged->SpendHeight(P.Page, 200), 5 + 17);
    EXPECT_EQ(FromBlob->GetDisplayText(), QStringLiteral("Photo"));
    EXPECT_EQ(Empty->GetDisplayText(), QStringLiteral("Fill in variable."));
    // heights: Top + the picture's own height unless stretched
    EXPECT_EQ(FromBlob->SpendHeight(P.Page, 200), 5 + 15);
    EXPECT_EQ(Own->SpendHeight(P.Page, 200), 5 + 5);
    EXPECT_EQ(Wide->SpendHeight(P.Page, 200), 5 + 100);
    EXPECT_EQ(Empty->SpendHeight(P.Page, 200), 5 + 17);
    FromBlob->UpdateImage();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(FromBlob->ImageStream()->Memory()),
                         qsizetype(FromBlob->ImageStream()->Size())),
              Png);
    EXPECT_NE(dynamic_cast<TPngImage*>(FromBlob->Data()), nullptr);
    Own->UpdateImage();
    ASSERT_NE(Own->PimBitmap(), nullptr);
    EXPECT_EQ(Own->Data(), nullptr);

    const QStringList Expected{
        // the bare PNG at its size, underlined below its own rectangle
        QStringLiteral("StretchDraw 58 73 88 88 of 30x15"), QStringLiteral("FillRect 58 89 90 90"),
        QStringLiteral("DrawBitmap 58 73 %1 bytes").arg(Bmp.size()),
        // 100 x 50, 25 pixels down, underlined below the picture
        QStringLiteral("StretchDraw 58 98 158 148 of 200x100"), QStringLiteral("FillRect 58 148 159 149"),
        QStringLiteral("FillRect 58 90 159 91"), QStringLiteral("FillRect 58 73 159 74"),
        QStringLiteral("FillRect 58 90 159 91")};
    EXPECT_EQ(ExportedCalls(P, B,
                            {QStringLiteral("StretchDraw"), QStringLiteral("DrawBitmap"),
                             QStringLiteral("StretchDrawBitmap"), QStringLiteral("FillRect")}),
              Lines(Expected));
    EXPECT_EQ(Wide->PrintHeight(P.Page, 200, 0), 0); // printed: EndPrint
    ExpectRoundTrip(P);
}

TEST(VyrVerticalDivider, ADividerRunsDownEveryPieceOfItsBandWithoutMakingItTaller) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    B->SetStretch(true);
    auto* D = Make<TVyrVerticalDivider>(P.Form.get(), QStringLiteral("Divider"), B);
    D->SetBounds(10, 7, 50, 5);
    EXPECT_EQ(D->BoundsRect(), QRect(10, 1, 2, 29)); // only the place across the band is kept
    D->SetDividerWidth(3);
    D->SetDividerColor(clRed);
    EXPECT_EQ(D->Width(), 4);
    B->SetHeight(40);
    EXPECT_EQ(D->Height(), 39); // follows its band
    D->SetIsVisible(false);
    EXPECT_EQ(D->SpendHeight(P.Page, 10), 39);
    D->SetIsVisible(true);
    int Before = 0, After = 0;
    D->OnBeforePrint = [&](TVyrLabel*) { ++Before; };
    D->OnAfterPrint = [&](TVyrLabel*) { ++After; };
    // a label that needs 80 pixels makes the band print in two pieces, 50 and 30 high
    auto* Tall = Make<TScriptedLabel>(P.Form.get(), QStringLiteral("Tall"), B);
    Tall->SetBounds(50, 0, 20, 40);
    Tall->Need = 80;
    P.BeginDoc();
    P.Page->Position(0, 238);
    EXPECT_EQ(P.PrintStretching(B), (std::vector<int>{50, 30}));
    P.EndDoc();
    EXPECT_EQ(Before, 2);
    EXPECT_EQ(After, 2);
    const QStringList Bar{QStringLiteral("FillRect")};
    EXPECT_EQ(Lines(PlayedPage(*P.Document(), 1, Bar).filter(QStringLiteral("0x0000FF"))),
              "FillRect 58 286 61 336 brush 0 0x0000FF 0\nFillRect 98 286 118 336 brush 0 0x0000FF 0");
    EXPECT_EQ(Lines(PlayedPage(*P.Document(), 2, Bar).filter(QStringLiteral("0x0000FF"))),
              "FillRect 58 48 61 78 brush 0 0x0000FF 0\nFillRect 98 48 118 78 brush 0 0x0000FF 0");
    D->StartPrint();
    EXPECT_EQ(D->PrintHeight(P.Page, 100, 20), 0);
    EXPECT_TRUE(D->EndPrint());

    // painting the form fires no print events
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 200, 100));
    D->Canvas()->SetHandle(DC.get());
    D->Paint();
    D->Canvas()->SetHandle(nullptr);
    EXPECT_EQ(Before, 3);
    EXPECT_EQ(
        DC->Log()->Only({QStringLiteral("FillRect")}).value(0).section(QLatin1Char(' '), 0, 4).toStdString(),
        "FillRect 0 -1 3 38");
    delete Tall; // a test class, not stored
    ExpectRoundTrip(P);
}

TEST(VyrBarCodeLabel, CodesAreCapitalisedPlacedByTheirLengthOnThePageAndNeverNegative) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 40);
    auto* Var = AddVariable(P, QStringLiteral("Code"), dtypeString,
                            [](TVyrVar* V) { V->SetAsString(QStringLiteral("abc123")); });
    auto* Centre = AddKind<TVyrBarCodeLabel>(P, B, QStringLiteral("Centre"), 30);
    Centre->SetWidth(200);
    Centre->SetVariable(Var);
    Centre->SetHorizontalAlign(laCenter);
    auto* Up = AddKind<TVyrBarCodeLabel>(P, B, QStringLiteral("Up"), 30);
    Up->SetVariable(Var);
    Up->SetBarCodeType(bct2of5);
    Up->SetDirection(bdVertical);
    Up->SetVerticalAlign(laTop);
    auto* Unset = AddKind<TVyrBarCodeLabel>(P, B, QStringLiteral("Unset"));
    auto* Low = AddKind<TVyrBarCodeLabel>(P, B, QStringLiteral("Low"), 4); // no room inside the margins
    Low->SetVariable(Var);
    Low->SetBorderType(btUnderLine);
    Var->Initialize();
    EXPECT_EQ(Centre->CodeText(), QStringLiteral("ABC123"));
    EXPECT_EQ(Unset->GetDisplayText(), QStringLiteral("Fill in variable."));
    // 8 characters with the start and stop of 3 wide and 6 narrow elements and a narrow gap: 128 pixels
    const QStringList Expected{QStringLiteral("Print3of9Barcode 94 75 0 26 1 3 0 0 ABC123"),
                               QStringLiteral("Print2of5Barcode 60 75 96 0 1 3 0 1 ABC123"),
                               QStringLiteral("Textout 60 88 Fill in variable."),
                               QStringLiteral("FillRect 58 77 159 78")};
    EXPECT_EQ(ExportedCalls(P, B,
                            {QStringLiteral("Print3of9Barcode"), QStringLiteral("Print2of5Barcode"),
                             QStringLiteral("Textout"), QStringLiteral("FillRect")}),
              Lines(Expected));

    // thousandths of an inch are measured at the page's 300 pixels per inch: 10 and 30 are 3 and 9
    // pixels, so the code is 8 x 48 = 384 long and a 400-pixel label centres it 8 pixels in
    TBandPage Fine;
    Fine.Report->SetPixelsPerInch(300);
    auto* FineBand = Fine.AddBand(QStringLiteral("Band1"), 40);
    auto* FineVar = AddVariable(Fine, QStringLiteral("Code"), dtypeString,
                                [](TVyrVar* V) { V->SetAsString(QStringLiteral("abc123")); });
    auto* Inches = AddKind<TVyrBarCodeLabel>(Fine, FineBand, QStringLiteral("Inches"), 30);
    Inches->SetWidth(400);
    Inches->SetVariable(FineVar);
    Inches->SetHorizontalAlign(laCenter);
    Inches->SetWidthInInches_1000(true);
    Inches->SetNarrowWidth(10);
    Inches->SetWideWidth(30);
    FineVar->Initialize();
    TPim3of9BarCode Code;
    Code.SetNarrowWidth(10);
    Code.SetWideWidth(30);
    Code.SetWidthInInches_1000(true);
    ASSERT_EQ(Code.BarCodeLengthAt(300, QStringLiteral("ABC123")), 384);
    auto DC = DeviceContext::CreateRecording(PrinterCaps(300, 3, 4, 0));
    TPimCanvas Canvas;
    Canvas.SetPixelsPerInchX(300);
    Canvas.SetPixelsPerInchY(300);
    Canvas.SetHandle(DC.get());
    Inches->PrintLabel(&Canvas, Bounds(160, 175, 400, 30), 30);
    Canvas.SetHandle(nullptr);
    // the start character's first bar, narrow, 8 pixels in, below the border margin
    EXPECT_EQ(
        DC->Log()->Only({QStringLiteral("FillRect")}).value(0).section(QLatin1Char(' '), 0, 4).toStdString(),
        "FillRect 168 177 171 203");
    ExpectRoundTrip(P);
}

TEST(VyrTotalvarLabel, TotalsReadTheBandsLevelOrTheirOwnAndShowThePlaceholderWithoutOne) {
    TFormatSettingsScope Scope{TFormatSettings::Fixed()};
    TBandPage P;
    auto* Group = Make<TVyrLevel>(P.Form.get(), QStringLiteral("GroupLevel"), P.Page);
    auto* Detail = Make<TVyrLevel>(P.Form.get(), QStringLiteral("DetailLevel"), P.Page);
    auto* Doomed = Make<TVyrLevel>(P.Form.get(), QStringLiteral("Doomed"), P.Page);
    double Amount = 0;
    auto* Source =
        AddVariable(P, QStringLiteral("Amount"), dtypeFloat, [&](TVyrVar* V) { V->SetAsFloat(Amount); });
    Source->SetUpdateLevel(Detail);
    auto* Total = Make<TVyrTotalvar>(P.Form.get(), QStringLiteral("Total"), P.Page);
    Total->SetVariable(Source);
    Total->SetUpdateLevel(Detail);
    auto* B = P.AddBand(QStringLiteral("GroupFooter"), 30);
    B->SetUpdateLevel(Group);
    auto Label = [&](const QString& Name, TVyrLevel* Level, bool AutoLevel) {
        auto* L = AddKind<TVyrTotalvarLabel>(P, B, Name);
        L->SetTotalVariable(Total);
        L->SetLevel(Level);
        L->SetAutoLevel(AutoLevel);
        return L;
    };
    auto* Auto = Label(QStringLiteral("Auto"), Detail, true); // the band's level wins
    auto* Own = Label(QStringLiteral("Own"), Detail, false);
    auto* Removed = Label(QStringLiteral("Removed"), Doomed, false);
    auto* Late = Label(QStringLiteral("Late"), nullptr, false);
    AddKind<TVyrTotalvarLabel>(P, B, QStringLiteral("Unset"));
    EXPECT_EQ(Auto->AlignHorizontal(), laRight);
    EXPECT_EQ(Auto->PrintLevel(), Group);
    EXPECT_EQ(Own->PrintLevel(), Detail);
    delete Doomed;
    EXPECT_EQ(Removed->Level(), nullptr);
    EXPECT_EQ(Removed->PrintLevel(), Group); // no level of its own: the band's
    Removed->SetAutoLevel(false);
    B->SetUpdateLevel(nullptr);
    EXPECT_EQ(Removed->GetDataNow(), QStringLiteral("Total")); // no level at all
    B->SetUpdateLevel(Group);

    StartRunVariables(*P.Page);
    // a level made after the run started has no accumulators
    Late->SetLevel(Make<TVyrLevel>(P.Form.get(), QStringLiteral("LateLevel"), P.Page));
    for (double v : {1000.0, 229.5}) {
        Amount = v;
        P.Page->UpdateDataLevel(Detail);
    }
    P.Page->ResetTotalLevel(Detail);
    Amount = 5;
    P.Page->UpdateDataLevel(Detail);
    const QStringList Expected{
        QStringLiteral("Textout 156 88 1,234.50"), QStringLiteral("Textout 156 88 5.00"),
        QStringLiteral("Textout 156 88 1,234.50"), // the removed level's label now reads the band's
        QStringLiteral("Textout 156 88 Total"), QStringLiteral("Textout 156 88 Fill in variable.")};
    EXPECT_EQ(ExportedCalls(P, B, {QStringLiteral("Textout")}), Lines(Expected));
}

TEST(VyrCheckLabel, BoxesShowTheTruthAndWriteItIntoRichText) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* No =
        AddVariable(P, QStringLiteral("Paid"), dtypeBoolean, [](TVyrVar* V) { V->SetAsBoolean(false); });
    auto* Yes =
        AddVariable(P, QStringLiteral("Sent"), dtypeBoolean, [](TVyrVar* V) { V->SetAsBoolean(true); });
    auto Check = [&](const QString& Name, TVyrVar* Variable, int Left) {
        auto* C = Make<TVyrCheckLabel>(P.Form.get(), Name, B);
        EXPECT_EQ(C->BoundsRect(), QRect(0, 0, 12, 12));
        C->SetBounds(Left, 5, 12, 12);
        C->SetVariable(Variable);
        return C;
    };
    auto* Unset = Check(QStringLiteral("Unset"), nullptr, 10);
    auto* False = Check(QStringLiteral("False"), No, 30);
    auto* True = Check(QStringLiteral("True"), Yes, 50);
    True->SetCheckStyle(csCheck);
    True->Pen()->SetColor(clRed);
    True->Pen()->SetWidth(2);
    EXPECT_EQ(Unset->GetDisplayText(), QStringLiteral("Fill in variable."));
    EXPECT_EQ(False->GetDisplayText(), QStringLiteral("Paid"));
    No->Initialize();
    Yes->Initialize();
    // without a variable the box is checked; a false value draws no box
    EXPECT_EQ(ExportedCalls(P, B, {QStringLiteral("DrawCheckBox")}),
              "DrawCheckBox 58 73 70 85 0 0 1\nDrawCheckBox 98 73 110 85 1 255 2");

    P.Page->SetOutputType(otRichText);
    True->SetLeft(96); // one inch: 1440 twips
    const QByteArray Body = P.RichTextRows(B);
    // each at its own tab stop, from the left: 10, 30 and 96 pixels
    EXPECT_TRUE(Body.contains("\\tx150 \\tab Y\\tx450 \\tab N\\tx1440 \\tab Y\\par ")) << Body.constData();
    EXPECT_TRUE(Unset->EndPrint() && False->EndPrint() && True->EndPrint());
}

TEST(VyrCustomLabel, TheHandlerDrawsOnThePageCanvasInPagePixelsBetweenBackgroundAndBorder) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* L = AddKind<TVyrCustomLabel>(P, B, QStringLiteral("Custom"));
    L->SetBorderType(btUnderLine);
    TRect Seen{};
    L->OnDraw = [&](TVyrLabel* lb, TPimCanvas* C, const TRect& R) {
        EXPECT_EQ(lb, L);
        Seen = R;
        C->Ellipse(R.Left, R.Top, R.Left + 10, R.Top + 10);
    };
    EXPECT_EQ(ExportedCalls(P, B, {QStringLiteral("Ellipse"), QStringLiteral("FillRect")}),
              "Ellipse 58 73 68 83\nFillRect 58 90 159 91");
    EXPECT_EQ(Seen, (TRect{58, 73, 158, 90}));
}

// Every kind is stored, read and stored again alike; old forms' size flag on totals is dropped.
TEST(VyrLabelKinds, StoredFormsKeepEveryKindAndDropTheTotalsSizeFlag) {
    RegisterReportTestClasses();
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Var = AddVariable(P, QStringLiteral("Var1"), dtypeString, {});
    auto* Level = Make<TVyrLevel>(P.Form.get(), QStringLiteral("Level1"), P.Page);
    auto* Total = Make<TVyrTotalvar>(P.Form.get(), QStringLiteral("Total1"), P.Page);
    auto* Check = AddKind<TVyrCheckLabel>(P, B, QStringLiteral("Check1"));
    Check->SetVariable(Var);
    Check->SetCheckStyle(csCheck);
    auto* Sum = AddKind<TVyrTotalvarLabel>(P, B, QStringLiteral("Sum1"));
    Sum->SetTotalVariable(Total);
    Sum->SetLevel(Level);
    Sum->SetAutoLevel(false);
    Sum->SetTotalType(ttAverage);
    Sum->DataFormat()->SetDigits(3);
    AddKind<TVyrLine>(P, B, QStringLiteral("Line1"))->SetLineType(ltDiagonalRight);
    AddKind<TVyrShape>(P, B, QStringLiteral("Shape1"))->SetShapeType(sstCircle);
    auto* Image = AddKind<TVyrImageLabel>(P, B, QStringLiteral("Image1"));
    Image->SetPicture(GraphicOf(PictureBytes(3, 2, "PNG")).get());
    Image->SetKeepAspect(true);
    auto* Divider = Make<TVyrVerticalDivider>(P.Form.get(), QStringLiteral("Divider1"), B);
    Divider->SetLeft(40);
    Divider->SetDividerWidth(2);
    auto* Bar = AddKind<TVyrBarCodeLabel>(P, B, QStringLiteral("Bar1"));
    Bar->SetVariable(Var);
    Bar->SetBarCodeType(bct2of5);
    Bar->BarCodeBrush()->SetColor(clNavy);
    AddKind<TVyrCustomLabel>(P, B, QStringLiteral("Custom1"))->SetShade(spLight);
    // every kind paints on the designed form, the variables not yet running, and fires no print events
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 200, 100));
    int Events = 0;
    for (TVyrLabel* L : *B->Labels()) {
        L->OnBeforePrint = [&](TVyrLabel*) { ++Events; };
        L->Canvas()->SetHandle(DC.get());
        L->Paint();
        L->Canvas()->SetHandle(nullptr);
        L->OnBeforePrint = nullptr;
    }
    EXPECT_EQ(Events, 0);
    // the total, read once its variable was initialized for painting: the average of nothing
    EXPECT_TRUE(DC->Log()->Calls.contains(QStringLiteral("TextOut 98 15 \"0.000\"")))
        << Lines(DC->Log()->Calls);
    const QByteArray Stored = WriteComponentText(P.Form.get());
    for (const char* Text :
         {"object Check1: TVyrCheckLabel", "CheckStyle = csCheck", "Variable = Var1", "TotalType = ttAverage",
          "Level = Level1", "TotalVariable = Total1", "DataFormat.Digits = 3", "LineType = ltDiagonalRight",
          "ShapeType = sstCircle", "Picture = {", "KeepAspect = True", "DividerWidth = 2",
          "BarCodeType = bct2of5", "BarCodeBrush.Color = clNavy", "Shade = spLight"})
        EXPECT_TRUE(Stored.contains(Text)) << Text << '\n' << Stored.constData();
    QByteArray Old = Stored;
    Old.replace("          TotalType = ttAverage",
                "          AutoSize = True\n          TotalType = ttAverage");
    ASSERT_NE(Old, Stored);
    TReportTestForm Loaded;
    ReadComponentText(Old, &Loaded);
    auto* Read = dynamic_cast<TVyrTotalvarLabel*>(Loaded.FindComponent(QStringLiteral("Sum1")));
    ASSERT_NE(Read, nullptr);
    EXPECT_FALSE(Read->AutoSize());
    EXPECT_EQ(Read->Level(), Loaded.FindComponent(QStringLiteral("Level1")));
    auto* ReadImage = dynamic_cast<TVyrImageLabel*>(Loaded.FindComponent(QStringLiteral("Image1")));
    ASSERT_NE(ReadImage, nullptr);
    ASSERT_NE(ReadImage->Picture(), nullptr);
    EXPECT_EQ(ReadImage->Picture()->Width(), 3);
    EXPECT_EQ(WriteComponentText(&Loaded).toStdString(), Stored.toStdString());
}
