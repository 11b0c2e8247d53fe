#include "design/Bandtree.h"

#include "host/canvas.h"
#include "host/mathutil.h"
#include "output/PimOut.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"

#include <algorithm>
#include <typeinfo>

namespace {
// A band attached to another band: it hangs one step deeper than that band.
bool IsAttached(const TVyrBand* Band) {
    return dynamic_cast<const TVyrSubBand*>(Band) || dynamic_cast<const TVyrSubDataBand*>(Band) ||
           dynamic_cast<const TVyrDataHeadBand*>(Band);
}

bool IsPlainBand(const TVyrBand* Band) {
    return typeid(*Band) == typeid(TVyrBand);
}
} // namespace

// TVyrBandTree

TVyrBandTree::TVyrBandTree(TVyrPage* Page, std::vector<TVyrBand*> Rows)
    : FPage(Page), FRows(std::move(Rows)) {
    const int Bands = Page && Page->Bands() ? int(Page->Bands()->size()) : 0;
    FStepLimit = std::max({Bands, int(FRows.size()), 1});
}

int TVyrBandTree::RowOf(const TVyrBand* Band) const {
    auto It = std::find(FRows.begin(), FRows.end(), Band);
    return It == FRows.end() ? -1 : int(It - FRows.begin());
}

TVyrGroup* TVyrBandTree::GroupOfBand(const TVyrBand* Band) const {
    if (!FPage || !FPage->Groups() || !Band) return nullptr;
    TVyrGroup* Found = nullptr;
    for (TVyrGroup* Group : *FPage->Groups())
        if (Group->Header() == Band || Group->Footer() == Band) Found = Group;
    return Found;
}

int TVyrBandTree::BandDepth(const TVyrBand* Band) const {
    int Depth = 0;
    for (int Step = 0; Band && Step < FStepLimit; ++Step) {
        if (IsAttached(Band)) {
            ++Depth;
            Band = Band->Band();
            continue;
        }
        if (dynamic_cast<const TVyrOverlayBand*>(Band)) break;
        if (FPage && Band == FPage->Detail()) {
            Depth += 1 + (FPage->Groups() ? int(FPage->Groups()->size()) : 0);
            break;
        }
        if (const TVyrGroup* Group = GroupOfBand(Band)) Depth += Group->Level() + 1;
        break;
    }
    return Depth;
}

bool TVyrBandTree::IsFirstOfFamily(const TVyrBand* Band) const {
    if (!Band) return false;
    for (const TVyrBand* Row : FRows)
        if (Row->Band() == Band->Band() || Row == Band->Band()) return Row == Band;
    return false;
}

bool TVyrBandTree::IsLastOfFamily(const TVyrBand* Band) const {
    if (!Band) return false;
    for (auto It = FRows.rbegin(); It != FRows.rend(); ++It) {
        const TVyrBand* Row = *It;
        if (Row->Band() && (Row->Band() == Band->Band() || Row == Band->Band())) return Row == Band;
    }
    return false;
}

bool TVyrBandTree::IsSameLevel(const TDataSource* Source, const TVyrBand* Band) const {
    if (!Band || !FPage) return false;
    const TVyrDSGuide* Guide = FPage->GuideOfDataSource(Source);
    return Guide && Guide->UpdateLevel() == Band->UpdateLevel();
}

bool TVyrBandTree::IsAncestor(const TVyrBand* Ancestor, const TVyrBand* Band) const {
    if (!Ancestor || !Band) return false;
    const TVyrBand* Up = Band->Band();
    for (int Step = 0; Up && Step < FStepLimit; ++Step, Up = Up->Band())
        if (Up == Ancestor) return true;
    return false;
}

// TVyrOutlineCanvas

TVyrOutlineCanvas::~TVyrOutlineCanvas() = default;

template <class C> TColor TVyrOutlineOn<C>::FontColor() const {
    return FCanvas.Font().Color();
}

template <class C> void TVyrOutlineOn<C>::SetFontColor(TColor Value) {
    FCanvas.Font().SetColor(Value);
}

template <class C> TColor TVyrOutlineOn<C>::BrushColor() const {
    return FCanvas.Brush().Color();
}

template <class C> void TVyrOutlineOn<C>::SetBrushColor(TColor Value) {
    FCanvas.Brush().SetColor(Value);
}

template <class C> void TVyrOutlineOn<C>::SetPen(TColor Color, int Width) {
    FCanvas.Pen().SetWidth(Width);
    FCanvas.Pen().SetColor(Color);
}

template <class C> void TVyrOutlineOn<C>::FillRect(const TRect& R) {
    FCanvas.FillRect(R);
}

template <class C> void TVyrOutlineOn<C>::MoveTo(int X, int Y) {
    FCanvas.MoveTo(X, Y);
}

template <class C> void TVyrOutlineOn<C>::LineTo(int X, int Y) {
    FCanvas.LineTo(X, Y);
}

template <class C> void TVyrOutlineOn<C>::TextRect(const TRect& Clip, int X, int Y, const QString& Text) {
    FCanvas.TextRect(Clip, X, Y, Text);
}

template class TVyrOutlineOn<TCanvas>;
template class TVyrOutlineOn<TPimCanvas>;

void TVyrPimCanvasOutline::SetPen(TColor Color, int Width) {
    TPen Pen;
    Pen.SetWidth(Width);
    Pen.SetColor(Color);
    FCanvas.SetPen(Pen);
}

void TVyrPimCanvasOutline::FillRect(const TRect& R) {
    if (FCanvas.Brush().Style() != bsClear) FCanvas.FillRect(R);
}

// TVyrBandPainter

TVyrBandPainter::TVyrBandPainter(const TVyrBandTree& Tree, TVyrOutlineCanvas& Canvas,
                                 TVyrOutlineOptions Options)
    : FTree(Tree), FCanvas(Canvas), FOptions(Options) {}

TColor TVyrBandPainter::KindColor(const TVyrBand* Band) const {
    if (FTree.GroupOfBand(Band)) return clGreen;
    if (IsPlainBand(Band)) return clBlue;
    if (dynamic_cast<const TVyrSubDataBand*>(Band)) return clMaroon;
    if (dynamic_cast<const TVyrDataHeadBand*>(Band)) return clGreen;
    return clBlack;
}

QString TVyrBandPainter::DataSourceText(const TVyrBand* Band, bool& Mismatch) const {
    Mismatch = false;
    TDataSource* Source = nullptr;
    QString Missing;
    if (auto* Sub = dynamic_cast<const TVyrSubDataBand*>(Band)) {
        Source = Sub->DataSource();
        Missing = QStringLiteral("Fill in DataSource.");
    } else if (FTree.Page() && Band == FTree.Page()->Detail()) {
        Source = FTree.Page()->DataSource();
        Missing = QStringLiteral("Fill in DataSource");
    } else {
        return QString();
    }
    if (!Source) return Missing;
    Mismatch = !FTree.IsSameLevel(Source, Band);
    return Mismatch ? Source->Name() + QStringLiteral(" (UpdateLevels do not match)") : Source->Name();
}

TVyrBandRowPaint TVyrBandPainter::PaintBandRow(TVyrBand* Band, const TRect& R, bool Selected) {
    TVyrBandRowPaint Result;
    const TColor Kind = KindColor(Band);
    // A selected row already has the highlight text colour; it takes the kind as its background.
    auto SetKindColor = [&](TColor Color) {
        if (Selected)
            FCanvas.SetBrushColor(Color);
        else
            FCanvas.SetFontColor(Color);
    };
    SetKindColor(Kind);
    const int Depth = FTree.BandDepth(Band);
    TRect T = R;
    T.Left += Depth * 10;

    FCanvas.FillRect(R);
    FCanvas.SetPen(clBlack, 1);
    DrawBandLines(Band, R, T, Depth);
    FCanvas.TextRect(T, T.Left + 2, T.Top + 1, Band->BandName());
    if (!FOptions.DataSourceColumn) return Result;

    TRect C = R;
    C.Left = R.Right - int(Round(double(R.Right - R.Left) * 0.4));
    bool Mismatch = false;
    const QString Source = DataSourceText(Band, Mismatch);
    if (!Source.isEmpty()) {
        if (Mismatch) SetKindColor(clRed);
        FCanvas.TextRect(C, C.Left, T.Top + 1, Source);
        SetKindColor(Kind);
        Result.ColumnLeft = C.Left;
        Result.LevelMismatch = Mismatch;
    }
    if (auto* Overlay = dynamic_cast<const TVyrOverlayBand*>(Band)) {
        const QString When = Overlay->First() ? QStringLiteral("PrintFirst at Offset: ")
                                              : QStringLiteral("PrintLast at Offset: ");
        FCanvas.TextRect(C, C.Left, T.Top + 1, When + QString::number(Overlay->TopOffset()));
    }
    return Result;
}

void TVyrBandPainter::Line(int X1, int Y1, int X2, int Y2) {
    FCanvas.MoveTo(X1, Y1);
    FCanvas.LineTo(X2, Y2);
}

void TVyrBandPainter::DrawBandLines(const TVyrBand* Band, const TRect& R, const TRect& T, int Depth) {
    const TVyrBand* Detail = FTree.Page() ? FTree.Page()->Detail() : nullptr;
    const TVyrGroup* Group = FTree.GroupOfBand(Band);
    if (!Band->Band() && Band != Detail && !Group) return;

    bool First = FTree.IsFirstOfFamily(Band) || Band == Detail;
    bool Last = FTree.IsLastOfFamily(Band) || Band == Detail;
    if (Group) {
        if (Band == Group->Footer())
            Last = true;
        else
            First = true;
    }

    // The connector: a stub into the text, and the family's line up and down from its middle.
    const int X = T.Left - 5;
    const int Half = FOptions.ItemHeight > 0 ? FOptions.ItemHeight / 2 : (T.Bottom - T.Top) / 2;
    const int Mid = T.Bottom - Half;
    Line(X, Mid, T.Left - 1, Mid);
    if (auto* Sub = dynamic_cast<const TVyrSubBand*>(Band); Sub && Sub->Above()) Last = false;
    if (!(First && Last)) {
        if (First || !Last) Line(X, Mid, X, T.Bottom + 1);
        if (Last || !First) Line(X, Mid, X, T.Top - 1);
    }

    // The guide lines of the ancestors that go on past this row.
    const TVyrBand* Q = Band->Band();
    if (!Q) {
        if (Band != Detail && !Group) return;
        Q = Band;
    }
    const int RowOfB = FTree.RowOf(Band);
    for (int I = Depth; I >= FOptions.GuideStop && Q; --I) {
        if (GuideShows(Q, RowOfB, I) && (Q != Detail || Band == Detail)) {
            const int GuideX = R.Left + I * 10 - 15;
            Line(GuideX, T.Top - 1, GuideX, T.Bottom + 1);
        }
        Q = NextGuide(Q);
    }
}

bool TVyrBandPainter::GuideShows(const TVyrBand* Q, int RowOfB, int I) const {
    const int E = FTree.RowOf(Q);
    const TVyrGroup* Group = FTree.GroupOfBand(Q);
    bool Shows;
    if (RowOfB < E) {
        // The row lies above the ancestor's: its line comes down from the ancestor's band.
        Shows = Q->Band() ? FTree.RowOf(Q->Band()) < E : !FTree.IsLastOfFamily(Q);
        if (Shows && Group && Q != Group->Footer() && I == FTree.BandDepth(Q) + 1) Shows = false;
    } else {
        const bool Last = FTree.IsLastOfFamily(Q);
        Shows = !Last;
        if (Last && Q->Band()) Shows = E < FTree.RowOf(Q->Band());
        if (Shows && Group && Q != Group->Header() && I == FTree.BandDepth(Q) + 1) Shows = false;
    }
    return Shows;
}

const TVyrBand* TVyrBandPainter::NextGuide(const TVyrBand* Q) const {
    if (Q->Band()) return Q->Band();
    TVyrPage* Page = FTree.Page();
    if (!Page) return nullptr;
    if (Q == Page->Detail() && Page->Groups()) {
        // The detail band's line leads on through the innermost group's footer.
        const auto& Groups = *Page->Groups();
        return Groups.empty() ? Q : Groups.back()->Footer();
    }
    const TVyrGroup* Group = FTree.GroupOfBand(Q);
    if (!Group || Group->Level() <= 0 || !Page->Groups()) return nullptr;
    const auto& Groups = *Page->Groups();
    const size_t Outer = size_t(Group->Level() - 1);
    if (Outer >= Groups.size()) return nullptr;
    return Q == Group->Header() ? Groups[Outer]->Header() : Groups[Outer]->Footer();
}

TVyrGroupColumns TVyrBandPainter::PaintGroupRow(const TVyrGroup* Group, const QString& Event, const TRect& R,
                                                int ListWidth) {
    QString Variable = Group->Variable() ? Group->Variable()->Name() : QString();
    QString Handler = Event;
    if (Variable.isEmpty() && Handler.isEmpty()) {
        Handler = QStringLiteral("Fill in OnCheckBroken event.");
        Variable = QStringLiteral("Fill in Variable");
    }
    if (Handler.isEmpty()) Handler = QStringLiteral("Not assigned.");
    if (Variable.isEmpty()) Variable = QStringLiteral("Not assigned.");

    TRect Row = R;
    Row.Left += 4;
    TRect C1 = Row;
    C1.Right = Row.Left + int(Round(ListWidth * 0.3));
    TRect C2 = Row;
    C2.Left = C1.Right + 1;
    C2.Right = C2.Left + int(Round((Row.Right - C2.Left) * 0.4));
    TRect C3 = Row;
    C3.Left = C2.Right + 1;

    FCanvas.FillRect(Row);
    FCanvas.TextRect(C1, C1.Left + 2, R.Top + 1, Group->Name());
    FCanvas.TextRect(C2, C2.Left + 2, R.Top + 1, Variable);
    FCanvas.TextRect(C3, C3.Left + 2, R.Top + 1, Handler);
    return TVyrGroupColumns{C1.Left, C2.Left, C3.Left};
}
