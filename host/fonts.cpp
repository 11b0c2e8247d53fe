#include "host/fonts.h"
#include "host/mathutil.h"
#include <QFontInfo>
#include <QFontMetricsF>
#include <algorithm>
#include <map>
#include <tuple>

namespace {

// Faces the system's reports ask for, mapped to faces with the same advance widths, so that text
// breaks where it did on the platform it was designed on. The system and dialog faces of that
// platform go to the same sans-serif face.
struct TSubstitution {
    const char* From;
    const char* To;
};
constexpr TSubstitution Substitutions[] = {
    {"arial", "Liberation Sans"},         {"times new roman", "Liberation Serif"},
    {"courier new", "Liberation Mono"},   {"system", "Liberation Sans"},
    {"ms sans serif", "Liberation Sans"},
};

// Larger glyphs than this are drawn at this size: nothing on a page needs more, and a wild height
// must not make the glyph cache allocate without end.
constexpr int MaxEmPixels = 8192;

QFont::StyleHint HintOfFamily(uint8_t PitchAndFamily) {
    switch (PitchAndFamily & 0xF0) {
    case FF_ROMAN:
        return QFont::Serif;
    case FF_SWISS:
        return QFont::SansSerif;
    case FF_MODERN:
        return QFont::Monospace;
    case FF_SCRIPT:
        return QFont::Cursive;
    case FF_DECORATIVE:
        return QFont::Decorative;
    default:
        return (PitchAndFamily & 0x03) == FIXED_PITCH ? QFont::Monospace : QFont::AnyStyle;
    }
}

QFont MakeQFont(const TLogFont& Lf, int EmPixels, bool Raster) {
    QString Face = Lf.lfFaceName.left(LF_FACESIZE - 1);
    QFont F(SubstituteFontName(Face));
    F.setStyleHint(HintOfFamily(Lf.lfPitchAndFamily),
                   QFont::StyleStrategy((Raster ? QFont::NoAntialias : QFont::PreferOutline) |
                                        QFont::NoSubpixelAntialias));
    F.setHintingPreference(QFont::PreferNoHinting);
    F.setKerning(false);
    F.setPixelSize(std::max(1, EmPixels));
    int W = Lf.lfWeight <= 0 ? FW_NORMAL : std::clamp(Lf.lfWeight, 1, 1000);
    F.setWeight(QFont::Weight(W));
    F.setItalic(Lf.lfItalic != 0);
    F.setFixedPitch((Lf.lfPitchAndFamily & 0x03) == FIXED_PITCH);
    return F;
}

// Cell height over character height of a face: turns a positive (cell) height into a pixel size.
double CellRatio(const TLogFont& Lf, bool Raster) {
    QFont F = MakeQFont(Lf, 1000, Raster);
    QFontMetricsF M(F);
    double Cell = M.ascent() + M.descent();
    return Cell > 0 ? Cell / 1000.0 : 1.0;
}

using TCacheKey =
    std::tuple<QString, int32_t, int32_t, int32_t, uint8_t, uint8_t, uint8_t, uint8_t, int, int, bool>;

struct TFontCache {
    std::mutex Lock;
    std::map<TCacheKey, std::shared_ptr<const TFontInstance>> Items;
};

TFontCache& Cache() {
    static TFontCache C;
    return C;
}

} // namespace

QString SubstituteFontName(const QString& Name) {
    QString Key = Name.trimmed().toLower();
    if (Key.isEmpty()) return QStringLiteral("Liberation Sans");
    for (const auto& S : Substitutions)
        if (Key == QLatin1String(S.From)) return QString::fromLatin1(S.To);
    return Name.trimmed();
}

TFontInstance::TFontInstance(const TLogFont& LogFont, int EmPixels, int WidthPixels, bool Raster)
    : FLogFont(LogFont), FEmPixels(std::max(1, EmPixels)) {
    FFont = MakeQFont(LogFont, FEmPixels, Raster);
    if (WidthPixels > 0) {
        double Natural = QFontMetricsF(FFont).averageCharWidth();
        if (Natural > 0) FFont.setStretch(std::clamp(int(Round(WidthPixels * 100.0 / Natural)), 1, 4000));
    }
    QFontMetricsF M(FFont);
    FFamilyUsed = QFontInfo(FFont).family();
    FRaw = QRawFont::fromFont(FFont);
    TTextMetric& T = FMetrics;
    T.tmAscent = int(Round(M.ascent()));
    T.tmDescent = int(Round(M.descent()));
    T.tmHeight = T.tmAscent + T.tmDescent;
    T.tmInternalLeading = std::max(0, T.tmHeight - FEmPixels);
    T.tmExternalLeading = std::max(0, int(Round(M.leading())));
    T.tmAveCharWidth = int(Round(M.averageCharWidth()));
    T.tmMaxCharWidth = int(Round(M.maxWidth()));
    T.tmWeight = LogFont.lfWeight <= 0 ? FW_NORMAL : LogFont.lfWeight;
    T.tmDigitizedAspectX = 96;
    T.tmDigitizedAspectY = 96;
    T.tmItalic = LogFont.lfItalic ? 1 : 0;
    T.tmUnderlined = LogFont.lfUnderline ? 1 : 0;
    T.tmStruckOut = LogFont.lfStrikeOut ? 1 : 0;
    T.tmCharSet = LogFont.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : LogFont.lfCharSet;
    bool Fixed = QFontInfo(FFont).fixedPitch();
    T.tmPitchAndFamily = uint8_t((LogFont.lfPitchAndFamily & 0xF0) | TMPF_TRUETYPE | TMPF_VECTOR |
                                 (Fixed ? uint8_t(0) : TMPF_FIXED_PITCH));
    FUnderlinePos = M.underlinePos();
    FStrikeOutPos = M.strikeOutPos();
    FLineWidth = std::max(1.0, M.lineWidth());
}

int TFontInstance::Advance(char32_t Ch) const {
    std::lock_guard<std::mutex> G(FLock);
    auto It = FAdvances.constFind(Ch);
    if (It != FAdvances.constEnd()) return *It;
    QFontMetricsF M(FFont);
    int A = int(Round(M.horizontalAdvance(QString::fromUcs4(&Ch, 1))));
    FAdvances.insert(Ch, A);
    return A;
}

quint32 TFontInstance::Glyph(char32_t Ch) const {
    std::lock_guard<std::mutex> G(FLock);
    auto It = FGlyphs.constFind(Ch);
    if (It != FGlyphs.constEnd()) return *It;
    quint32 Index = 0;
    if (FRaw.isValid()) {
        QList<quint32> L = FRaw.glyphIndexesForString(QString::fromUcs4(&Ch, 1));
        if (L.size() == 1) Index = L[0];
    }
    FGlyphs.insert(Ch, Index);
    return Index;
}

int TFontInstance::TextWidth(QStringView Text) const {
    int W = 0;
    for (qsizetype i = 0, Units = 1; i < Text.size(); i += Units)
        W += Advance(CodePointAt(Text, i, Units));
    return W;
}

std::vector<int> TFontInstance::Advances(QStringView Text) const {
    std::vector<int> R(size_t(Text.size()), 0);
    for (qsizetype i = 0, Units = 1; i < Text.size(); i += Units)
        R[size_t(i)] = Advance(CodePointAt(Text, i, Units));
    return R;
}

std::shared_ptr<const TFontInstance> FontInstance(const TLogFont& LogFont, int HeightPixels, int WidthPixels,
                                                  int PixelsPerInchY, bool Raster) {
    TCacheKey Key{LogFont.lfFaceName.left(LF_FACESIZE - 1).toLower(),
                  HeightPixels,
                  WidthPixels,
                  LogFont.lfWeight,
                  LogFont.lfItalic,
                  LogFont.lfUnderline,
                  LogFont.lfStrikeOut,
                  LogFont.lfPitchAndFamily,
                  LogFont.lfCharSet,
                  PixelsPerInchY,
                  Raster};
    TFontCache& C = Cache();
    std::lock_guard<std::mutex> G(C.Lock);
    auto It = C.Items.find(Key);
    if (It != C.Items.end()) return It->second;
    int64_t Em;
    if (HeightPixels < 0)
        Em = -int64_t(HeightPixels);
    else if (HeightPixels > 0)
        Em = Round(HeightPixels / CellRatio(LogFont, Raster));
    else
        Em = MulDiv(12, PixelsPerInchY > 0 ? PixelsPerInchY : 96, 72); // the default size is 12 points
    Em = std::clamp<int64_t>(Em, 1, MaxEmPixels);
    auto Inst = std::make_shared<const TFontInstance>(LogFont, int(Em),
                                                      std::clamp(WidthPixels, 0, MaxEmPixels * 4), Raster);
    C.Items.emplace(Key, Inst);
    return Inst;
}

void ClearFontCache() {
    TFontCache& C = Cache();
    std::lock_guard<std::mutex> G(C.Lock);
    C.Items.clear();
}
