#include "report/VyrText.h"
#include "host/encoding.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "output/PimOut.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrData.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"

#include <algorithm>

namespace {

const QString FillInCaption = QStringLiteral("Fill in caption.");

// Values whose AsString raises: they have no text of their own.
bool HasNoText(TVyrDataTypes Type) {
    return Type == dtypeBlob || Type == dtypeGraphic;
}

TPimMemoAlignment MemoAlignmentOf(TVyrHorizontalAlign Align, bool Justify) {
    if (Justify) return maJustify;
    switch (Align) {
    case laCenter:
        return maCenter;
    case laRight:
        return maRight;
    default:
        return maLeft;
    }
}

// The label's font with underlining taken off, for the tab ahead of its text.
TFont WithoutUnderline(const TFont& Font) {
    TFont Copy(Font);
    Copy.SetStyle(Copy.Style() & ~TFontStyles(fsUnderline));
    return Copy;
}

int Twips(int Pixels, int PPI) {
    return static_cast<int>(Round(double(Pixels) / PPI * 1440));
}

} // namespace

TVyrTVLabel::TVyrTVLabel(TComponent* AOwner)
    : TVyrLabel(AOwner), FPimMemo(std::make_unique<TPimMemo>()), FDataFormat(std::make_unique<TVyrFormat>()),
      FLines(std::make_unique<TStringList>()) {
    FDataFormat->SetVyrLabel(this);
    SetColor(clWindow);
    SetParentColor(true);
}

TVyrTVLabel::~TVyrTVLabel() = default;

void TVyrTVLabel::SetVariable(TVyrVar* Value) {
    Watch(FVariable, Value);
    Invalidate();
}

void TVyrTVLabel::SetWrapHeightPercent(TVyrWrapHeightPercent Value) {
    Value = std::clamp(Value, 25, 300);
    if (Value == FWrapHeightPercent) return;
    FWrapHeightPercent = Value;
    Invalidate();
}

void TVyrTVLabel::SetJustifyMemo(bool Value) {
    if (Value == FJustifyMemo) return;
    FJustifyMemo = Value;
    Invalidate();
}

void TVyrTVLabel::SetDataFormat(const TVyrFormat* Value) {
    if (Value) FDataFormat->Assign(*Value);
}

void TVyrTVLabel::SetLines(const TStringList* Value) {
    FLines->Clear();
    if (Value)
        for (int i = 0; i < Value->Count(); ++i)
            FLines->Add(Value->Strings(i));
    Invalidate();
}

void TVyrTVLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TVyrLabel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FVariable) SetVariable(nullptr);
}

void TVyrTVLabel::DefineProperties(TFiler* Filer) {
    TVyrLabel::DefineProperties(Filer);
    // Only text labels still have the flag, and they publish it.
    DropStoredAutoSize(Filer);
}

bool TVyrTVLabel::IsMemo() const {
    if (!FShowsVariable || !FVariable) return WrapText();
    const TVyrDataTypes Type = FVariable->DataType();
    if (Type == dtypeMemo) return true;
    return Type == dtypeBlob || WrapText();
}

QString TVyrTVLabel::GetDisplayText() {
    if (dynamic_cast<const TVyrTextLabel*>(this)) {
        if (!Caption().isEmpty()) return Caption();
        return Painting() ? FillInCaption : QString();
    }
    if (FVariable) return FVariable->Name();
    return Painting() ? VariablePlaceholder(nullptr) : QString();
}

QString TVyrTVLabel::GetDataNow() {
    QString Result;
    if (FVariable && (HasState(csDesigning) || !FVariable->Initialized())) {
        if (!FVariable->Initialized()) FVariable->Initialize();
        if (FVariable->Active()) {
            const TVyrDataTypes Type = FVariable->DataType();
            if (Type != dtypeBlob && Type != dtypeMemo && Type != dtypeGraphic)
                return FDataFormat->FormatAsString(FVariable->DataNow());
            Result = GetDisplayText();
        }
    }
    if (FVariable && FVariable->Initialized() && !HasState(csDesigning)) {
        // A picture has no text: the label shows what it shows without a value.
        if (HasNoText(FVariable->DataType())) return Painting() ? Result : QString();
        FDataFormat->FormatInto(FVariable->Data(), FText);
        return FText;
    }
    if (!Caption().isEmpty()) return Caption();
    if (FLines->Count() > 0) return FLines->Strings(0);
    return GetDisplayText();
}

void TVyrTVLabel::WriteText(const QString& Text, bool MarkEmpty) {
    // The memo holds a text after the mark FF FE; an empty text leaves it empty unless marked.
    if (Text.isEmpty() && !MarkEmpty)
        FPimMemo->SetMemoStream(nullptr);
    else
        FPimMemo->SetMemoText(Text);
}

void TVyrTVLabel::UpdateMemo() {
    TPimMemo& M = *FPimMemo;
    if (TVyrPage* P = Page()) M.SetTextDriverCompatibility(P->PageSetup()->TextDriverCompatibility());
    M.SetPixelsPerInch(GetPPI());
    M.SetFont(*Font());
    M.SetWidth(Width() - 2 * BorderMargin());
    M.SetWrapText(WrapText());
    M.SetWrapHeightPercent(FWrapHeightPercent);
    M.SetSuppressBlankLines(FSuppressBlankLines);
    M.SetSuppressWhiteSpace(FSuppressWhiteSpace);
    M.SetMemoAlignment(MemoAlignmentOf(AlignHorizontal(), FJustifyMemo));
    M.SetShownHeight(ShownMemoHeight());

    // The memo is given the text itself, or the value's own stream, so that a long text the label
    // asks for at every piece is known unchanged without being copied and wrapped again.
    if (FVariable && FVariable->Active()) {
        const TVyrDataTypes Type = FVariable->DataType();
        auto* DB = FUseDisplayText ? dynamic_cast<TVyrDBVar*>(FVariable) : nullptr;
        if (DB) {
            FVariable->DataNow(); // reads the field, and with it the display text
            WriteText(DB->DisplayText(), true);
        } else if (Type == dtypeMemo || Type == dtypeBlob) {
            TStream* Stream = FVariable->AsStream();
            TVyrBlob* Blob = VyrValueAs<TVyrBlob>(FVariable->Data());
            if (Blob && Blob->ValueStream() == Stream)
                M.SetMemoStream(*Blob->ValueStream());
            else
                M.SetMemoStream(Stream);
        } else if (Type == dtypeGraphic) {
            // A picture has no text to wrap.
            WriteText(Painting() ? GetDisplayText() : QString(), false);
        } else {
            M.SetMemoText(FDataFormat->FormatAsString(FVariable->DataNow()));
        }
    } else if (!Caption().isEmpty()) {
        WriteText(Caption(), false);
    } else if (FLines->Count() > 0) {
        M.SetMemoStream(nullptr);
        FLines->SaveToStream(M.MemoStream());
        M.MemoStream().SetPosition(0);
    } else {
        WriteText(GetDisplayText(), false);
    }
    M.UpdateMemo();
}

int TVyrTVLabel::ShownMemoHeight() const {
    // Rich text is a file, not a box: it takes every line. So does a memo that grows with its text;
    // painted on the designed form it shows no more than its height.
    const TVyrPage* P = Page();
    if (P && P->OutputType() == otRichText) return 0;
    if (Stretch() && WrapText() && !Painting()) return 0;
    return std::max(1, Height() - 2 * BorderMargin());
}

int TVyrTVLabel::PrintMemo(TPimCanvas* PimCanvas, const TRect& Rect, int Space) {
    if (PimCanvas) {
        PimCanvas->SetFont(*Font());
        PimCanvas->SetFontAngle(0);
    }
    UpdateMemo();
    TPimMemo& M = *FPimMemo;
    const int LH = std::max(1, M.LineHeight());
    const int BM = BorderMargin();
    const int Lines = M.MemoLines();
    const int Rest = std::max(0, Lines - FDataRow);
    int n, h;
    if (Stretch()) {
        n = std::max(0, (Space - 2 * BM) / LH);
        if (FirstTime() || FBodyTop) n = std::max(n, 1);
        n = std::min(n, Rest);
        h = n * LH + 2 * BM;
        if (FirstTime()) h = std::max(h, Height());
        SetEndPrint(Lines <= 0 || FDataRow + n >= Lines);
        // No line fits: the piece takes the rest of the page and the lines go on the next one.
        if (n == 0 && Rest > 0) {
            h = Space;
            if (FirstTime()) h = std::max(h, Height());
        }
    } else {
        h = Height();
        n = std::min(Rest, std::max(1, (Height() - 2 * BM) / LH));
        SetEndPrint(true);
    }

    if (PimCanvas) {
        // The font is already selected: a shade is drawn in the text colour selected at the time.
        InitPrint(PimCanvas, TRect{Rect.Left, Rect.Top, Rect.Left + Width(), Rect.Top + h - 1});
        if (n > 0) {
            M.SetRangeBegin(FDataRow);
            M.SetRangeEnd(FDataRow + n - 1);
            M.Print(PimCanvas, Rect.Left + BM, Rect.Top + BM);
        }
        PieceBorder(PimCanvas, Rect, h);
    }
    FDataRow += n;
    return h;
}

int TVyrTVLabel::SpendMemo(TVyrPage* oPage, int Space) {
    UpdateMemo();
    TPimMemo& M = *FPimMemo;
    if (FSuppressWhiteSpace && !FirstTime())
        while (FDataRow < M.MemoLines() && M.MemoStrings().Strings(FDataRow).isEmpty())
            ++FDataRow;
    if (!Stretch()) return Top() + Height();
    const int LH = std::max(1, M.LineHeight());
    const int BM = BorderMargin();
    const int Rest = std::max(0, M.MemoLines() - FDataRow);
    if (FirstTime()) {
        if (Space - Top() < Height()) return Top() + Height();
        const int n = std::max(0, (Space - Top() - 2 * BM) / LH);
        return std::max(Top() + Height(), Top() + std::min(Rest, n) * LH + 2 * BM);
    }
    int n = std::max(0, (Space - 2 * BM) / LH);
    if (AtBodyTop(oPage)) n = std::max(n, 1);
    return std::min(Rest, n) * LH + 2 * BM + 1;
}

void TVyrTVLabel::StartPrint() {
    if (!StartPass()) return;
    FDataRow = 0;
    SetFirstTime(true);
    TFont& CanvasFont = Canvas()->Font();
    CanvasFont.Assign(*Font());
    CanvasFont.SetPixelsPerInch(GetPPI());
    CanvasFont.SetSize(Font()->Size());
    UpdateMemo();
}

int TVyrTVLabel::SpendHeight(TVyrPage* oPage, int Space) {
    if (!PrintOk()) return 0;
    if (IsMemo()) return SpendMemo(oPage, Space);
    return Top() + Height();
}

int TVyrTVLabel::PrintHeight(TVyrPage* oPage, int Space, int Taking) {
    (void)Taking;
    if (!PrintOk()) {
        SetEndPrint(true);
        return 0;
    }
    int h;
    if (IsMemo()) {
        const bool First = FirstTime();
        if (First) DoBeforePrint();
        const TRect R = PieceRect(oPage, First, Height());
        if (First) Space -= Top();
        FBodyTop = !First && AtBodyTop(oPage);
        try {
            h = PrintMemo(oPage ? oPage->Canvas() : nullptr, R, Space);
        } catch (...) {
            FBodyTop = false;
            throw;
        }
        FBodyTop = false;
        if (First) h += Top();
        if (EndPrint()) DoAfterPrint();
    } else {
        Print(oPage, Space);
        SetEndPrint(true);
        h = Top() + Height();
    }
    SetFirstTime(false);
    return h;
}

void TVyrTVLabel::Print(TVyrPage* oPage, int Space) {
    FDataRow = 0;
    SetFirstTime(true);
    if (IsMemo()) Space -= Top();
    TVyrLabel::Print(oPage, Space);
}

bool TVyrTVLabel::SingleLineText(QString& Text) {
    if (Painting() && FVariable && !FVariable->Initialized()) FVariable->Initialize();
    if (FVariable && FVariable->Active()) {
        const TVyrDataTypes Type = FVariable->DataType();
        if (FSuppressRepeats && !HasNoText(Type)) {
            const int Run = FVariable->Initializations();
            // The last value of a run's first print is the reset value, not a printed one.
            const bool Repeat = FRepeatRun == Run && VyrSameText(FVariable->DataNow(), FVariable->DataLast());
            FRepeatRun = Run;
            if (Repeat) return false;
        }
        Text = RtfText();
        return true;
    }
    Text = GetDataNow();
    return true;
}

QString TVyrTVLabel::RtfText() {
    auto* DB = FUseDisplayText ? dynamic_cast<TVyrDBVar*>(FVariable) : nullptr;
    if (DB && DB->Active()) {
        DB->DataNow();
        return DB->DisplayText();
    }
    return GetDataNow();
}

bool TVyrTVLabel::OnlyDraws() {
    if (IsMemo() || FUseDisplayText || Painting()) return false;
    // A caption, lines or an empty text: nothing to read.
    if (!FVariable) return true;
    if (HasState(csDesigning) || !FVariable->Initialized() || !FVariable->ReadsAsItStands()) return false;
    TVyrData* Now = FVariable->ValueNow();
    if (FSuppressRepeats && FVariable->Active()) {
        // Only values compared without making their texts.
        if (!VyrComparesAsValues(Now, FVariable->ValueLast())) return false;
    }
    return HasNoText(FVariable->DataType()) || FDataFormat->CannotFail(Now);
}

void TVyrTVLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int Space) {
    if (IsMemo()) {
        PrintMemo(PimCanvas, Rect, Space);
        return;
    }
    QString Text;
    if (!SingleLineText(Text)) return;
    DrawText(PimCanvas, Rect, Text);
}

int TVyrTVLabel::TabPartPosition(const TPimTabStringPos& Part, bool Last, int Parts) const {
    const int BM = BorderMargin();
    switch (AlignHorizontal()) {
    case laCenter:
        if (Parts == 1) return Left() + Width() / 2;
        return Left() + BM + Part.Pos + Part.Width / 2;
    case laRight:
        if (Last) return XPos() - BM;
        return XPos() + Part.Pos + Part.Width - BM - Width();
    default:
        return XPos() + BM + Part.Pos;
    }
}

void TVyrTVLabel::PrintTab(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) {
    if (!RtfPrint() || !PrintOk() || PrintRow < Row() || !Rtf) return;
    if (!IsMemo()) {
        if (PrintRow == Row()) TVyrLabel::PrintTab(oPage, Rtf, PrintRow);
        return;
    }
    UpdateMemo();
    TPimMemo& M = *FPimMemo;
    const int r = PrintRow - Row();
    if (r >= M.MemoLines()) return;
    M.ParseString(M.MemoStrings().Strings(r));
    const int PPI = GetPPI();
    const int Count = int(M.Parts().size());
    for (int i = 0; i < Count; ++i)
        Rtf->RowTabStop(Twips(TabPartPosition(*M.Parts()[i], i + 1 == Count, Count), PPI),
                        TVyrTabAlignment(GetTabKind()));
}

void TVyrTVLabel::PrintRtf(TVyrPage* oPage, TVyrRtfFile* Rtf, int PrintRow) {
    (void)oPage;
    if (!RtfPrint()) {
        SetEndPrint(true);
        return;
    }
    if (!PrintOk() || !Rtf) return;
    const int r = PrintRow - Row();
    if (!IsMemo()) {
        if (r != 0) return;
        DoBeforePrint();
        Rtf->SetFont(WithoutUnderline(*Font()));
        Rtf->RowTab();
        Rtf->SetFont(*Font());
        Rtf->TextOut(RtfText());
        DoAfterPrint();
        SetEndPrint(true);
        return;
    }
    UpdateMemo();
    TPimMemo& M = *FPimMemo;
    if (M.MemoLines() <= 0) {
        SetEndPrint(true);
        return;
    }
    if (r < 0 || r >= M.MemoLines()) return;
    DoBeforePrint();
    const TFont Plain = WithoutUnderline(*Font());
    M.ParseString(M.MemoStrings().Strings(r));
    for (const auto& Part : M.Parts()) {
        // Every tab goes out without underlining, not only the line's first.
        Rtf->SetFont(Plain);
        Rtf->RowTab();
        Rtf->SetFont(*Font());
        Rtf->TextOut(Part->Text);
    }
    DoAfterPrint();
    if (r == M.MemoLines() - 1) SetEndPrint(true);
}

int TVyrTVLabel::LastRtfRow() {
    if (!IsMemo()) return Row();
    UpdateMemo();
    return Row() + std::max(0, FPimMemo->MemoLines() - 1);
}

void TVyrTVLabel::Paint() {
    FDataRow = 0;
    SetFirstTime(true);
    TVyrLabel::Paint();
}

// TVyrTextLabel

void TVyrTextLabel::WriteState(TWriter* Writer) {
    TVyrTVLabel::WriteState(Writer);
    // Handled once the copy is on the clipboard; dropped when the label goes first.
    if (TVyrBand* B = Band()) PostMessage(B, WM_VYR_LABEL, 0, this);
}

// Published properties and classes of stored forms

namespace {

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrTVLabel, TVyrLabel>()
        .Publish("Align")
        .Publish("Color")
        .Default(clWindow)
        .Publish("ParentColor")
        .Default(true)
        .Publish("ParentFont")
        .Default(true)
        .Publish("Transparent")
        .Publish("ClipType")
        .Publish("AlignVertical")
        .Publish("AlignHorizontal")
        .Publish("BorderType")
        .Publish("RotateFont")
        .Publish("Shade")
        .Publish("BorderMargin")
        .Publish("WrapText")
        .Publish("Stretch")
        .Integer("WrapHeightPercent", &TVyrTVLabel::WrapHeightPercent, &TVyrTVLabel::SetWrapHeightPercent)
        .Range(25, 300)
        .Default(100)
        .Boolean("JustifyMemo", &TVyrTVLabel::JustifyMemo, &TVyrTVLabel::SetJustifyMemo)
        .Default(false)
        .Boolean("SuppressBlankLines", &TVyrTVLabel::SuppressBlankLines, &TVyrTVLabel::SetSuppressBlankLines)
        .Default(false)
        .Boolean("SuppressWhiteSpace", &TVyrTVLabel::SuppressWhiteSpace, &TVyrTVLabel::SetSuppressWhiteSpace)
        .Default(false)
        .Publish("Font")
        .Strings("Lines", &TVyrTVLabel::Lines)
        // What the variable label publishes.
        .Reference("Variable", &TVyrTVLabel::Variable, &TVyrTVLabel::SetVariable)
        .NotPublished()
        .Object("DataFormat", &TVyrTVLabel::DataFormat)
        .NotPublished()
        .Boolean("SuppressRepeats", &TVyrTVLabel::SuppressRepeats, &TVyrTVLabel::SetSuppressRepeats)
        .Default(false)
        .NotPublished()
        .Boolean("UseDisplayText", &TVyrTVLabel::UseDisplayText, &TVyrTVLabel::SetUseDisplayText)
        .Default(false)
        .NotPublished();
    DeclareProperties<TVyrvarlabel, TVyrTVLabel>()
        .Publish("Variable")
        .Publish("DataFormat")
        .Publish("SuppressRepeats")
        .Publish("Caption")
        .Publish("UseDisplayText");
    DeclareProperties<TVyrTextLabel, TVyrTVLabel>().Publish("AutoSize").Publish("Caption");
    RegisterClasses<TVyrvarlabel, TVyrTextLabel>();
    return true;
}();

} // namespace
