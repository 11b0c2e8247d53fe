#include "host/devicecontext.h"
#include "host/devicecontext_internal.h"
#include "host/fonts.h"
#include <QGlyphRun>
#include <QtMath>

using namespace DeviceContextInternal;

// ---------------------------------------------------------------------------------------------
// Text

namespace {

// A character taller than the device's page cannot be shown whole, and the text engine's glyph
// caches grow with the square of its height: a height from a damaged file is bounded by the page, as
// coordinates are by DeviceLimit; a device smaller than a sheet of SheetInches (a bitmap to measure
// on, one that only measures) bounds them as if it were a sheet.
constexpr int SheetInches = 12;

int LargestCharacter(const TDeviceCaps& C) {
    const int Page = std::max({C.PhysicalWidth, C.PhysicalHeight, C.HorzRes, C.VertRes});
    return std::max(Page, SheetInches * std::max({C.LogPixelsX, C.LogPixelsY, 1}));
}

} // namespace

const DeviceContext::TMadeFont& DeviceContext::SelectedFont() const {
    double SX = ScaleX(), SY = ScaleY();
    HFONT H = FState->Font;
    auto Same = [&](const TMadeFont& M) { return M.ScaleX == SX && M.ScaleY == SY; };
    auto Use = [&](std::vector<TMadeFont>::iterator It) -> const TMadeFont& {
        std::rotate(FFontsMade.begin(), It, It + 1);
        return FFontsMade.front();
    };
    if (!FFontsMade.empty() && FFontsMade.front().Handle == H && Same(FFontsMade.front()))
        return FFontsMade.front();
    for (auto It = FFontsMade.begin(); It != FFontsMade.end(); ++It)
        if (It->Handle == H && Same(*It)) return Use(It);
    TLogFont F;
    if (!GetObject(H, F)) F = StockFont(SYSTEM_FONT);
    for (auto It = FFontsMade.begin(); It != FFontsMade.end(); ++It)
        if (It->LogFont == F && Same(*It)) {
            It->Handle = H;
            return Use(It);
        }
    int PH = F.lfHeight == 0 ? 0 : DevRound(F.lfHeight * std::fabs(SY));
    if (F.lfHeight != 0 && PH == 0) PH = F.lfHeight < 0 ? -1 : 1;
    int PW = F.lfWidth == 0 ? 0 : std::max(1, DevRound(std::abs(F.lfWidth) * std::fabs(SX)));
    const int Largest = LargestCharacter(FCaps);
    PH = std::clamp(PH, -Largest, Largest);
    PW = std::min(PW, Largest);
    TMadeFont M{H, SX, SY, F, FontInstance(F, PH, PW, FCaps.LogPixelsY, FSurface->IsRaster())};
    if (FFontsMade.size() >= MaxMadeFonts) FFontsMade.pop_back();
    FFontsMade.insert(FFontsMade.begin(), std::move(M));
    return FFontsMade.front();
}

std::shared_ptr<const TFontInstance> DeviceContext::CurrentFont() const {
    return SelectedFont().Font;
}

bool DeviceContext::TextOut(int X, int Y, QStringView Text) {
    if (FLog) Note(QStringLiteral("TextOut ") + Ints({X, Y}) + QLatin1Char(' ') + Quote(Text));
    DrawText(X, Y, 0, nullptr, Text, nullptr);
    return true;
}

bool DeviceContext::ExtTextOut(int X, int Y, uint32_t Options, const TRect* R, QStringView Text,
                               const int* Dx) {
    if (FLog) {
        QString Line = QStringLiteral("ExtTextOut ") + Ints({X, Y, int(Options)}) + QLatin1Char(' ') +
                       (R ? Ints({R->Left, R->Top, R->Right, R->Bottom}) : QStringLiteral("nil")) +
                       QLatin1Char(' ') + Quote(Text);
        if (Dx) {
            QStringList L;
            for (qsizetype i = 0; i < Text.size(); ++i)
                L << QString::number(Dx[i]);
            Line += QStringLiteral(" dx=") + L.join(QLatin1Char(','));
        }
        Note(Line);
    }
    DrawText(X, Y, Options, R, Text, Dx);
    return true;
}

void DeviceContext::DrawText(int X, int Y, uint32_t Options, const TRect* R, QStringView Text,
                             const int* Dx) {
    const TMadeFont& Made = SelectedFont();
    std::shared_ptr<const TFontInstance> Font = Made.Font;
    const TTextMetric& M = Font->Metrics();
    const int Escapement = Made.LogFont.lfEscapement;
    const bool Underline = Made.LogFont.lfUnderline, StrikeOut = Made.LogFont.lfStrikeOut;
    uint32_t Align = FState->TextAlign;
    bool UpdateCp = Align & TA_UPDATECP;

    // advances in device pixels, one per UTF-16 unit
    std::vector<int>& Adv = FAdvanceBuffer;
    Adv.assign(size_t(Text.size()), 0);
    if (Dx) {
        double SX = std::fabs(ScaleX());
        int64_t Logical = 0;
        int Prev = 0;
        for (qsizetype i = 0; i < Text.size(); ++i) {
            Logical += Dx[i];
            int Dev = DevRound(double(Logical) * SX);
            Adv[size_t(i)] = Dev - Prev;
            Prev = Dev;
        }
    } else {
        for (qsizetype i = 0, Units = 1; i < Text.size(); i += Units)
            Adv[size_t(i)] = Font->Advance(CodePointAt(Text, i, Units));
    }
    int Width = 0;
    for (int A : Adv)
        Width += A;

    TPoint Ref = UpdateCp ? FState->Cp : Point(X, Y);
    QPointF Origin = ToDevice(Ref.X, Ref.Y);
    double Angle = Escapement / 10.0;

    int StartX = 0;
    switch (Align & TA_CENTER) {
    case TA_RIGHT:
        StartX = -Width;
        break;
    case TA_CENTER:
        StartX = -(Width / 2);
        break;
    default:
        break;
    }
    int Baseline = 0;
    switch (Align & TA_BASELINE) {
    case TA_BASELINE:
        Baseline = 0;
        break;
    case TA_BOTTOM:
        Baseline = -M.tmDescent;
        break;
    default:
        Baseline = M.tmAscent;
        break;
    }

    if (UpdateCp) {
        int Advance = 0;
        switch (Align & TA_CENTER) {
        case TA_RIGHT:
            Advance = -Width;
            break;
        case TA_CENTER:
            Advance = 0;
            break;
        default:
            Advance = Width;
            break;
        }
        // level text, nearly all of it, moves along x alone: no need for the sine and cosine
        double Rad = qDegreesToRadians(Angle);
        double CosA = Angle == 0 ? 1.0 : std::cos(Rad), SinA = Angle == 0 ? 0.0 : std::sin(Rad);
        TPoint NewCp[1] = {
            Point(DevRound(Origin.x() + Advance * CosA), DevRound(Origin.y() - Advance * SinA))};
        DPtoLP(NewCp, 1);
        FState->Cp = NewCp[0];
    }

    TPainterGuard G(*this);
    if (!G) return;
    QPainter& P = *G.P;
    QRect Box = R ? ToDeviceRect(R->Left, R->Top, R->Right, R->Bottom) : QRect();
    if (R && (Options & ETO_OPAQUE)) P.fillRect(Box, ToQColor(FState->BkColor));
    if (R && (Options & ETO_CLIPPED)) {
        if (FState->Clipped)
            P.setClipRegion(FState->Clip.intersected(QRegion(Box)));
        else
            P.setClipRect(Box);
    }
    if (Text.isEmpty()) return;

    // Level text is placed by moving its coordinates to the whole-pixel origin rather than the
    // painter: every change of the painter's transform makes it prepare its pen and glyphs anew.
    QPoint Shift;
    if (Angle != 0) {
        P.translate(Origin);
        P.rotate(-Angle);
    } else {
        Shift = Origin.toPoint();
    }
    if (FState->BkMode == OPAQUE)
        P.fillRect(QRect(StartX, Baseline - M.tmAscent, Width, M.tmHeight).translated(Shift),
                   ToQColor(FState->BkColor));

    const QColor Ink = ToQColor(FState->TextColor);
    if (FInkPen.color() != Ink) FInkPen = QPen(Ink);
    P.setPen(FInkPen);
    // Glyphs of the face go out as one run at their whole-pixel positions; a character the face
    // lacks is drawn on its own so that the font machinery can find another face for it. Only
    // that needs the painter's font, and setting it costs more than the run.
    bool FontSet = false;
    QList<quint32>& Glyphs = FGlyphBuffer;
    QList<QPointF>& Positions = FPositionBuffer;
    Glyphs.clear();
    Positions.clear();
    int Pos = StartX;
    for (qsizetype Index = 0, Len = 1; Index < Text.size(); Index += Len) {
        char32_t Ch = CodePointAt(Text, Index, Len);
        int A = 0;
        for (qsizetype k = 0; k < Len; ++k)
            A += Adv[size_t(Index + k)];
        if (Ch != U' ' && Ch >= 0x20) {
            quint32 Glyph = Font->Glyph(Ch);
            if (Glyph != 0) {
                Glyphs << Glyph;
                Positions << QPointF(Pos, 0);
            } else {
                if (!FontSet) P.setFont(Font->Font());
                FontSet = true;
                P.drawText(QPointF(Pos, Baseline) + Shift, Text.mid(Index, Len).toString());
            }
        }
        Pos += A;
    }
    if (!Glyphs.isEmpty()) {
        if (FRunFont != Font) {
            FRun.setRawFont(Font->RawFont());
            FRunFont = Font;
        }
        FRun.setGlyphIndexes(Glyphs);
        FRun.setPositions(Positions);
        P.drawGlyphRun(QPointF(Shift.x(), Shift.y() + Baseline), FRun);
        // let go of the lists, so that the next call fills them without copying
        FRun.setGlyphIndexes({});
        FRun.setPositions({});
    }
    int Line = std::max(1, DevRound(Font->LineWidth()));
    if (Underline)
        P.fillRect(QRect(StartX, Baseline + DevRound(Font->UnderlinePos()) - Line / 2, Width, Line)
                       .translated(Shift),
                   Ink);
    if (StrikeOut)
        P.fillRect(QRect(StartX, Baseline - DevRound(Font->StrikeOutPos()) - Line / 2, Width, Line)
                       .translated(Shift),
                   Ink);
}

bool DeviceContext::GetTextExtentPoint32(QStringView Text, TSize& Size) const {
    const TFontInstance* Font = SelectedFont().Font.get();
    int W = Font->TextWidth(Text);
    Size.cx = DevRound(W / std::fabs(ScaleX()));
    Size.cy = DevRound(Font->Metrics().tmHeight / std::fabs(ScaleY()));
    return true;
}

bool DeviceContext::GetTextExtentExPoint(QStringView Text, int MaxExtent, int* Fit, int* Dx,
                                         TSize& Size) const {
    const TFontInstance* Font = SelectedFont().Font.get();
    std::vector<int> Adv = Font->Advances(Text);
    double SX = std::fabs(ScaleX());
    int Dev = 0, Count = 0;
    bool Fits = true;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        Dev += Adv[size_t(i)];
        int Logical = DevRound(Dev / SX);
        if (Dx) Dx[i] = Logical;
        if (Fits && MaxExtent >= 0 && Logical > MaxExtent) Fits = false;
        if (Fits) Count = int(i + 1);
    }
    if (Fit) *Fit = Count;
    Size.cx = DevRound(Dev / SX);
    Size.cy = DevRound(Font->Metrics().tmHeight / std::fabs(ScaleY()));
    return true;
}

bool DeviceContext::GetTextMetrics(TTextMetric& Metrics) const {
    Metrics = SelectedFont().Font->Metrics();
    if (FState->MapMode != MM_TEXT) {
        double SX = std::fabs(ScaleX()), SY = std::fabs(ScaleY());
        Metrics.tmHeight = DevRound(Metrics.tmHeight / SY);
        Metrics.tmAscent = DevRound(Metrics.tmAscent / SY);
        Metrics.tmDescent = DevRound(Metrics.tmDescent / SY);
        Metrics.tmInternalLeading = DevRound(Metrics.tmInternalLeading / SY);
        Metrics.tmExternalLeading = DevRound(Metrics.tmExternalLeading / SY);
        Metrics.tmAveCharWidth = DevRound(Metrics.tmAveCharWidth / SX);
        Metrics.tmMaxCharWidth = DevRound(Metrics.tmMaxCharWidth / SX);
    }
    return true;
}

QString DeviceContext::GetTextFace() const {
    TLogFont F;
    if (!GetObject(FState->Font, F)) return QString();
    return F.lfFaceName;
}

bool DeviceContext::GetCharWidth32(char32_t First, char32_t Last, int* Widths) const {
    if (!Widths || Last < First) return false;
    const TFontInstance* Font = SelectedFont().Font.get();
    double SX = std::fabs(ScaleX());
    for (char32_t C = First; C <= Last; ++C)
        Widths[C - First] = DevRound(Font->Advance(C) / SX);
    return true;
}
