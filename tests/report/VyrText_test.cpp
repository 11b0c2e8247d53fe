#include "host/devicecontext.h"
#include "host/encoding.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/storedforms.h"
#include "host/wordwrap.h"
#include "report/PimPage.h"
#include "report/VyrRtf.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/bytes.h"
#include "support/devices.h"
#include "support/logfilter.h"
#include "support/pixelprobe.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// A label of the common placement: Left 10, Top 5, 100 x 17, border margin 2.
template <class T = TVyrTextLabel>
T* AddLabel(TBandPage& P, TVyrBand* Band, const QString& Name,
            const QString& Caption = QStringLiteral("Text")) {
    auto* L = Make<T>(P.Form.get(), Name, Band);
    L->SetBounds(10, 5, 100, 17);
    L->SetCaption(Caption);
    return L;
}

QString Lines(int Count, const QString& Prefix = QStringLiteral("Line ")) {
    QStringList L;
    for (int i = 0; i < Count; ++i)
        L << Prefix + QString::number(i);
    return L.join(QStringLiteral("\r\n"));
}

std::string Hex(TMemoryStream& S) {
    return QByteArray(reinterpret_cast<const char*>(S.Memory()), qsizetype(S.Size()))
        .toHex(' ')
        .toUpper()
        .toStdString();
}

const QStringList TextCalls{QStringLiteral("TextOut"), QStringLiteral("ExtTextOut")};

// A memo of Count lines at the top of a stretching band of 17, 150 wide from the label's left of 10,
// in lines of 12 (characters of 11 pixels, whole lines rather than justified pieces); the document
// is begun.
TVyrTextLabel* StretchingMemo(TBandPage& P, int Count) {
    auto* B = P.AddBand(QStringLiteral("Band1"), 17);
    B->SetStretch(true);
    B->SetColor(clWhite);
    auto* M = AddLabel(P, B, QStringLiteral("Memo"), Lines(Count));
    M->SetTop(0);
    M->SetWidth(150);
    M->SetWrapText(true);
    M->Font()->SetHeight(-11);
    P.Page->PageSetup()->SetTextDriverCompatibility(true);
    P.BeginDoc();
    M->UpdateMemo();
    return M;
}

// Words of every width, with a paragraph break now and then and two empty lines ahead, Count
// characters in all.
QString LongText(qsizetype Count) {
    static const QString Words[] = {QStringLiteral("invoice "), QStringLiteral("Wilhelm "),
                                    QStringLiteral("total, "),  QStringLiteral("mm "),
                                    QStringLiteral("l'if "),    QStringLiteral("quarterly "),
                                    QStringLiteral("W.M. "),    QStringLiteral("due\r\n")};
    QString S = QStringLiteral("\r\n\r\n");
    S.reserve(Count + 16);
    for (int i = 0; S.size() < Count; ++i)
        S += Words[(i * 5 + i / 7) % std::size(Words)];
    S.truncate(Count);
    return S;
}

// The text of the one text record a page holds, as an export filter is handed it.
class TTextFilter : public TLogFilter {
public:
    QStringList Texts;
    void Textout(int X, int Y, const QString& Text) override {
        Texts << Text;
        TLogFilter::Textout(X, Y, Text);
    }
    void TextRect(const TRect& R, int X, int Y, const QString& Text) override {
        Texts << Text;
        TLogFilter::TextRect(R, X, Y, Text);
    }
};

QStringList Exported(TPimPimFile& Document, QStringList* Texts = nullptr) {
    TTextFilter Filter;
    Document.SetExporting(true);
    Document.SetExportFilter(&Filter);
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 3, 4, 0));
    Document.PlayPage(DC.get(), 1);
    Document.SetExportFilter(nullptr);
    Document.SetExporting(false);
    if (Texts) *Texts = Filter.Texts;
    return Filter.Calls;
}

QImage Picture(TPimPimFile& Document) {
    auto DC = DeviceContext::CreateImage(288, 384, 96, 96);
    Document.PlayPage(DC.get(), 1);
    DC->EndDoc();
    return DC->Image()->copy();
}

} // namespace

// The label protocol on a fixed band printed at (48, 68): a label at 10, 5 of 100 x 17 has the
// rectangle 58 73 158 90.
TEST(VyrTextLabel, HiddenRefusedOrFailingLabelsFollowTheProtocol) {
    TToldErrors Told;
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Hidden = AddLabel(P, B, QStringLiteral("Hidden"), QStringLiteral("hidden"));
    Hidden->SetIsVisible(false);
    auto* Untouched = AddLabel(P, B, QStringLiteral("Untouched"), QStringLiteral("untouched"));
    Untouched->LabelPrintWhen = [](TVyrLabel*, bool&) {};
    auto* Raising = AddLabel(P, B, QStringLiteral("Raising"), QStringLiteral("raising"));
    Raising->LabelPrintWhen = [](TVyrLabel*, bool&) { throw Exception(QStringLiteral("condition")); };
    auto* Before = AddLabel(P, B, QStringLiteral("Before"), QStringLiteral("drawn"));
    int Calls = 0;
    Before->OnBeforePrint = [&](TVyrLabel*) {
        ++Calls;
        throw Exception(QStringLiteral("before"));
    };
    P.BeginDoc();
    P.Page->Position(0, 20);
    for (TVyrLabel* L : {static_cast<TVyrLabel*>(Hidden), static_cast<TVyrLabel*>(Untouched),
                         static_cast<TVyrLabel*>(Raising)}) {
        L->StartPrint();
        EXPECT_TRUE(L->EndPrint()) << L->Name().toStdString();
        EXPECT_EQ(L->SpendHeight(P.Page, 100), 0);
        EXPECT_EQ(L->PrintHeight(P.Page, 100, 0), 0);
        EXPECT_TRUE(L->EndPrint());
    }
    Before->StartPrint();
    EXPECT_FALSE(Before->EndPrint());
    EXPECT_EQ(Before->SpendHeight(P.Page, 100), 22);
    EXPECT_EQ(Before->PrintHeight(P.Page, 100, 0), 22); // Top + Height
    EXPECT_TRUE(Before->EndPrint());
    P.EndDoc();
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Told.Messages, QStringList{QStringLiteral("before")});
    EXPECT_EQ(PlayedPage(*P.Document(), 1, TextCalls),
              QStringList{QStringLiteral("TextOut 60 88 \"drawn\"")});
}

TEST(VyrTextLabel, OneLineLabelsDrawAtTheirSpotsWithClippingBackgroundAndBorder) {
    TBandPage P;
    P.Page->SetClipLabels(true);
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    B->SetColor(clWhite);
    auto* Clip = AddLabel(P, B, QStringLiteral("Clip"), QStringLiteral("clip"));
    Clip->SetClipType(ctClip);
    Clip->SetBorderType(btSingle);
    auto* Centre = AddLabel(P, B, QStringLiteral("Centre"), QStringLiteral("centre"));
    Centre->SetHorizontalAlign(laCenter);
    Centre->SetVerticalAlign(laMiddle);
    Centre->SetClipType(ctNoClip);
    Centre->SetBorderType(btUnderLine);
    auto* Right = AddLabel(P, B, QStringLiteral("Right"), QStringLiteral("right"));
    Right->SetHorizontalAlign(laRight);
    Right->SetVerticalAlign(laTop);
    Right->SetTransparent(false);
    Right->SetParentColor(false);
    Right->SetColor(clYellow);
    auto* Vert = AddLabel(P, B, QStringLiteral("Vert"), QStringLiteral("vert"));
    Vert->SetVerticalAlign(laCenterVert);
    Vert->SetClipType(ctNoClip);
    Vert->SetParentFont(false);
    Vert->Font()->SetHeight(-12);
    Vert->Font()->SetColor(clRed);
    Vert->SetRotateFont(90);
    auto* Shaded = AddLabel(P, B, QStringLiteral("Shaded"), QStringLiteral("shaded"));
    Shaded->SetClipType(ctNoClip);
    Shaded->SetShade(spMedium);
    EXPECT_FALSE(Shaded->Transparent());
    Shaded->SetBorderType(btSmall);
    P.BeginDoc();
    P.Page->Position(0, 20);
    B->Print(P.Page);
    P.EndDoc();
    const QStringList Expected{
        // left, bottom, clipped, transparent, single border
        QStringLiteral("SetTextAlign 8"), QStringLiteral("ExtTextOut 60 88 4 58 73 158 90 \"clip\""),
        QStringLiteral("FillRect 58 73 159 74 brush 0 0x000000 0"),
        QStringLiteral("FillRect 158 73 159 90 brush 0 0x000000 0"),
        QStringLiteral("FillRect 58 73 59 90 brush 0 0x000000 0"),
        QStringLiteral("FillRect 58 90 159 91 brush 0 0x000000 0"),
        // centre, middle on the baseline, not clipped although the page clips, underlined
        QStringLiteral("SetTextAlign 30"), QStringLiteral("TextOut 108 81 \"centre\""),
        QStringLiteral("FillRect 58 90 159 91 brush 0 0x000000 0"),
        // right, top, filled in its colour, clipped as the page says
        QStringLiteral("FillRect 58 73 158 90 brush 0 0x00FFFF 0"), QStringLiteral("SetTextAlign 2"),
        QStringLiteral("ExtTextOut 156 75 4 58 73 158 90 \"right\""),
        // centred vertically by a font of 12 pixels: (17 - 16) div 2 below the top
        QStringLiteral("SetTextAlign 0"), QStringLiteral("TextOut 60 73 \"vert\""),
        // shaded only, small border in silver
        QStringLiteral("FillRect 58 73 158 90 brush pattern FBF7BEDFFB7DEFBF"),
        QStringLiteral("SetTextAlign 8"), QStringLiteral("TextOut 60 88 \"shaded\""),
        QStringLiteral("FillRect 58 73 158 74 brush 0 0xC0C0C0 0"),
        QStringLiteral("FillRect 157 73 158 90 brush 0 0xC0C0C0 0"),
        QStringLiteral("FillRect 58 90 158 91 brush 0 0xC0C0C0 0"),
        QStringLiteral("FillRect 58 73 59 90 brush 0 0xC0C0C0 0")};
    EXPECT_EQ(PlayedPage(*P.Document(), 1,
                         {QStringLiteral("SetTextAlign"), QStringLiteral("TextOut"),
                          QStringLiteral("ExtTextOut"), QStringLiteral("FillRect")}),
              Expected);
    // the rotated text has its own font; the shade after it is drawn in the shaded label's colour
    const QStringList Played = PlayedPage(*P.Document(), 1);
    const qsizetype Vertical = Played.indexOf(QStringLiteral("TextOut 60 73 \"vert\""));
    ASSERT_GT(Vertical, 0);
    EXPECT_EQ(Played[Vertical - 2], QStringLiteral("SelectObject font \"Arial\" -12 0 400 0 0 0 1 esc=900"));
    const qsizetype Shade =
        Played.indexOf(QStringLiteral("FillRect 58 73 158 90 brush pattern FBF7BEDFFB7DEFBF"));
    QString Colour;
    for (qsizetype i = Vertical; i < Shade; ++i)
        if (Played[i].startsWith(QStringLiteral("SetTextColor"))) Colour = Played[i];
    EXPECT_EQ(Colour, QStringLiteral("SetTextColor 0x000000"));
}

// A memo of 10 lines of 12 pixels in a stretching band of 17 printed at y 286, 50 pixels above the
// bottom of the page body at 336.
TEST(VyrTextLabel, StretchingMemoContinuesOnTheNextPageWithoutLosingALine) {
    TBandPage P;
    TVyrTextLabel* M = StretchingMemo(P, 10);
    auto* B = static_cast<TVyrBand*>(M->Parent());
    EXPECT_TRUE(M->Stretch());
    ASSERT_EQ(M->PimMemo()->LineHeight(), 12);
    P.Page->Position(0, 238);
    // 3 lines (40) and the rest of page 1 left to the band (10), then the 7 lines and the pixel
    // below them
    EXPECT_EQ(P.PrintStretching(B), (std::vector<int>{50, 89}));
    P.EndDoc();
    ASSERT_EQ(P.Document()->PageCount(), 2);
    QStringList Page1, Page2;
    for (int i = 0; i < 3; ++i)
        Page1 << QStringLiteral("TextOut 60 %1 \"Line %2\"").arg(288 + 12 * i).arg(i);
    for (int i = 3; i < 10; ++i)
        Page2 << QStringLiteral("TextOut 60 %1 \"Line %2\"").arg(51 + 12 * (i - 3)).arg(i);
    EXPECT_EQ(PlayedPage(*P.Document(), 1, TextCalls), Page1);
    EXPECT_EQ(PlayedPage(*P.Document(), 2, TextCalls), Page2);
}

TEST(VyrTextLabel, AStretchingMemosBorderFramesItsLinesAndItsBorderMarginsTopAndBottom) {
    // Two lines of 12 with a margin of 4 inside a single border: the frame runs from the piece's
    // top at 100 to 100 + 2 x 12 + 2 x 4, past the label's own height of 17.
    TBandPage P;
    TVyrTextLabel* M = StretchingMemo(P, 2);
    auto* B = static_cast<TVyrBand*>(M->Parent());
    M->SetBorderMargin(4);
    M->SetBorderType(btSingle);
    ASSERT_EQ(M->PimMemo()->LineHeight(), 12);
    P.Page->Position(0, 52);
    EXPECT_EQ(P.PrintStretching(B), std::vector<int>{32});
    P.EndDoc();
    // The border's edges are inclusive, as every border's: the bottom one is the row at 132.
    EXPECT_EQ(PlayedPage(*P.Document(), 1, {QStringLiteral("TextOut"), QStringLiteral("FillRect")}),
              (QStringList{"TextOut 62 104 \"Line 0\"", "TextOut 62 116 \"Line 1\"",
                           "FillRect 58 100 209 101 brush 0 0x000000 0",
                           "FillRect 208 100 209 132 brush 0 0x000000 0",
                           "FillRect 58 100 59 132 brush 0 0x000000 0",
                           "FillRect 58 132 209 133 brush 0 0x000000 0"}));
}

TEST(VyrTextLabel, MemoLinesTallerThanThePageBodyTakeOnePageEachAndAFixedMemoPrintsOneLine) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 17);
    B->SetStretch(true);
    auto* M = AddLabel(P, B, QStringLiteral("Memo"), Lines(3, QString()));
    M->SetTop(0);
    M->SetWidth(180);
    M->SetWrapText(true);
    M->Font()->SetSize(100);
    M->SetWrapHeightPercent(300);
    P.BeginDoc();
    M->UpdateMemo();
    ASSERT_GT(M->PimMemo()->LineHeight(), 288);
    const std::vector<int> Pieces = P.PrintStretching(B);
    EXPECT_EQ(Pieces.size(), 3u);
    P.EndDoc();
    ASSERT_EQ(P.Document()->PageCount(), 3);
    for (int Page = 1; Page <= 3; ++Page)
        EXPECT_EQ(PlayedPage(*P.Document(), Page, TextCalls).size(), 1) << Page;

    // a fixed memo lower than one line still shows its first line
    TBandPage F;
    auto* Fixed = F.AddBand(QStringLiteral("Band1"), 30);
    auto* Low = AddLabel(F, Fixed, QStringLiteral("Low"), Lines(3));
    Low->SetWrapText(true);
    Low->SetStretch(false);
    Low->SetHeight(5);
    F.Page->PageSetup()->SetTextDriverCompatibility(true);
    F.BeginDoc();
    Fixed->Print(F.Page);
    F.EndDoc();
    EXPECT_EQ(PlayedPage(*F.Document(), 1, TextCalls),
              QStringList{QStringLiteral("TextOut 60 55 \"Line 0\"")});
}

TEST(VyrTextLabel, TextComesFromValueCaptionLinesOrPlaceholderAndMemosTakeTheirOwnPath) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Text = AddLabel(P, B, QStringLiteral("Text"), QStringLiteral("abc"));
    Text->UpdateMemo();
    EXPECT_EQ(Hex(Text->PimMemo()->MemoStream()), "FF FE 61 00 62 00 63 00");
    EXPECT_EQ(Text->GetDataNow(), QStringLiteral("abc"));
    Text->SetCaption(QString());
    TStringList Two;
    Two.Add(QStringLiteral("first"));
    Two.Add(QStringLiteral("second"));
    Text->SetLines(&Two);
    EXPECT_EQ(Text->GetDataNow(), QStringLiteral("first"));
    Text->SetWrapText(true);
    Text->UpdateMemo();
    EXPECT_EQ(Text->PimMemo()->MemoLines(), 2);
    Text->Lines()->Clear();
    EXPECT_EQ(Text->GetDataNow(), QString()); // the placeholder shows only on the designed form
    Text->UpdateMemo();
    EXPECT_EQ(Text->PimMemo()->MemoStream().Size(), 0);

    auto* Var = Make<TVyrExprVar>(P.Form.get(), QStringLiteral("Amount"), P.Page);
    Var->SetDataType(dtypeString);
    Var->OnGetData = [](TVyrVar* V) { V->SetAsString(QStringLiteral("value")); };
    auto* Value = AddLabel<TVyrvarlabel>(P, B, QStringLiteral("Value"), QStringLiteral("caption"));
    EXPECT_EQ(Value->GetDataNow(), QStringLiteral("caption"));
    EXPECT_EQ(Value->GetDisplayText(), QString());
    Value->SetVariable(Var);
    Var->SetUpdateMode(umNeedUpdate);
    Value->DataFormat()->SetTextCase(tcUpper);
    EXPECT_EQ(Value->GetDisplayText(), QStringLiteral("Amount"));
    EXPECT_EQ(Value->GetDataNow(), QStringLiteral("VALUE"));
    Value->UpdateMemo();
    EXPECT_EQ(Hex(Value->PimMemo()->MemoStream()), "FF FE 56 00 41 00 4C 00 55 00 45 00");

    // which labels print as memo lines
    struct TCase {
        bool VarLabel;
        TVyrDataTypes Type; // dtypeUnknown: no variable
        bool WrapText;
        bool Memo;
    };
    const TCase Cases[] = {
        {false, dtypeUnknown, false, false}, {false, dtypeUnknown, true, true},
        {true, dtypeUnknown, false, false},  {true, dtypeUnknown, true, true},
        {true, dtypeMemo, false, true},      {true, dtypeBlob, false, true},
        {true, dtypeString, false, false},   {true, dtypeString, true, true},
        {true, dtypeGraphic, false, false},
    };
    for (const TCase& C : Cases) {
        TVyrTVLabel* L = C.VarLabel ? static_cast<TVyrTVLabel*>(Value) : Text;
        Var->SetDataType(C.Type == dtypeUnknown ? dtypeString : C.Type);
        L->SetVariable(C.Type == dtypeUnknown ? nullptr : Var);
        L->SetWrapText(C.WrapText);
        EXPECT_EQ(L->IsMemo(), C.Memo) << C.VarLabel << ' ' << int(C.Type) << ' ' << C.WrapText;
    }

    // a picture has no text: at run time it prints nothing rather than failing
    Value->SetVariable(Var);
    Value->SetWrapText(false);
    Var->SetDataType(dtypeGraphic);
    Var->OnGetData = nullptr;
    Var->Initialize();
    EXPECT_EQ(Value->GetDataNow(), QString());
    Value->SetWrapText(true);
    Value->UpdateMemo();
    EXPECT_EQ(Value->PimMemo()->MemoLines(), 0);
}

TEST(VyrTextLabel, SuppressedRepeatsNeverHideTheFirstPrintOfARun) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    B->SetColor(clWhite);
    auto* Var = Make<TVyrExprVar>(P.Form.get(), QStringLiteral("Name"), P.Page);
    Var->SetDataType(dtypeString);
    QStringList Values{QString(), QString(), QStringLiteral("B")};
    int Row = 0;
    Var->OnGetData = [&](TVyrVar* V) { V->SetAsString(Values[Row]); };
    auto* L = AddLabel<TVyrvarlabel>(P, B, QStringLiteral("Value"), QString());
    L->SetVariable(Var);
    L->SetSuppressRepeats(true);
    L->SetBorderType(btUnderLine);
    Var->SetRunning(true);
    Var->Initialize();
    P.BeginDoc();
    for (Row = 0; Row < 3; ++Row) {
        Var->SetUpdateMode(umNeedUpdate);
        P.Page->Position(0, 30 * Row);
        B->Print(P.Page);
        Var->UpdateLast();
    }
    P.EndDoc();
    // the first value equals the reset value and still prints; the repeat prints nothing at all
    const QStringList Expected{
        QStringLiteral("TextOut 60 68 \"\""), QStringLiteral("FillRect 58 70 159 71 brush 0 0x000000 0"),
        QStringLiteral("TextOut 60 128 \"B\""), QStringLiteral("FillRect 58 130 159 131 brush 0 0x000000 0")};
    EXPECT_EQ(PlayedPage(*P.Document(), 1, {QStringLiteral("TextOut"), QStringLiteral("FillRect")}),
              Expected);
}

TEST(VyrTextLabel, PaintingShowsPlaceholdersAndOutlinesOnlyWhilePainting) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Text = AddLabel(P, B, QStringLiteral("Text"), QString());
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 200, 100));
    Text->Canvas()->SetHandle(DC.get());
    Text->Paint();
    EXPECT_FALSE(Text->Painting());
    const QStringList Painted = DC->Log()->Only({QStringLiteral("TextOut"), QStringLiteral("MoveToEx"),
                                                 QStringLiteral("LineTo"), QStringLiteral("FillRect")});
    const QStringList Expected{QStringLiteral("TextOut 2 15 \"Fill in caption.\""),
                               QStringLiteral("MoveToEx 0 0"),
                               QStringLiteral("LineTo 99 0"),
                               QStringLiteral("LineTo 99 16"),
                               QStringLiteral("LineTo 0 16"),
                               QStringLiteral("LineTo 0 0")};
    EXPECT_EQ(Painted, Expected);
    EXPECT_TRUE(DC->Log()->Calls.contains(QStringLiteral("SelectObject pen 2 1 0x000000"))); // dotted

    // a value that cannot be read fails the painting, which leaves the label as it was
    auto* Total = Make<TVyrTotalvar>(P.Form.get(), QStringLiteral("Total"), P.Page);
    auto* Value = AddLabel<TVyrvarlabel>(P, B, QStringLiteral("Value"), QString());
    Value->SetVariable(Total);
    Value->Canvas()->SetHandle(DC.get());
    EXPECT_THROW(Value->Paint(), Exception);
    EXPECT_FALSE(Value->Painting());
    Value->SetVariable(nullptr);
    EXPECT_EQ(Value->GetDisplayText(), QString());
    Text->Canvas()->SetHandle(nullptr);
    Value->Canvas()->SetHandle(nullptr);
}

TEST(VyrTextLabel, StoredFormsDropTheOldSizeFlagOfVariableLabelsAndKeepRowsAtZeroOrMore) {
    RegisterReportTestClasses();
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Text = AddLabel(P, B, QStringLiteral("Text"), QStringLiteral("abc"));
    Text->SetAutoSize(true);
    Text->SetRow(-1);
    EXPECT_EQ(Text->Row(), 0);
    auto* Value = AddLabel<TVyrvarlabel>(P, B, QStringLiteral("Value"), QString());
    Value->DataFormat()->SetDisplayFormat(QStringLiteral("0.00"));
    const QByteArray Stored = WriteComponentText(P.Form.get());
    EXPECT_TRUE(Stored.contains("          AutoSize = True\n          Caption = 'abc'\n"));
    EXPECT_TRUE(Stored.contains(
        "object Value: TVyrvarlabel\n          Left = 10\n          Top = 5\n          Width = 100\n"
        "          Height = 17\n          DataFormat.DisplayFormat = '0.00'\n        end"));
    EXPECT_FALSE(Stored.contains("Row"));
    // an older form: the variable label's size flag is read and dropped, a negative row is row 0
    QByteArray Old = Stored;
    Old.replace("          DataFormat.DisplayFormat",
                "          AutoSize = True\n          Row = -1\n          DataFormat.DisplayFormat");
    TReportTestForm Loaded;
    ReadComponentText(Old, &Loaded);
    auto* Read = dynamic_cast<TVyrvarlabel*>(Loaded.FindComponent(QStringLiteral("Value")));
    ASSERT_NE(Read, nullptr);
    EXPECT_EQ(Read->Row(), 0);
    EXPECT_FALSE(Read->AutoSize());
    EXPECT_EQ(Read->DataFormat()->DisplayFormat(), QStringLiteral("0.00"));
    EXPECT_EQ(WriteComponentText(&Loaded).toStdString(), Stored.toStdString());
}

TEST(VyrTextLabel, RichTextWritesEachLabelInItsRowsAtItsTabStops) {
    TBandPage P;
    P.Page->SetOutputType(otRichText);
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Tabs = AddLabel(P, B, QStringLiteral("Tabs"), QStringLiteral("a\tb"));
    Tabs->SetWrapText(true);
    auto* Under = AddLabel(P, B, QStringLiteral("Under"), QStringLiteral("u"));
    Under->SetLeft(100);
    Under->SetRow(1);
    Under->SetParentFont(false);
    Under->Font()->SetStyle(fsUnderline);
    auto* Three = AddLabel(P, B, QStringLiteral("Three"), Lines(3));
    Three->SetLeft(150);
    Three->SetWrapText(true);
    Three->SetRow(2);
    auto* Off = AddLabel(P, B, QStringLiteral("Off"), QStringLiteral("off"));
    Off->SetRtfPrint(false);
    int Before = 0, After = 0, UnderBefore = 0;
    Three->OnBeforePrint = [&](TVyrLabel*) { ++Before; };
    Three->OnAfterPrint = [&](TVyrLabel*) { ++After; };
    Under->OnBeforePrint = [&](TVyrLabel*) { ++UnderBefore; };
    const QByteArray Body = P.RichTextRows(B);
    EXPECT_EQ(Before, 3);
    EXPECT_EQ(After, 3);
    EXPECT_EQ(UnderBefore, 1);
    EXPECT_TRUE(Off->EndPrint());
    // row 0: the two parts of the tabbed line on their stops, (10 + 1 + 2) and (10 + 1 + 2 + 48) pixels
    EXPECT_TRUE(Body.contains("\\tx195 \\tx915 \\tab a\\tab b\\par ")) << Body.constData();
    // row 1: the tab without underline, then the underlined text
    EXPECT_TRUE(Body.contains("\\tx1500 \\tab {\\plain\\f1\\fs16\\ul u")) << Body.constData();
    // rows 2 to 4: the memo's lines, and no row after them
    EXPECT_EQ(Body.count("\\tx2295 "), 3) << Body.constData();
    EXPECT_TRUE(Body.indexOf("Line 0") < Body.indexOf("Line 1") &&
                Body.indexOf("Line 1") < Body.indexOf("Line 2"));
    EXPECT_EQ(Body.count("\\par "), 5) << Body.constData();
    EXPECT_FALSE(Body.contains("off"));
}

TEST(VyrTextLabel, ARowsFirstStopAtTheParagraphsStartIsLeftOutWithItsTab) {
    TBandPage P;
    P.Page->SetOutputType(otRichText);
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    // Row 0: a name at the band's left edge and a city further on.
    auto* Name = AddLabel(P, B, QStringLiteral("Name"), QStringLiteral("Acme"));
    Name->SetLeft(0);
    auto* City = AddLabel(P, B, QStringLiteral("City"), QStringLiteral("Berlin"));
    City->SetLeft(200);
    // Row 1: two labels at the edge; only the first one's stop is at the start of the row.
    auto* First = AddLabel(P, B, QStringLiteral("First"), QStringLiteral("first"));
    First->SetLeft(0);
    First->SetRow(1);
    auto* Second = AddLabel(P, B, QStringLiteral("Second"), QStringLiteral("second"));
    Second->SetLeft(0);
    Second->SetRow(1);
    // Row 2: the only label starts past the edge and keeps its stop and tab.
    auto* Later = AddLabel(P, B, QStringLiteral("Later"), QStringLiteral("later"));
    Later->SetRow(2);
    EXPECT_EQ(P.RichTextRows(B).toStdString(), "\\pard\\plain \\f1\\fs16 "
                                               "\\pard\\plain\\f1\\fs16 \\tx3000 Acme\\tab Berlin\\par "
                                               "\\pard\\plain\\f1\\fs16 \\tx0 first\\tab second\\par "
                                               "\\pard\\plain\\f1\\fs16 \\tx150 \\tab later\\par ");
}

TEST(VyrTextLabel, AutoSizeFitsTheCaptionOnlyOnTheDesignedForm) {
    TBandPage P;
    auto* B = P.AddBand(QStringLiteral("Band1"), 30);
    auto* Text = AddLabel(P, B, QStringLiteral("Text"), QStringLiteral("Caption"));
    Text->SetParentFont(false);
    Text->Font()->SetName(QStringLiteral("Arial"));
    Text->Font()->SetHeight(-12);
    Text->SetAutoSize(true);
    EXPECT_EQ(Text->BoundsRect(), QRect(10, 5, 100, 17)); // at run time nothing moves
    P.Form->SetDesigning(true);
    Text->SetAutoSize(false);
    Text->SetAutoSize(true);
    TMeasuringContext& M = *MeasuringContext();
    M.Prepare(*Text->Font(), 96);
    const int Width = M.TextWidth(QStringLiteral("Caption")) + 4 + M.TextMetrics().tmMaxCharWidth;
    EXPECT_EQ(Text->BoundsRect(), QRect(10, 5, Width, 16));
    Text->SetBorderMargin(5);
    EXPECT_EQ(Text->Height(), 22);
    Text->SetCaption(QStringLiteral("Caption, longer"));
    EXPECT_GT(Text->Width(), Width + 6);
}

// A label of 100 x 17 at (58, 73) on a page of 288 x 384 with a text of a million characters
// records no more of it than its rectangle, or unclipped the page, can show: exactly what the same
// label records with only that part for its caption, no glyph of it moved, no pixel changed from
// the whole text drawn. A memo that does not grow wraps only the lines it shows.
TEST(VyrTextLabel, ALongTextRecordsOnlyWhatItsRectangleOrPageCanShow) {
    struct TCase {
        const char* Name;
        TVyrHorizontalAlign Align;
        bool Clip;
        int Angle;
        bool Memo;
        bool Uneven; // two widths that no cut of a centred text can balance: its anchor moves
    };
    const TCase Cases[] = {
        {"left, clipped", laLeft, true, 0, false, false},
        {"left, over the page", laLeft, false, 0, false, false},
        {"right, clipped", laRight, true, 0, false, false},
        {"centred, clipped", laCenter, true, 0, false, false},
        {"centred over the page", laCenter, false, 0, false, false},
        {"centred up the page", laCenter, false, 90, false, false},
        {"centred, no even cut", laCenter, true, 0, false, true},
        {"justified memo", laLeft, false, 0, true, false},
    };
    const QString Long = LongText(1'000'000);

    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TBandPage P;
        auto* B = P.AddBand(QStringLiteral("Band1"), 70);
        B->SetColor(clWhite);
        auto* L = AddLabel(P, B, QStringLiteral("Long"));
        L->SetParentFont(false);
        L->Font()->SetName(QStringLiteral("Arial"));
        L->Font()->SetSize(10);
        L->SetHorizontalAlign(C.Align);
        L->SetClipType(C.Clip ? ctClip : ctNoClip);
        L->SetRotateFont(C.Angle);
        if (C.Memo) {
            L->SetWrapText(true);
            L->SetStretch(false);
            L->SetHeight(60);
            L->SetJustifyMemo(true);
            L->SetSuppressWhiteSpace(true);
        }
        QString Text = Long;
        if (C.Uneven) {
            // A narrow character, then a wide one over and over: the widths cut from the two ends
            // differ by the narrow one's width, which no number of wide ones makes up.
            TMeasuringContext& M = *MeasuringContext();
            M.Prepare(*L->Font(), 96);
            const int Wide = M.TextWidth(u"m");
            QChar Narrow;
            for (QChar Ch : QStringLiteral("il.|!:;'"))
                if (const int n = M.TextWidth(QString(Ch)); n % Wide > 1 && n % Wide < Wide - 1) Narrow = Ch;
            ASSERT_FALSE(Narrow.isNull());
            Text = Narrow + QString(999'999, u'm');
        }
        auto Record = [&](const QString& Caption) {
            L->SetCaption(Caption);
            P.BeginDoc();
            P.Page->Position(0, 20);
            B->StartPrint();
            B->Print(P.Page);
            P.EndDoc();
            return P.Document();
        };

        const auto Whole = Record(Text);
        const int BoxHeight = L->Height() - 2 * L->BorderMargin();
        const int Lines = C.Memo ? std::max(1, BoxHeight / L->PimMemo()->LineHeight()) : 1;
        EXPECT_LE(L->PimMemo()->MemoStrings().Count(), Lines);
        QStringList Texts;
        const QStringList Calls = Exported(*Whole, &Texts);
        if (C.Memo) {
            // What shows of a memo is its first lines; the rest of the text may as well be absent.
            EXPECT_EQ(Exported(*Record(Text.left(2000))), Calls);
            continue;
        }
        ASSERT_EQ(Texts.size(), 1);
        const QString Shown = Texts[0];
        ASSERT_LE(Shown.size(), 1000);
        EXPECT_TRUE(C.Align == laLeft    ? Text.startsWith(Shown)
                    : C.Align == laRight ? Text.endsWith(Shown)
                                         : Text.contains(Shown));
        if (!C.Uneven) {
            EXPECT_EQ(Exported(*Record(Shown)), Calls);
        }

        // The whole text as the label draws it, straight onto the page's canvas: from a stretch of
        // 3,000 characters around what shows (some 20,000 pixels, far more than a page holds), each
        // where the whole text's alignment puts it, measured here: left-aligned from the stretch's
        // first character, which a document's 16-bit coordinates still hold.
        const qsizetype Part = 3'000;
        const qsizetype From = C.Align == laLeft    ? 0
                               : C.Align == laRight ? Text.size() - Part
                                                    : (Text.size() - Part) / 2;
        TMeasuringContext& M = *MeasuringContext();
        M.Prepare(*L->Font(), 96);
        const int Width = M.TextWidth(Text);
        const int Start = M.TextWidth(QStringView(Text).left(From)) - (C.Align == laLeft    ? 0
                                                                       : C.Align == laRight ? Width
                                                                                            : Width / 2);
        const TRect R = Bounds(58, 73, 100, 17);
        const int x = L->GetXSpot(R.Left) + (C.Angle == 0 ? Start : 0);
        const int y = L->GetYSpot(R.Top) - (C.Angle == 90 ? Start : 0);
        P.BeginDoc();
        TPimCanvas& Canvas = *P.Page->Canvas();
        TBrush Clear;
        Clear.SetStyle(bsClear);
        Canvas.SetFont(*L->Font());
        Canvas.SetBrush(Clear);
        Canvas.SetTextAlign(L->AlignFlags() & ~TA_CENTER);
        Canvas.SetFontAngle(C.Angle);
        if (C.Clip)
            Canvas.TextRect(R, x, y, Text.mid(From, Part));
        else
            Canvas.Textout(x, y, Text.mid(From, Part));
        P.EndDoc();
        const QImage Expected = Picture(*P.Document());
        ASSERT_FALSE(InkBounds(Expected).isEmpty());
        EXPECT_TRUE(Picture(*Whole) == Expected);
    }
}
