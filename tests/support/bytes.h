#pragma once
#include "host/streams.h"

#include <QByteArray>
#include <QImage>
#include <cstdint>

// Helpers for tests that forge files byte by byte.

// Appends V little-endian.
void Put32(QByteArray& b, uint32_t v);
void Put16(QByteArray& b, uint16_t v);

// A memory stream holding Bytes, positioned at the start.
TMemoryStream StreamOf(const QByteArray& Bytes);

// The image written in Format ("PNG", "JPG", "BMP" ...) through Qt's writers.
QByteArray Encode(const QImage& Image, const char* Format);

// The 22-byte header of a placeable metafile: the key, handle 0, the box in metafile units, the units
// per inch and the checksum over the ten words before it.
QByteArray PlaceableHeader(uint16_t Left, uint16_t Top, uint16_t Right, uint16_t Bottom, uint16_t Inch);
