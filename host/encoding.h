#pragma once
#include <QByteArray>
#include <QString>

// ANSI text in old document files is Windows-1252. Bytes with no character in that code page
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so any byte
// string survives a round trip.
QString AnsiToString(const QByteArray& Bytes);
QString AnsiToString(const char* Bytes, qsizetype Length);
// Characters with no place in Windows-1252 become '?'.
QByteArray StringToAnsi(const QString& Text);

// UTF-16 little-endian bytes, with or without the byte-order mark FF FE in front.
QByteArray StringToUtf16LE(const QString& Text, bool WithBom);
QString Utf16LEToString(const char* Bytes, qsizetype Length);

// Text read back from a stream or file: FF FE means UTF-16LE, EF BB BF means UTF-8, anything
// else is ANSI. The mark itself is not part of the text.
QString DecodeText(const QByteArray& Bytes);

// Copies Text into Into, in the buffer Into already has when it is its own and large enough, so
// that a text made again and again into the same string allocates nothing.
void AssignText(QString& Into, QStringView Text);
void AssignText(QString& Into, QLatin1StringView Text);
