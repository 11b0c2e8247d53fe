#pragma once
// What the sources of the device context share: the object table every call reads, the state a
// device context keeps and the guard every drawing call takes, and the helpers that build log lines
// and device coordinates. Only the device context's own sources include this header.

#include "host/devicecontext.h"
#include "host/mathutil.h"
#include <QColor>
#include <QPainter>
#include <QRegion>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace DeviceContextInternal {

struct TGdiObject {
    int Type = 0;
    TLogFont Font;
    TLogPen Pen;
    TLogBrush Brush;
    bool MonoPattern = false;
    uint8_t Rows[8] = {};
    QImage Pattern; // colour pattern brushes
    std::vector<TPaletteEntry> Palette;
    int Uses = 0; // selections in device contexts and their saved states
    bool Stock = false;
};

constexpr HGDIOBJ FirstStock = 1;       // stock object i has handle FirstStock + i
constexpr HGDIOBJ FirstCreated = 0x100; // created objects count up from here

struct TGdiTable {
    std::mutex Lock;
    std::unordered_map<HGDIOBJ, TGdiObject> Objects;
    HGDIOBJ Next = FirstCreated;
    bool StockMade = false;
};

TGdiTable& Table();
TLogFont StockFont(int Index);
void MakeStock(TGdiTable& T);

// Hands the object (nullptr for an invalid handle) to Read under the table's lock, so that a caller
// that needs one field does not copy the whole object, patterns and palettes included.
template <class TRead> auto ReadObject(HGDIOBJ H, TRead Read) {
    TGdiTable& T = Table();
    std::lock_guard<std::mutex> G(T.Lock);
    MakeStock(T);
    auto It = T.Objects.find(H);
    return Read(It == T.Objects.end() ? nullptr : &It->second);
}

// A copy of the object, or one of Type 0 for an invalid handle.
TGdiObject FindObject(HGDIOBJ H);

// Copies the record of an object of Type into Record.
template <class TRecord> bool ReadRecord(HGDIOBJ H, int Type, TRecord TGdiObject::*Field, TRecord& Record) {
    return ReadObject(H, [&](const TGdiObject* O) {
        if (!O || O->Type != Type) return false;
        Record = O->*Field;
        return true;
    });
}

void AddUse(HGDIOBJ H, int Delta);

inline QColor ToQColor(COLORREF C) {
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

inline QString Quote(QStringView S) {
    QString R = S.toString();
    R.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    R.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + R + QLatin1Char('"');
}

inline QString Hex(uint32_t V, int Digits = 6) {
    return QStringLiteral("0x") + QString::number(V, 16).rightJustified(Digits, QLatin1Char('0')).toUpper();
}

inline QString Ints(std::initializer_list<int> Values) {
    QStringList L;
    for (int V : Values)
        L << QString::number(V);
    return L.join(QLatin1Char(' '));
}

// Device coordinates stay far inside the range where integer and painter arithmetic is exact, so
// absurd input gives an absurd picture rather than overflow.
constexpr double DeviceLimit = double(1 << 26);

inline int DevRound(double V) {
    if (std::isnan(V)) return 0;
    return int(std::floor(std::clamp(V, -DeviceLimit, DeviceLimit) + 0.5));
}

// A + B without overflow.
inline int Sum(int A, int B) {
    return int(std::clamp<int64_t>(int64_t(A) + B, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max()));
}

} // namespace DeviceContextInternal

struct DeviceContext::TState {
    HFONT Font = 0;
    HPEN Pen = 0;
    HBRUSH Brush = 0;
    HPALETTE Palette = 0;
    COLORREF TextColor = 0;
    COLORREF BkColor = RGB(255, 255, 255);
    int BkMode = OPAQUE;
    uint32_t TextAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int Rop2 = R2_COPYPEN;
    int PolyFill = ALTERNATE;
    int ArcDirection = AD_COUNTERCLOCKWISE;
    int StretchMode = BLACKONWHITE;
    TPoint BrushOrg;
    int MapMode = MM_TEXT;
    TSize WinExt{1, 1};
    TSize VpExt{1, 1};
    TPoint WinOrg;
    TPoint VpOrg;
    bool Clipped = false;
    QRegion Clip; // device pixels
    TPoint Cp;
};

// Every drawing call starts on a painter in the device context's base state, with its clipping
// applied. Code that is not ours (Full) gets a saved state, put back afterwards, so whatever it
// changes cannot leak into the next call.
struct DeviceContext::TPainterGuard {
    QPainter* P;
    bool Full;
    explicit TPainterGuard(DeviceContext& DC, bool AFull = false) : P(DC.Painter()), Full(AFull) {
        if (!P) return;
        DC.ResetPainter(*P);
        if (Full) P->save();
    }
    ~TPainterGuard() {
        if (P && Full) P->restore();
    }
    explicit operator bool() const { return P != nullptr; }
};
