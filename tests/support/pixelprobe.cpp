#include "pixelprobe.h"

namespace {
QRect Area(const QImage& Image, QRect Within) {
    return Within.isEmpty() ? Image.rect() : Within.intersected(Image.rect());
}
bool Same(QRgb A, QRgb B) {
    return (A & 0xFFFFFF) == (B & 0xFFFFFF);
}
} // namespace

QRect InkBounds(const QImage& Image, QRgb Background, QRect Within) {
    QRect A = Area(Image, Within), R;
    for (int y = A.top(); y <= A.bottom(); ++y)
        for (int x = A.left(); x <= A.right(); ++x)
            if (!Same(Image.pixel(x, y), Background)) R |= QRect(x, y, 1, 1);
    return R;
}

int CountColor(const QImage& Image, QRgb Color, QRect Within) {
    QRect A = Area(Image, Within);
    int N = 0;
    for (int y = A.top(); y <= A.bottom(); ++y)
        for (int x = A.left(); x <= A.right(); ++x)
            if (Same(Image.pixel(x, y), Color)) ++N;
    return N;
}

bool Inked(const QImage& Image, int X, int Y, QRgb Background) {
    if (!Image.rect().contains(X, Y)) return false;
    return !Same(Image.pixel(X, Y), Background);
}

QString PixelMap(const QImage& Image, QRect Within, QRgb Background) {
    QRect A = Area(Image, Within);
    QString S;
    for (int y = A.top(); y <= A.bottom(); ++y) {
        for (int x = A.left(); x <= A.right(); ++x)
            S += Same(Image.pixel(x, y), Background) ? '.' : '#';
        S += '\n';
    }
    return S;
}
