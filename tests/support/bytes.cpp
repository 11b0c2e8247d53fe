#include "support/bytes.h"

#include <QBuffer>
#include <gtest/gtest.h>

void Put32(QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (8 * i)));
}

void Put16(QByteArray& b, uint16_t v) {
    b.append(char(v));
    b.append(char(v >> 8));
}

TMemoryStream StreamOf(const QByteArray& Bytes) {
    TMemoryStream s;
    s.WriteBuffer(Bytes.constData(), Bytes.size());
    s.SetPosition(0);
    return s;
}

QByteArray Encode(const QImage& Image, const char* Format) {
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(Image.save(&Buffer, Format));
    return Bytes;
}

QByteArray PlaceableHeader(uint16_t Left, uint16_t Top, uint16_t Right, uint16_t Bottom, uint16_t Inch) {
    QByteArray b;
    Put32(b, 0x9AC6CDD7);
    for (uint16_t v : {uint16_t(0), Left, Top, Right, Bottom, Inch})
        Put16(b, v);
    Put32(b, 0);
    uint16_t Sum = 0;
    for (int i = 0; i < 10; ++i)
        Sum ^= uint16_t(uint8_t(b[2 * i]) | uint8_t(b[2 * i + 1]) << 8);
    Put16(b, Sum);
    return b;
}
