#pragma once
// What the sources of the formatting unit share: the text buffer numbers and dates are built in and
// the cache of patterns read before. Only the formatting unit's own sources include this header.

#include "host/encoding.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <cstddef>
#include <cstdint>

namespace FormattingInternal {

// Text built in place: most numbers and dates fit the inline room, so making one allocates nothing
// until it is copied into the caller's string, whose buffer is reused.
class TTextBuffer {
public:
    void Add(char16_t c) { FText.append(c); }
    void Add(QChar c) { FText.append(c.unicode()); }
    void Add(QStringView s) { FText.append(reinterpret_cast<const char16_t*>(s.data()), s.size()); }
    void AddLatin1(const char* s) {
        for (; *s; ++s)
            FText.append(char16_t(uint8_t(*s)));
    }
    // At least Width digits, leading zeros added.
    void AddNumber(uint64_t Value, int Width = 1) {
        char Digits[24];
        int n = 0;
        do {
            Digits[n++] = char('0' + Value % 10);
            Value /= 10;
        } while (Value);
        for (int i = n; i < Width; ++i)
            FText.append(u'0');
        while (n > 0)
            FText.append(char16_t(Digits[--n]));
    }
    QStringView View() const { return QStringView(FText.constData(), FText.size()); }
    void CopyTo(QString& Into) const { AssignText(Into, View()); }

private:
    QVarLengthArray<char16_t, 128> FText;
};

// A pattern of the cache below, which stays in its place while this holds it.
template <class TPattern> class TPatternHold {
public:
    TPatternHold(const TPattern& Pattern, int& Holds) : FPattern(Pattern), FHolds(Holds) { ++FHolds; }
    ~TPatternHold() { --FHolds; }
    TPatternHold(const TPatternHold&) = delete;
    TPatternHold& operator=(const TPatternHold&) = delete;
    const TPattern& operator*() const { return FPattern; }

private:
    const TPattern& FPattern;
    int& FHolds;
};

// Patterns met before, read once: a label formats every record with the same one. Entries keep the
// pattern's text, so a pattern found at the same address is the same pattern. A pattern being
// written is held, so that one it names, read meanwhile, takes another place.
template <class TPattern, TPattern (*Compile)(const QString&)>
TPatternHold<TPattern> PatternOf(const QString& Format) {
    struct TEntry {
        QString Format;
        TPattern Pattern;
        int Holds = 0;
    };
    static std::array<TEntry, 8> Cache;
    static size_t Next = 0;
    for (TEntry& E : Cache)
        if (!E.Format.isEmpty() &&
            ((E.Format.constData() == Format.constData() && E.Format.size() == Format.size()) ||
             E.Format == Format))
            return {E.Pattern, E.Holds};
    // Named formats nest three deep at most, so a place nobody holds is always found.
    for (size_t Tries = 0; Cache[Next].Holds > 0 && Tries < Cache.size(); ++Tries)
        Next = (Next + 1) % Cache.size();
    TEntry& E = Cache[Next];
    Next = (Next + 1) % Cache.size();
    E.Pattern = Compile(Format);
    E.Format = Format;
    return {E.Pattern, E.Holds};
}

} // namespace FormattingInternal
