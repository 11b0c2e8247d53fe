#pragma once
#include <QImage>
#include <QRect>
#include <QString>

// Pixel probes for drawing tests on image devices.

// The smallest rectangle holding every pixel that differs from Background; empty when none does.
QRect InkBounds(const QImage& Image, QRgb Background = 0xFFFFFFFF, QRect Within = QRect());

// Pixels of exactly Color (alpha ignored) inside Within (the whole image when empty).
int CountColor(const QImage& Image, QRgb Color, QRect Within = QRect());

// True when the pixel differs from Background.
bool Inked(const QImage& Image, int X, int Y, QRgb Background = 0xFFFFFFFF);

// Rows of '#' (differs from Background) and '.', one line per row, for failure messages.
QString PixelMap(const QImage& Image, QRect Within, QRgb Background = 0xFFFFFFFF);
