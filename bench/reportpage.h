#pragma once
// The report page the playing benchmarks share: a heading and a rule, forty detail rows of three
// columns with every other row shaded, a frame and a footer, recorded at 96 pixels per inch on A4.
#include "host/graphics.h"
#include "output/PimFile.h"

#include <QString>
#include <memory>

namespace benchpage {

constexpr int Rows = 40;
constexpr int PageWidth = 794; // A4 at 96 pixels per inch
constexpr int PageHeight = 1123;

inline QString Cell(int Page, int Row, int Column) {
    switch (Column) {
    case 0:
        return QStringLiteral("Customer %1").arg(Page * Rows + Row);
    case 1:
        return QStringLiteral("Invoice %1-%2").arg(Page).arg(Row);
    default:
        return QStringLiteral("%1.%2").arg(Page * 37 + Row * 11).arg(Row % 100, 2, 10, QLatin1Char('0'));
    }
}

inline TFont MakeFont(int Size, TFontStyles Style) {
    TFont F;
    F.SetName(QStringLiteral("Arial"));
    F.SetSize(Size);
    F.SetStyle(Style);
    return F;
}

// Page Page (0-based) of a document of Pages pages.
inline void RecordPage(TPimPimFile& F, int Page, int Pages) {
    TPen Pen;
    TBrush Shade;
    Shade.SetColor(clSilver);
    TBrush Clear;
    Clear.SetStyle(bsClear);
    F.SetBrush(Clear);
    F.SetFont(MakeFont(14, fsBold));
    F.Textout(48, 40, QStringLiteral("Sales by customer"));
    F.SetPen(Pen);
    F.MoveTo(48, 70);
    F.LineTo(746, 70);
    F.SetFont(MakeFont(10, 0));
    for (int Row = 0; Row < Rows; ++Row) {
        const int Y = 80 + Row * 22;
        if (Row % 2) {
            F.SetBrush(Shade);
            F.FillRect(TRect{48, Y, 746, Y + 22});
            F.SetBrush(Clear);
        }
        for (int Column = 0; Column < 3; ++Column)
            F.Textout(56 + Column * 240, Y + 4, Cell(Page, Row, Column));
    }
    F.Rectangle(48, 80, 746, 80 + Rows * 22);
    F.SetFont(MakeFont(8, 0));
    F.Textout(48, 1060, QStringLiteral("Page %1 of %2").arg(Page + 1).arg(Pages));
}

inline std::shared_ptr<TPimPimFile> RecordDocument(int Pages) {
    auto F = std::make_shared<TPimPimFile>();
    F->SetPixelsPerInchX(96);
    F->SetPixelsPerInchY(96);
    F->BeginDoc();
    for (int Page = 0; Page < Pages; ++Page) {
        if (Page > 0) F->NewPage();
        RecordPage(*F, Page, Pages);
    }
    F->EndDoc();
    return F;
}

} // namespace benchpage
