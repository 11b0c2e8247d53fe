#include "host/richlayout.h"
#include "host/devicecontext.h"
#include "host/fonts.h"
#include "host/mathutil.h"
#include "host/rtf.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

TRichCanvas::~TRichCanvas() = default;

void TPainterRichCanvas::FillBackground(const QRect& Rect, const QColor& Color) {
    FPainter.fillRect(Rect, Color);
}

void TPainterRichCanvas::DrawText(int X, int Baseline, const QString& Text, const TRichFont& Font,
                                  const std::vector<int>&) {
    FPainter.setFont(Font.Font);
    FPainter.setPen(Font.Color);
    FPainter.drawText(QPointF(X, Baseline), Text);
}

TDeviceRichCanvas::TDeviceRichCanvas(DeviceContext& DC) : FDC(DC) {
    FOldFont = FDC.GetCurrentObject(OBJ_FONT);
    FOldColor = FDC.GetTextColor();
    FOldAlign = FDC.SetTextAlign(TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    FOldBkMode = FDC.SetBkMode(TRANSPARENT);
}

TDeviceRichCanvas::~TDeviceRichCanvas() {
    if (FSelected) FDC.SelectObject(FOldFont);
    for (const auto& f : FFonts)
        DeleteObject(f.second);
    FDC.SetTextColor(FOldColor);
    FDC.SetTextAlign(FOldAlign);
    FDC.SetBkMode(FOldBkMode);
}

void TDeviceRichCanvas::FillBackground(const QRect& Rect, const QColor& Color) {
    const HBRUSH Brush = CreateSolidBrush(RGB(Color.red(), Color.green(), Color.blue()));
    FDC.FillRect(Bounds(Rect.left(), Rect.top(), Rect.width(), Rect.height()), Brush);
    DeleteObject(Brush);
}

void TDeviceRichCanvas::DrawText(int X, int Baseline, const QString& Text, const TRichFont& Font,
                                 const std::vector<int>& Advances) {
    auto Made =
        std::find_if(FFonts.begin(), FFonts.end(), [&](const auto& f) { return f.first == Font.LogFont; });
    if (Made == FFonts.end()) {
        FFonts.emplace_back(Font.LogFont, CreateFontIndirect(Font.LogFont));
        Made = FFonts.end() - 1;
    }
    if (FSelected != Made->second) {
        FDC.SelectObject(Made->second);
        FSelected = Made->second;
    }
    const COLORREF Color = RGB(Font.Color.red(), Font.Color.green(), Font.Color.blue());
    if (FDC.GetTextColor() != Color) FDC.SetTextColor(Color);
    FDC.ExtTextOut(X, Baseline, 0, nullptr, Text, Advances.data());
}

namespace {

constexpr int TwipsPerInch = 1440;
constexpr double FallbackPointSize = 12.0;
const QString FallbackFamily = QStringLiteral("Arial");

// Characters that are not drawn as text: tabs and breaks move the pen, an embedded object keeps
// only its place.
bool IsBreakCharacter(QChar c) {
    return c == u'\t' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
           c == QChar::ObjectReplacementCharacter;
}

} // namespace

// A stretch of one paragraph's text in one font and colour.
struct TRichLayout::TRun {
    int Start = 0; // in the paragraph layout's text
    int Length = 0;
    TRichFont Font;
    QColor Back;
    int Rise = 0;
};

// One paragraph laid out from a given character on: the whole paragraph, or its rest when an
// earlier piece took its beginning.
struct TRichLayout::TParagraph {
    int Base = 0;        // position of the layout's first character
    int End = 0;         // position of the paragraph end (or of the end of the text)
    bool HasEnd = false; // a paragraph end follows, taking one position
    bool First = false;  // the layout begins with the paragraph
    bool Justify = false;
    int Left = 0, Right = 0, FirstIndent = 0, SpaceBefore = 0, SpaceAfter = 0;
    int Spacing = 0;
    bool SpacingMultiple = false;
    // A bullet drawn before the first line, and where that line's text then starts.
    QString Bullet;
    TRichFont BulletFont;
    std::vector<int> BulletAdvances;
    int BulletX = 0;
    int FirstTextX = 0;
    std::unique_ptr<QTextLayout> Layout;
    std::vector<TRun> Runs;
};

struct TRichLayout::TLine {
    std::shared_ptr<TParagraph> Para;
    int Index = 0; // line of Para->Layout
    int Start = 0, End = 0, Next = 0;
    int Top = 0, Height = 0, Baseline = 0; // from the rectangle's top
};

struct TRichLayout::TPiece {
    std::vector<TLine> Lines;
    int Next = 0;
    int Height = 0;
    bool Forced = false;
};

TRichLayout::TRichLayout(const TRichText& Text, const TRichLayoutOptions& Options)
    : FText(Text), FOptions(Options) {
    if (FOptions.PixelsPerInchX <= 0) FOptions.PixelsPerInchX = 96;
    if (FOptions.PixelsPerInchY <= 0) FOptions.PixelsPerInchY = 96;
    if (FOptions.ContentPixelsPerInchX <= 0) FOptions.ContentPixelsPerInchX = FOptions.PixelsPerInchX;
    if (FOptions.ContentPixelsPerInchY <= 0) FOptions.ContentPixelsPerInchY = FOptions.PixelsPerInchY;
}

TRichLayout::~TRichLayout() = default;

TRichMeasure TRichLayout::Measure(int From, int To, const QRect& RectTwips) const {
    const QRect r = ToUnits(RectTwips);
    const TPiece p = LayOut(From, To, r.width(), r.height());
    TRichMeasure m;
    m.Count = p.Next - std::max(From, 0);
    m.Height = p.Height;
    m.Forced = p.Forced;
    return m;
}

int TRichLayout::Render(TRichCanvas& Canvas, int From, int To, const QRect& RectTwips, int ExtraTwips) const {
    QRect r = ToUnits(RectTwips);
    const int Limit = r.height() + MulDiv(ExtraTwips, FOptions.PixelsPerInchY, TwipsPerInch);
    const TPiece p = LayOut(From, To, r.width(), Limit);
    const int Last = p.Next;
    for (const TLine& l : p.Lines) {
        const QTextLine Line = l.Para->Layout->lineAt(l.Index);
        const int Base = l.Para->Base;
        if (l.Para->First && l.Index == 0 && !l.Para->Bullet.isEmpty())
            Canvas.DrawText(r.left() + l.Para->BulletX, r.top() + l.Baseline, l.Para->Bullet,
                            l.Para->BulletFont, l.Para->BulletAdvances);
        for (const TRun& Run : l.Para->Runs) {
            const int a = std::max({l.Start, Base + Run.Start, From});
            const int b = std::min({l.End, Base + Run.Start + Run.Length, Last});
            if (a >= b) continue;
            const QString Text = l.Para->Layout->text();
            // Each piece between tabs is placed where the layout put it; justified lines also
            // split at spaces, since their spaces are wider than the font's.
            int s = a;
            while (s < b) {
                while (s < b && IsBreakCharacter(Text[s - Base]))
                    ++s;
                if (s >= b) break;
                int e = s;
                while (e < b && !IsBreakCharacter(Text[e - Base])) {
                    ++e;
                    if (l.Para->Justify && Text[e - 1 - Base] == u' ') break;
                }
                // Whole units for every character, rounded from the layout's positions so that
                // rounding never adds up along a line.
                std::vector<int> Advances(static_cast<std::size_t>(e - s));
                const int Left = static_cast<int>(Round(Line.cursorToX(s - Base)));
                int Previous = Left;
                for (int i = s; i < e; ++i) {
                    if (i + 1 < e && Text[i + 1 - Base].isLowSurrogate()) continue;
                    const int x = static_cast<int>(Round(Line.cursorToX(i + 1 - Base)));
                    Advances[static_cast<std::size_t>(i - s)] = x - Previous;
                    Previous = x;
                }
                if (Run.Back.isValid())
                    Canvas.FillBackground(QRect(r.left() + Left, r.top() + l.Top, Previous - Left, l.Height),
                                          Run.Back);
                Canvas.DrawText(r.left() + Left, r.top() + l.Baseline + Run.Rise, Text.mid(s - Base, e - s),
                                Run.Font, Advances);
                s = e;
            }
        }
    }
    return Last;
}

// The line breaking shared by measuring and rendering: lines are taken from From on while they fit
// under Limit and begin before To.
TRichLayout::TPiece TRichLayout::LayOut(int From, int To, int Width, int Limit) const {
    TPiece Piece;
    const int Length = FText.TextLength();
    From = std::clamp(From, 0, Length);
    if (To < 0 || To > Length) To = Length;
    Piece.Next = From;
    if (From >= To) return Piece;
    QTextBlock Block = FText.Document().findBlock(From);
    int Pos = From;
    int y = 0;
    bool Stop = false;
    while (Block.isValid() && Pos < To && !Stop) {
        std::shared_ptr<TParagraph> Para = LayOutParagraph(Block.blockNumber(), Pos - Block.position());
        QTextLayout& Layout = *Para->Layout;
        Layout.beginLayout();
        for (int Index = 0;; ++Index) {
            QTextLine Line = Layout.createLine();
            if (!Line.isValid()) break;
            const bool FirstOfPara = Para->First && Index == 0;
            const int x = FirstOfPara ? Para->FirstTextX : Para->Left;
            // The position goes first: tab stops count from the rectangle's left edge.
            Line.setPosition(QPointF(x, 0));
            Line.setLineWidth(std::max(1, Width - x - Para->Right));
            TLine l;
            l.Para = Para;
            l.Index = Index;
            l.Start = Para->Base + Line.textStart();
            l.End = l.Start + Line.textLength();
            const bool LastOfPara = l.End >= Para->End;
            l.Next = std::min(To, LastOfPara ? Para->End + (Para->HasEnd ? 1 : 0) : l.End);
            const int Descent = static_cast<int>(std::ceil(Line.descent()));
            const int Natural = static_cast<int>(std::ceil(Line.ascent())) + Descent;
            int h = Natural;
            if (Para->SpacingMultiple && Para->Spacing > 0)
                h = MulDiv(Natural, Para->Spacing, 240);
            else if (Para->Spacing > 0)
                h = std::max(Natural, Para->Spacing);
            else if (Para->Spacing < 0)
                h = -Para->Spacing;
            const int Before = FirstOfPara ? Para->SpaceBefore : 0;
            const int After = LastOfPara ? Para->SpaceAfter : 0;
            const int Total = Before + h + After;
            if (y + Total > Limit) {
                if (!Piece.Lines.empty()) {
                    Stop = true;
                    break;
                }
                Piece.Forced = true;
            }
            l.Top = y + Before;
            l.Height = h;
            l.Baseline = l.Top + h - Descent;
            y += Total;
            Piece.Next = l.Next;
            Piece.Lines.push_back(std::move(l));
            if (Piece.Forced || Piece.Next >= To) {
                Stop = true;
                break;
            }
        }
        Layout.endLayout();
        Pos = Para->End + 1;
        Block = Block.next();
    }
    Piece.Height = y;
    return Piece;
}

std::shared_ptr<TRichLayout::TParagraph> TRichLayout::LayOutParagraph(int BlockNumber, int Offset) const {
    const QTextBlock Block = FText.Document().findBlockByNumber(BlockNumber);
    const QString BlockText = Block.text();
    auto Para = std::make_shared<TParagraph>();
    Para->Base = Block.position() + Offset;
    Para->End = Block.position() + static_cast<int>(BlockText.size());
    Para->HasEnd = Block.next().isValid();
    Para->First = Offset == 0;

    const QTextBlockFormat bf = Block.blockFormat();
    Para->Left = ContentX(bf.intProperty(rbpLeftIndent));
    Para->Right = ContentX(bf.intProperty(rbpRightIndent));
    Para->FirstIndent = ContentX(bf.intProperty(rbpFirstIndent));
    Para->SpaceBefore = ContentY(bf.intProperty(rbpSpaceBefore));
    Para->SpaceAfter = ContentY(bf.intProperty(rbpSpaceAfter));
    Para->SpacingMultiple = bf.boolProperty(rbpLineSpacingMultiple);
    const int Spacing = bf.intProperty(rbpLineSpacing);
    Para->Spacing = Para->SpacingMultiple ? Spacing : (Spacing < 0 ? -ContentY(-Spacing) : ContentY(Spacing));
    const Qt::Alignment Align = bf.alignment() & Qt::AlignHorizontal_Mask;
    Para->Justify = Align == Qt::AlignJustify;
    Para->FirstTextX = Para->Left + Para->FirstIndent;
    if (Para->First && bf.hasProperty(rbpBulletText)) PlaceBullet(*Para, bf);

    int Rise = 0;
    const TRichFont BlockFont = ResolveFont(Block.charFormat(), Rise);
    Para->Layout = std::make_unique<QTextLayout>(BlockText.mid(Offset), BlockFont.Font);
    QTextOption Option;
    Option.setAlignment(Align == 0 ? Qt::AlignLeft : Align);
    Option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Option.setTabStopDistance(std::max(1, ContentX(FText.DefaultTab())));
    QList<QTextOption::Tab> Tabs;
    for (const QTextOption::Tab& t : bf.tabPositions())
        Tabs.append(QTextOption::Tab(ContentX(static_cast<int>(t.position)), t.type, t.delimiter));
    Option.setTabs(Tabs);
    Para->Layout->setTextOption(Option);

    QList<QTextLayout::FormatRange> Formats;
    for (const QTextLayout::FormatRange& f : Block.textFormats()) {
        const int a = std::max(f.start, Offset);
        const int b = std::min(f.start + f.length, static_cast<int>(BlockText.size()));
        if (a >= b) continue;
        TRun Run;
        Run.Start = a - Offset;
        Run.Length = b - a;
        Run.Font = ResolveFont(f.format, Run.Rise);
        if (f.format.hasProperty(QTextFormat::BackgroundBrush)) Run.Back = f.format.background().color();
        QTextLayout::FormatRange r;
        r.start = Run.Start;
        r.length = Run.Length;
        r.format.setFont(Run.Font.Font);
        Formats.append(r);
        Para->Runs.push_back(std::move(Run));
    }
    Para->Layout->setFormats(Formats);
    return Para;
}

// The bullet hangs at the first line's indent; a tab after it moves the text on to the paragraph's
// indent when that lies further right, else to the next default tab stop.
void TRichLayout::PlaceBullet(TParagraph& Para, const QTextBlockFormat& Format) const {
    QString Bullet = Format.stringProperty(rbpBulletText);
    const bool Tab = Bullet.endsWith(u'\t');
    while (Bullet.endsWith(u'\t'))
        Bullet.chop(1);
    int Rise = 0;
    Para.BulletFont = ResolveFont(Format.property(rbpBulletFormat).value<QTextFormat>().toCharFormat(), Rise);
    const auto Instance = FontInstance(Para.BulletFont.LogFont, Para.BulletFont.LogFont.lfHeight, 0,
                                       FOptions.ContentPixelsPerInchY, false);
    Para.Bullet = Bullet;
    Para.BulletAdvances = Instance->Advances(Bullet);
    Para.BulletX = Para.Left + Para.FirstIndent;
    const int End = Para.BulletX + Instance->TextWidth(Bullet);
    if (!Tab)
        Para.FirstTextX = End;
    else if (End < Para.Left)
        Para.FirstTextX = Para.Left;
    else {
        const int Step = std::max(1, ContentX(FText.DefaultTab()));
        Para.FirstTextX = (End / Step + 1) * Step;
    }
}

// Sizes become whole units the way a device font is made: height = size * pixels per inch / 72. The
// layout measures with the very face a device context draws the record with.
TRichFont TRichLayout::ResolveFont(const QTextCharFormat& Format, int& Rise) const {
    const bool Use = FOptions.UseDefaultFont;
    const TFont& d = FOptions.DefaultFont;
    const TFontStyles Styles = Use ? d.Style() : 0;
    QString Family;
    if (Format.hasProperty(rcpHasFamily))
        Family = Format.fontFamilies().toStringList().value(0);
    else if (Use)
        Family = d.Name();
    else
        Family = FText.DefaultFamily();
    if (Family.isEmpty()) Family = FallbackFamily;

    double Points = FallbackPointSize;
    if (Format.hasProperty(rcpHasSize))
        Points = Format.fontPointSize();
    else if (Use && d.Size() > 0)
        Points = d.Size();
    const int HalfPoints = static_cast<int>(Round(Points * 2));
    int Pixels = std::max(1, MulDiv(HalfPoints, FOptions.ContentPixelsPerInchY, 144));
    Rise = 0;
    const auto Vertical = Format.verticalAlignment();
    if (Vertical == QTextCharFormat::AlignSuperScript) {
        Rise = -Pixels / 3;
        Pixels = std::max(1, Pixels * 2 / 3);
    } else if (Vertical == QTextCharFormat::AlignSubScript) {
        Rise = Pixels / 6;
        Pixels = std::max(1, Pixels * 2 / 3);
    }

    TRichFont f;
    TLogFont& lf = f.LogFont;
    lf.lfFaceName = Family;
    lf.lfHeight = -Pixels;
    const bool Bold =
        Format.hasProperty(rcpHasBold) ? Format.fontWeight() >= QFont::Bold : (Styles & fsBold) != 0;
    lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = Format.hasProperty(rcpHasItalic) ? Format.fontItalic() : (Styles & fsItalic) != 0;
    lf.lfUnderline =
        Format.hasProperty(rcpHasUnderline) ? Format.fontUnderline() : (Styles & fsUnderline) != 0;
    lf.lfStrikeOut =
        Format.hasProperty(rcpHasStrikeOut) ? Format.fontStrikeOut() : (Styles & fsStrikeOut) != 0;
    f.Font = FontInstance(lf, lf.lfHeight, 0, FOptions.ContentPixelsPerInchY, false)->Font();
    f.Font.setUnderline(lf.lfUnderline != 0);
    f.Font.setStrikeOut(lf.lfStrikeOut != 0);
    if (Format.hasProperty(rcpHasColor))
        f.Color = Format.foreground().color();
    else if (Use)
        f.Color = QColor::fromRgb(ColorToRGB(d.Color()) & 0xFF, (ColorToRGB(d.Color()) >> 8) & 0xFF,
                                  (ColorToRGB(d.Color()) >> 16) & 0xFF);
    else
        f.Color = FOptions.TextColor;
    return f;
}

// The rectangle's right and bottom twips are its last ones, so its size is one more than the
// difference.
QRect TRichLayout::ToUnits(const QRect& RectTwips) const {
    const int px = FOptions.PixelsPerInchX;
    const int py = FOptions.PixelsPerInchY;
    return QRect(MulDiv(RectTwips.left(), px, TwipsPerInch), MulDiv(RectTwips.top(), py, TwipsPerInch),
                 MulDiv(RectTwips.right() - RectTwips.left() + 1, px, TwipsPerInch),
                 MulDiv(RectTwips.bottom() - RectTwips.top() + 1, py, TwipsPerInch));
}

int TRichLayout::ContentX(int Twips) const {
    return MulDiv(Twips, FOptions.ContentPixelsPerInchX, TwipsPerInch);
}

int TRichLayout::ContentY(int Twips) const {
    return MulDiv(Twips, FOptions.ContentPixelsPerInchY, TwipsPerInch);
}
