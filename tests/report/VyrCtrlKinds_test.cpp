#include "host/storedforms.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "support/bandfixture.h"

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
