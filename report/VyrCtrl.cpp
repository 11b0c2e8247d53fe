// The band: its properties, registration with its page, design-time hooks, printing and its rich-text
// row; the borders every label, band and page draws; the stored-form declarations of the unit.
#include "report/VyrCtrl.h"
#include "host/dialogs.h"
#include "host/devicecontext.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "output/PimOut.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl_internal.h"
#include "report/VyrRep.h"
#include "report/VyrRtf.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <algorithm>
#include <cstdint>

using namespace VyrCtrlInternal;

// TVyrBand

enum THeadCheck { hcVisible, hcNewPage, hcNewPageRepeat, hcStretch };

TVyrBand::TVyrBand(TComponent* AOwner)
    : TCustomPanel(AOwner), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()),
      FReserveSpace(std::make_unique<TVyrReserveSpace>(this)) {
    SetCaption(QStringLiteral(" "));
    SetParentColor(true);
}

TVyrBand::~TVyrBand() = default;

void TVyrBand::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    UpdateHeadCheck(hcVisible, Value);
}

void TVyrBand::SetStretch(bool Value) {
    if (Value == FStretch) return;
    FStretch = Value;
    UpdateHeadCheck(hcStretch, Value);
}

void TVyrBand::SetNewPage(bool Value) {
    if (Value == FNewPage) return;
    FNewPage = Value;
    UpdateHeadCheck(hcNewPage, Value);
}

void TVyrBand::SetNewPageRepeat(bool Value) {
    if (Value == FNewPageRepeat) return;
    FNewPageRepeat = Value;
    UpdateHeadCheck(hcNewPageRepeat, Value);
}

void TVyrBand::SetUpdateLevel(TVyrLevel* Value) {
    FUpdateLevel = Value;
    if (Value) Value->FreeNotification(this);
}

void TVyrBand::SetBand(TVyrBand* Value) {
    FBand = Value;
    if (Value) Value->FreeNotification(this);
}

void TVyrBand::UpdateHeadCheck(int Which, bool Value) {
    if (!HasState(csDesigning) || HasState(csLoading | csReading) || !FPage) return;
    TVyrBandHead* Strip = FPage->HeadOf(this);
    if (!Strip) return;
    TCheckBox* Boxes[] = {Strip->VisibleCheck(), Strip->NewPageCheck(), Strip->NewPageRepeatCheck(),
                          Strip->StretchCheck()};
    TCheckBox* Box = Boxes[Which];
    if (Box && Box->Checked() != Value) Box->SetChecked(Value);
}

void TVyrBand::SetBandName(const QString& Value) {
    if (Value == FBandName) return;
    FBandName = Value;
    if (!FPage) return;
    FPage->UpdatePageManager();
    if (!HasState(csDesigning)) return;
    if (TVyrBandHead* Strip = FPage->HeadOf(this)) Strip->NameLabel()->SetCaption(Value);
}

void TVyrBand::SetBorderType(TVyrBorderType Value) {
    if (Value == FBorderType) return;
    FBorderType = Value;
    Invalidate();
}

void TVyrBand::SetOrder(int Value) {
    if (Value == FOrder) return;
    FOrder = Value;
    Reorder();
}

void TVyrBand::Reorder() {
    if (!HasState(csDesigning) || HasState(csReading) || !FPage) return;
    FPage->OrderBands();
    FPage->ArrangeBands();
}

void TVyrBand::SetShade(TPimShadePercent Value) {
    if (Value == FShade) return;
    FShade = Value;
    Invalidate();
}

TVyrBand* TVyrBand::GetMainBand() {
    return this;
}

TVyrReport* TVyrBand::GetReport() const {
    return FPage ? FPage->Report() : nullptr;
}

int TVyrBand::getppi() const {
    return FPage ? FPage->getppi() : Screen()->PixelsPerInch();
}

bool TVyrBand::GetAllowDelete() const {
    return !HasState(csDesigning) || FAllowDelete || VyrFormGoing(this) || !Parent() || PimIsAncestor(this);
}

void TVyrBand::SafeDelete() {
    VyrSafeDelete(this);
}

void TVyrBand::CheckDelete() {
    TCustomPanel::CheckDelete();
    if (!GetAllowDelete()) throw Exception(LoadStr(SNoDeleteBand));
}

bool TVyrBand::BandDragOver(TComponent* Source, int X, int Y) {
    TVyrRptDsgn* Design = DesignOf(this, GetReport());
    const bool Accept = Design && Design->VyrDropOK(Source);
    if (Accept) Design->RulerXY(X, Top() + Y);
    return Accept;
}

void TVyrBand::BandDragDrop(TComponent* Source, int X, int Y) {
    if (TVyrRptDsgn* Design = DesignOf(this, GetReport())) Design->VyrDroplabels(Source, this, X, Y);
}

void TVyrBand::MouseMovement(int X, int Y) {
    if (TVyrRptDsgn* Design = DesignOf(this, GetReport())) Design->RulerXY(X, Top() + Y);
}

namespace {

// Whether Line declares the object Name: "object Name: Class", names compared exactly.
bool DeclaresObject(const QString& Line, const QString& Name) {
    const QString Text = Line.trimmed();
    if (!Text.startsWith(QStringLiteral("object "))) return false;
    const qsizetype Colon = Text.indexOf(u':');
    return Colon > 0 && Text.mid(7, Colon - 7).trimmed() == Name;
}

} // namespace

void TVyrBand::ModifyLabel(TVyrLabel* Label) {
    if (!Label || Label->Name().isEmpty()) return;
    TStringList Lines;
    ReadClipboardText(Lines);
    bool Changed = false;
    QStringList Text;
    for (int i = 0; i < Lines.Count(); ++i) {
        QString Line = Lines[i];
        if (Line.contains(QStringLiteral(": TVyrTextLabel")) && DeclaresObject(Line, Label->Name())) {
            Line = QStringLiteral("object ") + Label->Name() + QStringLiteral(": TVyrvarlabel");
            Changed = true;
        }
        Text << Line;
    }
    if (Changed) WriteClipboardText(Text.join(u'\n') + u'\n');
}

void TVyrBand::Paint() {
    TCustomPanel::Paint();
    DeviceContext* DC = Canvas()->Handle();
    if (!DC) return;
    if (FShade != spNone) {
        TCanvas* C = Canvas();
        C->Brush().SetColor(clWhite);
        C->Brush().SetStyle(bsSolid);
        PimShadeRect(DC, TRect{0, 0, Width(), Height()}, FShade);
    }
    if (FPage) {
        // The right edge of the printable area, at the band's resolution.
        const int x = Round(getppi() * (double(FPage->getpagewidth()) / FPage->getppi()));
        TCanvas* C = Canvas();
        C->Pen().SetColor(clBlack);
        C->Pen().SetWidth(1);
        C->Pen().SetStyle(psDot);
        C->MoveTo(x, 0);
        C->LineTo(x, ClientHeight());
        C->Pen().SetStyle(psSolid);
    }
    TPimCanvas Border;
    Border.SetPixelsPerInchX(DC->GetDeviceCaps(LOGPIXELSX));
    Border.SetPixelsPerInchY(DC->GetDeviceCaps(LOGPIXELSY));
    Border.SetHandle(DC);
    try {
        VyrDrawBorder(&Border, TRect{0, 0, Width(), Height()}, FBorderType, true);
    } catch (...) {
        Border.SetHandle(nullptr);
        throw;
    }
    Border.SetHandle(nullptr);
}

void TVyrBand::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VYR_LABEL:
        ModifyLabel(dynamic_cast<TVyrLabel*>(reinterpret_cast<TComponent*>(Message.LParam)));
        return;
    case CM_DESIGNHITTEST:
        TCustomPanel::WndProc(Message);
        if (HasState(csDesigning)) MouseMovement(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        return;
    case CM_DRAG: {
        if (!HasState(csDesigning)) break;
        auto* Rec = reinterpret_cast<TDragRec*>(Message.LParam);
        if (!Rec) return;
        TComponent* Source = Rec->Source ? Rec->Source->Source() : nullptr;
        const QPoint At = ParentToClient(Rec->Pos);
        if (Message.WParam == dmDragDrop)
            BandDragDrop(Source, At.x(), At.y());
        else if (Message.WParam != dmDragCancel)
            Message.Result = BandDragOver(Source, At.x(), At.y()) ? 1 : 0;
        return;
    }
    default:
        break;
    }
    TCustomPanel::WndProc(Message);
}

void TVyrBand::InsertLabel(TVyrLabel* Label) {
    AppendToList(FLabels, Label);
    if (FPage) FPage->InsertLabel(Label);
}

void TVyrBand::RemoveLabel(TVyrLabel* Label) {
    RemoveFromList(FLabels, Label);
    if (FPage) FPage->RemoveLabel(Label);
}

bool TVyrBand::AcceptsPage(const TWinControl* AParent) const {
    return dynamic_cast<const TVyrPage*>(AParent) != nullptr;
}

void TVyrBand::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    if (AParent && !AcceptsPage(AParent)) Abort();
    auto* NewPage = static_cast<TVyrPage*>(AParent);
    // A band moved straight to another page leaves the old page's registries first and takes its
    // labels' entries along, so nothing is listed, or printed, twice.
    if (TVyrPage* Old = FPage) {
        RemoveKind(Old);
        Old->RemoveBand(this);
        if (FLabels)
            for (TVyrLabel* L : *FLabels)
                Old->RemoveLabel(L);
    }
    FPage = NewPage;
    if (NewPage) {
        InsertKind(NewPage);
        NewPage->InsertBand(this);
        if (FLabels)
            for (TVyrLabel* L : *FLabels)
                NewPage->InsertLabel(L);
    }
    TCustomPanel::SetParent(AParent);
}

void TVyrBand::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool Changed = ALeft != Left() || ATop != Top() || AWidth != Width() || AHeight != Height();
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FPage && !(FPage->PageState() & psArrangeBands)) FPage->ArrangeBands();
    // The rulers beside the bands follow a designed band that moved or changed its size.
    if (Changed && HasState(csDesigning) && !HasState(csLoading | csReading) && Parent())
        if (TVyrReport* Report = GetReport()) Report->PositionButtons();
}

void TVyrBand::SetName(const QString& NewName) {
    TCustomPanel::SetName(NewName);
    if (FPage) FPage->UpdatePageManager();
}

void TVyrBand::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    if (auto* L = dynamic_cast<TVyrLabel*>(AComponent); L && ListHas(FLabels, L)) RemoveLabel(L);
    if (AComponent == FReserveSpace->Band()) FReserveSpace->SetBand(nullptr);
    if (AComponent == FUpdateLevel) FUpdateLevel = nullptr;
    if (AComponent == FBand) FBand = nullptr;
}

void TVyrBand::BeforeDestruction() {
    if (FPage) {
        RemoveKind(FPage);
        FPage->ForgetBand(this);
    }
    TCustomPanel::BeforeDestruction();
}

void TVyrBand::Loaded() {
    TCustomPanel::Loaded();
    // A font of its own keeps its height in pixels at the band's resolution.
    if (HasState(csDesigning) || ParentFont() || getppi() == Font()->PixelsPerInch()) return;
    Font()->SetPixelsPerInch(getppi());
    FontChanged();
}

void TVyrBand::Resize() {
    TCustomPanel::Resize();
    // SetBounds has the page arrange its bands; the labels that follow the band's height are told.
    if (!FLabels) return;
    for (TVyrLabel* L : std::vector<TVyrLabel*>(*FLabels))
        L->BandResized(Height());
}

// Printing

TVyrBand::TLabelCopy TVyrBand::OwnLabels() const {
    TLabelCopy Own;
    if (FLabels)
        for (TVyrLabel* L : *FLabels)
            if (L->Parent() == this) Own.push_back(L);
    return Own;
}

bool TVyrBand::GetPrintOk() {
    if (!FVisible || (FContinued && !FNewPageRepeat)) return false;
    if (!OnPrintWhen) return true;
    bool Result = false;
    try {
        OnPrintWhen(this, Result);
    } catch (...) {
        // A failing condition keeps the band off the page.
        return false;
    }
    return Result;
}

int TVyrBand::GetPrintHeight() {
    return GetPrintOk() ? Height() : 0;
}

void TVyrBand::BeforePrint() {
    GuardedEvent(this, OnBeforePrint, this);
}

void TVyrBand::AfterPrint() {
    GuardedEvent(this, OnAfterPrint, this);
}

void TVyrBand::DrawBackground(TVyrPage* Page, int h, bool Piece) {
    TPimCanvas* C = Page->GetCanvas();
    // Only drawing: a pass that draws nowhere leaves it out.
    if (!C || Page->DrawsNowhere()) return;
    const int PPI = Page->getppi();
    const int LM = static_cast<int>(Round(PPI * Page->PageSetup()->LeftMargin()));
    const int W = Page->getpagewidth();
    const int FillWidth = W + LM - Page->XPos() - 1;
    // A fixed band frames the width it fills; a piece of a stretching band frames the printable width.
    const TRect Frame = Bounds(Page->XPos(), Page->YPos(), Piece ? W - 1 : FillWidth, h);
    const TRect ShadeArea = Piece ? Bounds(Page->XPos() + 1, Page->YPos() + 1, W - 2, h - 2)
                                  : TRect{Frame.Left + 1, Frame.Top + 1, Frame.Right - 1, Frame.Bottom - 1};
    FPen->SetWidth(1);
    FPen->SetColor(clBlack);
    C->SetPen(*FPen);
    FBrush->SetColor(Color());
    FBrush->SetStyle(bsSolid);
    C->SetBrush(*FBrush);
    // The colour goes under the shade, as on the designed form; white leaves the paper as it is.
    if (Color() != clWhite) Page->FillRect(Bounds(0, 1, FillWidth, h));
    if (FShade != spNone) {
        C->SetFont(*Font());
        C->Brush().SetColor(clWhite);
        C->Brush().SetStyle(bsSolid);
        C->ShadeRect(ShadeArea, FShade);
        C->Brush().SetStyle(bsClear);
    }
    VyrDrawBorder(C, Frame, FBorderType, false);
}

void TVyrBand::Print(TVyrPage* Page) {
    if (!GetPrintOk()) return;
    BeforePrint();
    FBandState |= bsPrinting;
    if (Page->GetPrintOk()) {
        DrawBackground(Page, Height(), false);
        for (TVyrLabel* L : OwnLabels())
            L->Print(Page, Height());
    }
    FBandState &= ~bsPrinting;
    AfterPrint();
}

void TVyrBand::StartPrint() {
    if (!GetPrintOk()) {
        FEndPrint = true;
        return;
    }
    BeforePrint();
    FBandState |= bsPrinting;
    for (TVyrLabel* L : OwnLabels())
        L->StartPrint();
    FEndPrint = false;
    FFirstPass = true;
}

int TVyrBand::SpendHeight(TVyrPage* Page, int Space) {
    if (!GetPrintOk()) return 0;
    if (!FStretch) return Height() <= Space ? Height() : 0;
    if (Height() > Space && Space != -1 && Page->LastPagePos() != Page->YPos()) return 0;
    int h = 0;
    for (TVyrLabel* L : OwnLabels())
        if (!L->EndPrint()) h = std::max(h, L->SpendHeight(Page, Space));
    return h;
}

int TVyrBand::PrintHeight(TVyrPage* Page, int Space) {
    if (!GetPrintOk()) {
        FEndPrint = true;
        return 0;
    }
    // Less room than the band's height below the body top: the piece takes the rest of the page, so
    // the caller breaks it. Nothing was printed, so the next piece is still the first. An overlay has
    // no next page to go to: it prints what fits.
    const bool Overlay = Kind() == bkOverlay;
    if (!Overlay && Page->LastPagePos() != Page->YPos() && Space < Height()) return Space;
    const TLabelCopy Own = OwnLabels();
    int h = 0;
    for (TVyrLabel* L : Own)
        if (!L->EndPrint()) h = std::max(h, L->SpendHeight(Page, Space));
    if (h > 0 && Page->GetPrintOk()) {
        if (FFirstPass) h = std::max(h, Height());
        if (Overlay) h = std::min(h, Space);
        DrawBackground(Page, h, true);
    }
    PushDest();
    for (TVyrLabel* L : Own)
        h = std::max(h, L->PrintHeight(Page, Space, h));
    PopDest();
    FEndPrint = std::all_of(Own.begin(), Own.end(), [](TVyrLabel* L) { return L->EndPrint(); });
    if (FFirstPass) h = std::max(h, Height());
    FFirstPass = false;
    if (FEndPrint) AfterPrint();
    return h;
}

void TVyrBand::FinishedPrint() {
    FBandState &= ~bsPrinting;
}

void TVyrBand::PushDest() {
    TPimOutput* Out = FPage ? FPage->PrintTo() : nullptr;
    if (!Out) return;
    FSaveOutputDest = Out->Destination();
    if (!FPage->GetPrintOk()) Out->SetDestination(adNoWhere);
}

void TVyrBand::PopDest() {
    if (TPimOutput* Out = FPage ? FPage->PrintTo() : nullptr) Out->SetDestination(FSaveOutputDest);
}

void TVyrBand::PrintRtf(TVyrPage* Page, TVyrRtfFile* Rtf) {
    if (GetPrintOk()) {
        TLabelCopy Sorted = OwnLabels();
        for (TVyrLabel* L : Sorted)
            L->StartPrint();
        // Left to right by anchor; labels with equal anchors keep their list order.
        std::stable_sort(Sorted.begin(), Sorted.end(), [](TVyrLabel* A, TVyrLabel* B) {
            return A->GetTabPosition() < B->GetTabPosition();
        });
        BeforePrint();
        FBandState |= bsPrinting;
        Rtf->SetBorderType(FBorderType == btUnderLine ? rbtBottom : rbtBox);
        if (FBorderType != btNone) Rtf->StartBorder();
        // A label that stopped printing counts as ended, and no row is written past the last row a
        // label names, or the rows would never end.
        auto Ended = [](TVyrLabel* L) { return L->EndPrint() || !L->PrintOk(); };
        int LastRow = 0;
        for (TVyrLabel* L : Sorted)
            LastRow = std::max(LastRow, L->LastRtfRow());
        int Row = 0;
        do {
            // The page break goes before the band's first row only.
            Rtf->SetPageBreak(Row == 0 && FNewPage && !Page->FirstNewPage());
            Rtf->ParagraphDefault();
            for (TVyrLabel* L : Sorted)
                L->PrintTab(Page, Rtf, Row);
            for (TVyrLabel* L : Sorted)
                L->PrintRtf(Page, Rtf, Row);
            if (Height() > 0) Rtf->NewParagraph();
            ++Row;
        } while (Row <= LastRow && !std::all_of(Sorted.begin(), Sorted.end(), Ended));
        Rtf->SetPageBreak(false);
        if (FBorderType != btNone) Rtf->EndBorder();
        FBandState &= ~bsPrinting;
        AfterPrint();
    }
    FEndPrint = true;
}

// Borders of labels, bands and pages: filled strips, so that a border is as wide on every device.

void VyrDrawBorder(TPimCanvas* PimCanvas, const TRect& Rect, TVyrBorderType BorderType, bool Painting) {
    if (!PimCanvas) return;
    const int x0 = Rect.Left, y0 = Rect.Top, x1 = Rect.Right, y1 = Rect.Bottom;
    auto Strip = [PimCanvas](int x, int y, int w, int h) { PimCanvas->FillRect(Bounds(x, y, w, h)); };
    auto SmallBox = [&] {
        const int w = x1 - x0, h = y1 - y0;
        PimCanvas->Pen().SetStyle(psSolid);
        PimCanvas->Brush().SetColor(TColor(0xC0C0C0));
        PimCanvas->Brush().SetStyle(bsSolid);
        Strip(x0, y0, w, 1);
        Strip(x0 + w - 1, y0, 1, h);
        Strip(x0, y0 + h, w, 1);
        Strip(x0, y0, 1, h);
    };
    if (Painting && BorderType != btSingle) {
        PimCanvas->Pen().SetWidth(1);
        PimCanvas->Pen().SetMode(pmBlack);
        PimCanvas->Pen().SetStyle(BorderType == btSmall ? psSolid : psDot);
        if (BorderType == btSmall) {
            SmallBox();
        } else {
            PimCanvas->Brush().SetStyle(bsClear);
            PimCanvas->MoveTo(x0, y0);
            PimCanvas->LineTo(x1, y0);
            PimCanvas->LineTo(x1, y1);
            PimCanvas->LineTo(x0, y1);
            PimCanvas->LineTo(x0, y0);
        }
    }
    switch (BorderType) {
    case btSingle:
    case btUnderLine:
        PimCanvas->Brush().SetColor(clBlack);
        PimCanvas->Brush().SetStyle(bsSolid);
        if (BorderType == btSingle) {
            Strip(x0, y0, x1 - x0 + 1, 1);
            Strip(x1, y0, 1, y1 - y0);
            Strip(x0, y0, 1, y1 - y0);
        }
        Strip(x0, y1, x1 - x0 + 1, 1);
        PimCanvas->Brush().SetStyle(bsClear);
        break;
    case btSmall:
        if (!Painting) SmallBox();
        break;
    case btNone:
        break;
    }
}

// Published properties and classes of stored forms

const TEnumInfo& VyrBorderTypeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrBorderType"),
                                 {QStringLiteral("btNone"), QStringLiteral("btSingle"),
                                  QStringLiteral("btUnderLine"), QStringLiteral("btSmall")});
    return Names;
}

const TEnumInfo& VyrDataRangeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrDataRange"),
                                 {QStringLiteral("drAllRecords"), QStringLiteral("drSingleRecord")});
    return Names;
}

namespace {

const TEnumInfo& ShadeNames() {
    static const TEnumInfo Names(QStringLiteral("TPimShadePercent"),
                                 {QStringLiteral("spNone"), QStringLiteral("spVeryDark"),
                                  QStringLiteral("spDark"), QStringLiteral("spMedDark"),
                                  QStringLiteral("spMedium"), QStringLiteral("spMedLight"),
                                  QStringLiteral("spLight")});
    return Names;
}

const TEnumInfo& ClipTypeNames() {
    static const TEnumInfo Names(
        QStringLiteral("TVyrClipTypes"),
        {QStringLiteral("ctDefault"), QStringLiteral("ctClip"), QStringLiteral("ctNoClip")});
    return Names;
}

const TEnumInfo& VerticalAlignNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrVerticalAlign"),
                                 {QStringLiteral("laTop"), QStringLiteral("laMiddle"),
                                  QStringLiteral("laBottom"), QStringLiteral("laCenterVert")});
    return Names;
}

const TEnumInfo& HorizontalAlignNames() {
    static const TEnumInfo Names(
        QStringLiteral("TVyrHorizontalAlign"),
        {QStringLiteral("laLeft"), QStringLiteral("laCenter"), QStringLiteral("laRight")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrReserveSpace>()
        // Declared as any panel, so that editors for panel references are the ones it gets.
        .Reference(
            "Band", [](const TVyrReserveSpace& R) -> TCustomPanel* { return R.Band(); },
            [](TVyrReserveSpace& R, TCustomPanel* Panel) {
                auto* Band = dynamic_cast<TVyrBand*>(Panel);
                if (Panel && !Band) throw EPropertyError(QStringLiteral("Invalid property value"));
                R.SetBand(Band);
            })
        .Integer("BandCount", &TVyrReserveSpace::BandCount, &TVyrReserveSpace::SetBandCount)
        .Default(1)
        .Integer("Space", &TVyrReserveSpace::Space, &TVyrReserveSpace::SetSpace)
        .Default(0);
    DeclareProperties<TVyrBand, TControl>()
        .Boolean("Visible", &TVyrBand::Visible, &TVyrBand::SetVisible)
        .Default(true)
        .Boolean("Stretch", &TVyrBand::Stretch, &TVyrBand::SetStretch)
        .Default(false)
        .String("BandName", &TVyrBand::BandName, &TVyrBand::SetBandName)
        .Default(QString())
        .Reference("Updatelevel", &TVyrBand::UpdateLevel, &TVyrBand::SetUpdateLevel)
        .Event("OnPrintWhen", &TVyrBand::OnPrintWhen)
        .Boolean("NewPage", &TVyrBand::NewPage, &TVyrBand::SetNewPage)
        .Default(false)
        .Boolean("NewPageRepeat", &TVyrBand::NewPageRepeat, &TVyrBand::SetNewPageRepeat)
        .Default(false)
        .Enumeration("BorderType", VyrBorderTypeNames(), &TVyrBand::BorderType, &TVyrBand::SetBorderType)
        .Default(btNone)
        .Object("ReserveSpace", &TVyrBand::ReserveSpace)
        .Event("OnBeforePrint", &TVyrBand::OnBeforePrint)
        .Event("OnAfterPrint", &TVyrBand::OnAfterPrint)
        .Boolean("KeepTogether", &TVyrBand::KeepTogether, &TVyrBand::SetKeepTogether)
        .Default(false)
        .Enumeration("Shade", ShadeNames(), &TVyrBand::Shade, &TVyrBand::SetShade)
        .Default(spNone)
        .Publish("Color")
        .Default(clBtnFace)
        .Publish("Font")
        .Publish("ParentColor")
        .Default(true)
        .Publish("ParentFont");
    DeclareProperties<TVyrSubBand, TVyrBand>()
        .Boolean("Above", &TVyrSubBand::Above, &TVyrSubBand::SetAbove)
        .Default(false)
        .Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand)
        .Integer("Order", &TVyrBand::Order, &TVyrBand::SetOrder)
        .Default(0);
    DeclareProperties<TVyrOverlayBand, TVyrBand>()
        .Boolean("First", &TVyrOverlayBand::First, &TVyrOverlayBand::SetFirst)
        .Default(true)
        .Integer("TopOffset", &TVyrOverlayBand::TopOffset, &TVyrOverlayBand::SetTopOffset)
        .Default(0)
        .Integer("LeftOffset", &TVyrOverlayBand::LeftOffset, &TVyrOverlayBand::SetLeftOffset)
        .Default(0)
        .Boolean("UseMargins", &TVyrOverlayBand::UseMargins, &TVyrOverlayBand::SetUseMargins)
        .Default(true)
        .Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand)
        .Integer("Order", &TVyrBand::Order, &TVyrBand::SetOrder)
        .Default(0);
    DeclareProperties<TVyrSubDataBand, TVyrBand>()
        .Reference("DataSource", &TVyrSubDataBand::DataSource, &TVyrSubDataBand::SetDataSource)
        .Enumeration("DataRange", VyrDataRangeNames(), &TVyrSubDataBand::DataRange,
                     &TVyrSubDataBand::SetDataRange)
        .Default(drAllRecords)
        .Boolean("CloseDataSet", &TVyrSubDataBand::CloseDataSet, &TVyrSubDataBand::SetCloseDataSet)
        .Default(false)
        .Event("OnDataStart", &TVyrSubDataBand::OnDataStart)
        .Event("OnDataSkip", &TVyrSubDataBand::OnDataSkip)
        .Event("OnDataFinish", &TVyrSubDataBand::OnDataFinish)
        .Event("OnAfterDataSkip", &TVyrSubDataBand::OnAfterDataSkip)
        .Event("OnDataFilter", &TVyrSubDataBand::OnDataFilter)
        // Older forms named a data set; it follows the data source now and is only cleared.
        .Reference(
            "DataSet", [](const TVyrSubDataBand& B) { return B.DataSet(); }, [](TVyrSubDataBand&, TDataSet*) {})
        .NotPublished()
        .Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand)
        .Integer("Order", &TVyrBand::Order, &TVyrBand::SetOrder)
        .Default(0);
    DeclareProperties<TVyrDataHeadBand, TVyrBand>().Reference("Band", &TVyrBand::Band, &TVyrBand::SetBand);
    DeclareProperties<TVyrDataFootBand, TVyrDataHeadBand>();
    DeclareProperties<TVyrGroup, TControl>()
        .Reference("Variable", &TVyrGroup::Variable, &TVyrGroup::SetVariable)
        .Reference("Header", &TVyrGroup::Header, &TVyrGroup::SetHeader)
        .Reference("Footer", &TVyrGroup::Footer, &TVyrGroup::SetFooter)
        .Event("OnCheckBroken", &TVyrGroup::OnCheckBroken);
    DeclareProperties<TVyrLabel, TControl>()
        .Event("LabelPrintWhen", &TVyrLabel::LabelPrintWhen)
        .Event("OnBeforePrint", &TVyrLabel::OnBeforePrint)
        .Event("OnAfterPrint", &TVyrLabel::OnAfterPrint)
        .Integer("Row", &TVyrLabel::Row, &TVyrLabel::SetRow)
        .Default(0)
        .Boolean("RtfPrint", &TVyrLabel::RtfPrint, &TVyrLabel::SetRtfPrint)
        .Default(true)
        // What the kinds choose to publish.
        .Boolean("Transparent", &TVyrLabel::Transparent, &TVyrLabel::SetTransparent)
        .Default(true)
        .NotPublished()
        .Boolean("AutoSize", &TVyrLabel::AutoSize, &TVyrLabel::SetAutoSize)
        .Default(false)
        .NotPublished()
        .Enumeration("ClipType", ClipTypeNames(), &TVyrLabel::ClipType, &TVyrLabel::SetClipType)
        .Default(ctDefault)
        .NotPublished()
        .Enumeration("AlignVertical", VerticalAlignNames(), &TVyrLabel::AlignVertical,
                     &TVyrLabel::SetVerticalAlign)
        .Default(laBottom)
        .NotPublished()
        .Enumeration("AlignHorizontal", HorizontalAlignNames(), &TVyrLabel::AlignHorizontal,
                     &TVyrLabel::SetHorizontalAlign)
        .Default(laLeft)
        .NotPublished()
        .Enumeration("BorderType", VyrBorderTypeNames(), &TVyrLabel::BorderType, &TVyrLabel::SetBorderType)
        .Default(btNone)
        .NotPublished()
        .Object("Brush", &TVyrLabel::Brush)
        .NotPublished()
        .Object("Pen", &TVyrLabel::Pen)
        .NotPublished()
        .Object("BorderPen", &TVyrLabel::BorderPen)
        .NotPublished()
        .Boolean("WrapText", &TVyrLabel::WrapText, &TVyrLabel::SetWrapText)
        .Default(false)
        .NotPublished()
        .Boolean("Stretch", &TVyrLabel::Stretch, &TVyrLabel::SetStretch)
        .Default(false)
        .NotPublished()
        .Integer("RotateFont", &TVyrLabel::RotateFont, &TVyrLabel::SetRotateFont)
        .Range(0, 360)
        .Default(0)
        .NotPublished()
        .Enumeration("Shade", ShadeNames(), &TVyrLabel::Shade, &TVyrLabel::SetShade)
        .Default(spNone)
        .NotPublished()
        .Integer("BorderMargin", &TVyrLabel::BorderMargin, &TVyrLabel::SetBorderMargin)
        .Default(2)
        .NotPublished()
        .Boolean("IsVisible", &TVyrLabel::IsVisible, &TVyrLabel::SetIsVisible)
        .Default(true)
        .NotPublished();
    RegisterClasses<TVyrBand, TVyrSubBand, TVyrOverlayBand, TVyrSubDataBand, TVyrDataHeadBand,
                    TVyrDataFootBand, TVyrGroup>();
    return true;
}();

} // namespace
