#include "host/encoding.h"

#include <QHash>
#include <cstring>

namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their own number.
const char16_t Upper80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t AnsiChar(unsigned char b) {
    if (b >= 0x80 && b < 0xA0) return Upper80[b - 0x80];
    return b;
}

} // namespace

QString AnsiToString(const char* Bytes, qsizetype Length) {
    QString Result(Length, Qt::Uninitialized);
    QChar* d = Result.data();
    for (qsizetype i = 0; i < Length; ++i) d[i] = QChar(AnsiChar(static_cast<unsigned char>(Bytes[i])));
    return Result;
}

QString AnsiToString(const QByteArray& Bytes) { return AnsiToString(Bytes.constData(), Bytes.size()); }

QByteArray StringToAnsi(const QString& Text) {
    static const QHash<char16_t, char> Reverse = [] {
        QHash<char16_t, char> h;
        for (int i = 0; i < 32; ++i) h.insert(Upper80[i], static_cast<char>(0x80 + i));
        return h;
    }();
    QByteArray Result(Text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            Result[i] = static_cast<char>(c);
        else
            Result[i] = Reverse.value(c, '?');
    }
    return Result;
}

QByteArray StringToUtf16LE(const QString& Text, bool WithBom) {
    QByteArray Result;
    Result.reserve(Text.size() * 2 + 2);
    if (WithBom) Result.append("\xFF\xFE", 2);
    for (QChar c : Text) {
        const char16_t u = c.unicode();
        Result.append(static_cast<char>(u & 0xFF));
        Result.append(static_cast<char>(u >> 8));
    }
    return Result;
}

QString Utf16LEToString(const char* Bytes, qsizetype Length) {
    const qsizetype n = Length / 2;
    QString Result(n, Qt::Uninitialized);
    QChar* d = Result.data();
    const auto* b = reinterpret_cast<const unsigned char*>(Bytes);
    for (qsizetype i = 0; i < n; ++i) d[i] = QChar(char16_t(b[2 * i] | (b[2 * i + 1] << 8)));
    return Result;
}

QString DecodeText(const QByteArray& Bytes) {
    if (Bytes.size() >= 2 && uchar(Bytes[0]) == 0xFF && uchar(Bytes[1]) == 0xFE)
        return Utf16LEToString(Bytes.constData() + 2, Bytes.size() - 2);
    if (Bytes.size() >= 3 && uchar(Bytes[0]) == 0xEF && uchar(Bytes[1]) == 0xBB && uchar(Bytes[2]) == 0xBF)
        return QString::fromUtf8(Bytes.constData() + 3, Bytes.size() - 3);
    return AnsiToString(Bytes);
}

namespace {

// Into made n characters long, in the buffer it has when that is its own and large enough.
char16_t* SizedFor(QString& Into, qsizetype n) {
    if (Into.isDetached() && Into.capacity() >= n) {
        // A text of the length the string has already, as a column's often is, needs no resizing.
        if (Into.size() != n) Into.resize(n);
    } else {
        Into = QString(n, Qt::Uninitialized);
    }
    return reinterpret_cast<char16_t*>(Into.data());
}

} // namespace

void AssignText(QString& Into, QStringView Text) {
    const qsizetype n = Text.size();
    // Most texts are a few words: copied in place, without the call into the C library's memcpy.
    char16_t* To = SizedFor(Into, n);
    const char16_t* From = reinterpret_cast<const char16_t*>(Text.data());
    if (n < 4) {
        for (qsizetype i = 0; i < n; ++i)
            To[i] = From[i];
    } else if (n <= 32) {
        // Four characters a step, the last step ending at the last character even where it goes
        // over characters already copied.
        for (qsizetype i = 0; i + 4 < n; i += 4)
            std::memcpy(To + i, From + i, 8);
        std::memcpy(To + n - 4, From + n - 4, 8);
    } else {
        std::memcpy(To, From, static_cast<size_t>(n) * sizeof(QChar));
    }
}

void AssignText(QString& Into, QLatin1StringView Text) {
    const qsizetype n = Text.size();
    char16_t* To = SizedFor(Into, n);
    const char* From = Text.data();
    for (qsizetype i = 0; i < n; ++i)
        To[i] = static_cast<uint8_t>(From[i]);
}
