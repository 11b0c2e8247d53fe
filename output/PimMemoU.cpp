#include "output/PimMemoU.h"
#include "host/encoding.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/wordwrap.h"
#include "output/PimOut.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Positions are sums of caller's values (box, width) and measured widths; they are worked out wide
// and brought back into range rather than left to overflow.
int Clamp32(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

void TPimMemo::SetFont(const TFont& Value) {
    FFont.Assign(Value);
}

TPimMemo::TPimMemo()
    : FPixelsPerInch(Screen()->PixelsPerInch()), FWidth(FPixelsPerInch),
      FMemoStrings(std::make_unique<TStringList>()), FMemoStream(std::make_unique<TMemoryStream>()) {
    FMemoStrings->OnChange = [this](TStringList*) { FStringsChanged = true; };
}

TPimMemo::~TPimMemo() {
    ClearParts();
}

void TPimMemo::SetPixelsPerInch(int Value) {
    if (Value < 1) return;
    FPixelsPerInch = Value;
}

void TPimMemo::SetMemoStream(TStream* Value) {
    FTextSource = false;
    FMemoText = QString();
    FMemoStream->Clear();
    if (Value) FMemoStream->CopyFrom(*Value, 0);
    FMemoStream->SetPosition(0);
}

void TPimMemo::SetMemoStream(TMemoryStream& Value) {
    const bool Same =
        !FTextSource && Value.Size() == FMemoStream->Size() &&
        (Value.Size() == 0 || std::memcmp(Value.Memory(), FMemoStream->Memory(), size_t(Value.Size())) == 0);
    if (!Same) {
        SetMemoStream(static_cast<TStream*>(&Value));
        return;
    }
    FMemoStream->SetPosition(0);
}

void TPimMemo::SetMemoText(const QString& Text) {
    FMemoText = Text;
    FTextSource = true;
}

TMemoryStream& TPimMemo::MemoStream() {
    if (FTextSource) {
        FTextSource = false;
        const QByteArray Bytes = StringToUtf16LE(FMemoText, true);
        FMemoText = QString();
        FMemoStream->Clear();
        FMemoStream->WriteBuffer(Bytes.constData(), Bytes.size());
        FMemoStream->SetPosition(0);
    }
    return *FMemoStream;
}

void TPimMemo::PrepareMeasuring() const {
    MeasuringContext()->Prepare(FFont, FPixelsPerInch);
}

// The text as the string list would load it: a byte-order mark chooses UTF-16 or UTF-8, anything
// else is ANSI.
QString TPimMemo::ReadText() const {
    if (FTextSource) return FMemoText;
    TMemoryStream& S = *FMemoStream;
    const int64_t n = S.Size();
    if (n <= 0) return QString();
    return DecodeText(QByteArray(reinterpret_cast<const char*>(S.Memory()), qsizetype(n)));
}

// Removing a line moves the paragraph ends after it up by one; an end on the line itself goes.
void TPimMemo::DeleteLine(QStringList& Lines, int Index) {
    Lines.removeAt(Index);
    std::vector<int>& L = FCarriageReturnList;
    L.erase(std::remove(L.begin(), L.end(), Index), L.end());
    for (int& k : L)
        if (k > Index) --k;
}

bool TPimMemo::SameWrap() const {
    const TLastWrap& W = FLastWrap;
    if (!W.Valid || W.PixelsPerInch != FPixelsPerInch || W.Width != FWidth ||
        W.WrapHeightPercent != FWrapHeightPercent || W.WrapText != FWrapText ||
        W.Alignment != FMemoAlignment || W.SuppressBlankLines != FSuppressBlankLines ||
        W.SuppressWhiteSpace != FSuppressWhiteSpace || W.ShownHeight != FShownHeight || !(W.Font == FFont))
        return false;
    if (FTextSource || W.TextSource) {
        // A text kept from the last wrap is the same text when it is the same string.
        return FTextSource && W.TextSource &&
               ((FMemoText.constData() == W.MemoText.constData() && FMemoText.size() == W.MemoText.size()) ||
                FMemoText == W.MemoText);
    }
    const int64_t n = FMemoStream->Size();
    return n == W.Text.size() &&
           (n == 0 || std::memcmp(FMemoStream->Memory(), W.Text.constData(), size_t(n)) == 0);
}

void TPimMemo::UpdateMemo() {
    if (SameWrap()) {
        FLineHeight = FLastWrap.LineHeight;
        FCarriageReturnList = FLastWrap.ParagraphEnds;
        FMemoLines = int(FLastWrap.Lines.size());
        FLinesCut = FLastWrap.LinesCut;
        if (FMemoLines > 0 && !FWrapText) FMemoLines = 1;
        // The lines are still those of the last wrap unless someone changed them: a long text asked
        // for at every piece is not copied line by line each time.
        if (!FStringsChanged) return;
        FMemoStrings->Clear();
        for (const QString& L : FLastWrap.Lines)
            FMemoStrings->Add(L);
        FStringsChanged = false;
        return;
    }

    FMemoStrings->Clear();
    FMemoLines = 0;
    PrepareMeasuring();
    TMeasuringContext& M = *MeasuringContext();
    FLineHeight = std::abs(M.TextMetrics().tmHeight);
    FLineHeight = MulDiv(FLineHeight, FWrapHeightPercent, 100);
    // Callers divide the space they have by the line height.
    if (FLineHeight < 1) FLineHeight = 1;

    const int Wanted = FShownHeight > 0 ? std::max(1, FShownHeight / FLineHeight) : -1;
    const QStringList Lines = WrapLines(ReadText(), Wanted, FLinesCut);

    FMemoLines = int(Lines.size());
    if (FMemoLines > 0 && !FWrapText) FMemoLines = 1;
    for (const QString& L : Lines)
        FMemoStrings->Add(L);
    FStringsChanged = false;

    TLastWrap& Last = FLastWrap;
    Last.Valid = true;
    Last.TextSource = FTextSource;
    Last.MemoText = FTextSource ? FMemoText : QString();
    Last.Text = FTextSource ? QByteArray()
                            : QByteArray(reinterpret_cast<const char*>(FMemoStream->Memory()),
                                         qsizetype(FMemoStream->Size()));
    Last.Font = FFont;
    Last.PixelsPerInch = FPixelsPerInch;
    Last.Width = FWidth;
    Last.WrapHeightPercent = FWrapHeightPercent;
    Last.WrapText = FWrapText;
    Last.Alignment = FMemoAlignment;
    Last.SuppressBlankLines = FSuppressBlankLines;
    Last.SuppressWhiteSpace = FSuppressWhiteSpace;
    Last.ShownHeight = FShownHeight;
    Last.LinesCut = FLinesCut;
    Last.Lines = Lines;
    Last.LineHeight = FLineHeight;
    Last.ParagraphEnds = FCarriageReturnList;
}

QStringList TPimMemo::WrapLines(const QString& Text, int Wanted, bool& More) {
    const TWordWrap Wrap(MeasuringContext()->FontInstance(), FWidth, FPixelsPerInch / 2);
    // Suppressed lines do not fill the box: the wrap goes on, twice as far each time, until the
    // lines kept run past the box or the text ends.
    qsizetype Raw = Wanted < 0 ? -1 : qsizetype(Wanted) + 1;
    for (;;) {
        TWrappedText W = Wrap.Wrap(Text, Raw);
        FCarriageReturnList.clear();
        if (FMemoAlignment == maJustify) FCarriageReturnList = std::move(W.ParagraphEnds);
        // Empty lines at the end of a wrap stopped early are dropped like those at the text's end:
        // what is left is exactly how the whole text's lines begin.
        SuppressLines(W.Lines);
        More = Wanted >= 0 && W.Lines.size() > Wanted;
        if (W.Complete || More) {
            if (More) {
                W.Lines.erase(W.Lines.begin() + Wanted, W.Lines.end());
                std::erase_if(FCarriageReturnList, [Wanted](int k) { return k >= Wanted; });
            }
            return W.Lines;
        }
        Raw *= 2;
    }
}

void TPimMemo::SuppressLines(QStringList& Lines) {
    if (FSuppressBlankLines) {
        for (int i = 0; i < Lines.size();) {
            if (Lines[i].isEmpty())
                DeleteLine(Lines, i);
            else
                ++i;
        }
    }
    if (FSuppressWhiteSpace) {
        while (!Lines.isEmpty() && Lines.first().isEmpty())
            DeleteLine(Lines, 0);
        while (!Lines.isEmpty() && Lines.last().isEmpty())
            DeleteLine(Lines, int(Lines.size()) - 1);
    }
}

void TPimMemo::RangeLines(int& First, int& Last) const {
    First = FRangeBegin < 0 ? 0 : FRangeBegin;
    Last = (FRangeEnd < 0 || FRangeEnd >= FMemoLines) ? FMemoLines - 1 : FRangeEnd;
}

int TPimMemo::GetPrintHeight() const {
    int First, Last;
    RangeLines(First, Last);
    if (Last < First) return 0;
    return Clamp32((int64_t(Last) - First + 1) * FLineHeight);
}

void TPimMemo::Print(TPimCanvas* PimCanvas, int x, int y) {
    if (!PimCanvas) return;
    UpdateMemo();
    PimCanvas->SetFont(FFont);
    if (FMemoLines <= 0) return;
    int First, Last;
    RangeLines(First, Last);
    for (int Spot = First; Spot <= Last; ++Spot) {
        const int64_t Top = int64_t(y) + int64_t(FLineHeight) * (Spot - First);
        const TRect Box = Rect(x, Clamp32(Top), Clamp32(int64_t(x) + FWidth), Clamp32(Top + FLineHeight));
        PrintLine(PimCanvas, FMemoStrings->Strings(Spot), Box, Spot);
    }
}

void TPimMemo::PrintLine(TPimCanvas* PimCanvas, const QString& Text, const TRect& Rect, int Spot) {
    if (!PimCanvas) return;
    PimCanvas->SetFont(FFont);
    PimCanvas->SetTextAlign(FMemoAlignment == maCenter  ? uint16_t(TA_CENTER)
                            : FMemoAlignment == maRight ? uint16_t(TA_RIGHT)
                                                        : uint16_t(0));
    for (const TPimMemoPlacement& P : PlaceLine(Text, Rect, Spot)) {
        if (FTextDriverCompatibility)
            PimCanvas->Textout(P.X, P.Y, P.Text);
        else
            PimCanvas->TextJustify(P.Box, P.X, P.Y, P.Text, P.EndParagraph, P.FullBox);
    }
}

bool TPimMemo::JustifiesLine(int Spot) const {
    if (FMemoAlignment != maJustify) return false;
    // Only the text's own last line; a line after which unwrapped text was left is not it.
    if (FMemoLines == Spot + 1 && !(FLinesCut && FWrapText)) return FJustifyLastLine;
    const auto& L = FCarriageReturnList;
    return std::find(L.begin(), L.end(), Spot) == L.end();
}

std::vector<TPimMemoPlacement> TPimMemo::PlaceLine(const QString& Text, const TRect& Rect, int Spot) {
    std::vector<TPimMemoPlacement> R;
    const bool Justify = JustifiesLine(Spot);
    ParseString(Text);
    R.reserve(FParts.size());
    for (size_t i = 0; i < FParts.size(); ++i) {
        const TPimTabStringPos& p = *FParts[i];
        const int64_t w = p.Width;
        int64_t x, Right;
        switch (FMemoAlignment) {
        case maCenter:
            x = int64_t(Rect.Left) + p.Pos + w / 2 + (int64_t(FWidth) - FTextLen) / 2;
            Right = x + w / 2;
            break;
        case maRight:
            x = int64_t(Rect.Left) + p.Pos + w + FWidth - FTextLen;
            Right = x;
            break;
        default:
            x = int64_t(Rect.Left) + p.Pos;
            Right = x + w;
            break;
        }
        TPimMemoPlacement Place;
        Place.Text = p.Text;
        Place.X = Clamp32(x);
        Place.Y = Rect.Top;
        Place.FullBox = Rect;
        if (Justify && i + 1 == FParts.size()) {
            // the line's last part is stretched to the line's right edge
            Place.Box = Rect;
            Place.EndParagraph = false;
        } else {
            Place.Box = Rect;
            Place.Box.Right = Clamp32(Right);
            Place.EndParagraph = true;
        }
        R.push_back(std::move(Place));
    }
    return R;
}

void TPimMemo::FindCarriageReturns() {
    FCarriageReturnList.clear();
    if (FMemoAlignment != maJustify) return;
    PrepareMeasuring();
    const TWordWrap Wrap(MeasuringContext()->FontInstance(), FWidth, FPixelsPerInch / 2);
    FCarriageReturnList = Wrap.Wrap(ReadText()).ParagraphEnds;
}

void TPimMemo::ParseString(const QString& S) {
    ClearParts();
    PrepareMeasuring();
    TMeasuringContext& M = *MeasuringContext();
    const int Tab = std::max(1, FPixelsPerInch / 2);
    int64_t Position = 0;
    auto AddPart = [&](qsizetype From, qsizetype To) {
        auto p = std::make_unique<TPimTabStringPos>();
        p->Pos = Clamp32(Position);
        p->Text = S.mid(From, To - From);
        p->Width = M.TextWidth(p->Text);
        FParts.push_back(std::move(p));
    };
    qsizetype Start = 0;
    for (qsizetype i = 0; i < S.size(); ++i) {
        if (S[i] != u'\t') continue;
        AddPart(Start, i);
        // the next stop strictly right of the text
        Position = ((Position + FParts.back()->Width) / Tab) * Tab + Tab;
        Start = i + 1;
    }
    if (Start < S.size()) AddPart(Start, S.size());
    FTextLen = FParts.empty() ? 0 : Clamp32(int64_t(FParts.back()->Pos) + FParts.back()->Width);
}

void TPimMemo::ClearParts() {
    FParts.clear();
}
