// The label kinds that draw rather than print text: lines, shapes, pictures, dividers, bar codes,
// check boxes, totals and labels drawn by the application.
#include "host/properties.h"
#include "output/PimOut.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"

#include <algorithm>

// TVyrLine

TVyrLine::TVyrLine(TComponent* AOwner) : TVyrLabel(AOwner) {}

void TVyrLine::SetLineType(TVyrLineType Value) {
    if (Value == FLineType) return;
    FLineType = Value;
    Invalidate();
}

void TVyrLine::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    if (!PimCanvas) return;
    InitPrint(PimCanvas, Rect);
    PenSet()->Assign(*Pen());
    PimCanvas->SetPen(*PenSet());
    const int P = Pen()->Width();
    switch (FLineType) {
    case ltDiagonalLeft:
        PimCanvas->MoveTo(Rect.Left, Rect.Top);
        PimCanvas->LineTo(Rect.Right, Rect.Bottom);
        break;
    case ltDiagonalRight:
        PimCanvas->MoveTo(Rect.Right, Rect.Top);
        PimCanvas->LineTo(Rect.Left, Rect.Bottom);
        break;
    default: {
        if (P <= 0) break;
        // Straight lines are filled in the pen's colour, so that they are as thick on every device.
        // The working brush takes the colour: the stored brush is saved with the form.
        TBrush& B = *BrushSet();
        B.Assign(*Brush());
        B.SetColor(Pen()->Color());
        B.SetStyle(bsSolid);
        PimCanvas->SetBrush(B);
        if (FLineType == ltHorizontal) {
            int y;
            switch (AlignVertical()) {
            case laTop:
                y = Rect.Top;
                break;
            case laBottom:
                y = Rect.Bottom - P;
                break;
            default:
                y = Rect.Top + Height() / 2;
            }
            PimCanvas->FillRect(Bounds(Rect.Left, y, Rect.Right - Rect.Left + 1, P));
        } else {
            int x;
            switch (AlignHorizontal()) {
            case laLeft:
                x = Rect.Left;
                break;
            case laRight:
                x = Rect.Right - P;
                break;
            default:
                x = Rect.Left + Width() / 2;
            }
            PimCanvas->FillRect(Bounds(x, Rect.Top, P, Rect.Bottom - Rect.Top + 1));
        }
    }
    }
    VyrDrawBorder(PimCanvas, Rect, BorderType(), Painting());
}

// Published properties and classes of stored forms

namespace {

const TEnumInfo& LineTypeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrLineType"),
                                 {QStringLiteral("ltHorizontal"), QStringLiteral("ltVertical"),
                                  QStringLiteral("ltDiagonalLeft"), QStringLiteral("ltDiagonalRight")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrLine, TVyrLabel>()
        .Publish("AlignVertical")
        .Publish("AlignHorizontal")
        .Enumeration("LineType", LineTypeNames(), &TVyrLine::LineType, &TVyrLine::SetLineType)
        .Default(ltHorizontal)
        .Publish("Transparent")
        .Publish("Pen");
    RegisterClasses<TVyrLine>();
    return true;
}();

} // namespace
