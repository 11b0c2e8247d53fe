#include "output/PimUtil.h"

#include "host/classes.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/resstrings.h"
#include "host/streams.h"
#include "host/tempfiles.h"

#include <algorithm>
#include <cstring>
#include <limits>

// ---------------------------------------------------------------------------------------------------
// TPimList

TPimList::TPimList() = default;

TPimList::~TPimList() {
    Clear();
}

int TPimList::Add(void* Item) {
    const int NewCount = FCount + 1;
    if (static_cast<int64_t>(FLists.size()) * ChunkSize < NewCount) {
        FLists.push_back(std::make_unique<TList>());
        FLists.back()->SetCapacity(ChunkSize);
    }
    FLists.back()->Add(Item);
    FCount = NewCount;
    return FCount - 1;
}

void* TPimList::Items(int Spot) const {
    // Only the chunks check their bounds, so a spot past the last chunk raises the same error a
    // chunk would.
    const int Chunk = Spot / ChunkSize;
    if (Chunk < 0 || Chunk >= static_cast<int>(FLists.size()))
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Chunk)});
    return FLists[static_cast<size_t>(Chunk)]->Items(Spot % ChunkSize);
}

void TPimList::Clear() {
    FLists.clear();
    FCount = 0;
}

// ---------------------------------------------------------------------------------------------------
// Placeable metafile headers

namespace {

// The header as the ten 16-bit words that its checksum covers, in file order.
std::array<uint16_t, 10> PlaceHeadWords(const TPimPlaceMetaHeader& h) {
    return {static_cast<uint16_t>(h.Key & 0xFFFF),
            static_cast<uint16_t>(h.Key >> 16),
            static_cast<uint16_t>(h.Hmf),
            static_cast<uint16_t>(h.BBox.Left),
            static_cast<uint16_t>(h.BBox.Top),
            static_cast<uint16_t>(h.BBox.Right),
            static_cast<uint16_t>(h.BBox.Bottom),
            h.Inch,
            static_cast<uint16_t>(h.Reserved & 0xFFFF),
            static_cast<uint16_t>(h.Reserved >> 16)};
}

} // namespace

bool PimIsPlaceableMetaFile(TStream& Stream) {
    uint8_t Buffer[PimPlaceMetaHeaderSize] = {};
    Stream.SetPosition(0);
    if (Stream.Read(Buffer, PimPlaceMetaHeaderSize) != PimPlaceMetaHeaderSize) return false;
    return GetUInt32LE(Buffer) == PimPlaceHeadKey;
}

void PimFillPlaceHead(TPimPlaceMetaHeader& Header) {
    Header.Key = PimPlaceHeadKey;
    Header.Hmf = 0;
    Header.Reserved = 0;
    uint16_t Sum = 0;
    for (const uint16_t w : PlaceHeadWords(Header))
        Sum ^= w;
    Header.CheckSum = Sum;
}

// ---------------------------------------------------------------------------------------------------
// Strings and numbers

char16_t* PimStrToPChar(QString& S) {
    // Reserving one more than the length forces a private, writable buffer even for an empty or
    // shared string; the string keeps its own terminating zero behind the last character.
    S.reserve(S.size() + 1);
    return reinterpret_cast<char16_t*>(S.data());
}

bool PimIsPCharEqual(const void* A, const void* B, int Len) {
    if (Len <= 0) return true;
    return std::memcmp(A, B, static_cast<size_t>(Len)) == 0;
}

bool PimEmpty(const QString& S) {
    for (const QChar c : S)
        if (c != u' ') return false;
    return true;
}

QString PimRightTrim(const QString& S) {
    qsizetype n = S.size();
    while (n > 0 && S.at(n - 1) == u' ')
        --n;
    return S.left(n);
}

QString PimIntToStr(int N) {
    // Widened first, so the most negative value has a positive counterpart too.
    int64_t v = N;
    const bool Negative = v < 0;
    if (Negative) v = -v;
    QString Digits;
    do {
        Digits.prepend(QChar(u'0' + static_cast<char16_t>(v % 10)));
        v /= 10;
    } while (v > 0);
    return Negative ? QStringLiteral("-") + Digits : Digits;
}

double PimInchToMM(double X) {
    return X * 25.4;
}

double PimMMtoInch(double X) {
    return X / 25.4;
}

QString PimGetTempFile(const QString& Prefix) {
    // The platform only ever used the first three characters of a prefix.
    try {
        return CreateTempFileName(Prefix.left(3));
    } catch (const Exception&) {
        return QString();
    }
}

// ---------------------------------------------------------------------------------------------------
// Mapping and origin

namespace {

// Coordinates come from documents and callers unchecked; sums of two of them are worked out wide and
// brought back to the device's range, never left to overflow.
int Clamp32(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The width of the span from A to B with both ends counted.
int Span(int A, int B) {
    return Clamp32(int64_t(B) - A + 1);
}

} // namespace

void PimScale(DeviceContext* DC, int WinX, int WinY, int ViewX, int ViewY, int PercentX, int PercentY) {
    if (!DC) return;
    DC->SetMapMode(MM_ANISOTROPIC);
    if (WinX == ViewX && WinY == ViewY && PercentX == 100 && PercentY == 100) return;
    DC->SetWindowExtEx(WinX, WinY);
    DC->SetViewportExtEx(Clamp32(Round(double(ViewX) * PercentX / 100)),
                         Clamp32(Round(double(ViewY) * PercentY / 100)));
}

void PimSetOrigin(DeviceContext* DC, int PPIX, int PPIY, int X, int Y) {
    if (!DC) return;
    DC->SetViewportOrgEx(MulDiv(X, DC->GetDeviceCaps(LOGPIXELSX), PPIX),
                         MulDiv(Y, DC->GetDeviceCaps(LOGPIXELSY), PPIY));
}

TRect PimScaleRect(DeviceContext* DC, int PPIX, int PPIY, const TRect& Rect, int PercentX, int PercentY) {
    if (!DC) return Rect;
    const int sx = MulDiv(DC->GetDeviceCaps(LOGPIXELSX), PercentX, 100);
    const int sy = MulDiv(DC->GetDeviceCaps(LOGPIXELSY), PercentY, 100);
    TRect r;
    r.Left = MulDiv(Rect.Left, sx, PPIX);
    r.Top = MulDiv(Rect.Top, sy, PPIY);
    r.Right = Clamp32(int64_t(r.Left) + MulDiv(Span(Rect.Left, Rect.Right), sx, PPIX) - 1);
    r.Bottom = Clamp32(int64_t(r.Top) + MulDiv(Span(Rect.Top, Rect.Bottom), sy, PPIY) - 1);
    return r;
}

// ---------------------------------------------------------------------------------------------------
// Justified text

namespace {

// A character as drawn: one UTF-16 unit, or the two halves of a surrogate pair together.
struct TextCell {
    qsizetype Start;
    qsizetype Length;
    bool Blank;
};

std::vector<TextCell> SplitCells(const QString& Text) {
    std::vector<TextCell> Cells;
    Cells.reserve(static_cast<size_t>(Text.size()));
    for (qsizetype i = 0; i < Text.size();) {
        const qsizetype n =
            (Text.at(i).isHighSurrogate() && i + 1 < Text.size() && Text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        Cells.push_back({i, n, Text.at(i) == u' '});
        i += n;
    }
    return Cells;
}

// The blanks that separate words: leading and trailing blanks never take a share of the gaps.
struct InnerSpan {
    size_t First = 0; // first non-blank cell
    size_t Last = 0;  // one past the last non-blank cell
    int Blanks = 0;
    bool Contains(size_t i) const { return i > First && i < Last; }
};

InnerSpan FindInnerBlanks(const std::vector<TextCell>& Cells) {
    InnerSpan s;
    size_t First = 0;
    while (First < Cells.size() && Cells[First].Blank)
        ++First;
    size_t Last = Cells.size();
    while (Last > First && Cells[Last - 1].Blank)
        --Last;
    s.First = First;
    s.Last = Last;
    for (size_t i = First; i < Last; ++i)
        if (Cells[i].Blank) ++s.Blanks;
    return s;
}

int TextWidth(DeviceContext* DC, QStringView Text) {
    if (Text.isEmpty()) return 0;
    TSize Size;
    DC->GetTextExtentPoint32(Text, Size);
    return Size.cx;
}

// The widths of Text's heads (Tails false: entry i measures the cells before cell i) or tails (entry i
// measures cell i and the cells after it), each as measuring that piece alone gives it. One
// measurement serves them all: the running extents of the text give its heads, those of its cells
// in reverse order its tails. A last entry measures the whole text (heads) or nothing (tails).
std::vector<int> PieceWidths(DeviceContext* DC, const QString& Text, const std::vector<TextCell>& Cells,
                             bool Tails) {
    std::vector<int> Widths(Cells.size() + 1, 0);
    if (Text.isEmpty()) return Widths;
    QString Measured;
    if (Tails) {
        Measured.reserve(Text.size());
        for (size_t i = Cells.size(); i-- > 0;)
            Measured += QStringView(Text).mid(Cells[i].Start, Cells[i].Length);
    } else {
        Measured = Text;
    }
    std::vector<int> Extents(static_cast<size_t>(Measured.size()), 0);
    TSize Size;
    DC->GetTextExtentExPoint(Measured, -1, nullptr, Extents.data(), Size);
    // The extent after a piece of Units code units.
    const auto After = [&](qsizetype Units) {
        return Units > 0 ? Extents[static_cast<size_t>(Units - 1)] : 0;
    };
    for (size_t i = 0; i <= Cells.size(); ++i) {
        const qsizetype Start = i < Cells.size() ? Cells[i].Start : Text.size();
        Widths[i] = Tails ? After(Text.size() - Start) : After(Start);
    }
    return Widths;
}

} // namespace

void PimSetTextJustify(DeviceContext* DC, int X, int Y, const QString& Text, int Width) {
    if (!DC) return;
    const uint32_t Align = DC->GetTextAlign();
    const bool Backwards = (Align & TA_CENTER) == TA_RIGHT;
    // Each character is drawn where the previous one left the current position; a centred one would
    // not move it, so centring is dropped while drawing.
    uint32_t DrawAlign = Align | TA_UPDATECP;
    if ((Align & TA_CENTER) == TA_CENTER) DrawAlign &= ~uint32_t(TA_CENTER);
    if (DrawAlign != Align) DC->SetTextAlign(DrawAlign);

    const QStringView View(Text);
    const std::vector<TextCell> Cells = SplitCells(Text);
    const InnerSpan Inner = FindInnerBlanks(Cells);
    const int n = Inner.Blanks;
    int k = 0;
    int64_t cur = X;
    DC->MoveToEx(X, Y);

    auto Draw = [&](size_t i) {
        const QStringView Cell = View.mid(Cells[i].Start, Cells[i].Length);
        DC->TextOut(Clamp32(cur), Y, Cell);
        return TextWidth(DC, Cell);
    };
    // Each gap needs the width of the text still to come; measuring it anew at every blank would
    // cost a long line the square of its length.
    const std::vector<int> Rest = n > 0 ? PieceWidths(DC, Text, Cells, !Backwards) : std::vector<int>();
    if (!Backwards) {
        for (size_t i = 0; i < Cells.size(); ++i) {
            cur += Draw(i);
            if (k < n && Cells[i].Blank && Inner.Contains(i)) {
                const int After = Rest[i + 1];
                cur += (Width - (cur - X + 1) - After) / (n - k);
                cur = Clamp32(cur);
                DC->MoveToEx(Clamp32(cur), Y);
                ++k;
            }
        }
    } else {
        for (size_t i = Cells.size(); i-- > 0;) {
            cur -= Draw(i);
            if (k < n && Cells[i].Blank && Inner.Contains(i)) {
                const int Before = Rest[i];
                cur -= (Width - (X - cur + 1) - Before) / (n - k);
                cur = Clamp32(cur);
                DC->MoveToEx(Clamp32(cur), Y);
                ++k;
            }
        }
    }
    if (DC->GetTextAlign() != Align) DC->SetTextAlign(Align);
}

void PimTextJustify(DeviceContext* DC, const TRect& Rect, int X, int Y, const QString& Text,
                    bool EndParagraph, const TRect& FullRect) {
    if (!DC) return;
    const QString t = PimRightTrim(Text);
    const int w = TextWidth(DC, t);
    const int n = FindInnerBlanks(SplitCells(t)).Blanks;
    const uint32_t Align = DC->GetTextAlign();

    TRect r;
    if (n <= 0 || EndParagraph) {
        switch (Align & TA_CENTER) {
        case TA_RIGHT:
            r.Right = X;
            r.Left = Clamp32(std::max<int64_t>(int64_t(X) - w, FullRect.Left));
            break;
        case TA_CENTER:
            r.Left = Clamp32(std::max<int64_t>(int64_t(X) - w / 2, FullRect.Left));
            r.Right = Clamp32(std::min<int64_t>(int64_t(X) + w / 2 + w % 2, FullRect.Right));
            X = r.Left;
            DC->SetTextAlign(Align & ~uint32_t(TA_CENTER));
            break;
        default:
            r.Left = X;
            r.Right = Clamp32(std::min<int64_t>(int64_t(X) + w, FullRect.Right));
            break;
        }
    } else {
        r.Left = X;
        r.Right = Rect.Right;
    }
    PimSetTextJustify(DC, X, Y, t, Span(r.Left, r.Right));
    // The parts of a centred line after a tab are centred too, so the flag goes back.
    if (DC->GetTextAlign() != Align) DC->SetTextAlign(Align);
}

// ---------------------------------------------------------------------------------------------------
// Shading, check boxes and shapes

void PimShadeRect(DeviceContext* DC, const TRect& Rect, TPimShadePercent Shade) {
    if (!DC || Shade == spNone) return;
    const std::array<uint8_t, 8> Rows = PimShadePattern(Shade);
    const HBRUSH Brush = CreatePatternBrush(Rows.data());
    DC->SetBkMode(TRANSPARENT);
    DC->FillRect(Rect, Brush);
    DeleteObject(Brush);
}

void PimDrawCheckBox(DeviceContext* DC, const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color,
                     int Thickness) {
    if (!DC) return;
    const int64_t W = Span(Rect.Left, Rect.Right);
    const int64_t H = Span(Rect.Top, Rect.Bottom);
    const int64_t mx = std::max<int64_t>((W * 10) / 100, 2);
    const int64_t my = std::max<int64_t>((H * 10) / 100, 2);
    const int64_t m2 = std::max<int64_t>((W * 20) / 100, 2);
    const HPEN Pen = CreatePen(PS_SOLID, Thickness, ColorToRGB(Color));
    const HGDIOBJ OldPen = DC->SelectObject(Pen);
    DC->SetROP2(R2_COPYPEN);
    const int64_t L = Rect.Left;
    const int64_t T = Rect.Top;
    switch (CheckStyle) {
    case acsCross:
        DC->MoveToEx(Clamp32(L + mx), Clamp32(T + my));
        DC->LineTo(Clamp32(L + W - mx), Clamp32(T + H - my));
        DC->MoveToEx(Clamp32(L + W - mx), Clamp32(T + my));
        DC->LineTo(Clamp32(L + mx), Clamp32(T + H - my));
        break;
    case acsCheck:
        DC->MoveToEx(Clamp32(L + W - m2), Clamp32(T + my));
        DC->LineTo(Clamp32(L + mx + 2 * m2), Clamp32(T + H - my));
        DC->LineTo(Clamp32(L + mx + m2), Clamp32(T + H / 2));
        break;
    }
    if (OldPen) DC->SelectObject(OldPen);
    DeleteObject(Pen);
}

void PimDrawShapeType(DeviceContext* DC, TPimDrawType dt, int x1, int y1, int x2, int y2, int x3, int y3,
                      int x4, int y4) {
    if (!DC) return;
    switch (dt) {
    case dtArc:
        DC->Arc(x1, y1, x2, y2, x3, y3, x4, y4);
        break;
    case dtChord:
        DC->Chord(x1, y1, x2, y2, x3, y3, x4, y4);
        break;
    case dtPie:
        DC->Pie(x1, y1, x2, y2, x3, y3, x4, y4);
        break;
    }
}

void PimPolyDrawType(DeviceContext* DC, TPimPolyType pt, const TPoint* Points, int Count) {
    if (!DC || !Points || Count <= 0) return;
    switch (pt) {
    case ptPolygon:
        DC->Polygon(Points, Count);
        break;
    case ptPolyLine:
        DC->Polyline(Points, Count);
        break;
    }
}

// ---------------------------------------------------------------------------------------------------
// Device capabilities

bool PimIsScreen(DeviceContext* DC) {
    return DC && (DC->GetDeviceCaps(TECHNOLOGY) & 1) != 0;
}

TPoint PimGetResolution(DeviceContext* DC) {
    if (!DC) return {};
    return Point(DC->GetDeviceCaps(LOGPIXELSX), DC->GetDeviceCaps(LOGPIXELSY));
}

TPoint PimGetPhysicalSize(DeviceContext* DC) {
    if (!DC) return {};
    return Point(DC->GetDeviceCaps(PHYSICALWIDTH), DC->GetDeviceCaps(PHYSICALHEIGHT));
}

TPoint PimGetPhysicalOffset(DeviceContext* DC) {
    if (!DC) return {};
    return Point(DC->GetDeviceCaps(PHYSICALOFFSETX), DC->GetDeviceCaps(PHYSICALOFFSETY));
}

TPoint PimGetPrintableSize(DeviceContext* DC) {
    if (!DC) return {};
    return Point(DC->GetDeviceCaps(HORZRES), DC->GetDeviceCaps(VERTRES));
}

TRect PimGetPrintableArea(DeviceContext* DC) {
    const TPoint Offset = PimGetPhysicalOffset(DC);
    const TPoint Size = PimGetPrintableSize(DC);
    return Rect(Offset.X, Offset.Y, Clamp32(int64_t(Offset.X) + Size.X), Clamp32(int64_t(Offset.Y) + Size.Y));
}

int PimGetObject(HGDIOBJ Handle, TLogFont& LogFont) {
    return GetObject(Handle, LogFont) ? static_cast<int>(sizeof(TLogFont)) : 0;
}

int PimGetObject(HGDIOBJ Handle, TLogPen& LogPen) {
    return GetObject(Handle, LogPen) ? static_cast<int>(sizeof(TLogPen)) : 0;
}

int PimGetObject(HGDIOBJ Handle, TLogBrush& LogBrush) {
    return GetObject(Handle, LogBrush) ? static_cast<int>(sizeof(TLogBrush)) : 0;
}

// ---------------------------------------------------------------------------------------------------
// Shade patterns

std::array<uint8_t, 8> PimShadePattern(TPimShadePercent Shade) {
    switch (Shade) {
    case spVeryDark:
        return {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    case spDark:
        return {0x55, 0xBB, 0x66, 0xDD, 0x55, 0xBB, 0x66, 0xDD};
    case spMedDark:
        return {0xBB, 0xEE, 0x77, 0xDD, 0xBB, 0xEE, 0x77, 0xDD};
    case spMedLight:
        return {0xFF, 0xFF, 0xBB, 0xFF, 0xFF, 0xFF, 0xDD, 0xFF};
    case spLight:
        return {0xFF, 0xBF, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF};
    default:
        return {0xFB, 0xF7, 0xBE, 0xDF, 0xFB, 0x7D, 0xEF, 0xBF};
    }
}

// ---------------------------------------------------------------------------------------------------
// Paper sizes and form names

// clang-format off
const std::array<const char*, PimFormNameCount> PimFormNames = {
    "LETTER", "LETTERSMALL", "TABLOID", "LEDGER", "LEGAL",  "STATEMENT", "EXECUTIVE", "A3",     "A4",
    "A4SMALL", "A5",         "B4",      "B5",     "FOLIO",  "QUARTO",    "10X14",     "11X17",  "NOTE",
    "ENV_9",  "ENV_10",      "ENV_11",  "ENV_12", "ENV_14", "CSHEET",    "DSHEET",    "ESHEET"};
// clang-format on

namespace {

enum TPaperUnit : uint8_t { puInch, puMM };

// First is the height and second the width of the paper held in portrait.
struct PaperEntry {
    int Number;
    double First;
    double Second;
    TPaperUnit Unit;
};

// clang-format off
constexpr PaperEntry PaperTable[] = {
    {1, 11, 8.5, puInch},       {2, 11, 8.5, puInch},       {3, 17, 11, puInch},
    {4, 11, 17, puInch},        {5, 14, 8.5, puInch},       {6, 8.5, 5.5, puInch},
    {7, 10.5, 7.25, puInch},    {8, 420, 297, puMM},        {9, 297, 210, puMM},
    {10, 297, 210, puMM},       {11, 210, 148, puMM},       {12, 354, 250, puMM},
    {13, 257, 182, puMM},       {14, 13, 8.5, puInch},      {15, 275, 215, puMM},
    {16, 14, 10, puInch},       {17, 17, 11, puInch},       {18, 11, 8.5, puInch},
    {19, 8.875, 3.875, puInch}, {20, 9.5, 4.125, puInch},   {21, 10.375, 4.5, puInch},
    {22, 11, 4.5, puInch},      {23, 11.5, 5, puInch},      {24, 22, 17, puInch},
    {25, 34, 22, puInch},       {26, 44, 34, puInch},       {27, 220, 110, puMM},
    {28, 229, 162, puMM},       {29, 458, 324, puMM},       {30, 324, 229, puMM},
    {31, 162, 114, puMM},       {32, 229, 114, puMM},       {33, 353, 250, puMM},
    {34, 250, 176, puMM},       {35, 176, 125, puMM},       {36, 230, 110, puMM},
    {37, 7.5, 3.875, puInch},   {38, 6.5, 3.625, puInch},   {39, 11, 14.875, puInch},
    {40, 12, 8.5, puInch},      {41, 13, 8.5, puInch},      {42, 353, 250, puMM},
    {43, 148, 100, puMM},       {44, 11, 9, puInch},        {45, 11, 10, puInch},
    {46, 11, 15, puInch},       {47, 220, 220, puMM},       {50, 12, 9.5, puInch},
    {51, 15, 9.5, puInch},      {52, 18, 11.69, puInch},    {53, 12.69, 9.27, puInch},
    {54, 11, 8.5, puInch},      {55, 297, 210, puMM},       {56, 12, 9.5, puInch},
    {57, 356, 227, puMM},       {58, 487, 305, puMM},       {59, 12.69, 8.5, puInch},
    {60, 330, 210, puMM},       {61, 210, 148, puMM},       {62, 257, 182, puMM},
    {63, 445, 322, puMM},       {64, 235, 174, puMM},       {65, 276, 201, puMM},
    {66, 594, 420, puMM},       {67, 420, 297, puMM},       {68, 445, 322, puMM},
    {69, 148, 200, puMM},       {70, 148, 105, puMM},       {75, 8.5, 11, puInch},
    {76, 297, 420, puMM},       {77, 210, 297, puMM},       {78, 148, 210, puMM},
    {79, 257, 364, puMM},       {80, 182, 257, puMM},       {81, 100, 148, puMM},
    {82, 200, 148, puMM},       {83, 105, 148, puMM},       {88, 182, 128, puMM},
    {89, 128, 182, puMM},       {90, 11, 12, puInch},       {93, 215, 146, puMM},
    {94, 151, 97, puMM},        {95, 151, 97, puMM},        {96, 165, 102, puMM},
    {97, 176, 102, puMM},       {98, 176, 125, puMM},       {99, 208, 110, puMM},
    {100, 220, 110, puMM},      {101, 230, 120, puMM},      {102, 230, 160, puMM},
    {103, 309, 120, puMM},      {104, 324, 229, puMM},      {105, 458, 324, puMM},
    {109, 102, 165, puMM},      {110, 102, 176, puMM},      {111, 125, 176, puMM},
    {112, 110, 208, puMM},      {113, 110, 220, puMM},      {114, 120, 230, puMM},
    {115, 160, 230, puMM},      {116, 120, 309, puMM},      {117, 229, 324, puMM},
    {118, 324, 458, puMM},      {256, 0, 0, puInch},
};
// clang-format on

} // namespace

void PimPaperSizeUnit(int Orientation, int PaperSize, double& X, double& Y, int Units) {
    double First = 0;
    double Second = 0;
    for (const PaperEntry& e : PaperTable) {
        if (e.Number != PaperSize) continue;
        First = e.First;
        Second = e.Second;
        if (Units == 1 && e.Unit == puInch) {
            First = PimInchToMM(First);
            Second = PimInchToMM(Second);
        } else if (Units == 0 && e.Unit == puMM) {
            First = PimMMtoInch(First);
            Second = PimMMtoInch(Second);
        }
        break;
    }
    const int Landscape = 2;
    if (Orientation == Landscape) {
        X = First;
        Y = Second;
    } else {
        X = Second;
        Y = First;
    }
}

void PimPaperSizeMM(int Orientation, int PaperSize, double& X, double& Y) {
    PimPaperSizeUnit(Orientation, PaperSize, X, Y, 1);
}

void PimPaperSizeInch(int Orientation, int PaperSize, double& X, double& Y) {
    PimPaperSizeUnit(Orientation, PaperSize, X, Y, 0);
}

int PimGetForm(const QString& Name) {
    // The name went through a fixed buffer of 256 characters; a longer one never matched.
    if (Name.size() > 256) return -1;
    const QString Upper = Name.toUpper();
    for (int i = 0; i < PimFormNameCount; ++i)
        if (Upper == QLatin1String(PimFormNames[static_cast<size_t>(i)])) return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------------
// Components and the running report

bool PimIsAncestor(const TComponent* Component) {
    return Component != nullptr && Component->HasState(csAncestor);
}

int PimAskAbort() {
    const QString Text =
        LoadStr(SAbortYes) + QChar(13) + LoadStr(SAbortNo) + QChar(13) + LoadStr(SAbortCancel);
    return Application()->MessageBox(Text, LoadStr(SAbortCaption), MB_YESNOCANCEL);
}

// Printing a stored document

#include "output/PimFile.h"

void PimFilePrint(const QString& FileName) {
    auto Doc = std::make_shared<TPimPimFile>();
    Doc->LoadFromFile(FileName);
    TPimPrinter Printer;
    Printer.LoadPages(Doc.get(), 1, Doc->PageCount());
    if (!Printer.ExceptionText().isEmpty()) throw Exception(Printer.ExceptionText());
}
